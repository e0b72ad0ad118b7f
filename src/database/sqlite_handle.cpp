#include "database/sqlite_handle.h"

#include <sys/stat.h>

#include <fmt/format.h>

#include "database/engine_error.h"
#include "platform/errors.h"

namespace qoru::db {

void ThrowEngineError(sqlite3* db, std::string_view context) {
  std::string message = db ? sqlite3_errmsg(db) : "out of memory";
  if (!context.empty()) message = fmt::format("{}: {}", context, message);
  throw EngineError(message);
}

SqliteDb OpenExistingDatabase(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    throw EngineError(fmt::format("database file not found: {}", DisplayText(path)));
  if (!S_ISREG(st.st_mode))
    throw EngineError(fmt::format("not a database file: {}", DisplayText(path)));
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  SqliteDb db(raw);
  if (rc != SQLITE_OK)
    ThrowEngineError(db.get(), fmt::format("cannot open database {}", DisplayText(path)));
  sqlite3_extended_result_codes(db.get(), 0);
  // Reading the schema is what tells a database from any other file.
  if (sqlite3_exec(db.get(), "PRAGMA schema_version", nullptr, nullptr, nullptr) != SQLITE_OK)
    ThrowEngineError(db.get(), fmt::format("cannot open database {}", DisplayText(path)));
  return db;
}

SqliteStmt Prepare(sqlite3* db, std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
  SqliteStmt stmt(raw);
  if (rc != SQLITE_OK) ThrowEngineError(db);
  if (stmt == nullptr) throw EngineError("empty statement");
  return stmt;
}

void Exec(sqlite3* db, const std::string& sql) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) ThrowEngineError(db);
}

}  // namespace qoru::db
