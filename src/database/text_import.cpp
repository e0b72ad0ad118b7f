#include "database/text_import.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>

#include "database/csv_reader.h"
#include "database/engine_error.h"
#include "database/jet_translator.h"
#include "database/sqlite_handle.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/gbk_codec.h"
#include "platform/gbk_text.h"

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
