#include "database/engine/sqlite_handle.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

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
    case SQLITE_TOOBIG:
      return "数据库中有一个值或一行超过了读取的上限 16 MB，这样的数据库不是转换得到的";
    case SQLITE_INTERRUPT:
      return "一条查询运行的步数超过了读取的上限，已中止；这样的数据库不是转换得到的";
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

namespace {

// The name SQLite is given for `path`: absolute, or "./" before a relative one, so
// that no name is ever read as a URI ("file:..."), whatever SQLite was built with.
std::string SqliteFileName(const std::string& path) {
  std::string name = os::Utf8FileName(path);
  const bool absolute =
      !name.empty() &&
      (os::IsSeparator(name[0]) || (name.size() > 2 && name[1] == ':' && os::IsSeparator(name[2])));
  return absolute ? name : "./" + name;
}

// URI names off for the process while SQLite still takes the setting (before its first
// use); the names given to it never start with "file:" in any case.
void TurnOffUriNames() {
  static const int kDone = sqlite3_config(SQLITE_CONFIG_URI, 0);
  (void)kDone;
}

// The guards of every connection (see the header).
void Guard(sqlite3* db, const std::string& path) {
  static constexpr int kOff[] = {SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER,
                                 SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION,
                                 SQLITE_DBCONFIG_TRUSTED_SCHEMA,
                                 SQLITE_DBCONFIG_ENABLE_TRIGGER,
                                 SQLITE_DBCONFIG_ENABLE_VIEW,
                                 SQLITE_DBCONFIG_DQS_DML,
                                 SQLITE_DBCONFIG_DQS_DDL,
                                 SQLITE_DBCONFIG_WRITABLE_SCHEMA};
  bool ok = sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr) == SQLITE_OK;
  for (const int op : kOff) ok = sqlite3_db_config(db, op, 0, nullptr) == SQLITE_OK && ok;
  if (!ok)
    throw EngineError(
        fmt::format("cannot open database {}: the engine refused its safeguards", PathText(path)));
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  // No virtual table module of the engine's own (full-text search, R-trees ...): a table
  // of such a module in the schema fails when it is used instead of running the module.
  sqlite3_drop_modules(db, nullptr);
}

SqliteDb Open(const std::string& path, int flags) {
  os::FileInfo info;
  if (!os::Stat(path, &info))
    throw EngineError(fmt::format("database file not found: {}", PathText(path)));
  if (info.kind != os::Kind::kRegular)
    throw EngineError(fmt::format("not a database file: {}", PathText(path)));
  TurnOffUriNames();
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(SqliteFileName(path).c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX,
                                 os::SqliteVfs());
  SqliteDb db(raw);
  if (rc != SQLITE_OK) RefuseOpen(db.get(), path);
  sqlite3_extended_result_codes(db.get(), 0);
  Guard(db.get(), path);
  return db;
}

// The steps counted for the statement that runs now on this thread, in units of
// kProgressSteps: a statement that begins starts the count anew. A connection is used
// by one thread at a time, and a statement runs only inside a call on that thread.
thread_local long long t_statement_steps = 0;

int CountSteps(void* bound) {
  return ++t_statement_steps > static_cast<long long>(reinterpret_cast<std::uintptr_t>(bound));
}

int OnStatement(unsigned event, void* /*context*/, void* /*statement*/, void* /*sql*/) {
  if (event == SQLITE_TRACE_STMT) t_statement_steps = 0;
  return 0;
}

// A conversion makes tables and indexes only. A view, a trigger or a virtual table (a
// table without pages of its own) says that someone else made the file, to run
// something when it is read or written: such a file is not read at all.
void RefuseForeignObjects(sqlite3* db, const std::string& path) {
  SqliteStmt stmt =
      Prepare(db,
              "SELECT type, name FROM sqlite_schema WHERE type IN ('view', 'trigger') "
              "OR (type = 'table' AND rootpage = 0) ORDER BY rowid LIMIT 1");
  const int rc = sqlite3_step(stmt.get());
  if (rc == SQLITE_DONE) return;
  if (rc != SQLITE_ROW) RefuseOpen(db, path);
  const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
  const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 1));
  throw EngineError(
      fmt::format("数据库 {} 中有{}“{}”：转换得到的数据库只有表和索引，这个文件不是转换得到的，"
                  "已拒绝读取它",
                  PathText(path),
                  type == "view"      ? "视图"
                  : type == "trigger" ? "触发器"
                                      : "虚拟表",
                  name == nullptr ? "" : name));
}

}  // namespace

SqliteDb OpenExistingDatabase(const std::string& path) {
  SqliteDb db = Open(path, SQLITE_OPEN_READWRITE);
  sqlite3_busy_timeout(db.get(), kBusyWaitMilliseconds);
  // Reading the schema is what tells a database from any other file.
  if (sqlite3_exec(db.get(), "PRAGMA schema_version", nullptr, nullptr, nullptr) != SQLITE_OK)
    RefuseOpen(db.get(), path);
  return db;
}

SqliteDb OpenDatabaseReadOnly(const std::string& path, long long statement_steps) {
  SqliteDb db = Open(path, SQLITE_OPEN_READONLY);
  sqlite3* h = db.get();
  sqlite3_limit(h, SQLITE_LIMIT_LENGTH, kLargestReadValue);
  sqlite3_limit(h, SQLITE_LIMIT_SQL_LENGTH, 1 << 20);
  sqlite3_limit(h, SQLITE_LIMIT_EXPR_DEPTH, 200);
  sqlite3_limit(h, SQLITE_LIMIT_COMPOUND_SELECT, 50);
  sqlite3_limit(h, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000);
  sqlite3_limit(h, SQLITE_LIMIT_TRIGGER_DEPTH, 1);
  sqlite3_limit(h, SQLITE_LIMIT_WORKER_THREADS, 0);
  const auto units = static_cast<std::uintptr_t>(std::max(1LL, statement_steps / kProgressSteps));
  sqlite3_progress_handler(h, kProgressSteps, CountSteps, reinterpret_cast<void*>(units));
  sqlite3_trace_v2(h, SQLITE_TRACE_STMT, OnStatement, nullptr);
  sqlite3_busy_timeout(h, kBusyWaitMilliseconds);
  // The whole schema read now: a file that is no database, or a schema SQLite cannot
  // take (a table of too many columns, a damaged page), fails here, naming the file.
  if (sqlite3_exec(h, "PRAGMA query_only=1; PRAGMA cell_size_check=1; PRAGMA mmap_size=0", nullptr,
                   nullptr, nullptr) != SQLITE_OK ||
      sqlite3_exec(h, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr) != SQLITE_OK)
    RefuseOpen(h, path);
  RefuseForeignObjects(h, path);
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
