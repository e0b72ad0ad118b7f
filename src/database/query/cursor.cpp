#include "database/query/cursor.h"

#include "database/engine/sqlite_handle.h"
#include "database/query/connection.h"

namespace qoru::db {

void Cursor::Open(std::string sql_utf8, std::vector<std::string> params) {
  Close();
  stmt_ = connection_.statements().Acquire(connection_.handle(), sql_utf8);
  sql_ = std::move(sql_utf8);
  params_ = std::move(params);
  try {
    Bind();
    Step();
    recno_ = eof_ ? 0 : 1;
    const int n = sqlite3_column_count(stmt_);
    for (int i = 0; i < n; ++i) {
      const char* name = sqlite3_column_name(stmt_, i);
      columns_.emplace_back(name ? name : "");
    }
  } catch (...) {
    Close();
    throw;
  }
}

void Cursor::Close() {
  if (stmt_ != nullptr) {
    connection_.statements().Release(stmt_);
    stmt_ = nullptr;
  }
  eof_ = true;
  recno_ = 0;
  record_count_ = -1;
  columns_.clear();
}

void Cursor::Bind() {
  sqlite3_reset(stmt_);
  for (std::size_t i = 0; i < params_.size(); ++i)
    sqlite3_bind_text(stmt_, static_cast<int>(i + 1), params_[i].data(),
                      static_cast<int>(params_[i].size()), SQLITE_STATIC);
}

void Cursor::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) {
    eof_ = false;
  } else if (rc == SQLITE_DONE) {
    eof_ = true;
  } else {
    eof_ = true;
    ThrowEngineError(connection_.handle());
  }
}

void Cursor::Rewind() {
  if (stmt_ == nullptr) return;
  Bind();
  Step();
  recno_ = eof_ ? 0 : 1;
}

void Cursor::Next() {
  if (eof_ || stmt_ == nullptr) return;
  Step();
  recno_ = eof_ ? 0 : recno_ + 1;
}

int Cursor::RecordCount() {
  if (stmt_ == nullptr) return 0;
  if (record_count_ < 0) {
    SqliteStmt count = Prepare(connection_.handle(), "SELECT count(*) FROM (" + sql_ + ")");
    for (std::size_t i = 0; i < params_.size(); ++i)
      sqlite3_bind_text(count.get(), static_cast<int>(i + 1), params_[i].data(),
                        static_cast<int>(params_[i].size()), SQLITE_STATIC);
    if (sqlite3_step(count.get()) != SQLITE_ROW) ThrowEngineError(connection_.handle());
    record_count_ = static_cast<int>(sqlite3_column_int64(count.get(), 0));
  }
  return record_count_;
}

}  // namespace qoru::db
