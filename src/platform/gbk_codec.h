// GBK (code page 936) conversion to and from UTF-8 and UTF-16.
//
// Every text inside the library is a GBK byte string; these functions are the only
// place where it changes encoding, at the borders to the host (UTF-16) and to the
// database engine (UTF-8). The tables behind them are filled once, on first use,
// from glibc's iconv converter "CP936", and extended with the user-defined areas
// that the host's code page maps to the private use area:
//   0xAAA1-0xAFFE -> U+E000..., 0xF8A1-0xFEFE -> U+E234..., 0xA140-0xA7A0 -> U+E4C6...
// so that such characters survive a round trip.
//
// A byte sequence that is not valid GBK never stops a conversion: it becomes U+FFFD
// and is counted. A code point that GBK cannot hold becomes "?" and is counted.
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

// True for a byte that starts a GBK double-byte character when a valid trail follows.
inline bool IsGbkLead(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}
// True for a byte that can end a GBK double-byte character.
inline bool IsGbkTrail(unsigned char c) {
  return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// Length in bytes (1 or 2) of the character that starts at text[i].
inline std::size_t GbkCharLength(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (IsGbkLead(c) && i + 1 < text.size() && IsGbkTrail(static_cast<unsigned char>(text[i + 1])))
    return 2;
  return 1;
}

std::string GbkToUtf8(std::string_view gbk, ConversionStats* stats = nullptr);
// GbkToUtf8 appending to `out`, for callers that convert many values into one buffer.
void AppendGbkAsUtf8(std::string_view gbk, std::string& out, ConversionStats* stats = nullptr);
// Like GbkToUtf8, but a byte that is not valid GBK becomes U+F700 + byte instead of
// U+FFFD, and Utf8ToGbk turns it back into that byte: statement texts carry paths and
// names this way, so that a path whose bytes are not GBK reaches the file system
// unchanged.
std::string GbkToUtf8Escaped(std::string_view gbk);
std::u16string GbkToUtf16(std::string_view gbk, ConversionStats* stats = nullptr);
std::string Utf8ToGbk(std::string_view utf8, ConversionStats* stats = nullptr);
std::string Utf16ToGbk(std::u16string_view utf16, ConversionStats* stats = nullptr);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// GBK text of a UTF-8 literal of the source code (status texts, statement pieces).
// Only for texts that GBK holds whole.
inline std::string Gbk(std::string_view utf8) {
  return Utf8ToGbk(utf8);
}

// Decodes GBK arriving in pieces: a double-byte character split between two pieces
// is carried over to the next call.
class GbkStreamDecoder {
 public:
  // Appends the UTF-8 of `piece` to `out`; a trailing lead byte is held back.
  void Decode(std::string_view piece, std::string& out);
  // Flushes a held-back lead byte (as U+FFFD) at the end of the input.
  void Finish(std::string& out);
  const ConversionStats& stats() const { return stats_; }

 private:
  int pending_ = -1;  // held-back lead byte, or -1
  ConversionStats stats_;
};

}  // namespace qoru
