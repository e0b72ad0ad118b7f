// The rows that a RowBatchQueue brings (row_batch_queue.h) as an SQLite virtual table,
// so that one "INSERT INTO T SELECT * FROM <name>" moves them all: SQLite then keeps
// its statement running and its cursor on T open across the rows, where a prepared
// INSERT run once per row would start and finish a statement for each.
//
// The table is eponymous (it exists under its module name, without CREATE VIRTUAL
// TABLE) and can be read once, front to back. Its columns c0, c1 ... are the values of
// the batches; a null value reads as NULL, every other as text. The table holds no
// data of its own: texts are handed to SQLite from the batches, which it keeps until
// SQLite has moved past them. Register it on a connection for as long as the
// statement runs; it must outlive the module's registration.
//
// Optionally one column numbers the rows (1, 2, 3 ..., as integers) where its batch
// value is null, and a callback hears of each row once SQLite has moved past it (it has been
// inserted). What the callback throws stops the statement; RethrowCallbackFailure then
// passes it on.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "database/import/row_batch_queue.h"

namespace qoru::db {

class QueuedRowsTable {
 public:
  QueuedRowsTable(RowBatchQueue& queue, std::size_t columns);
  ~QueuedRowsTable();
  QueuedRowsTable(const QueuedRowsTable&) = delete;
  QueuedRowsTable& operator=(const QueuedRowsTable&) = delete;

  // Makes the table known on `db` under `name`; EngineError when SQLite refuses. The
  // registration ends with the object.
  void Register(sqlite3* db, const std::string& name);

  // The line that the current row's record ended on, for messages (0 before the first).
  std::uint64_t line() const;

  void set_row_number_column(int column);  // -1: none
  void set_inserted(std::function<void(std::int64_t)> inserted);
  // Rethrows what the callback threw, if it threw.
  void RethrowCallbackFailure() const;

  struct Reader;  // the read position; inside the module only

 private:
  static const sqlite3_module kModule;

  sqlite3* db_ = nullptr;
  std::string name_;
  std::unique_ptr<Reader> reader_;
};

}  // namespace qoru::db
