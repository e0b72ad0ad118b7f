#include "database/import/queued_rows_table.h"

#include <exception>
#include <new>

#include <fmt/format.h>

#include "database/engine/sqlite_handle.h"

namespace qoru::db {

// The read position in the queue's rows. SQLite's texts point into `batch`; the batch
// before it is kept until the next one is done with, as SQLite may still hold its
// texts while it moves to a new row.
struct QueuedRowsTable::Reader {
  RowBatchQueue& queue;
  std::size_t columns;
  std::unique_ptr<RowBatch> batch;
  std::unique_ptr<RowBatch> previous;
  std::size_t row = 0;     // in batch
  std::int64_t rowid = 0;  // rows read so far
  bool started = false;
  bool eof = false;
  int row_number_column = -1;                  // see set_row_number_column
  std::function<void(std::int64_t)> inserted;  // see set_inserted
  std::exception_ptr callback_failure;         // what `inserted` threw

  Reader(RowBatchQueue& q, std::size_t c) : queue(q), columns(c) {}

  void Advance() {
    if (started && batch != nullptr) ++row;
    started = true;
    while (batch == nullptr || row >= batch->rows()) {
      if (previous != nullptr) queue.Recycle(std::move(previous));
      previous = std::move(batch);
      batch = queue.Pop();
      row = 0;
      if (batch == nullptr) {
        eof = true;
        return;
      }
    }
    ++rowid;
  }
};

namespace {

struct Vtab {
  sqlite3_vtab base{};
  QueuedRowsTable::Reader* reader = nullptr;
};

struct Cursor {
  sqlite3_vtab_cursor base{};
};

QueuedRowsTable::Reader* ReaderOf(sqlite3_vtab_cursor* cursor) {
  return reinterpret_cast<Vtab*>(cursor->pVtab)->reader;
}

// Runs a callback's body: no exception may cross SQLite's C frames. A failure becomes
// SQLite's result code, with its message on the table where there is one.
template <typename Body>
int Guarded(sqlite3_vtab* vtab, Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return SQLITE_NOMEM;
  } catch (const std::exception& e) {
    if (vtab != nullptr) {
      sqlite3_free(vtab->zErrMsg);
      vtab->zErrMsg = sqlite3_mprintf("%s", e.what());
    }
    return SQLITE_ERROR;
  } catch (...) {
    return SQLITE_ERROR;
  }
}

}  // namespace

// The module's callbacks; see SQLite's documentation of virtual tables. Each body runs
// Guarded.
const sqlite3_module QueuedRowsTable::kModule = [] {
  sqlite3_module m{};
  m.iVersion = 0;
  m.xCreate = nullptr;  // eponymous only
  m.xConnect = [](sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out,
                  char**) -> int {
    return Guarded(nullptr, [&] {
      auto* reader = static_cast<Reader*>(aux);
      std::string declare = "CREATE TABLE x(";
      for (std::size_t i = 0; i < reader->columns; ++i)
        declare += fmt::format("{}c{}", i > 0 ? ", " : "", i);
      declare += ")";
      const int rc = sqlite3_declare_vtab(db, declare.c_str());
      if (rc != SQLITE_OK) return rc;
      auto* vtab = new Vtab;
      vtab->reader = reader;
      *out = &vtab->base;
      return SQLITE_OK;
    });
  };
  m.xBestIndex = [](sqlite3_vtab*, sqlite3_index_info* info) -> int {
    info->estimatedCost = 1e9;
    return SQLITE_OK;
  };
  m.xDisconnect = [](sqlite3_vtab* vtab) -> int {
    delete reinterpret_cast<Vtab*>(vtab);
    return SQLITE_OK;
  };
  m.xOpen = [](sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) -> int {
    return Guarded(vtab, [&] {
      *out = &(new Cursor)->base;
      return SQLITE_OK;
    });
  };
  m.xClose = [](sqlite3_vtab_cursor* cursor) -> int {
    delete reinterpret_cast<Cursor*>(cursor);
    return SQLITE_OK;
  };
  m.xFilter = [](sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**) -> int {
    return Guarded(cursor->pVtab, [&] {
      Reader* reader = ReaderOf(cursor);
      if (reader->started) return SQLITE_MISUSE;  // the rows can be read once only
      reader->Advance();
      return SQLITE_OK;
    });
  };
  m.xNext = [](sqlite3_vtab_cursor* cursor) -> int {
    return Guarded(cursor->pVtab, [&] {
      Reader* reader = ReaderOf(cursor);
      if (reader->inserted && !reader->eof) {
        try {
          reader->inserted(reader->rowid);
        } catch (...) {
          // Kept for the caller, which rethrows it once the statement has failed.
          reader->callback_failure = std::current_exception();
          return SQLITE_ERROR;
        }
      }
      reader->Advance();
      return SQLITE_OK;
    });
  };
  m.xEof = [](sqlite3_vtab_cursor* cursor) -> int { return ReaderOf(cursor)->eof ? 1 : 0; };
  m.xColumn = [](sqlite3_vtab_cursor* cursor, sqlite3_context* context, int column) -> int {
    const Reader* reader = ReaderOf(cursor);
    const RowBatch& batch = *reader->batch;
    const std::size_t value = reader->row * reader->columns + static_cast<std::size_t>(column);
    if (batch.starts[value] < 0 && column == reader->row_number_column) {
      sqlite3_result_int64(context, reader->rowid);
    } else if (batch.starts[value] < 0) {
      sqlite3_result_null(context);
    } else if (batch.lengths[value] > RowBatch::kMaxValueBytes) {
      // Never handed over as a negative length; the batch refuses such values already.
      sqlite3_result_error_toobig(context);
    } else {
      sqlite3_result_text(context, batch.text.data() + batch.starts[value],
                          static_cast<int>(batch.lengths[value]), SQLITE_STATIC);
    }
    return SQLITE_OK;
  };
  m.xRowid = [](sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) -> int {
    *rowid = ReaderOf(cursor)->rowid;
    return SQLITE_OK;
  };
  return m;
}();

QueuedRowsTable::QueuedRowsTable(RowBatchQueue& queue, std::size_t columns)
    : reader_(std::make_unique<Reader>(queue, columns)) {}

QueuedRowsTable::~QueuedRowsTable() {
  if (db_ != nullptr) sqlite3_create_module_v2(db_, name_.c_str(), nullptr, nullptr, nullptr);
}

void QueuedRowsTable::Register(sqlite3* db, const std::string& name) {
  if (sqlite3_create_module_v2(db, name.c_str(), &kModule, reader_.get(), nullptr) != SQLITE_OK)
    ThrowEngineError(db);
  db_ = db;
  name_ = name;
}

void QueuedRowsTable::set_row_number_column(int column) {
  reader_->row_number_column = column;
}

void QueuedRowsTable::set_inserted(std::function<void(std::int64_t)> inserted) {
  reader_->inserted = std::move(inserted);
}

void QueuedRowsTable::RethrowCallbackFailure() const {
  if (reader_->callback_failure) std::rethrow_exception(reader_->callback_failure);
}

std::uint64_t QueuedRowsTable::line() const {
  const Reader& r = *reader_;
  if (r.batch == nullptr || r.row >= r.batch->rows()) return 0;
  return r.batch->lines[r.row];
}

}  // namespace qoru::db
