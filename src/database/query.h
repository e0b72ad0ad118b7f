// A query on the connection: a statement text, and the result set it yields when
// opened. The result set is a live cursor over SQLite: first, next, end of rows,
// record count, record number, fields by name read as text (GBK) or integer; and,
// for the result of a single-table select, edit, assign and post, which write the
// current row back to its table by its row identity.
//
// Failures of the engine are EngineErrors; a step on a query that is not open and a
// field name that the result does not hold are Failures of their own, whose messages
// name the query, the field and the table.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/errors.h"

namespace qoru::db {

class Connection;
class Query;

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

// A field of the current row, by position in the result.
class Field {
 public:
  Field(Query& query, int column) : query_(&query), column_(column) {}
  std::string AsString() const;    // GBK; null reads as empty text
  std::int64_t AsInteger() const;  // null reads 0
  bool IsNull() const;
  void SetAsString(const std::string& value_gbk);  // in edit mode only

 private:
  Query* query_;
  int column_;
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
  bool Eof() const { return !active_ || eof_; }
  int RecordCount();
  int RecNo() const;

  Field FieldByName(std::string_view name_gbk);

  void Edit();
  void Post();
  bool Editing() const { return editing_; }

 private:
  friend class Field;

  void RequireActive(const char* operation) const;
  void Step();
  void Rebind();
  std::string DescribeSource() const;

  Connection& connection_;
  std::string name_;  // the component name, for messages
  std::string sql_;   // GBK statement text
  bool active_ = false;
  bool eof_ = true;
  int recno_ = 0;                                // current row number from 1; 0 without a row
  int record_count_ = -1;                        // -1 until asked for
  sqlite3_stmt* stmt_ = nullptr;                 // the cursor, borrowed from the connection
  std::string exec_sql_;                         // UTF-8 statement the cursor runs
  std::vector<std::string> params_;              // UTF-8 values bound to its parameters
  std::string table_;                            // UTF-8 source table of an editable result
  int first_column_ = 0;                         // 1 when column 0 is the hidden row identity
  std::vector<std::string> columns_;             // UTF-8 result column names
  std::unordered_map<std::string, int> lookup_;  // ASCII-lowered name -> column
  bool editing_ = false;
  std::vector<std::optional<std::string>> edits_;   // UTF-8 values assigned in edit mode
  std::vector<std::optional<std::string>> posted_;  // values posted for the current row
};

}  // namespace qoru::db
