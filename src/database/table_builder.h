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

#include "database/jet_translator.h"

namespace qoru::db {

void CreateTableFromSelect(sqlite3* db, const std::string& table, const std::string& select_sql);
void AddColumns(sqlite3* db, const std::string& table, const std::vector<AddedColumn>& columns);

// True for a declared column type that holds text (and so compares without case).
bool IsTextType(std::string_view declared_type);

}  // namespace qoru::db
