// The run's one database connection, in the two forms that the run builds (see
// connection_string.h): a text directory, on which the only statement is the import of
// a text file into a database, and a database file. Connecting to a missing database
// file, or to a file that is not an SQLite database, is an engine error; connecting
// never creates a file.
//
// Statements of the host's dialect (GBK) are translated (jet_translator.h) and run one
// at a time. The connection keeps what its queries share: the prepared statements
// (statement_cache.h), the batch of posted rows (write_batch.h) and the look-up index
// hints (lookup_index_hints.h). Closing commits the batch and closes every query.
//
// Every write goes through SQLite's rollback journal, so that a process killed at any
// moment leaves a database that opens and passes its integrity check; the journal and
// the database are not synced to the disk (synchronous=OFF): what is lost to a crash of
// the machine itself is the conversion's, which is run again.
//
// Imports on the text directory connection go through one handle on the database
// file they write, which closing the text directory connection keeps, so that the
// connection to that database which follows takes it over. With SetExclusive, as the
// run has it, the database file is the run's alone while the run writes it
// (HoldExclusively in sqlite_handle.h): the first import into it, or the connection to
// it, takes the file with an exclusive lock that is kept until the connection to it
// closes, the hand-over included. A program that opens the file meanwhile gets
// "database is locked" in its own reads; one that already read it is waited for a few
// seconds, after which the run ends with EngineBusyError.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "database/engine/sqlite_handle.h"
#include "database/engine/statement_cache.h"
#include "database/engine/write_batch.h"
#include "database/import/text_import.h"
#include "database/query/lookup_index_hints.h"

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
  // Database files opened from now on are taken exclusively (see above).
  void SetExclusive(bool exclusive) { exclusive_ = exclusive; }
  // The one database file (GBK path) that imports on a text directory connection may
  // write, the run's own GBA.mdb: an import statement that names any other file is an
  // EngineError. Empty, as it starts: no such bound.
  void SetImportTarget(std::string path) { import_target_ = std::move(path); }
  const std::string& ConnectionString() const { return connection_string_; }

  void Open();  // connect; raises EngineError
  // Disconnect: commits (a commit that fails raises EngineIoError), closes every query;
  // doing it twice does nothing. The database that a text directory connection
  // imported into stays held (see above).
  void Close();
  // Close, and let go of a database held for the text directory connection too.
  void Release();
  bool Connected() const { return mode_ != Mode::kNone; }
  Mode mode() const { return mode_; }

  // Runs one statement of the host's dialect (GBK) that yields no rows.
  void Execute(const std::string& sql_gbk);

  // The import that the import statement `sql_gbk` of a text directory connection
  // stands for (its `database` not set); an EngineError for any other statement.
  TextImport TextImportOf(const std::string& sql_gbk) const;
  // Carries out `import`, noting the characters that were not valid GBK.
  void RunTextImport(const TextImport& import);

  // Imported text files with bytes that were not valid GBK and became U+FFFD, in the
  // order of their imports.
  struct ReplacedText {
    std::string file;              // GBK name of the text file
    std::uint64_t count = 0;       // characters replaced
    std::uint64_t first_line = 0;  // line of the first one, from 1
  };
  const std::vector<ReplacedText>& replaced_texts() const { return replaced_texts_; }
  // For imports that run on the database connection itself.
  void NoteReplacedText(ReplacedText text) { replaced_texts_.push_back(std::move(text)); }

  // Commits the batch of posted rows, if one is open.
  void CommitWrites() { writes_.Commit(db_.get()); }

  // --- for the queries and the stages that work on the database directly ---
  sqlite3* handle() const { return db_.get(); }
  StatementCache& statements() { return statements_; }
  WriteBatch& writes() { return writes_; }
  LookupIndexHints& index_hints() { return index_hints_; }
  void Attach(Query* q) { queries_.push_back(q); }
  void Detach(Query* q);

 private:
  void ExecuteOnText(const std::string& sql_gbk);
  void ExecuteOnDatabase(const std::string& sql_utf8);
  // The held database file at `path`, opened and locked if it is not held yet.
  sqlite3* Hold(const std::string& path);

  std::string connection_string_;  // GBK
  Mode mode_ = Mode::kNone;
  bool exclusive_ = false;     // see SetExclusive
  std::string source_;         // GBK path: the text directory or the database file
  SqliteDb db_;                // the database file while connected to it
  SqliteDb held_;              // the database imported into while on a text directory
  std::string held_path_;      // GBK path of held_
  std::string import_target_;  // see SetImportTarget
  StatementCache statements_;
  WriteBatch writes_;
  LookupIndexHints index_hints_;
  std::vector<Query*> queries_;               // the queries bound to this connection
  std::vector<ReplacedText> replaced_texts_;  // see replaced_texts()
};

}  // namespace qoru::db
