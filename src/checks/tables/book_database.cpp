#include "checks/tables/book_database.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <thread>

#include "checks/tables/table_pages.h"
#include "database/sql/jet_translator.h"
#include "errors/errors.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"

namespace qoru::checks {

int ColumnSelection::Add(const std::string* column) {
  if (column == nullptr) return -1;
  expressions.push_back(db::QuoteName(*column));
  return static_cast<int>(expressions.size()) - 1;
}

BookDatabase::BookDatabase(const std::string& path)
    : db_(db::OpenDatabaseReadOnly(path)), path_(path) {}

std::vector<std::string> BookDatabase::Texts(const std::string& sql,
                                             std::optional<std::string_view> parameter) {
  db::SqliteStmt stmt = db::Prepare(db_.get(), sql);
  if (parameter)
    sqlite3_bind_text(stmt.get(), 1, parameter->data(), static_cast<int>(parameter->size()),
                      SQLITE_TRANSIENT);
  std::vector<std::string> out;
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    // By its length: a text may hold a NUL, as the scans read it.
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
    const int n = sqlite3_column_bytes(stmt.get(), 0);
    out.emplace_back(p == nullptr ? std::string() : std::string(p, static_cast<std::size_t>(n)));
  }
  if (rc != SQLITE_DONE) db::ThrowEngineError(db_.get());
  return out;
}

