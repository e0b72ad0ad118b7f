#include "database/csv_reader.h"

#include <unistd.h>

#include <cerrno>

#include <fmt/format.h>

#include "database/engine_error.h"
#include "platform/errors.h"

namespace qoru::db {

CsvReader::CsvReader(int fd, std::string display_name, std::size_t buffer_size)
    : fd_(fd), name_(std::move(display_name)) {
  buffer_.resize(buffer_size > 0 ? buffer_size : 1);
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

}  // namespace qoru::db
