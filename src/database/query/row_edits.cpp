#include "database/query/row_edits.h"

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "database/query/connection.h"
#include "database/sql/jet_translator.h"

namespace qoru::db {

void RowEdits::Reset(std::size_t columns) {
  editing_ = false;
  edits_.assign(columns, std::nullopt);
  posted_.clear();
}

void RowEdits::Begin() {
  editing_ = true;
  edits_.assign(edits_.size(), std::nullopt);
}

void RowEdits::Assign(int column, std::string value_utf8) {
  edits_[column] = std::move(value_utf8);
}

const std::string* RowEdits::Value(int column) const {
  if (editing_ && edits_[column]) return &*edits_[column];
  if (!posted_.empty() && posted_[column]) return &*posted_[column];
  return nullptr;
}

void RowEdits::Post(Connection& connection, sqlite3_stmt* row, const std::string& table, int recno,
                    const std::vector<std::string>& names) {
  std::string sql = "UPDATE " + QuoteName(table) + " SET ";
  std::vector<int> assigned;
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    if (!edits_[i]) continue;
    const char* origin = sqlite3_column_origin_name(row, static_cast<int>(i));
    if (!assigned.empty()) sql += ", ";
    sql += QuoteName(origin ? origin : names[i]) + " = ?";
    assigned.push_back(static_cast<int>(i));
  }
  if (assigned.empty()) {
    editing_ = false;
    return;
  }
  sql += " WHERE _rowid_ = ?";
  const std::int64_t row_id = sqlite3_column_int64(row, 0);
  sqlite3* db = connection.handle();
  connection.writes().Begin(db);
  sqlite3_stmt* update = connection.statements().Acquire(db, sql);
  int k = 1;
  for (int i : assigned)
    sqlite3_bind_text(update, k++, edits_[i]->data(), static_cast<int>(edits_[i]->size()),
                      SQLITE_STATIC);
  sqlite3_bind_int64(update, k, row_id);
  const int rc = sqlite3_step(update);
  if (rc != SQLITE_DONE) {
    const std::string message = sqlite3_errmsg(db);
    connection.statements().Release(update);
    throw EngineError(fmt::format("cannot update row {} of table {}: {}", recno, table, message));
  }
  connection.statements().Release(update);
  posted_.assign(edits_.size(), std::nullopt);
  for (int i : assigned) posted_[i] = std::move(edits_[i]);
  editing_ = false;
  edits_.assign(edits_.size(), std::nullopt);
  connection.writes().RowWritten(db);
}

}  // namespace qoru::db
