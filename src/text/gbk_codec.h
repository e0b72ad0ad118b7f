// Conversion of the host's legacy text to and from UTF-8 and UTF-16.
//
// Every text inside the library is a byte string of the host's code page; these
// functions are the only place where it changes encoding, at the borders to the host
// (UTF-16) and to the database engine (UTF-8). The text is read as GB 18030, the
// superset of GBK that also holds every Unicode character:
//   - one byte: ASCII, and 0x80 the euro sign (as code page 936 has it);
//   - two bytes, lead 0x81-0xFE, trail 0x40-0xFE but 0x7F: code page 936 as glibc's
//     "CP936" maps it, the user-defined areas that the host's code page maps to the
//     private use area (0xAAA1-0xAFFE -> U+E000..., 0xF8A1-0xFEFE -> U+E234...,
//     0xA140-0xA7A0 -> U+E4C6...), and where neither has a character, glibc's
//     "GB18030" (0xA2E3, 0xA6D9, 0xFE51 ...);
//   - four bytes, lead 0x81-0xFE, digit, lead, digit: the rest of the basic plane from
//     glibc's "GB18030" (0x81308130-0x8431A439), and the supplementary planes by
//     arithmetic (0x90308130-0xE3329A35: U+10000-U+10FFFF).
// Encoding takes the shortest of these for each character, code page 936 first, so
// every character that GBK holds encodes as before and every other one as its four
// bytes: UTF-8 -> legacy -> UTF-8 loses nothing (but for U+F780-U+F7FF, see
// GbkToUtf8Escaped).
//
// A byte sequence that does not decode never stops a conversion: it becomes U+FFFD
// and is counted. Malformed UTF-8 becomes "?" and is counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qoru {

// Counts the replacements made by the conversions that take it.
struct ConversionStats {
  std::size_t replaced = 0;  // characters that could not be converted
};

// True for a byte that starts a double-byte or four-byte character when the rest of
// it follows.
inline bool IsGbkLead(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}
// True for a byte that can end a double-byte character.
inline bool IsGbkTrail(unsigned char c) {
  return c >= 0x40 && c <= 0xFE && c != 0x7F;
}
// True for the second and fourth byte of a four-byte character: an ASCII digit. As no
// ASCII punctuation can be one, "[", "/", "," and '"' never stand inside such a
// character, but a digit does.
inline bool IsGb18030Digit(unsigned char c) {
  return c >= 0x30 && c <= 0x39;
}

// The four-byte characters that exist: 0x81308130-0x8431A439 (the basic plane) and
// 0x90308130-0xE3329A35 (U+10000-U+10FFFF). `linear` counts the sequences from
// 0x81308130 on, the last byte fastest.
inline constexpr std::uint32_t kGb18030BmpSequences = 39420;
inline constexpr std::uint32_t kGb18030SupplementaryStart = 189000;  // 0x90308130
constexpr std::uint32_t Gb18030Linear(unsigned char b1, unsigned char b2, unsigned char b3,
                                      unsigned char b4) {
  return ((static_cast<std::uint32_t>(b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (b3 - 0x81)) * 10 +
         (b4 - 0x30);
}

// Length in bytes (1, 2 or 4) of the character that starts at text[i]. A lead byte
// without the rest of a character is one byte long.
inline std::size_t GbkCharLength(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (!IsGbkLead(c) || i + 1 >= text.size()) return 1;
  const auto c2 = static_cast<unsigned char>(text[i + 1]);
  if (IsGbkTrail(c2)) return 2;
  if (!IsGb18030Digit(c2) || i + 3 >= text.size()) return 1;
  const auto c3 = static_cast<unsigned char>(text[i + 2]);
  const auto c4 = static_cast<unsigned char>(text[i + 3]);
  if (!IsGbkLead(c3) || !IsGb18030Digit(c4)) return 1;
  const std::uint32_t linear = Gb18030Linear(c, c2, c3, c4);
  if (linear < kGb18030BmpSequences) return 4;
  if (linear >= kGb18030SupplementaryStart && linear - kGb18030SupplementaryStart <= 0xFFFFF)
    return 4;
  return 1;
}

std::string GbkToUtf8(std::string_view gbk, ConversionStats* stats = nullptr);
// GbkToUtf8 appending to `out`, for callers that convert many values into one buffer.
void AppendGbkAsUtf8(std::string_view gbk, std::string& out, ConversionStats* stats = nullptr);
// Like GbkToUtf8, but a byte that does not decode becomes U+F700 + byte instead of
// U+FFFD, and Utf8ToGbk turns it back into that byte: statement texts carry paths and
// names this way, so that a path whose bytes are not GBK reaches the file system
// unchanged. The 128 private-use code points U+F780-U+F7FF so stand for bytes and
// never for their own four-byte sequences.
std::string GbkToUtf8Escaped(std::string_view gbk);
std::u16string GbkToUtf16(std::string_view gbk, ConversionStats* stats = nullptr);
std::string Utf8ToGbk(std::string_view utf8, ConversionStats* stats = nullptr);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// GBK text of a UTF-8 literal of the source code (status texts, statement pieces).
// Only for texts that GBK holds whole.
inline std::string Gbk(std::string_view utf8) {
  return Utf8ToGbk(utf8);
}

}  // namespace qoru
