// The prepared statements of one connection, kept by their SQL text, so that a
// statement that runs again and again (a look-up per row, an update per posted row) is
// compiled once. Each statement is lent to one user at a time: Acquire hands out a
// free statement for the text, or prepares another one; Release resets it, clears its
// bindings and takes it back.
//
// Preparing checks that the text holds a single statement: anything after it but
// blanks and ";" is an EngineError, as is SQLite's own error. Clear finalizes every
// statement; it must run before the database handle closes, and no statement may be
// lent out then.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "database/engine/sqlite_handle.h"

namespace qoru::db {

class StatementCache {
 public:
  sqlite3_stmt* Acquire(sqlite3* db, const std::string& sql_utf8);
  void Release(sqlite3_stmt* stmt);
  void Clear();

 private:
  struct Entry {
    SqliteStmt stmt;
    bool in_use = false;  // lent out by Acquire, not yet released
  };

  std::unordered_multimap<std::string, std::unique_ptr<Entry>> by_text_;
  std::unordered_map<sqlite3_stmt*, Entry*> by_handle_;  // the same entries, by handle
};

}  // namespace qoru::db
