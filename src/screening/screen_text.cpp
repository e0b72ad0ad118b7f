#include "screening/screen_text.h"

#include "text/utf8.h"

namespace qoru::screening {
namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view TrimText(std::string_view text) {
  for (;;) {
    if (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
      text.remove_prefix(1);
    } else if (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
      text.remove_suffix(1);
    } else if (text.size() >= 3 && text.substr(0, 3) == kIdeographicSpace) {
      text.remove_prefix(3);
    } else if (text.size() >= 3 && text.substr(text.size() - 3) == kIdeographicSpace) {
      text.remove_suffix(3);
    } else if (!text.empty() && static_cast<unsigned char>(text.front()) == 0x7F) {
      text.remove_prefix(1);
    } else if (!text.empty() && static_cast<unsigned char>(text.back()) == 0x7F) {
      text.remove_suffix(1);
    } else {
      return text;
    }
  }
}

bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view word) {
  if (word.empty()) return true;
  if (word.size() > text.size()) return false;
  for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
    std::size_t j = 0;
    while (j < word.size() && Lower(text[i + j]) == Lower(word[j])) ++j;
    if (j == word.size()) return true;
  }
  return false;
}

bool IsValidUtf8(std::string_view text) {
  return qoru::IsValidUtf8(text);
}

}  // namespace qoru::screening
