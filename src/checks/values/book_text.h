// How the checks and screening read the plain texts of a book set (UTF-8, as the
// staging database holds them): trimming, account codes, the void flag and ASCII case.
#pragma once

#include <string>
#include <string_view>

namespace qoru::checks {

inline bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// `text` without ASCII blanks and control characters (codes 0 to 32 and 127) and the
// ideographic space U+3000 at either end: the one trimming of every text that the checks
// and screening read, compare or group (codes, voucher types and numbers, side words,
// months, currencies, aux values, names, summaries, keywords). "记\u3000" and "记" are
// one voucher type. Nothing inside the text changes.
inline std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  const auto blank = [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b <= ' ' || b == 0x7F;
  };
  for (;;) {
    if (!text.empty() && blank(text.front())) {
      text.remove_prefix(1);
    } else if (!text.empty() && blank(text.back())) {
      text.remove_suffix(1);
    } else if (text.starts_with(kIdeographicSpace)) {
      text.remove_prefix(kIdeographicSpace.size());
    } else if (text.ends_with(kIdeographicSpace)) {
      text.remove_suffix(kIdeographicSpace.size());
    } else {
      return text;
    }
  }
}

// The form in which account codes compare: trimmed, ASCII letters lower-cased.
std::string AccountKey(std::string_view code);
// The same, written into `out` (no allocation once `out` has grown).
void AccountKeyInto(std::string_view code, std::string& out);

// A posting is void when its trimmed void value is "1".
bool IsVoidFlag(std::string_view value);

// True when `a` and `b` are equal ignoring the case of ASCII letters.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace qoru::checks
