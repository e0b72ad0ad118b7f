// Text helpers over GBK byte strings: searching that never matches inside a
// double-byte or four-byte character, ASCII-only case folding, trimming and SQL
// quoting.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qoru {

inline constexpr std::size_t kNotFound = std::string_view::npos;

// Position of the first occurrence of `needle` in `text` that starts on a character
// boundary, stepping over double-byte and four-byte characters (GbkCharLength);
// kNotFound when there is none. With `ignore_case` the ASCII letters of single-byte
// characters match either case; the bytes of longer characters always match exactly.
std::size_t FindText(std::string_view text, std::string_view needle, bool ignore_case = false);

inline bool ContainsText(std::string_view text, std::string_view needle, bool ignore_case = false) {
  return FindText(text, needle, ignore_case) != kNotFound;
}

// The text with ASCII letters lower-cased; other bytes unchanged.
std::string AsciiLower(std::string_view text);

// The text without its leading and trailing characters of code 32 or lower.
std::string_view Trim(std::string_view text);

// The text in single quotes with every inner single quote doubled.
std::string QuotedText(std::string_view text);

}  // namespace qoru
