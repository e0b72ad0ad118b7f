#include "checks/tables/book_database.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <thread>

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
  // The ends of the rowids, each alone, which SQLite answers from the ends of the tree.
  const std::vector<std::string> low = Texts("SELECT min(rowid) FROM " + db::QuoteName(table));
  const std::vector<std::string> high = Texts("SELECT max(rowid) FROM " + db::QuoteName(table));
  if (low.empty() || low[0].empty() || high.empty() || high[0].empty()) return;  // no rows
  const long long first = std::atoll(low[0].c_str()), last = std::atoll(high[0].c_str());
  if (last < first) return;
  // Blocks of 32768 rowids, or more when the rowids are spread so far that there would
  // be more than 4096 blocks; one block when they lie farther apart than a 64-bit
  // integer reaches (rowids set by hand in a database made elsewhere).
  long long span = 0;
  const bool spread_wide = __builtin_sub_overflow(last, first, &span);
  const long long block = spread_wide ? 0 : std::max(1LL << 15, span / 4096 + 1);
  const long long blocks = spread_wide ? 1 : span / block + 1;
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
        std::vector<std::string_view> texts(columns);
        for (long long k = r; k < blocks; k += readers) {
          std::unique_ptr<TextBatch> batch = queue.Empty();
          const long long from = first + k * block;
          const long long to = k + 1 == blocks ? last : from + block - 1;
          connection.ScanRowids(table, expressions, from, to,
                                [&](std::int64_t rowid, const ScanRow& row) {
                                  for (std::size_t c = 0; c < expressions.size(); ++c)
                                    texts[c] = row.Text(static_cast<int>(c));
                                  batch->Add(rowid, texts.data());
                                  if (!batch->full()) return;
                                  if (!queue.Push(std::move(batch))) throw Abandoned{};
                                  batch = queue.Empty();
                                });
          batch->set_block_end();
          if (!queue.Push(std::move(batch))) throw Abandoned{};
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
    for (long long k = 0; k < blocks && !cut_short; ++k) {
      BatchQueue& queue = *queues[static_cast<std::size_t>(k % readers)];
      while (true) {
        std::unique_ptr<TextBatch> batch = queue.Pop();
        if (!batch) {  // the reader failed
          cut_short = true;
          break;
        }
        for (std::size_t i = 0; i < batch->size(); ++i) each(++number, ScanRow(*batch, i));
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
