#include "inspection/database_reader.h"

#include "database/engine/engine_error.h"
#include "database/engine/sqlite_handle.h"

namespace qoru::inspection {

// Opened as every database the tool reads: read-only and bounded, a double-quoted name
// always a name (a count over a column the run never added fails instead of counting a
// text), only tables read as tables.
DatabaseReader::DatabaseReader(const std::string& path) {
  try {
    db_ = db::OpenDatabaseReadOnly(path).release();
  } catch (const db::EngineError&) {
    db_ = nullptr;
  }
}

DatabaseReader::~DatabaseReader() {
  sqlite3_close_v2(db_);
}

bool DatabaseReader::Rows(const std::string& sql, const std::vector<std::string>& params,
                          const std::function<void(const Row&)>& each) {
  if (db_ == nullptr) return false;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
    sqlite3_finalize(s);
    return false;
  }
  for (std::size_t i = 0; i < params.size(); ++i)
    sqlite3_bind_text(s, static_cast<int>(i + 1), params[i].c_str(), -1, SQLITE_TRANSIENT);
  Row row;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    row.clear();
    for (int i = 0; i < sqlite3_column_count(s); ++i) {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
      if (p == nullptr) {
        row.emplace_back();
      } else {
        row.emplace_back(std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s, i))));
      }
    }
    each(row);
  }
  sqlite3_finalize(s);
  return rc == SQLITE_DONE;
}

std::optional<std::vector<std::string>> DatabaseReader::Columns(const std::string& table) {
  std::vector<std::string> columns;
  bool is_table = false;
  Rows("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE", {table},
       [&](const Row&) { is_table = true; });
  if (!is_table) return std::nullopt;
  Rows("SELECT name FROM pragma_table_info(?1)", {table},
       [&](const Row& r) { columns.push_back(r[0].value_or("")); });
  if (columns.empty()) return std::nullopt;
  return columns;
}

std::int64_t DatabaseReader::Number(const std::string& sql) {
  std::int64_t n = -1;
  Rows(sql, {}, [&](const Row& r) {
    if (n == -1 && r[0]) n = std::stoll(*r[0]);
  });
  return n;
}

}  // namespace qoru::inspection
