#include "database/alter_preview.h"

#include "database/engine_error.h"
#include "database/sqlite_handle.h"
#include "database/table_builder.h"

namespace qoru::db {
namespace {
constexpr const char* kCopy = "qoru_alter_preview";
}  // namespace

std::optional<std::string> PreviewAlters(sqlite3* db, const std::string& table,
                                         const std::string& create_sql,
                                         const std::vector<std::vector<AddedColumn>>& alters) {
  const std::string prefix = "CREATE TABLE " + QuoteName(table) + " (";
  const std::string copy_prefix = "CREATE TABLE " + QuoteName(kCopy) + " (";
  if (create_sql.compare(0, prefix.size(), prefix) != 0) return std::nullopt;

  Exec(db, "SAVEPOINT qoru_alter_preview");
  bool succeeded = true;
  std::string copy_sql;
  try {
    Exec(db, "CREATE TEMP TABLE " + QuoteName(kCopy) + " (" + create_sql.substr(prefix.size()));
    for (const std::vector<AddedColumn>& columns : alters) {
      try {
        AddColumns(db, kCopy, columns);
      } catch (const EngineError&) {
        succeeded = false;
        break;
      }
    }
    SqliteStmt read =
        Prepare(db, "SELECT sql FROM temp.sqlite_master WHERE type = 'table' AND name = ?");
    sqlite3_bind_text(read.get(), 1, kCopy, -1, SQLITE_STATIC);
    if (sqlite3_step(read.get()) == SQLITE_ROW && sqlite3_column_text(read.get(), 0) != nullptr)
      copy_sql = reinterpret_cast<const char*>(sqlite3_column_text(read.get(), 0));
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK TO qoru_alter_preview; RELEASE qoru_alter_preview", nullptr, nullptr,
                 nullptr);
    throw;
  }
  Exec(db, "ROLLBACK TO qoru_alter_preview; RELEASE qoru_alter_preview");
  if (!succeeded || copy_sql.compare(0, copy_prefix.size(), copy_prefix) != 0) return std::nullopt;
  return prefix + copy_sql.substr(copy_prefix.size());
}

}  // namespace qoru::db
