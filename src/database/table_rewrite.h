// Adding columns to a large table and then giving most of its rows values for them
// costs SQLite a pass over the table per added column that carries a CHECK constraint,
// another to number a counter column, and an update per row that moves each row once
// more. A table rewrite does it all in one sequential pass: the table is copied in rowid
// order into a new table that has the added columns, the caller setting values of each
// row on the way, and the copy then takes the table's place. The table is afterwards
// what the alter statements and the updates would have left, row for row: the same
// CREATE text, rowids, values and storage classes. A counter column numbers the rows
// 1, 2, 3 ... in rowid order, unless the caller sets its value. Only the storage is
// new: the table's schema entry comes last and has another root page, and its old
// pages stay in the file as free pages, which later tables fill.
//
// Plan says whether that holds: the table must be an ordinary rowid table without an
// index, a trigger or a constraint of its own, in a database without views and
// triggers, and every alter statement must succeed (alter_preview.h). Otherwise it
// returns nullptr and the caller runs the statements itself.
//
// The rewrite is one transaction; the table only changes with its commit. Any other
// failure of SQLite's is an EngineError that leaves the table as it was, and so does a
// killed process.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/jet_translator.h"
#include "database/sqlite_handle.h"

namespace qoru::db {

// What the rewrite asks of its caller for each row.
class RowEditor {
 public:
  virtual ~RowEditor() = default;
  // The row of number `number` (from 1, in rowid order) comes next; `watched` holds the
  // texts of the watched columns on it (empty for null). May throw: see Run.
  virtual void Row(std::int64_t number, const std::vector<std::string_view>& watched) = 0;
  // The value (UTF-8 text) that the current row gets for the editable column `column`
  // (an index into TableRewrite::columns()), or nullptr to keep its own.
  virtual const std::string* Value(std::size_t column) = 0;
  // The row of number `number` has been written.
  virtual void Written(std::int64_t number) = 0;
};

class TableRewrite {
 public:
  // `table` as a statement names it (ASCII case ignored); `alters` holds the columns of
  // each "alter table ... add" statement, in order.
  static std::unique_ptr<TableRewrite> Plan(sqlite3* db, const std::string& table,
                                            const std::vector<std::vector<AddedColumn>>& alters);
  ~TableRewrite();
  TableRewrite(const TableRewrite&) = delete;
  TableRewrite& operator=(const TableRewrite&) = delete;

  // The table's columns after the alter statements (UTF-8 names): its own, then the
  // added ones.
  const std::vector<std::string>& columns() const { return columns_; }
  std::size_t own_columns() const { return own_columns_; }
  std::int64_t rows() const { return rows_; }

  // Copies every row in rowid order with one INSERT ... SELECT, asking `editor` for the
  // values of the `editable` columns, then puts the copy in the table's place and
  // commits. `watched` names own columns whose texts the editor reads.
  //
  // When the editor throws for a row, that row and the rows after it are copied as they
  // are, and the exception is rethrown after the commit. When SQLite refuses a row (a
  // CHECK constraint), the same happens, and the EngineError thrown after the commit
  // says "cannot update row <number> of table <table>: " and SQLite's message. Either
  // way the editor hears of no row after the one that failed.
  void Run(RowEditor& editor, const std::vector<std::size_t>& editable,
           const std::vector<std::size_t>& watched);

 private:
  TableRewrite() = default;
  static void Cell(sqlite3_context* context, int argc, sqlite3_value** argv);
  void Replace();

  sqlite3* db_ = nullptr;
  std::string named_;      // the table's name as the statements give it
  std::string table_;      // the table's name as stored
  std::string final_sql_;  // its CREATE text after the alter statements
  std::vector<std::string> columns_;
  std::vector<bool> counter_;  // per column: a counter column that the rewrite numbers
  std::size_t own_columns_ = 0;
  std::int64_t rows_ = 0;
  bool dense_ = false;  // the rowids are 1 ... rows(), so a row's number is its rowid
  bool in_transaction_ = false;

  // While Run copies: the state that Cell works on.
  RowEditor* editor_ = nullptr;
  bool editing_ = false;        // false once a row failed: rows are copied as they are
  std::int64_t number_ = 0;     // number of the current row
  std::int64_t rowid_ = 0;      // its rowid
  bool started_ = false;        // a row has been seen
  std::exception_ptr failure_;  // what the editor threw
  std::vector<std::string_view> watched_;
};

}  // namespace qoru::db
