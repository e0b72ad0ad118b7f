// A converted book set's staging database, opened read-only for the checks: which
// tables it holds, their columns, and a stream of chosen columns of a table in stored
// order (the order of the table file: the import appends the rows in file order and
// no later step reorders them), numbered from 1.
//
// Nothing is written, not even a journal. The file may come from anyone: it is opened
// as db::OpenDatabaseReadOnly opens one (a file with views, triggers or virtual tables
// is refused), and only its tables are read. Failures of the engine (a file that is missing or is
// not an SQLite database, a damaged page, a value or a statement beyond the bounds)
// raise db::EngineError with SQLite's message.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/tables/row_batches.h"
#include "database/engine/sqlite_handle.h"

namespace qoru::checks {

// The values of one row during a scan; they live until the next row.
class ScanRow {
 public:
  // The values of a row from the statement's column `offset` on.
  explicit ScanRow(sqlite3_stmt* stmt, int offset = 0) : stmt_(stmt), offset_(offset) {}
  // Row `r` of a batch read ahead (BookDatabase::ScanAhead).
  ScanRow(const TextBatch& batch, std::size_t r) : batch_(&batch), batch_row_(r) {}
  // The text of value `i` (null reads as empty).
  // One fetch of the column, then its text and length from the value itself: the
  // column calls would each look the column up again. The connection is used by one
  // thread only, which is what reading the value directly needs.
  std::string_view Text(int i) const {
    if (batch_ != nullptr) return batch_->Text(batch_row_, static_cast<std::size_t>(i));
    sqlite3_value* v = sqlite3_column_value(stmt_, i + offset_);
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    if (p == nullptr) return {};
    return {p, static_cast<std::size_t>(sqlite3_value_bytes(v))};
  }
  // The row's rowid: for the rows of ScanAhead only.
  std::int64_t Rowid() const { return batch_ != nullptr ? batch_->Row(batch_row_) : 0; }
  bool IsNull(int i) const {
    if (batch_ != nullptr) return batch_->IsNull(batch_row_, static_cast<std::size_t>(i));
    return sqlite3_column_type(stmt_, i + offset_) == SQLITE_NULL;
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int offset_ = 0;
  const TextBatch* batch_ = nullptr;
  std::size_t batch_row_ = 0;
};

// The columns of a scan, chosen one by one.
struct ColumnSelection {
  std::vector<std::string> expressions;  // quoted column names
  // Selects `column`; returns its index among the values of a row, -1 for no column.
  int Add(const std::string* column);
};

// The least and the largest rowid of a table's rows.
struct RowidRange {
  std::int64_t first = 0, last = 0;
  // last - first, exact for any two rowids (the rows number at most one more).
  std::uint64_t Width() const {
    return static_cast<std::uint64_t>(last) - static_cast<std::uint64_t>(first);
  }
};

class BookDatabase {
 public:
  explicit BookDatabase(const std::string& path);

  // The table's name as the database spells it when a table of that name (ASCII case
  // ignored) exists.
  std::optional<std::string> FindTable(std::string_view name);
  std::vector<std::string> TableNames();
  std::vector<std::string> Columns(std::string_view table);

  // Calls `each` with the row number (from 1) and the values of `expressions` (SQL
  // over the table's columns) for every row of `table`, in stored order.
  void Scan(std::string_view table, const std::vector<std::string>& expressions,
            const std::function<void(std::int64_t row, const ScanRow& values)>& each);

  // As Scan, with the engine stepping through the table on threads of their own: the
  // values are copied in batches to the calling thread, which calls `each` on one batch
  // while the next are read. The table is read in blocks of rowids by two threads, each
  // on a connection of its own (block k by thread k % 2), in one snapshot; in WAL mode,
  // or for a table of one block, by one. For a long table whose rows take `each` some
  // work. Each row's rowid is at hand (ScanRow::Rowid). The connection is not used
  // otherwise until it returns; a failure of any thread is raised here.
  void ScanAhead(std::string_view table, const std::vector<std::string>& expressions,
                 const std::function<void(std::int64_t row, const ScanRow& values)>& each);
  // As ScanAhead, a batch at a time: `prepare` (when given) is called on the thread that
  // read the batch before it is handed on, to derive values from its rows into
  // batch.prepared(), and `each` on the calling thread with the number of the batch's
  // first row. For rows whose reading into values is work of its own.
  void ScanAheadBatches(
      std::string_view table, const std::vector<std::string>& expressions,
      const std::function<void(TextBatch& batch)>& prepare,
      const std::function<void(std::int64_t first_row, const TextBatch& batch)>& each);

  // The range of the table's rowids, each end found from an end of its tree; none for a
  // table without rows.
  std::optional<RowidRange> Rowids(std::string_view table);

  // As Scan, for the rows whose rowid lies in [first, last], with the rowid for the row.
  void ScanRowids(std::string_view table, const std::vector<std::string>& expressions,
                  std::int64_t first, std::int64_t last,
                  const std::function<void(std::int64_t rowid, const ScanRow& values)>& each);

  // As Scan, for the rows of `rowids` in their order (a rowid the table lacks is passed
  // over), with the rowid for the row: the statement is prepared once.
  void ReadRowids(std::string_view table, const std::vector<std::string>& expressions,
                  const std::vector<std::int64_t>& rowids,
                  const std::function<void(std::int64_t rowid, const ScanRow& values)>& each);

  // Starts a read transaction and takes its snapshot: the scans until EndRead see the
  // database as it is now, whatever another program commits meanwhile. Outside WAL mode
  // the snapshot also keeps any writer from committing until EndRead.
  void BeginRead();
  void EndRead();
  // Whether the database is in write-ahead-log mode, where a writer may commit while
  // others read.
  bool WriteAheadLog();

  // The first column of every row of `sql` (with `parameter` bound to ?1), as texts.
  std::vector<std::string> Texts(const std::string& sql,
                                 std::optional<std::string_view> parameter = std::nullopt);

 private:
  db::SqliteDb db_;
  std::string path_;  // for the second reader of ScanAhead
};

}  // namespace qoru::checks
