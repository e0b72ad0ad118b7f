#include "database/import/text_import.h"

#include <cerrno>
#include <functional>
#include <thread>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "database/engine/sqlite_handle.h"
#include "database/import/csv_reader.h"
#include "database/import/queued_rows_table.h"
#include "database/import/row_batch_queue.h"
#include "database/sql/jet_translator.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru::db {
namespace {

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
  throw EngineError(fmt::format("text file not found: {} in {}", GbkToUtf8(name), PathText(base)));
}

// `base`, or base + "_2", "_3" ...: the first that names no table of the database.
std::string FreeName(sqlite3* db, const std::string& base) {
  SqliteStmt taken =
      Prepare(db, "SELECT count(*) FROM sqlite_master WHERE name = ?1 COLLATE NOCASE");
  std::string name = base;
  for (int n = 2;; ++n) {
    sqlite3_bind_text(taken.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    if (sqlite3_step(taken.get()) != SQLITE_ROW) ThrowEngineError(db);
    const bool free = sqlite3_column_int(taken.get(), 0) == 0;
    sqlite3_reset(taken.get());
    if (free) return name;
    name = base + "_" + std::to_string(n);
  }
}

// The column names of the first record of `reader`, as the import names the columns.
std::vector<std::string> ReadColumnNames(CsvReader& reader, const std::string& shown,
                                         ConversionStats& stats) {
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
  return names;
}

// The open text file of an import, closed with the object.
class TextFile {
 public:
  TextFile(const std::string& directory, const std::string& file_name)
      : shown_(GbkToUtf8(file_name)) {
    const std::string path = ImportFilePath(directory, file_name);
    fd_ = os::OpenRead(path);
    if (fd_ < 0)
      throw EngineError(
          fmt::format("cannot open text file {}: {}", shown_, SystemErrorText(errno)));
  }
  ~TextFile() { os::Close(fd_); }
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  int fd() const { return fd_; }
  const std::string& shown() const { return shown_; }

 private:
  std::string shown_;  // UTF-8 name for messages
  int fd_ = -1;
};

// Whether value `i` of a record is null in its row: a field the record lacks (a short
// row), or an empty field that was not quoted.
bool ImportsAsNull(const std::vector<CsvField>& fields, std::size_t i) {
  return i >= fields.size() || (fields[i].bytes.empty() && !fields[i].quoted);
}

// The reading thread: every further record of `reader` as a row of `columns` values,
// decoded from GBK, and widened when the import is, in batches through `queue`. A
// blank line yields no row; a short row gets nulls; an empty field that was not quoted
// is null; extra fields are dropped.
void ReadRows(CsvReader& reader, std::size_t columns, ImportWidening* widening,
              RowBatchQueue& queue, ConversionStats& stats, std::uint64_t& first_replaced_line) {
  std::exception_ptr failure;
  try {
    std::vector<CsvField> fields;
    bool blank = false;
    std::uint64_t number = 0;
    std::unique_ptr<RowBatch> batch = queue.Empty();
    while (reader.Next(fields, &blank)) {
      if (blank) continue;
      const std::size_t first = batch->starts.size();
      for (std::size_t i = 0; i < columns; ++i) {
        if (ImportsAsNull(fields, i)) {
          batch->AddNull();
          continue;
        }
        const std::size_t start = batch->text.size();
        AppendGbkAsUtf8(fields[i].bytes, batch->text, &stats);
        batch->AddText(start);
        if (stats.replaced > 0 && first_replaced_line == 0)
          first_replaced_line = reader.record_line();
      }
      if (widening != nullptr) widening->Fill(++number, *batch, first);
      batch->lines.push_back(reader.line());
      if (batch->Full()) {
        if (!queue.Push(std::move(batch))) break;
        batch = queue.Empty();
      }
    }
    if (batch != nullptr && batch->rows() > 0) queue.Push(std::move(batch));
  } catch (...) {
    failure = std::current_exception();
  }
  queue.Finish(failure);
}

// The columns of `table` once the widening has had its say.
std::size_t ColumnCount(sqlite3* db, const std::string& table) {
  SqliteStmt info = Prepare(db, "SELECT count(*) FROM pragma_table_info(?1)");
  sqlite3_bind_text(info.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_STATIC);
  if (sqlite3_step(info.get()) != SQLITE_ROW) ThrowEngineError(db);
  return static_cast<std::size_t>(sqlite3_column_int64(info.get(), 0));
}

}  // namespace

