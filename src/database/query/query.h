// A query on the connection: a statement text, and the result set it yields when
// opened. The result set is a live cursor (cursor.h): first, next, end of rows, record
// count, record number, fields by name (field.h) read as text (GBK) or integer; and, for
// the result of a single-table select (editable_select.h), edit, assign and post, which
// write the current row back to its table by its row identity (row_edits.h). The quoted
// texts of a select become parameters (literal_parameters.h), so that look-ups of one
// shape share a prepared statement.
//
// Failures of the engine are EngineErrors; a step on a query that is not open and a
// field name that the result does not hold are Failures of their own, whose messages
// name the query, the field and the table.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "database/query/cursor.h"
#include "database/query/field.h"
#include "database/query/row_edits.h"
#include "errors/errors.h"

namespace qoru::db {

class Connection;

// A step on a query whose result set is not open.
class QueryClosedError : public Failure {
 public:
  using Failure::Failure;
};

// A field name that the open result set does not hold.
class FieldNotFoundError : public Failure {
 public:
  using Failure::Failure;
};

// A misuse of the result set that is not the engine's to report (an assignment
// outside edit mode, an edit without a current row).
class DatasetStateError : public Failure {
 public:
  using Failure::Failure;
};

class Query {
 public:
  Query(Connection& connection, std::string name);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  const std::string& name() const { return name_; }

  void Close();
  // Replaces the statement text (GBK) by the given statement as its only line.
  void SetSQL(std::string sql_gbk);
  const std::string& SQL() const { return sql_; }

  void Open();     // yields a result set; EngineError on failure, the query stays closed
  void ExecSQL();  // runs a statement without result set; the query stays closed
  bool Active() const { return active_; }

  void First();
  void Next();
  bool Eof() const { return !active_ || cursor_.eof(); }
  int RecordCount();
  int RecNo() const;

  Field FieldByName(std::string_view name_gbk);
  Field FieldByNameUtf8(std::string_view name_utf8);
  // The names of the result's fields (UTF-8), in order.
  std::vector<std::string> FieldNames() const;

  void Edit();
  void Post();
  bool Editing() const { return edits_.editing(); }

  // --- for Field ---
  // The statement on the current row, or nullptr at the end of the rows.
  sqlite3_stmt* CurrentRow() const;
  // The value that edit mode or a post laid over the cursor's, or nullptr.
  const std::string* EditedValue(int column) const { return edits_.Value(column); }
  const std::string& ColumnName(int column) const { return cursor_.columns()[column]; }
  void Assign(int column, std::string value_utf8);  // DatasetStateError outside edit mode

 private:
  void OpenStatement();
  void RequireActive(const char* operation) const;
  std::string DescribeSource() const;

  Connection& connection_;
  std::string name_;          // the component name (never shown to users)
  std::string sql_;           // GBK statement text
  std::string open_failure_;  // the engine's message when the last open failed
  bool active_ = false;
  Cursor cursor_;
  std::string table_;                            // UTF-8 source table of an editable result
  std::string source_table_;                     // UTF-8 first table after "from", for messages
  int first_column_ = 0;                         // 1 when column 0 is the hidden row identity
  std::unordered_map<std::string, int> lookup_;  // ASCII-lowered name -> column
  RowEdits edits_;
};

}  // namespace qoru::db
