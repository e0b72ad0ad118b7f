// Reads chosen columns of a table's rows straight from the pages of its tree, through
// the connection's own open file, instead of having the engine's virtual machine step
// through them: a scan of a million postings spends most of its time there.
//
// Only what is plain is read this way: a table with a rowid in a database of UTF-8 text
// outside WAL mode, whose chosen columns are stored ones, each row held within its leaf
// page, each value a text, an integer or null. A row that holds anything else (a real,
// a blob, a value that spills onto overflow pages, a column added later with a default)
// is read by SQL, and so is the rest of a range as soon as a page does not look as the
// file format says it must (SQLite then reads it, and reports the damage if it finds
// it). The connection must hold a read transaction throughout: the file does not
// change under it then.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/engine/sqlite_handle.h"

namespace qoru::checks {

class TablePages {
 public:
  // The values of a row, one per chosen column; a null one has no data (nullptr).
  using Each = std::function<void(std::int64_t rowid, const std::string_view* values)>;

  // For `expressions` (quoted column names, as ColumnSelection makes them) of `table`;
  // none when the table or the database is not one this reads (then use SQL).
  static std::optional<TablePages> Open(sqlite3* db, std::string_view table,
                                        const std::vector<std::string>& expressions);

  // Calls `each` for the rows whose rowid lies in [first, last], in rowid order.
  // Raises db::EngineError when SQLite, reading what this does not, fails.
  void Scan(std::int64_t first, std::int64_t last, const Each& each);

  // Calls `each` for the rows of `rowids` (ascending, each once) in their order; a rowid
  // the table lacks is passed over. Only the leaves that may hold them are read.
  void Rows(std::span<const std::int64_t> rowids, const Each& each);

 private:
  struct Column {
    int field = 0;                 // its place in a row's record
    bool null_when_absent = true;  // it has no default: a record without it holds null
  };
  struct Unreadable {};  // a page that is not as the format says: SQLite reads on

  TablePages() = default;
  const unsigned char* Page(std::uint32_t number, int depth);
  void Walk(std::uint32_t page, int depth, std::int64_t first, std::int64_t last, const Each& each);
  void Leaf(const unsigned char* page, int depth, std::int64_t first, std::int64_t last,
            const Each& each);
  void Seek(std::uint32_t page, int depth, const Each& each);
  // The cells of an interior page: their count, and each one's child and the largest
  // rowid the child holds.
  std::uint32_t InteriorCells(const unsigned char* page) const;
  void InteriorCell(const unsigned char* page, std::uint32_t cells, std::uint32_t i,
                    std::uint32_t* child, std::int64_t* key) const;
  // The cells of a leaf: their count, and each one's rowid and payload. These raise
  // Unreadable where the page does not hold together.
  std::uint32_t Cells(const unsigned char* page, int depth) const;
  void Cell(const unsigned char* page, std::uint32_t cells, std::uint32_t i, std::int64_t* rowid,
            const unsigned char** payload, std::uint64_t* size) const;
  // Gives the row `rowid` whose cell is `payload`, from the page or by SQL.
  void Give(std::int64_t rowid, const unsigned char* payload, std::uint64_t size, const Each& each);
  // Reads the record of one row; false when it must be read by SQL.
  bool Record(const unsigned char* payload, std::size_t size);
  // False when SQL finds no such row.
  bool RowBySql(std::int64_t rowid, const Each& each);
  // The statement's values from column `offset` on, as the row's values.
  void TakeValues(sqlite3_stmt* stmt, int offset);
  void RangeBySql(std::int64_t first, std::int64_t last, const Each& each);

  sqlite3* db_ = nullptr;
  sqlite3_file* file_ = nullptr;
  std::string table_;
  std::vector<std::string> expressions_;
  std::vector<Column> columns_;
  int fields_wanted_ = 0;  // a record's fields up to the last chosen one
  std::uint32_t root_ = 0;
  std::uint32_t page_size_ = 0, usable_ = 0, pages_ = 0;
  std::vector<std::vector<unsigned char>> buffers_;  // a page for each depth of the walk
  std::vector<std::string_view> values_;
  std::vector<std::string> numbers_;  // integer values as text, a slot per column
  std::int64_t done_ = 0;             // the rowid handed out last
  bool any_done_ = false;
  bool stopped_ = false;                  // the range ends before the next row
  std::span<const std::int64_t> wanted_;  // Rows: the rowids asked for
  std::size_t next_ = 0;                  // ... and the first not yet found or passed over
  db::SqliteStmt row_stmt_, range_stmt_;
};

}  // namespace qoru::checks
