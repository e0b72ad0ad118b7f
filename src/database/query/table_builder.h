// The engine's own forms of the two statements that SQLite has none for:
//   select ... into T from ...   -- creates T with one column per item of the select
//                                   (named by alias or column, typed after its source)
//                                   and fills it; fails when T exists;
//   alter table T add c1 t1, ... -- adds every column or none; a counter column numbers
//                                   the existing rows 1, 2, 3 ... in stored order.
// Both run inside a savepoint: a failure leaves the database as it was.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "database/sql/jet_translator.h"

namespace qoru::db {

void CreateTableFromSelect(sqlite3* db, const std::string& table, const std::string& select_sql);
void AddColumns(sqlite3* db, const std::string& table, const std::vector<AddedColumn>& columns);

// True for a declared column type that holds text (and so compares without case).
bool IsTextType(std::string_view declared_type);

// The n of a declared type "varchar(n)" or "char(n)", or 0. An added column of such a
// type (not a counter) only takes texts of at most n characters.
long DeclaredLength(std::string_view declared_type);

// A column of a table: its name and declared type (UTF-8).
struct TableColumn {
  std::string name;
  std::string type;
};
// True when the database holds an object named `name` (ASCII case ignored).
bool TableExists(sqlite3* db, const std::string& name);

// The columns of `table`, in order; empty when there is no such table.
std::vector<TableColumn> TableColumns(sqlite3* db, const std::string& table);

}  // namespace qoru::db
