#include "text/utf8.h"

namespace qoru {
namespace {
constexpr char32_t kReplacementCharacter = 0xFFFD;
}  // namespace

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

char32_t DecodeUtf8(std::string_view text, std::size_t& i, bool* malformed) {
  const auto c = static_cast<unsigned char>(text[i]);
  *malformed = false;
  if (c < 0x80) {
    ++i;
    return c;
  }
  int extra = 0;
  char32_t cp = 0;
  if ((c & 0xE0) == 0xC0) {
    extra = 1;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3;
    cp = c & 0x07;
  } else {
    ++i;
    *malformed = true;
    return kReplacementCharacter;
  }
  // A sequence cut short, by the end of the text or by a byte that cannot continue it,
  // is one replacement; what follows is read afresh.
  for (int k = 1; k <= extra; ++k) {
    const auto cc = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
    if ((cc & 0xC0) != 0x80) {
      i += k;
      *malformed = true;
      return kReplacementCharacter;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += extra + 1;
  // Overlong forms, surrogates and code points beyond Unicode are not characters.
  static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    *malformed = true;
    return kReplacementCharacter;
  }
  return cp;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    bool malformed = false;
    DecodeUtf8(text, i, &malformed);
    if (malformed) return false;
  }
  return true;
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  bool malformed = false;
  while (i < text.size()) AppendUtf8(DecodeUtf8(text, i, &malformed), out);
  return out;
}

}  // namespace qoru
