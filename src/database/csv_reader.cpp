#include "database/csv_reader.h"

#include <unistd.h>

#include <cerrno>

#include <fmt/format.h>

#include "database/engine_error.h"
#include "platform/errors.h"

namespace qoru::db {

CsvReader::CsvReader(int fd, std::string display_name) : fd_(fd), name_(std::move(display_name)) {
  buffer_.resize(1 << 20);
  data_ = buffer_.data();
}

CsvReader::CsvReader(std::string_view bytes) : data_(bytes.data()), end_(bytes.size()) {}

bool CsvReader::Fill() {
  if (fd_ < 0) return false;
  while (true) {
    const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw EngineError(fmt::format("cannot read text file {}: {}", name_, SystemErrorText(errno)));
    pos_ = 0;
    end_ = static_cast<std::size_t>(n);
    return n > 0;
  }
}

bool CsvReader::Next(std::vector<CsvField>& fields, bool* blank) {
  fields.clear();
  int c = Get();
  if (c < 0) return false;
  record_line_ = ++line_;
  fields.emplace_back();
  bool any = false;
  while (true) {
    if (c < 0) break;
    if (c == '\r' || c == '\n') {
      if (c == '\r' && Peek() == '\n') Get();
      break;
    }
    any = true;
    CsvField& f = fields.back();
    if (c == ',') {
      fields.emplace_back();
      c = Get();
      continue;
    }
    if (c == '"' && f.bytes.empty() && !f.quoted) {
      f.quoted = true;
      // Quoted stretch: runs to the closing quote, across line ends.
      while (true) {
        c = Get();
        if (c < 0) break;
        if (c == '"') {
          if (Peek() == '"') {
            Get();
            f.bytes.push_back('"');
            continue;
          }
          break;
        }
        if (c == '\n') ++line_;
        f.bytes.push_back(static_cast<char>(c));
      }
      c = Get();
      continue;
    }
    f.bytes.push_back(static_cast<char>(c));
    c = Get();
  }
  *blank = !any;
  return true;
}

}  // namespace qoru::db
