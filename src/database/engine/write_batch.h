// Posted rows are written in batches: the first post opens a transaction, which is
// committed after every kRowsPerBatch posted rows, before the next executed statement
// and when the connection closes. A run of posts so pays for one commit per batch
// instead of one per row, and a posted row still outlives the run whatever ends it.
// A transaction that someone else opened is left alone. The batch stays open until its
// COMMIT has succeeded: a commit that fails raises EngineIoError (the posted rows did
// not reach the database, whatever the cause), and the batch is still open unless
// SQLite rolled it back.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace qoru::db {

class WriteBatch {
 public:
  static constexpr std::uint32_t kRowsPerBatch = 20000;

  void Begin(sqlite3* db);       // before a post: opens the batch unless one is open
  void RowWritten(sqlite3* db);  // after a post: commits a full batch
  // Commits the open batch; raises EngineIoError "commit failed: ..." when SQLite
  // refuses.
  void Commit(sqlite3* db);
  // Commits the open batch when the connection closes and forgets it; returns SQLite's
  // message when the commit failed, else an empty text. The caller closes the
  // connection, which rolls back what did not commit, and fails the run.
  std::string Finish(sqlite3* db);

 private:
  bool open_ = false;       // the batch transaction is open
  std::uint32_t rows_ = 0;  // rows posted in it
};

}  // namespace qoru::db