std::vector<std::string> BookDatabase::TableNames() {
  return Texts("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
}

std::optional<std::string> BookDatabase::FindTable(std::string_view name) {
  db::SqliteStmt stmt = db::Prepare(
      db_.get(),
      "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
  sqlite3_bind_text(stmt.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  const int rc = sqlite3_step(stmt.get());
  if (rc == SQLITE_ROW)
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
  if (rc != SQLITE_DONE) db::ThrowEngineError(db_.get());
  return std::nullopt;
}

std::vector<std::string> BookDatabase::Columns(std::string_view table) {
  return Texts("SELECT name FROM pragma_table_info(?1) ORDER BY cid", table);
}

namespace {

std::string ScanSql(std::string_view table, const std::vector<std::string>& expressions) {
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < expressions.size(); ++i) sql += (i == 0 ? "" : ", ") + expressions[i];
  if (expressions.empty()) sql += "NULL";
  sql += " FROM " + db::QuoteName(table) + " ORDER BY rowid";
  return sql;
}

}  // namespace

void BookDatabase::Scan(std::string_view table, const std::vector<std::string>& expressions,
                        const std::function<void(std::int64_t, const ScanRow&)>& each) {
  db::SqliteStmt stmt = db::Prepare(db_.get(), ScanSql(table, expressions));
  const ScanRow row(stmt.get());
  std::int64_t number = 0;
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) each(++number, row);
  if (rc != SQLITE_DONE) db::ThrowEngineError(db_.get());
}

void BookDatabase::ScanAhead(std::string_view table, const std::vector<std::string>& expressions,
                             const std::function<void(std::int64_t, const ScanRow&)>& each) {
  ScanAheadBatches(table, expressions, {}, [&](std::int64_t first, const TextBatch& batch) {
    for (std::size_t i = 0; i < batch.size(); ++i)
      each(first + static_cast<std::int64_t>(i), ScanRow(batch, i));
  });
}

void BookDatabase::ScanAheadBatches(
    std::string_view table, const std::vector<std::string>& expressions,
    const std::function<void(TextBatch&)>& prepare,
    const std::function<void(std::int64_t, const TextBatch&)>& each) {
  // Every block from one snapshot: the scan reads in a transaction (the caller's, or
  // one of its own), and a second reader's is begun while that one is held, which keeps
  // writers from committing in between. In WAL mode, where they are not kept, one
  // reader reads everything.
  const bool write_ahead_log = WriteAheadLog();
  const bool own_transaction = sqlite3_get_autocommit(db_.get()) != 0;
  if (own_transaction) BeginRead();
  struct EndOwnRead {
    BookDatabase& db;
    bool own;
    ~EndOwnRead() {
      if (own) db.EndRead();
    }
  } end_read{*this, own_transaction};
  const std::optional<RowidRange> range = Rowids(table);
  if (!range) return;  // no rows
  // Blocks of 32768 rowids, or more when the rowids are spread so far that there would
  // be more than 4096 blocks (rowids set by hand in a database made elsewhere may lie
  // anywhere in the 64-bit range: the blocks are counted without sign).
  const std::uint64_t width = range->Width();
  const std::uint64_t block = std::max<std::uint64_t>(1 << 15, width / 4096 + 1);
  const std::uint64_t blocks = width / block + 1;
  const int readers = blocks > 1 && !write_ahead_log ? 2 : 1;

  const std::size_t columns = std::max<std::size_t>(expressions.size(), 1);
  std::vector<std::unique_ptr<BatchQueue>> queues;
  for (int r = 0; r < readers; ++r) queues.push_back(std::make_unique<BatchQueue>(columns, 8));
  std::exception_ptr failures[2];
  std::vector<std::thread> threads;
  for (int r = 0; r < readers; ++r) {
    threads.emplace_back([&, r] {
      struct Abandoned {};
      BatchQueue& queue = *queues[static_cast<std::size_t>(r)];
      try {
        std::optional<BookDatabase> own;
        if (r > 0) {
          own.emplace(path_);
          own->BeginRead();
        }
        BookDatabase& connection = r > 0 ? *own : *this;
        // The rows straight from the table's pages where they are plain, else by SQL.
        std::optional<TablePages> pages;
        if (!write_ahead_log) pages = TablePages::Open(connection.db_.get(), table, expressions);
        std::vector<std::string_view> texts(columns);
        for (std::uint64_t k = static_cast<std::uint64_t>(r); k < blocks; k += readers) {
          std::unique_ptr<TextBatch> batch = queue.Empty();
          const auto hand_on = [&] {
            if (prepare) prepare(*batch);
            if (!queue.Push(std::move(batch))) throw Abandoned{};
          };
          const auto add = [&](std::int64_t rowid, const std::string_view* values) {
            batch->Add(rowid, values);
            if (!batch->full()) return;
            hand_on();
            batch = queue.Empty();
          };
          // k * block is at most the width: the block's ends lie within the range.
          const auto from =
              static_cast<std::int64_t>(static_cast<std::uint64_t>(range->first) + k * block);
          const std::int64_t to =
              k + 1 == blocks
                  ? range->last
                  : static_cast<std::int64_t>(static_cast<std::uint64_t>(from) + block - 1);
          if (pages) {
            pages->Scan(from, to, add);
          } else {
            connection.ScanRowids(table, expressions, from, to,
                                  [&](std::int64_t rowid, const ScanRow& row) {
                                    for (std::size_t c = 0; c < expressions.size(); ++c)
                                      texts[c] = row.Text(static_cast<int>(c));
                                    add(rowid, texts.data());
                                  });
          }
          batch->set_block_end();
          hand_on();
        }
      } catch (const Abandoned&) {
      } catch (...) {
        failures[r] = std::current_exception();
      }
      queue.Close();
    });
  }
  const auto stop = [&] {
    for (auto& q : queues) q->Abandon();
    for (std::thread& t : threads) t.join();
  };
  try {
    std::int64_t number = 0;  // the rows' numbers in stored order, from 1
    bool cut_short = false;
    for (std::uint64_t k = 0; k < blocks && !cut_short; ++k) {
      BatchQueue& queue = *queues[static_cast<std::size_t>(k % readers)];
      while (true) {
        std::unique_ptr<TextBatch> batch = queue.Pop();
        if (!batch) {  // the reader failed
          cut_short = true;
          break;
        }
        each(number + 1, *batch);
        number += static_cast<std::int64_t>(batch->size());
        const bool block_end = batch->block_end();
        queue.Recycle(std::move(batch));
        if (block_end) break;
      }
    }
  } catch (...) {
    stop();
    throw;
  }
  stop();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

void BookDatabase::BeginRead() {
  if (sqlite3_exec(db_.get(), "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
    db::ThrowEngineError(db_.get());
  // A deferred transaction takes its snapshot at its first read.
  Texts("SELECT count(*) FROM sqlite_master");
}

void BookDatabase::EndRead() {
  sqlite3_exec(db_.get(), "COMMIT", nullptr, nullptr, nullptr);
}

bool BookDatabase::WriteAheadLog() {
  const std::vector<std::string> mode = Texts("PRAGMA journal_mode");
  return !mode.empty() && mode[0] == "wal";
}

std::optional<RowidRange> BookDatabase::Rowids(std::string_view table) {
  // Each end alone, which SQLite answers from an end of the tree.
  const auto end = [&](const char* which) -> std::optional<std::int64_t> {
    db::SqliteStmt stmt = db::Prepare(
        db_.get(), std::string("SELECT ") + which + "(rowid) FROM " + db::QuoteName(table));
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW && sqlite3_column_type(stmt.get(), 0) != SQLITE_NULL)
      return sqlite3_column_int64(stmt.get(), 0);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) db::ThrowEngineError(db_.get());
    return std::nullopt;
  };
  const std::optional<std::int64_t> first = end("min"), last = end("max");
  if (!first || !last) return std::nullopt;
  return RowidRange{*first, *last};
}

void BookDatabase::ScanRowids(std::string_view table, const std::vector<std::string>& expressions,
                              std::int64_t first, std::int64_t last,
                              const std::function<void(std::int64_t, const ScanRow&)>& each) {
  std::string sql = "SELECT rowid";
  for (const std::string& e : expressions) sql += ", " + e;
  sql += " FROM " + db::QuoteName(table) + " WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid";
  db::SqliteStmt stmt = db::Prepare(db_.get(), sql);
  sqlite3_bind_int64(stmt.get(), 1, first);
  sqlite3_bind_int64(stmt.get(), 2, last);
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
    each(sqlite3_column_int64(stmt.get(), 0), ScanRow(stmt.get(), 1));
  if (rc != SQLITE_DONE) db::ThrowEngineError(db_.get());
}

void BookDatabase::ReadRowids(std::string_view table, const std::vector<std::string>& expressions,
                              const std::vector<std::int64_t>& rowids,
                              const std::function<void(std::int64_t, const ScanRow&)>& each) {
  // Rowids in ascending order, within a read transaction of the caller's: from the
  // table's pages where they are plain (the leaves that hold them read once each), in
  // batches handed to `each` as the scan that reads ahead hands them.
  if (sqlite3_get_autocommit(db_.get()) == 0 &&
      std::adjacent_find(rowids.begin(), rowids.end(), std::greater_equal<>()) == rowids.end())
    if (std::optional<TablePages> pages = TablePages::Open(db_.get(), table, expressions)) {
      TextBatch batch(expressions.size());
      const auto hand_over = [&] {
        for (std::size_t i = 0; i < batch.size(); ++i) each(batch.Row(i), ScanRow(batch, i));
        batch.Clear();
      };
      pages->Rows(rowids, [&](std::int64_t rowid, const std::string_view* values) {
        batch.Add(rowid, values);
        if (batch.full()) hand_over();
      });
      hand_over();
      return;
    }
  std::string sql = "SELECT rowid";
  for (const std::string& e : expressions) sql += ", " + e;
  sql += " FROM " + db::QuoteName(table) + " WHERE rowid = ?1";
  db::SqliteStmt stmt = db::Prepare(db_.get(), sql);
  for (const std::int64_t rowid : rowids) {
    sqlite3_reset(stmt.get());
    sqlite3_bind_int64(stmt.get(), 1, rowid);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW)
      each(rowid, ScanRow(stmt.get(), 1));
    else if (rc != SQLITE_DONE)
      db::ThrowEngineError(db_.get());
  }
}

}  // namespace qoru::checks
