#include "database/engine/statement_cache.h"

#include "database/engine/engine_error.h"
#include "text/gbk_text.h"

namespace qoru::db {

sqlite3_stmt* StatementCache::Acquire(sqlite3* db, const std::string& sql) {
  auto range = by_text_.equal_range(sql);
  for (auto it = range.first; it != range.second; ++it) {
    if (!it->second->in_use) {
      it->second->in_use = true;
      return it->second->stmt.get();
    }
  }
  const char* tail = nullptr;
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, &tail) != SQLITE_OK)
    ThrowEngineError(db);
  SqliteStmt stmt(raw);
  if (stmt == nullptr) throw EngineError("empty statement");
  if (Trim(tail).find_first_not_of(';') != std::string_view::npos)
    throw EngineError("only one statement can be run at a time");
  auto entry = std::make_unique<Entry>();
  entry->stmt = std::move(stmt);
  entry->in_use = true;
  sqlite3_stmt* handle = entry->stmt.get();
  by_handle_[handle] = entry.get();
  by_text_.emplace(sql, std::move(entry));
  return handle;
}

void StatementCache::Release(sqlite3_stmt* stmt) {
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  if (auto it = by_handle_.find(stmt); it != by_handle_.end()) it->second->in_use = false;
}

void StatementCache::Clear() {
  by_handle_.clear();
  by_text_.clear();
}

}  // namespace qoru::db
