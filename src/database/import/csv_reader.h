// Reads the records of a staging text file by the text driver's CSV rules, one buffer
// at a time, from a file descriptor or from bytes in memory:
//   - a record ends at CR LF, a lone CR or a lone LF outside quotes;
//   - fields split at commas; a field that starts with a double quote runs to its
//     closing quote (across line ends), a doubled quote inside standing for one, and
//     what follows the closing quote up to the next comma is appended as it stands;
//   - bytes are kept exactly (GBK, never trimmed or converted).
// A read error of the file is an EngineError naming the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qoru::db {

struct CsvField {
  std::string bytes;    // GBK
  bool quoted = false;  // the field started with a double quote
};

class CsvReader {
 public:
  static constexpr std::size_t kBufferSize = 1 << 20;

  // Reads from `fd`, which stays owned by the caller, `buffer_size` bytes at a time (a
  // smaller buffer serves the tests that cross its boundaries); `display_name` (UTF-8)
  // names the file in messages.
  CsvReader(int fd, std::string display_name, std::size_t buffer_size = kBufferSize);
  // Reads from `bytes`, which must outlive the reader.
  explicit CsvReader(std::string_view bytes);

  // Fills `fields` with the next record (at least one field); false at the end of the
  // input. `blank` is set for a line without any character.
  bool Next(std::vector<CsvField>& fields, bool* blank);

  std::uint64_t line() const { return line_; }                // last line read, from 1
  std::uint64_t record_line() const { return record_line_; }  // first line of the record

 private:
  int Peek() {
    if (pos_ == end_ && !Fill()) return -1;
    return static_cast<unsigned char>(data_[pos_]);
  }
  bool Fill();
  void ReadQuoted(CsvField& f);

  int fd_ = -1;                 // -1: reading from memory
  std::string name_;            // UTF-8 name of the file, for messages
  std::string buffer_;          // read buffer of a file
  const char* data_ = nullptr;  // the bytes being read: buffer_ or the caller's
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t line_ = 0;
  std::uint64_t record_line_ = 0;
};

// The rows that the import of a staging text makes of `bytes`: its records after the
// first (the header line), blank ones left out, by the record rules above. Lines
// without quotes are stepped over whole, so counting costs a fraction of reading.
std::uint64_t CountImportRows(std::string_view bytes);

// CountImportRows of the file at `path`, read `block_size` bytes at a time; an
// EngineError naming `display_name` (UTF-8) when the file cannot be read.
std::uint64_t CountImportRowsOfFile(const std::string& path, const std::string& display_name,
                                    std::size_t block_size = 1 << 20);

}  // namespace qoru::db
