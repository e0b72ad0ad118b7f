#include "database/engine/sqlite_handle.h"

#include <cerrno>

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "errors/errors.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/utf8.h"

namespace qoru::db {

namespace {

// What a failure of the engine's own files means for the user. SQLite's errno for it is
// not reliable (a later system call may have replaced it), so the cause is given by
// the kind of failure. Empty for failures that concern the statement.
std::string_view FileFailureCause(int code) {
  switch (code) {
    case SQLITE_IOERR:
      return "读写数据库文件失败：磁盘已满、文件超过了允许的大小或设备出错";
    case SQLITE_FULL:
      return "磁盘空间不足或文件超过了允许的大小";
    case SQLITE_CANTOPEN:
      return "无法打开数据库文件或它的日志文件";
    case SQLITE_READONLY:
      return "数据库文件或它所在的目录是只读的";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return "数据库文件已损坏，或不是 SQLite 数据库";
    case SQLITE_NOMEM:
      return "内存不足";
    case SQLITE_PROTOCOL:
      return "数据库文件的锁出错";
    default:
      return {};
  }
}

// The database file of `db`, for messages: the engine's own name of it, UTF-8 on every
// system (the UTF-8 file name it was opened with, os::Utf8FileName).
std::string DatabaseFileOf(sqlite3* db) {
  const char* name = sqlite3_db_filename(db, "main");
  return name != nullptr && *name != '\0' ? ValidUtf8(name) : std::string("（内存数据库）");
}

}  // namespace

void ThrowEngineError(sqlite3* db, std::string_view context) {
  std::string message = db ? sqlite3_errmsg(db) : "out of memory";
  if (!context.empty()) message = fmt::format("{}: {}", context, message);
  const int code = db ? sqlite3_errcode(db) & 0xFF : SQLITE_NOMEM;
  if (code == SQLITE_BUSY)
    throw EngineBusyError(
        fmt::format("{}（数据库文件“{}”正被另一个程序打开，等了 {} 秒仍未释放，本次转换无法写入它；"
                    "请关闭那个程序后重新转换）",
                    message, DatabaseFileOf(db), kBusyWaitMilliseconds / 1000));
  if (code == SQLITE_LOCKED)
    throw EngineBusyError(
        fmt::format("{}（数据库文件“{}”中的这张表正被本次转换的另一个查询读取，此时不能改动它）",
                    message, DatabaseFileOf(db)));
  const std::string_view cause = FileFailureCause(code);
  if (!cause.empty()) throw EngineIoError(fmt::format("{}（{}）", message, cause));
  throw EngineError(message);
}

namespace {

// A database that cannot be opened: when another program holds the file without sharing
// it (Windows), the engine's message is followed by what to do about it.
[[noreturn]] void RefuseOpen(sqlite3* db, const std::string& path) {
  const int fd = os::OpenRead(path);
  const int err = errno;
  if (fd >= 0) os::Close(fd);
  if (fd < 0 && err == kSharingViolation)
    throw EngineIoError(fmt::format("cannot open database {}: {}（{}）", PathText(path),
                                    db != nullptr ? sqlite3_errmsg(db) : "unable to open",
                                    SystemErrorText(kSharingViolation)));
  ThrowEngineError(db, fmt::format("cannot open database {}", PathText(path)));
}

}  // namespace

SqliteDb OpenExistingDatabase(const std::string& path) {
  os::FileInfo info;
  if (!os::Stat(path, &info))
    throw EngineError(fmt::format("database file not found: {}", PathText(path)));
  if (info.kind != os::Kind::kRegular)
    throw EngineError(fmt::format("not a database file: {}", PathText(path)));
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(os::Utf8FileName(path).c_str(), &raw,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, os::SqliteVfs());
  SqliteDb db(raw);
  if (rc != SQLITE_OK) RefuseOpen(db.get(), path);
  sqlite3_extended_result_codes(db.get(), 0);
  sqlite3_busy_timeout(db.get(), kBusyWaitMilliseconds);
  // Reading the schema is what tells a database from any other file.
  if (sqlite3_exec(db.get(), "PRAGMA schema_version", nullptr, nullptr, nullptr) != SQLITE_OK)
    RefuseOpen(db.get(), path);
  return db;
}

void HoldExclusively(sqlite3* db) {
  Exec(db, "PRAGMA locking_mode=EXCLUSIVE");
  // An empty transaction that takes the exclusive lock, which the connection then
  // keeps until it closes.
  Exec(db, "BEGIN EXCLUSIVE");
  Exec(db, "COMMIT");
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
