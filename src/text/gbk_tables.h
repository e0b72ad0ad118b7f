// The conversion tables of the legacy code page: GB 18030 as code page 936 and glibc
// give it (text/gbk_codec.h says which wins where), filled once, on first use, from
// glibc's iconv converters "CP936" and "GB18030" and a few fixed areas. On Windows the
// same tables come compiled in: the Linux build's qoru-dump-codepage writes them out,
// so that both convert byte for byte alike. Only the codec reads them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace qoru::gbk {

inline constexpr char32_t kReplacement = 0xFFFD;
inline constexpr char32_t kEscapeBase = 0xF700;  // U+F780..U+F7FF carry the bytes 0x80..0xFF
inline constexpr int kLeadCount = 0xFE - 0x81 + 1;
inline constexpr int kTrailCount = 0xFE - 0x40 + 1;

// A zero entry means "no mapping".
struct Tables {
  std::array<char16_t, 0x80> high_single{};  // bytes 0x80..0xFF alone
  std::vector<char32_t> double_byte;         // [lead][trail] -> code point
  std::vector<char16_t> four_byte_bmp;       // linear sequence -> basic-plane code point
  // Basic-plane code point -> its bytes: < 0x100 one byte, < 0x10000 two (lead high),
  // else four (first byte highest).
  std::vector<std::uint32_t> encode;
  // [lead][trail] -> the UTF-8 of double_byte's code point: its bytes in the low three
  // bytes, first byte lowest, and their number in the top byte; 0 for no mapping and
  // for the code points beyond the basic plane.
  std::vector<std::uint32_t> utf8_double;

  char32_t Double(unsigned lead, unsigned trail) const {
    return double_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)];
  }
};

// The tables, built on the first call; safe to call from any thread.
const Tables& GetTables();

// The platform's source of the tables (gbk_tables_posix.cpp: iconv; gbk_tables_win.cpp:
// compiled in): every field but utf8_double, which GetTables derives.
std::unique_ptr<Tables> BuildTables();

// The bytes of the four-byte sequence `linear` (text/gbk_codec.h), first byte highest.
std::uint32_t FourBytes(std::uint32_t linear);

}  // namespace qoru::gbk