TextImportResult ImportTextFile(const TextImport& import) {
  if (import.table.empty()) throw EngineError("import: the target table has no name");
  TextFile file(import.directory, import.file_name);
  const std::string& shown = file.shown();
  SqliteDb own;
  sqlite3* h = import.database;
  if (h == nullptr) {
    own = OpenExistingDatabase(import.database_path);
    h = own.get();
    Exec(h, "PRAGMA synchronous=OFF; PRAGMA secure_delete=OFF");
  }
  CsvReader reader(file.fd(), shown);

  TextImportResult result;
  ConversionStats stats;
  const std::vector<std::string> names = ReadColumnNames(reader, shown, stats);
  if (stats.replaced > 0) result.first_replaced_line = 1;

  std::string create = "CREATE TABLE " + QuoteName(import.table) + " (";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) create += ", ";
    create += QuoteName(names[i]) + " TEXT COLLATE NOCASE";
  }
  create += ")";

  Exec(h, "BEGIN IMMEDIATE");
  // The rows are read and decoded on a thread of their own, and inserted on this one
  // by a single INSERT ... SELECT from them.
  RowBatchQueue queue(4);
  std::thread reading;
  try {
    if (sqlite3_exec(h, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      ThrowEngineError(h, fmt::format("import of {} into table {}", shown, import.table));
    int row_number_column = -1;
    std::size_t columns = names.size();
    if (import.widening != nullptr) {
      row_number_column = import.widening->Widen(h, import.table);
      columns = ColumnCount(h, import.table);
    }
    const std::string source = FreeName(h, "qoru_import_rows");
    QueuedRowsTable rows(queue, columns);
    rows.set_row_number_column(row_number_column);
    if (import.widening != nullptr)
      rows.set_inserted([w = import.widening](std::int64_t number) {
        w->Inserted(static_cast<std::uint64_t>(number));
      });
    rows.Register(h, source);
    SqliteStmt copy =
        Prepare(h, "INSERT INTO " + QuoteName(import.table) + " SELECT * FROM " + source);
    reading = std::thread(ReadRows, std::ref(reader), names.size(), import.widening,
                          std::ref(queue), std::ref(stats), std::ref(result.first_replaced_line));
    if (sqlite3_step(copy.get()) != SQLITE_DONE) {
      rows.RethrowCallbackFailure();
      ThrowEngineError(h, fmt::format("import of {}, line {}", shown, rows.line()));
    }
    result.rows = static_cast<std::uint64_t>(sqlite3_changes64(h));
    copy.reset();
    reading.join();
    if (std::exception_ptr failure = queue.failure()) {
      try {
        std::rethrow_exception(failure);
      } catch (const ValueTooLargeError& e) {
        throw EngineError(fmt::format("import of {}, line {}: {}", shown, reader.line(), e.what()));
      }
    }
    Exec(h, "COMMIT");
  } catch (...) {
    queue.Cancel();
    if (reading.joinable()) reading.join();
    sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  result.replaced_characters = stats.replaced;
  return result;
}

std::string ImportFilePath(const std::string& directory, const std::string& file_name) {
  // A bare name in the directory: no "/", no "." or "..", and none that the platform
  // keeps for itself (on Windows "\\", ":" and device names, which would leave it).
  if (file_name.find('/') != std::string::npos || file_name == "." || file_name == ".." ||
      os::IsReservedName(file_name))
    throw EngineError(fmt::format("import: invalid text file name {}", GbkToUtf8(file_name)));
  return ResolveTextFile(directory, file_name);
}

std::vector<std::string> ImportColumnNames(const std::string& directory,
                                           const std::string& file_name) {
  TextFile file(directory, file_name);
  CsvReader reader(file.fd(), file.shown());
  ConversionStats stats;
  return ReadColumnNames(reader, file.shown(), stats);
}

std::uint64_t ReadImportRows(const std::string& directory, const std::string& file_name,
                             const std::function<void(const ImportRow&)>& each) {
  TextFile file(directory, file_name);
  CsvReader reader(file.fd(), file.shown());
  ConversionStats stats;
  const std::size_t columns = ReadColumnNames(reader, file.shown(), stats).size();
  std::vector<CsvField> fields;
  bool blank = false;
  ImportRow row;
  std::uint64_t rows = 0;
  while (reader.Next(fields, &blank)) {
    if (blank) continue;
    row.line = reader.record_line();
    row.values.resize(columns);
    for (std::size_t i = 0; i < columns; ++i) {
      if (ImportsAsNull(fields, i)) {
        row.values[i].reset();
      } else {
        row.values[i].emplace();
        AppendGbkAsUtf8(fields[i].bytes, *row.values[i], &stats);
      }
    }
    ++rows;
    each(row);
  }
  return rows;
}

}  // namespace qoru::db
