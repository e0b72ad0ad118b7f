// Translates one statement of the host's dialect (UTF-8) into what the SQLite engine
// runs. Most statements pass with their functions renamed; the constructs that SQLite
// has no form for come back taken apart for the engine to carry out:
//   select ... into T [in 'db'] from ...   -> kSelectInto / kTextImport
//   alter table T add c1 type, c2 type       -> kAlterAdd (all columns or none)
//   alter table T add c autoincrement        -> kAlterAdd with a counter column
// Functions: len(x) -> length(x), left(x, n) -> substr(x, 1, n); trim and max stay.
// Text column types (varchar, char, text, memo) take a case-insensitive collation.
// Raises EngineError for text after the end of the first statement (blanks and one
// ";" aside) and for statements it cannot take apart.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qoru::db {

struct AddedColumn {
  std::string name;        // the column's name, unquoted
  std::string definition;  // SQLite column definition without the name, e.g.
                           // "varchar(255) COLLATE NOCASE"; "INTEGER" for a counter
  bool counter = false;    // autoincrement/counter: number the existing rows 1..n
};

struct JetStatement {
  enum class Kind { kPlain, kSelectInto, kTextImport, kAlterAdd };
  Kind kind = Kind::kPlain;
  // kPlain: the SQLite statement. kSelectInto: the select without its into clause.
  std::string sql;
  // kSelectInto, kTextImport, kAlterAdd: the target table, unquoted.
  std::string table;
  // kTextImport: the database path of the in-clause (unquoted) and the text file
  // named by the from-clause ("KJKM#txt" gives "KJKM.txt").
  std::string database_path;
  std::string source_file;
  // kAlterAdd: the columns, in statement order.
  std::vector<AddedColumn> columns;
};

JetStatement TranslateJet(std::string_view sql);

// Quotes a name ("a""b"): the one way a name taken from a book set (a table, an
// auxiliary item type, a column) goes into a statement, of the host's dialect or of
// SQLite's. Every connection reads a double-quoted word as a name, never as a text.
std::string QuoteName(std::string_view name);

}  // namespace qoru::db
