// How the checks read the plain texts of a book set (UTF-8, as the staging database
// holds them): trimming, account codes, the void flag and ASCII case.
#pragma once

#include <string>
#include <string_view>

namespace qoru::checks {

inline bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// `text` without the characters of code 32 or lower (blanks, control characters) at
// either end.
inline std::string_view TrimBlanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
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
