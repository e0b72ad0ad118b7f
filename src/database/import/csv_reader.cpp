#include "database/import/csv_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "errors/errors.h"
#include "files/line_ends.h"
#include "files/os_file.h"

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
    const long n = os::Read(fd_, buffer_.data(), buffer_.size());
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

namespace {

// Counts the records of a staging text fed to it in pieces, by the reader's rules, with
// nothing but its state carried from one piece to the next.
class RecordCounter {
 public:
  void Feed(std::string_view piece) {
    const char* p = piece.data();
    const char* const end = p + piece.size();
    if (p == end) return;
    LineEnds ends;
    if (cr_pending_) {  // a CR ended the last piece: a LF now belongs to it
      cr_pending_ = false;
      if (*p == '\n') ++p;
    }
    if (quote_pending_ && p < end) {  // a quote inside quotes ended the last piece
      quote_pending_ = false;
      if (*p == '"') {
        ++p;
      } else {
        quoted_ = false;
      }
    }
    while (p < end) {
      if (quoted_) {
        const auto* q =
            static_cast<const char*>(std::memchr(p, '"', static_cast<std::size_t>(end - p)));
        if (q == nullptr) return;
        p = q + 1;
        if (p == end) {
          quote_pending_ = true;
          return;
        }
        if (*p == '"') {
          ++p;  // a doubled quote stands for one
        } else {
          quoted_ = false;
        }
        continue;
      }
      // Outside quotes: a stretch up to the next line end, in which only a quote at the
      // start of a field changes anything.
      const char* stop = ends.Find(p, end);
      while (p < stop) {
        any_ = true;
        const auto* q =
            static_cast<const char*>(std::memchr(p, '"', static_cast<std::size_t>(stop - p)));
        const char* plain_end = q == nullptr ? stop : q;
        if (plain_end > p) field_start_ = plain_end[-1] == ',';
        if (q == nullptr) {
          p = stop;
          break;
        }
        if (q == p ? field_start_ : q[-1] == ',') {
          quoted_ = true;
          field_start_ = false;
          p = q + 1;
          break;
        }
        field_start_ = false;
        p = q + 1;
      }
      if (quoted_ || p == end) continue;
      // A line end closes the record.
      if (!header_ && any_) ++rows_;
      header_ = false;
      any_ = false;
      field_start_ = true;
      const char c = *p++;
      if (c == '\r') {
        if (p == end) {
          cr_pending_ = true;
        } else if (*p == '\n') {
          ++p;
        }
      }
    }
  }

  // The rows, once the last piece has been fed.
  std::uint64_t Finish() const { return rows_ + (!header_ && any_ ? 1 : 0); }

 private:
  std::uint64_t rows_ = 0;      // non-blank records after the first that have ended
  bool header_ = true;          // the first record has not ended yet
  bool any_ = false;            // the current record holds a character
  bool field_start_ = true;     // the next character starts a field
  bool quoted_ = false;         // inside a quoted field
  bool quote_pending_ = false;  // a quote inside quotes ended the last piece
  bool cr_pending_ = false;     // a CR ended the last piece
};

}  // namespace

std::uint64_t CountImportRows(std::string_view bytes) {
  RecordCounter counter;
  counter.Feed(bytes);
  return counter.Finish();
}

std::uint64_t CountImportRowsOfFile(const std::string& path, const std::string& display_name,
                                    std::size_t block_size) {
  const int fd = os::OpenRead(path);
  if (fd < 0)
    throw EngineError(
        fmt::format("cannot open text file {}: {}", display_name, SystemErrorText(errno)));
  struct Closer {
    int fd;
    ~Closer() { os::Close(fd); }
  } closer{fd};
  os::AdviseSequential(fd);
  std::string block(std::max<std::size_t>(block_size, 1), '\0');
  RecordCounter counter;
  while (true) {
    const long n = os::Read(fd, block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw EngineError(
          fmt::format("cannot read text file {}: {}", display_name, SystemErrorText(errno)));
    if (n == 0) break;
    counter.Feed(std::string_view(block.data(), static_cast<std::size_t>(n)));
  }
  return counter.Finish();
}

}  // namespace qoru::db
