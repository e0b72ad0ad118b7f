#include "text/gbk_tables.h"

namespace qoru::gbk {

std::uint32_t FourBytes(std::uint32_t linear) {
  const std::uint32_t b4 = linear % 10;
  linear /= 10;
  const std::uint32_t b3 = linear % 126;
  linear /= 126;
  const std::uint32_t b2 = linear % 10;
  const std::uint32_t b1 = linear / 10;
  return (0x81 + b1) << 24 | (0x30 + b2) << 16 | (0x81 + b3) << 8 | (0x30 + b4);
}

void DeriveUtf8(Tables& t) {
  t.utf8_double.assign(t.double_byte.size(), 0);
  for (std::size_t i = 0; i < t.double_byte.size(); ++i) {
    const char32_t cp = t.double_byte[i];
    if (cp == 0 || cp >= 0x10000) continue;
    std::uint32_t packed = 0;
    int n = 0;
    if (cp < 0x80) {
      packed = cp;
      n = 1;
    } else if (cp < 0x800) {
      packed = (0xC0 | (cp >> 6)) | (0x80 | (cp & 0x3F)) << 8;
      n = 2;
    } else {
      packed = (0xE0 | (cp >> 12)) | (0x80 | ((cp >> 6) & 0x3F)) << 8 | (0x80 | (cp & 0x3F)) << 16;
      n = 3;
    }
    t.utf8_double[i] = packed | static_cast<std::uint32_t>(n) << 24;
  }
}

const Tables& GetTables() {
  static const std::unique_ptr<Tables> tables = [] {
    std::unique_ptr<Tables> t = BuildTables();
    DeriveUtf8(*t);
    return t;
  }();
  return *tables;
}

}  // namespace qoru::gbk
