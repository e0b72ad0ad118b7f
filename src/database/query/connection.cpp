#include "database/query/connection.h"

#include <algorithm>

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "database/engine/sqlite_handle.h"
#include "database/import/text_import.h"
#include "database/query/connection_string.h"
#include "database/query/query.h"
#include "database/query/table_builder.h"
#include "database/sql/jet_translator.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"

namespace qoru::db {

namespace {

// Whether two paths name one file.
bool SameFile(const std::string& a, const std::string& b) {
  os::FileInfo ia;
  os::FileInfo ib;
  if (!os::Stat(a, &ia) || !os::Stat(b, &ib)) return a == b;
  return os::SameFile(a, b);
}

// A database file of the run: opened, tuned for a conversion, and taken exclusively
// when the connection is.
SqliteDb OpenForTheRun(const std::string& path, bool exclusive) {
  SqliteDb db = OpenExistingDatabase(path);
  // Pages of 64 KiB for a database the run creates (an existing one keeps its own): a
  // staging database is written once in bulk and then read through from end to end, and
  // sixteen times fewer pages mean fewer reads, writes and journal entries for both.
  // A cache of 16 MiB: the tables are written and scanned in order, so a larger cache
  // holds nothing that is read again, and each of its pages is memory the process
  // takes afresh (a cache of 64 MiB made a conversion's peak memory 80 MiB, not 33).
  Exec(db.get(),
       "PRAGMA page_size=65536; PRAGMA synchronous=OFF; PRAGMA secure_delete=OFF; "
       "PRAGMA cache_size=-16384");
  if (exclusive) HoldExclusively(db.get());
  return db;
}

}  // namespace

Connection::~Connection() {
  try {
    Release();
  } catch (...) {
    // A destructor has no one to report to; the batch was committed or rolled back.
  }
}

void Connection::Release() {
  held_.reset();
  held_path_.clear();
  Close();
}

sqlite3* Connection::Hold(const std::string& path) {
  if (held_ == nullptr || !SameFile(held_path_, path)) {
    held_.reset();
    held_ = OpenForTheRun(path, exclusive_);
    held_path_ = path;
  }
  return held_.get();
}

void Connection::SetConnectionString(std::string text) {
  if (Connected())
    throw EngineError("the connection string cannot be changed while the connection is open");
  connection_string_ = std::move(text);
}

void Connection::Open() {
  if (Connected()) return;
  ConnectionTarget target = ParseConnectionString(connection_string_);
  if (target.text_directory) {
    if (!IsDirectory(target.source))
      throw EngineError(
          fmt::format("'{}' is not a valid path: no such directory", PathText(target.source)));
  } else if (held_ != nullptr && SameFile(held_path_, target.source)) {
    db_ = std::move(held_);  // the database the imports went to, still locked
  } else {
    held_.reset();
    db_ = OpenForTheRun(target.source, exclusive_);
  }
  source_ = std::move(target.source);
  mode_ = target.text_directory ? Mode::kTextDirectory : Mode::kDatabaseFile;
}

void Connection::Close() {
  if (!Connected()) return;
  for (Query* q : queries_) q->Close();
  std::string failure = writes_.Finish(db_.get());
  // A transaction that the batch did not open is committed too, or the run fails.
  if (failure.empty() && db_ != nullptr && sqlite3_get_autocommit(db_.get()) == 0 &&
      sqlite3_exec(db_.get(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    failure = sqlite3_errmsg(db_.get());
  index_hints_.Clear();
  statements_.Clear();
  db_.reset();
  mode_ = Mode::kNone;
  if (!failure.empty()) throw EngineIoError("commit failed: " + failure);
}

void Connection::Detach(Query* q) {
  queries_.erase(std::remove(queries_.begin(), queries_.end(), q), queries_.end());
}

void Connection::Execute(const std::string& sql_gbk) {
  if (!Connected())
    throw EngineError("the operation is not allowed while the connection is closed");
  if (mode_ == Mode::kTextDirectory) {
    ExecuteOnText(sql_gbk);
  } else {
    ExecuteOnDatabase(GbkToUtf8Escaped(sql_gbk));
  }
}

TextImport Connection::TextImportOf(const std::string& sql_gbk) const {
  const JetStatement st = TranslateJet(GbkToUtf8Escaped(sql_gbk));
  if (st.kind != JetStatement::Kind::kTextImport)
    throw EngineError(
        "a text directory connection only imports text files (select * into T in 'db' from "
        "F#txt)");
  TextImport import;
  import.directory = source_;
  import.file_name = Utf8ToGbk(st.source_file);
  import.database_path = Utf8ToGbk(st.database_path);
  import.table = st.table;
  return import;
}

void Connection::RunTextImport(const TextImport& import) {
  const TextImportResult result = ImportTextFile(import);
  if (result.replaced_characters > 0)
    replaced_texts_.push_back(
        {import.file_name, result.replaced_characters, result.first_replaced_line});
}

void Connection::ExecuteOnText(const std::string& sql_gbk) {
  TextImport import = TextImportOf(sql_gbk);
  if (!import_target_.empty() && !SameFile(import.database_path, import_target_))
    throw EngineError(fmt::format("import into {} refused: imports go only into {}",
                                  PathText(import.database_path), PathText(import_target_)));
  import.database = Hold(import.database_path);
  RunTextImport(import);
}

void Connection::ExecuteOnDatabase(const std::string& sql_utf8) {
  const JetStatement st = TranslateJet(sql_utf8);
  CommitWrites();
  sqlite3* db = db_.get();
  switch (st.kind) {
    case JetStatement::Kind::kPlain: {
      SqliteStmt stmt = Prepare(db, st.sql);
      int rc;
      while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
      }
      if (rc != SQLITE_DONE) ThrowEngineError(db);
      break;
    }
    case JetStatement::Kind::kSelectInto:
      CreateTableFromSelect(db, st.table, st.sql);
      break;
    case JetStatement::Kind::kAlterAdd:
      AddColumns(db, st.table, st.columns);
      break;
    case JetStatement::Kind::kTextImport:
      throw EngineError(
          "select into another database is only possible on a text directory connection");
  }
}

}  // namespace qoru::db
