// Thin owners of the SQLite C API's handles, the one place where a connection is
// opened, and the one place where SQLite's result codes become EngineErrors carrying
// SQLite's own message.
//
// Every connection is opened the same guarded way, whatever the file holds: defensive
// (no writable schema, no raw page access), no two-argument fts3_tokenizer(), no
// extension loading, no function in the schema that is not harmless (trusted_schema
// off), no triggers, no views, no ATTACH, no virtual table modules but those the
// connection registers itself, a double-quoted word always a name, and the file's name
// never taken as a URI (it reaches SQLite absolute or as "./name").
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

// The bounds of a connection to a database that the tool reads but did not just
// write, which may come from anyone: no value or row longer than this, ...
inline constexpr int kLargestReadValue = 16 << 20;
// ... and no statement that runs more virtual-machine steps than this (counted in
// units of kProgressSteps) before it is interrupted.
inline constexpr int kProgressSteps = 1000;
inline constexpr long long kStatementSteps = 4'000'000'000LL;

// Opens an existing database file read-only, bounded as above: writes nothing (not even
// a journal), and a statement that would run without end or a value beyond the bound
// ends with an EngineError. A file that is not an SQLite database, whose schema SQLite
// cannot read, or that holds what no conversion makes (a view, a trigger, a virtual
// table) raises EngineError naming the file. `statement_steps` lowers the bound for a
// test.
SqliteDb OpenDatabaseReadOnly(const std::string& path, long long statement_steps = kStatementSteps);

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
