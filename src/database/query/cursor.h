// A forward cursor over one select of the connection: the prepared statement, lent by
// the connection's statement cache while the cursor is open, its parameter values, the
// current row, the end of rows, the row number from 1 and the record count, which a
// second statement counts on the first request. Rewind runs the select again from its
// first row.
//
// The result's column names are read after the first step: a cached statement whose
// tables changed since it was prepared ("select *" after an alter table) is compiled
// anew by that step, and only then names the columns that it yields now. SQLite's
// failures are EngineErrors; after one the cursor is at the end of its rows.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace qoru::db {

class Connection;

class Cursor {
 public:
  explicit Cursor(Connection& connection) : connection_(connection) {}
  ~Cursor() { Close(); }
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  // Prepares (or borrows) `sql_utf8`, binds `params` and steps to the first row.
  void Open(std::string sql_utf8, std::vector<std::string> params);
  void Close();
  bool open() const { return stmt_ != nullptr; }

  void Rewind();  // back to the first row
  void Next();    // to the next row; nothing at the end
  bool eof() const { return eof_; }
  int recno() const { return recno_; }  // 0 without a current row
  int RecordCount();

  // The statement, standing on the current row unless at the end of the rows.
  sqlite3_stmt* statement() const { return stmt_; }
  const std::vector<std::string>& columns() const { return columns_; }  // UTF-8 names

 private:
  void Bind();
  void Step();

  Connection& connection_;
  sqlite3_stmt* stmt_ = nullptr;      // borrowed from the connection's statement cache
  std::string sql_;                   // UTF-8 statement it runs
  std::vector<std::string> params_;   // UTF-8 values bound to its parameters
  std::vector<std::string> columns_;  // UTF-8 result column names
  bool eof_ = true;
  int recno_ = 0;
  int record_count_ = -1;  // -1 until asked for
};

}  // namespace qoru::db
