#include "database/text_import.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>

#include "database/engine_error.h"
#include "database/jet_translator.h"
#include "database/sqlite_handle.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/gbk_codec.h"
#include "platform/gbk_text.h"

namespace qoru::db {
namespace {

struct CsvField {
  std::string bytes;  // GBK
  bool quoted = false;
};

// Reads CSV records from a file, one buffer at a time.
class CsvReader {
 public:
  CsvReader(int fd, std::string display_name) : fd_(fd), name_(std::move(display_name)) {
    buffer_.resize(1 << 20);
  }

  // Fills `fields` with the next record; false at the end of the file. `blank` is set
  // for a line without any character.
  bool Next(std::vector<CsvField>& fields, bool* blank) {
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

  std::uint64_t line() const { return line_; }                // last line read
  std::uint64_t record_line() const { return record_line_; }  // first line of the record

 private:
  int Get() {
    if (pos_ == end_ && !Fill()) return -1;
    return static_cast<unsigned char>(buffer_[pos_++]);
  }
  int Peek() {
    if (pos_ == end_ && !Fill()) return -1;
    return static_cast<unsigned char>(buffer_[pos_]);
  }
  bool Fill() {
    while (true) {
      const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0)
        throw EngineError(
            fmt::format("cannot read text file {}: {}", name_, SystemErrorText(errno)));
      pos_ = 0;
      end_ = static_cast<std::size_t>(n);
      return n > 0;
    }
  }

  int fd_;
  std::string name_;
  std::string buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t line_ = 0;
  std::uint64_t record_line_ = 0;
};

// The path of the text file: the exact name first, else a name equal to it ignoring
// ASCII case. The case of single-byte letters only is ignored: the trail byte of a
// double-byte character is no letter, even where its code is one.
std::string ResolveTextFile(const std::string& dir, const std::string& name) {
  const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";
  if (IsRegularFile(base + name)) return base + name;
  for (const std::string& entry : ListDirectory(dir))
    if (entry.size() == name.size() && FindText(entry, name, /*ignore_case=*/true) == 0 &&
        IsRegularFile(base + entry))
      return base + entry;
  throw EngineError(
      fmt::format("text file not found: {} in {}", DisplayText(name), DisplayText(base)));
}

}  // namespace

TextImportResult ImportTextFile(const TextImport& import) {
  if (import.table.empty()) throw EngineError("import: the target table has no name");
  if (import.file_name.find('/') != std::string::npos)
    throw EngineError(
        fmt::format("import: invalid text file name {}", DisplayText(import.file_name)));
  const std::string path = ResolveTextFile(import.directory, import.file_name);
  const std::string shown = DisplayText(import.file_name);
  SqliteDb db = OpenExistingDatabase(import.database_path);
  sqlite3* h = db.get();
  Exec(h, "PRAGMA synchronous=NORMAL; PRAGMA secure_delete=OFF");

  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    throw EngineError(fmt::format("cannot open text file {}: {}", shown, SystemErrorText(errno)));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  CsvReader reader(fd, shown);

  TextImportResult result;
  ConversionStats stats;
  std::vector<CsvField> fields;
  bool blank = false;
  if (!reader.Next(fields, &blank))
    throw EngineError(
        fmt::format("text file {} is empty: its first line must name the columns", shown));

  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::string name = GbkToUtf8(fields[i].bytes, &stats);
    if (name.empty()) name = fmt::format("F{}", i + 1);
    if (!seen.insert(AsciiLower(name)).second)
      throw EngineError(
          fmt::format("duplicate column name {} in the first line of text file {}", name, shown));
    names.push_back(std::move(name));
  }
  if (stats.replaced > 0) result.first_replaced_line = 1;

  std::string create = "CREATE TABLE " + QuoteName(import.table) + " (";
  std::string insert = "INSERT INTO " + QuoteName(import.table) + " VALUES (";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      create += ", ";
      insert += ",";
    }
    create += QuoteName(names[i]) + " TEXT COLLATE NOCASE";
    insert += "?";
  }
  create += ")";
  insert += ")";

  Exec(h, "BEGIN IMMEDIATE");
  try {
    if (sqlite3_exec(h, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      ThrowEngineError(h, fmt::format("import of {} into table {}", shown, import.table));
    SqliteStmt stmt = Prepare(h, insert);
    std::vector<std::string> values(names.size());
    while (reader.Next(fields, &blank)) {
      if (blank) continue;
      for (std::size_t i = 0; i < names.size(); ++i) {
        if (i >= fields.size() || (fields[i].bytes.empty() && !fields[i].quoted)) {
          sqlite3_bind_null(stmt.get(), static_cast<int>(i + 1));
          continue;
        }
        values[i] = GbkToUtf8(fields[i].bytes, &stats);
        if (stats.replaced > 0 && result.first_replaced_line == 0)
          result.first_replaced_line = reader.record_line();
        sqlite3_bind_text(stmt.get(), static_cast<int>(i + 1), values[i].data(),
                          static_cast<int>(values[i].size()), SQLITE_STATIC);
      }
      if (sqlite3_step(stmt.get()) != SQLITE_DONE)
        ThrowEngineError(h, fmt::format("import of {}, line {}", shown, reader.line()));
      sqlite3_reset(stmt.get());
      ++result.rows;
    }
    stmt.reset();
    Exec(h, "COMMIT");
  } catch (...) {
    sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  result.replaced_characters = stats.replaced;
  return result;
}

}  // namespace qoru::db
