// The run's one database connection, in the two forms that the run builds:
//   "Provider=...;Data Source=<dir>/;Extended Properties=text"  -- a text directory,
//       on which the only statement is the import of a text file into a database;
//   "Provider=...;Data Source='<path>';"                          -- a database file.
// Connecting to a missing database file, or to a file that is not an SQLite database,
// is an engine error; connecting never creates a file.
//
// Writes are batched: posted rows collect in one transaction that is committed before
// the next executed statement, every few thousand rows, and on disconnect, so that a
// posted row outlives the run whatever ends it.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "database/sqlite_handle.h"

namespace qoru::db {

class Query;

class Connection {
 public:
  enum class Mode { kNone, kTextDirectory, kDatabaseFile };

  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // GBK text; raises EngineError while connected.
  void SetConnectionString(std::string text);
  const std::string& ConnectionString() const { return connection_string_; }

  void Open();   // connect; raises EngineError
  void Close();  // disconnect: commits, closes every query; doing it twice does nothing
  bool Connected() const { return mode_ != Mode::kNone; }
  Mode mode() const { return mode_; }

  // Runs one statement of the host's dialect (GBK) that yields no rows.
  void Execute(const std::string& sql_gbk);

  // Imported text files with bytes that were not valid GBK and became U+FFFD, in the
  // order of their imports.
  struct ReplacedText {
    std::string file;              // GBK name of the text file
    std::uint64_t count = 0;       // characters replaced
    std::uint64_t first_line = 0;  // line of the first one, from 1
  };
  const std::vector<ReplacedText>& replaced_texts() const { return replaced_texts_; }

  // --- for Query ---
  sqlite3* handle() const { return db_.get(); }
  // A prepared statement for `sql` (UTF-8) that no other query is using.
  sqlite3_stmt* Acquire(const std::string& sql);
  void Release(sqlite3_stmt* stmt);
  void BeginWrite();    // opens the batch transaction if none is open
  void RowWritten();    // counts a posted row; commits a full batch
  void CommitWrites();  // commits the batch transaction if one is open
  // A look-up of `table` by equality on `column`; from the second one on, the column
  // gets an index, so that a look-up per row does not scan the table.
  void NoteKeyLookup(const std::string& table, const std::string& column);
  void Attach(Query* q) { queries_.push_back(q); }
  void Detach(Query* q);

 private:
  struct CachedStatement {
    SqliteStmt stmt;
    bool in_use = false;
  };

  void ParseConnectionString(Mode* mode, std::string* source) const;
  void ExecuteOnText(const std::string& sql_utf8);
  void ExecuteOnDatabase(const std::string& sql_utf8);
  void FinalizeStatements();

  std::string connection_string_;  // GBK
  Mode mode_ = Mode::kNone;
  std::string source_;  // GBK path: the text directory or the database file
  SqliteDb db_;
  std::unordered_multimap<std::string, std::unique_ptr<CachedStatement>> statements_;
  std::unordered_map<sqlite3_stmt*, CachedStatement*> by_handle_;
  std::vector<Query*> queries_;
  std::unordered_map<std::string, int> key_lookups_;  // "table\ncolumn" -> look-ups seen
  std::vector<ReplacedText> replaced_texts_;          // see replaced_texts()
  bool in_write_ = false;                             // the batch transaction is open
  std::uint32_t batch_rows_ = 0;                      // rows posted in the open batch
};

}  // namespace qoru::db
