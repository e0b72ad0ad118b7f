#include "database/query/table_builder.h"

#include <cstdlib>

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "database/engine/sqlite_handle.h"
#include "text/gbk_text.h"

namespace qoru::db {
namespace {

// Runs `body` inside a savepoint; on failure the savepoint is rolled back and the
// failure passes on.
template <typename Body>
void InSavepoint(sqlite3* db, const char* name, Body body) {
  Exec(db, fmt::format("SAVEPOINT {}", name));
  try {
    body();
  } catch (...) {
    sqlite3_exec(db, fmt::format("ROLLBACK TO {}", name).c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, fmt::format("RELEASE {}", name).c_str(), nullptr, nullptr, nullptr);
    throw;
  }
  Exec(db, fmt::format("RELEASE {}", name));
}

std::int64_t ScalarInt(sqlite3* db, const std::string& sql) {
  SqliteStmt stmt = Prepare(db, sql);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) ThrowEngineError(db);
  return sqlite3_column_int64(stmt.get(), 0);
}

// Numbers the rows of `table` 1..n in rowid order into `column`.
void NumberRows(sqlite3* db, const std::string& table, const std::string& column) {
  const std::string t = QuoteName(table);
  const std::string c = QuoteName(column);
  const std::int64_t count = ScalarInt(db, "SELECT count(*) FROM " + t);
  if (count == 0) return;
  const std::int64_t first = ScalarInt(db, "SELECT min(_rowid_) FROM " + t);
  const std::int64_t last = ScalarInt(db, "SELECT max(_rowid_) FROM " + t);
  if (first == 1 && last == count) {
    Exec(db, fmt::format("UPDATE {} SET {} = _rowid_", t, c));
    return;
  }
  Exec(db, "DROP TABLE IF EXISTS temp.qoru_numbering");
  Exec(db, fmt::format("CREATE TEMP TABLE qoru_numbering(r INTEGER PRIMARY KEY, n INTEGER); "
                       "INSERT INTO temp.qoru_numbering SELECT _rowid_, row_number() OVER "
                       "(ORDER BY _rowid_) FROM {}",
                       t));
  Exec(db,
       fmt::format("UPDATE {} SET {} = (SELECT n FROM temp.qoru_numbering WHERE r = {}._rowid_)", t,
                   c, t));
  Exec(db, "DROP TABLE temp.qoru_numbering");
}

}  // namespace

long DeclaredLength(std::string_view declared_type) {
  const std::string lower = AsciiLower(declared_type);
  const std::size_t open = lower.find("char(");
  if (open == std::string::npos) return 0;
  return std::strtol(lower.c_str() + open + 5, nullptr, 10);
}

bool TableExists(sqlite3* db, const std::string& name) {
  SqliteStmt find =
      Prepare(db, "SELECT count(*) FROM main.sqlite_master WHERE name = ?1 COLLATE NOCASE");
  sqlite3_bind_text(find.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
  if (sqlite3_step(find.get()) != SQLITE_ROW) ThrowEngineError(db);
  return sqlite3_column_int64(find.get(), 0) != 0;
}

std::vector<TableColumn> TableColumns(sqlite3* db, const std::string& table) {
  SqliteStmt info = Prepare(db, "SELECT name, type FROM pragma_table_info(?1)");
  sqlite3_bind_text(info.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_STATIC);
  std::vector<TableColumn> columns;
  while (sqlite3_step(info.get()) == SQLITE_ROW) {
    const auto* name = sqlite3_column_text(info.get(), 0);
    const auto* type = sqlite3_column_text(info.get(), 1);
    columns.push_back({name ? reinterpret_cast<const char*>(name) : "",
                       type ? reinterpret_cast<const char*>(type) : ""});
  }
  return columns;
}

bool IsTextType(std::string_view declared_type) {
  const std::string lower = AsciiLower(declared_type);
  return lower.empty() || lower.find("char") != std::string::npos ||
         lower.find("text") != std::string::npos || lower.find("clob") != std::string::npos ||
         lower.find("memo") != std::string::npos || lower.find("string") != std::string::npos;
}

void CreateTableFromSelect(sqlite3* db, const std::string& table, const std::string& select_sql) {
  if (table.empty()) throw EngineError("select into: the target table has no name");
  InSavepoint(db, "qoru_select_into", [&] {
    SqliteStmt select = Prepare(db, select_sql);
    const int n = sqlite3_column_count(select.get());
    if (n == 0) throw EngineError("select into: the statement yields no columns");
    std::string create = "CREATE TABLE " + QuoteName(table) + " (";
    for (int i = 0; i < n; ++i) {
      const char* name = sqlite3_column_name(select.get(), i);
      const char* decl = sqlite3_column_decltype(select.get(), i);
      const std::string type = decl ? decl : "";
      if (i > 0) create += ", ";
      create += QuoteName(name ? name : fmt::format("Expr{}", 1000 + i));
      if (!type.empty()) create += " " + type;
      if (IsTextType(type)) create += " COLLATE NOCASE";
    }
    create += ")";
    select.reset();
    Exec(db, create);
    Exec(db, "INSERT INTO " + QuoteName(table) + " " + select_sql);
  });
}

void AddColumns(sqlite3* db, const std::string& table, const std::vector<AddedColumn>& columns) {
  if (columns.empty()) throw EngineError("alter table: no column to add");
  InSavepoint(db, "qoru_alter", [&] {
    for (const AddedColumn& col : columns) {
      std::string sql = fmt::format("ALTER TABLE {} ADD COLUMN {} {}", QuoteName(table),
                                    QuoteName(col.name), col.definition);
      if (const long len = DeclaredLength(col.definition); len > 0 && !col.counter)
        sql += fmt::format(" CHECK (length({}) <= {})", QuoteName(col.name), len);
      Exec(db, sql);
      if (col.counter) NumberRows(db, table, col.name);
    }
  });
}

}  // namespace qoru::db
