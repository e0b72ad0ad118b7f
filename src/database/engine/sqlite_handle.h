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

// How long a connection waits for a lock that another program holds on its database
// file (a reader in the middle of a read transaction) before it gives up.
inline constexpr int kBusyWaitMilliseconds = 5000;

// Opens an existing database file for reading and writing; never creates one. The
// connection waits up to kBusyWaitMilliseconds for a lock held elsewhere. Raises
// EngineError when the file is missing or is not an SQLite database.
SqliteDb OpenExistingDatabase(const std::string& path);

// Takes the database file for this connection alone until it closes: the lock is
// exclusive (locking_mode=EXCLUSIVE) and taken at once, so that a program that opens
// the file later gets "database is locked" in its own reads, and none of this
// connection's writes has to wait for one. A program that already reads the file is
// waited for as the connection allows; raises EngineBusyError, naming the file, when it
// still holds it then.
void HoldExclusively(sqlite3* db);

// Prepares one statement; raises EngineError with SQLite's message.
SqliteStmt Prepare(sqlite3* db, std::string_view sql);

// Runs statements that yield no rows (pragmas, transaction control, DDL).
void Exec(sqlite3* db, const std::string& sql);

// Raises EngineError with SQLite's message for the last failure on `db`; EngineIoError
// when SQLite could not read or write its files, with what that means in Chinese, and
// EngineBusyError when it could not take a lock, naming the database file.
[[noreturn]] void ThrowEngineError(sqlite3* db, std::string_view context = {});

}  // namespace qoru::db
