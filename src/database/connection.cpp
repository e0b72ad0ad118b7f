#include "database/connection.h"

#include <algorithm>

#include <fmt/format.h>

#include "database/engine_error.h"
#include "database/jet_translator.h"
#include "database/query.h"
#include "database/table_builder.h"
#include "database/text_import.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/gbk_codec.h"
#include "platform/gbk_text.h"

namespace qoru::db {
namespace {

constexpr std::uint32_t kRowsPerBatch = 20000;

std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from = 0) {
  const std::string lower = AsciiLower(text);
  return lower.find(AsciiLower(needle), from);
}

}  // namespace

Connection::~Connection() {
  try {
    Close();
  } catch (...) {
    // A destructor has no one to report to; the batch was committed or rolled back.
  }
}

void Connection::SetConnectionString(std::string text) {
  if (Connected())
    throw EngineError("the connection string cannot be changed while the connection is open");
  connection_string_ = std::move(text);
}

void Connection::ParseConnectionString(Mode* mode, std::string* source) const {
  const std::string& cs = connection_string_;
  const std::size_t key = FindNoCase(cs, "Data Source=");
  if (key == std::string::npos)
    throw EngineError(
        fmt::format("the connection string names no data source: {}", DisplayText(cs)));
  std::size_t pos = key + std::string_view("Data Source=").size();
  std::string value;
  std::size_t after = 0;
  if (pos < cs.size() && cs[pos] == '\'') {
    ++pos;
    while (pos < cs.size()) {
      if (cs[pos] == '\'') {
        if (pos + 1 < cs.size() && cs[pos + 1] == '\'') {
          value.push_back('\'');
          pos += 2;
          continue;
        }
        break;
      }
      value.push_back(cs[pos++]);
    }
    if (pos >= cs.size())
      throw EngineError(
          fmt::format("unterminated quoted data source in connection string: {}", DisplayText(cs)));
    after = pos + 1;
  } else {
    std::size_t end = FindNoCase(cs, ";Extended Properties=", pos);
    if (end == std::string::npos) {
      end = cs.rfind(';');
      if (end == std::string::npos || end < pos) end = cs.size();
    }
    value = cs.substr(pos, end - pos);
    after = end;
  }
  const std::size_t ext = FindNoCase(cs, "Extended Properties=", after);
  const bool text =
      ext != std::string::npos && FindNoCase(cs.substr(ext), "text") != std::string::npos;
  *mode = text ? Mode::kTextDirectory : Mode::kDatabaseFile;
  *source = std::move(value);
}

void Connection::Open() {
  if (Connected()) return;
  Mode mode = Mode::kNone;
  std::string source;
  ParseConnectionString(&mode, &source);
  if (mode == Mode::kTextDirectory) {
    if (!IsDirectory(source))
      throw EngineError(
          fmt::format("'{}' is not a valid path: no such directory", DisplayText(source)));
  } else {
    db_ = OpenExistingDatabase(source);
    Exec(db_.get(),
         "PRAGMA synchronous=NORMAL; PRAGMA secure_delete=OFF; PRAGMA cache_size=-65536");
  }
  source_ = std::move(source);
  mode_ = mode;
}

void Connection::Close() {
  if (!Connected()) return;
  for (Query* q : queries_) q->Close();
  std::string failure;
  if (db_ != nullptr && in_write_) {
    if (sqlite3_exec(db_.get(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
      failure = sqlite3_errmsg(db_.get());
  }
  in_write_ = false;
  batch_rows_ = 0;
  key_lookups_.clear();
  FinalizeStatements();
  db_.reset();
  mode_ = Mode::kNone;
  if (!failure.empty()) throw EngineError("commit failed: " + failure);
}

void Connection::FinalizeStatements() {
  by_handle_.clear();
  statements_.clear();
}

void Connection::Detach(Query* q) {
  queries_.erase(std::remove(queries_.begin(), queries_.end(), q), queries_.end());
}

sqlite3_stmt* Connection::Acquire(const std::string& sql) {
  auto range = statements_.equal_range(sql);
  for (auto it = range.first; it != range.second; ++it) {
    if (!it->second->in_use) {
      it->second->in_use = true;
      return it->second->stmt.get();
    }
  }
  const char* tail = nullptr;
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &raw, &tail) !=
      SQLITE_OK)
    ThrowEngineError(db_.get());
  SqliteStmt stmt(raw);
  if (stmt == nullptr) throw EngineError("empty statement");
  if (Trim(tail).find_first_not_of(';') != std::string_view::npos)
    throw EngineError("only one statement can be run at a time");
  auto cached = std::make_unique<CachedStatement>();
  cached->stmt = std::move(stmt);
  cached->in_use = true;
  sqlite3_stmt* handle = cached->stmt.get();
  by_handle_[handle] = cached.get();
  statements_.emplace(sql, std::move(cached));
  return handle;
}

void Connection::Release(sqlite3_stmt* stmt) {
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  if (auto it = by_handle_.find(stmt); it != by_handle_.end()) it->second->in_use = false;
}

void Connection::NoteKeyLookup(const std::string& table, const std::string& column) {
  int& seen = key_lookups_[AsciiLower(table) + "\n" + AsciiLower(column)];
  if (++seen != 2) return;
  // Best effort: a table or column that does not exist fails the look-up itself.
  const std::string sql = "CREATE INDEX IF NOT EXISTS " +
                          QuoteName("qoru_lookup_" + table + "_" + column) + " ON " +
                          QuoteName(table) + " (" + QuoteName(column) + ")";
  sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr);
}

void Connection::BeginWrite() {
  if (in_write_) return;
  if (sqlite3_get_autocommit(db_.get()) == 0) return;  // a transaction is open already
  Exec(db_.get(), "BEGIN");
  in_write_ = true;
  batch_rows_ = 0;
}

void Connection::RowWritten() {
  if (++batch_rows_ >= kRowsPerBatch) CommitWrites();
}

void Connection::CommitWrites() {
  if (!in_write_) return;
  in_write_ = false;
  batch_rows_ = 0;
  if (sqlite3_exec(db_.get(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    ThrowEngineError(db_.get(), "commit failed");
}

void Connection::Execute(const std::string& sql_gbk) {
  if (!Connected())
    throw EngineError("the operation is not allowed while the connection is closed");
  const std::string sql = GbkToUtf8Escaped(sql_gbk);
  if (mode_ == Mode::kTextDirectory) {
    ExecuteOnText(sql);
  } else {
    ExecuteOnDatabase(sql);
  }
}

void Connection::ExecuteOnText(const std::string& sql_utf8) {
  const JetStatement st = TranslateJet(sql_utf8);
  if (st.kind != JetStatement::Kind::kTextImport)
    throw EngineError(
        "a text directory connection only imports text files (select * into T in 'db' from "
        "F#txt)");
  TextImport import;
  import.directory = source_;
  import.file_name = Utf8ToGbk(st.source_file);
  import.database_path = Utf8ToGbk(st.database_path);
  import.table = st.table;
  const TextImportResult result = ImportTextFile(import);
  if (result.replaced_characters > 0)
    replaced_texts_.push_back(
        {import.file_name, result.replaced_characters, result.first_replaced_line});
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
