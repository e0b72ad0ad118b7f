#include "database/csv_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
  if (pos_ == end_ && !Fill()) {
    fields.clear();
    return false;
  }
  record_line_ = ++line_;
  // The fields of the vector are reused, so that their buffers are too.
  std::size_t count = 0;
  auto next_field = [&]() -> CsvField& {
    if (count == fields.size()) fields.emplace_back();
    CsvField& f = fields[count++];
    f.bytes.clear();
    f.quoted = false;
    return f;
  };
  CsvField* f = &next_field();
  bool any = false;
  while (pos_ < end_ || Fill()) {
    const char c = data_[pos_];
    if (c == '\r' || c == '\n') {
      ++pos_;
      if (c == '\r' && Peek() == '\n') ++pos_;
      break;
    }
    any = true;
    if (c == ',') {
      ++pos_;
      f = &next_field();
      continue;
    }
    if (c == '"' && f->bytes.empty() && !f->quoted) {
      ++pos_;
      f->quoted = true;
      ReadQuoted(*f);
      continue;
    }
    // A plain stretch, up to the next comma or line end (or the end of the buffer).
    const std::size_t start = pos_;
    while (pos_ < end_ && data_[pos_] != ',' && data_[pos_] != '\r' && data_[pos_] != '\n') ++pos_;
    f->bytes.append(data_ + start, pos_ - start);
  }
  fields.resize(count);
  *blank = !any;
  return true;
}

void CsvReader::ReadQuoted(CsvField& f) {
  // Runs to the closing quote, across line ends; a doubled quote stands for one.
  while (pos_ < end_ || Fill()) {
    const std::size_t start = pos_;
    while (pos_ < end_ && data_[pos_] != '"') {
      if (data_[pos_] == '\n') ++line_;
      ++pos_;
    }
    f.bytes.append(data_ + start, pos_ - start);
    if (pos_ == end_) continue;
    ++pos_;
    if (Peek() != '"') return;
    ++pos_;
    f.bytes.push_back('"');
  }
}

std::uint64_t CountImportRows(std::string_view bytes) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  std::uint64_t records = 0;  // non-blank records after the first
  bool header = true;         // the first record is still to end
  while (p < end) {
    // A line without a double quote is one record: step over it whole.
    const char* lf =
        static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* line_end = lf == nullptr ? end : lf;
    const std::size_t length = static_cast<std::size_t>(line_end - p);
    if (std::memchr(p, '"', length) == nullptr) {
      const char* cr = static_cast<const char*>(std::memchr(p, '\r', length));
      if (cr == nullptr || cr + 1 == line_end) {
        const bool blank = (cr == nullptr ? length : length - 1) == 0;
        if (!header && !blank) ++records;
        header = false;
        p = lf == nullptr ? end : lf + 1;
        continue;
      }
    }
    // Byte by byte, as the reader goes: one record, which may run across line ends
    // inside quotes.
    bool any = false;
    bool field_start = true;
    bool quoted = false;
    while (p < end) {
      const char c = *p;
      if (quoted) {
        ++p;
        if (c != '"') continue;
        if (p < end && *p == '"') {
          ++p;
          continue;
        }
        quoted = false;
        continue;
      }
      if (c == '\r' || c == '\n') {
        ++p;
        if (c == '\r' && p < end && *p == '\n') ++p;
        break;
      }
      any = true;
      if (c == '"' && field_start) {
        quoted = true;
        field_start = false;
      } else {
        field_start = c == ',';
      }
      ++p;
    }
    if (!header && any) ++records;
    header = false;
  }
  return records;
}

std::uint64_t CountImportRowsOfFile(const std::string& path, const std::string& display_name) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    throw EngineError(
        fmt::format("cannot open text file {}: {}", display_name, SystemErrorText(errno)));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    throw EngineError(
        fmt::format("cannot read text file {}: {}", display_name, SystemErrorText(err)));
  }
  if (st.st_size == 0) {
    ::close(fd);
    return 0;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  const int err = errno;
  ::close(fd);
  if (map == MAP_FAILED)
    throw EngineError(
        fmt::format("cannot read text file {}: {}", display_name, SystemErrorText(err)));
  ::madvise(map, size, MADV_SEQUENTIAL);
  const std::uint64_t rows = CountImportRows(std::string_view(static_cast<const char*>(map), size));
  ::munmap(map, size);
  return rows;
}

}  // namespace qoru::db
