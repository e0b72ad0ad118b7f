#include "text/gbk_text.h"

#include "text/gbk_codec.h"

namespace qoru {
namespace {

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// Compares needle with text at `start`, character by character.
bool MatchesAt(std::string_view text, std::size_t start, std::string_view needle,
               bool ignore_case) {
  std::size_t j = 0;
  while (j < needle.size()) {
    const std::size_t len = GbkCharLength(needle, j);
    if (start + j + len > text.size()) return false;
    // Each character of the needle must meet a whole character of the text: a single
    // byte never matches the lead byte of a double-byte character.
    if (GbkCharLength(text, start + j) != len) return false;
    if (len > 1 || !ignore_case) {
      if (text.compare(start + j, len, needle.substr(j, len)) != 0) return false;
    } else {
      const auto a = static_cast<unsigned char>(text[start + j]);
      const auto b = static_cast<unsigned char>(needle[j]);
      if (FoldAscii(a) != FoldAscii(b)) return false;
    }
    j += len;
  }
  return true;
}

}  // namespace

std::size_t FindText(std::string_view text, std::string_view needle, bool ignore_case) {
  if (needle.empty()) return 0;
  for (std::size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) {
    if (text.size() - i < needle.size()) break;
    if (MatchesAt(text, i, needle, ignore_case)) return i;
  }
  return kNotFound;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (auto& c : out) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  return text.substr(b, e - b);
}

std::string QuotedText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('\'');
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  out.push_back('\'');
  return out;
}

}  // namespace qoru
