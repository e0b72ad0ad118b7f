#include "database/engine/write_batch.h"

#include "database/engine/engine_error.h"
#include "database/engine/sqlite_handle.h"

namespace qoru::db {

void WriteBatch::Begin(sqlite3* db) {
  if (open_) return;
  if (sqlite3_get_autocommit(db) == 0) return;  // a transaction is open already
  Exec(db, "BEGIN");
  open_ = true;
  rows_ = 0;
}

void WriteBatch::RowWritten(sqlite3* db) {
  if (++rows_ >= kRowsPerBatch) Commit(db);
}

void WriteBatch::Commit(sqlite3* db) {
  if (!open_) return;
  if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    if (sqlite3_get_autocommit(db) != 0) {  // SQLite rolled the batch back
      open_ = false;
      rows_ = 0;
    }
    try {
      ThrowEngineError(db, "commit failed");
    } catch (const EngineIoError&) {
      throw;
    } catch (const EngineError& e) {
      throw EngineIoError(e.what());
    }
  }
  open_ = false;
  rows_ = 0;
}

std::string WriteBatch::Finish(sqlite3* db) {
  std::string failure;
  if (db != nullptr && open_ && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    failure = sqlite3_errmsg(db);
  open_ = false;
  rows_ = 0;
  return failure;
}

}  // namespace qoru::db
