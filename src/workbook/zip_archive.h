// Reading the entries of a zip archive held in memory, as an .xlsx file is one: the
// central directory (zip64 too), and each entry stored or deflated (zlib), its size and
// CRC-32 checked. Everything read is checked against the archive's bounds: a damaged or
// hostile file raises WorkbookError instead of reading past its end, and no entry
// inflates to more than a set limit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/workbook.h"

namespace qoru::workbook {

class ZipArchive {
 public:
  // `bytes` is the archive; `name` names it in messages. Raises WorkbookError when it is
  // not a zip archive or its directory is damaged.
  ZipArchive(std::string bytes, std::string name);

  bool Has(std::string_view entry) const;
  // The entry's content; raises WorkbookError when it is missing, damaged, compressed by
  // a method other than deflate, or larger than `limit` bytes.
  std::string Read(std::string_view entry, std::uint64_t limit = 256u << 20) const;
  // The entries' names in directory order.
  std::vector<std::string> Names() const;

 private:
  struct Entry {
    std::string name;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressed = 0, size = 0, offset = 0;
  };
  const Entry* Find(std::string_view name) const;
  [[noreturn]] void Damaged(const std::string& why) const;

  std::string bytes_;
  std::string name_;
  std::vector<Entry> entries_;
};

}  // namespace qoru::workbook
