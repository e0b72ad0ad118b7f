// Thin owners of the SQLite C API's handles, and the one place where SQLite's result
// codes become EngineErrors carrying SQLite's own message.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

namespace qoru::db {

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StmtFinalizer {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};

using SqliteDb = std::unique_ptr<sqlite3, SqliteCloser>;
using SqliteStmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// Opens an existing database file for reading and writing; never creates one.
// Raises EngineError when the file is missing or is not an SQLite database.
SqliteDb OpenExistingDatabase(const std::string& path);

// Prepares one statement; raises EngineError with SQLite's message.
SqliteStmt Prepare(sqlite3* db, std::string_view sql);

// Runs statements that yield no rows (pragmas, transaction control, DDL).
void Exec(sqlite3* db, const std::string& sql);

// Raises EngineError with SQLite's message for the last failure on `db`; EngineIoError
// when SQLite could not read or write its files, with what that means in Chinese.
[[noreturn]] void ThrowEngineError(sqlite3* db, std::string_view context = {});

}  // namespace qoru::db
