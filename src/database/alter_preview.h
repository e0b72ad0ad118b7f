// What "alter table T add ..." statements would make of a table, found out on an
// empty copy of it in the temp schema, which is dropped again before PreviewAlters
// returns: whether every statement would succeed, and the CREATE text that the table
// would have afterwards. SQLite writes that text itself, so it is exactly what the
// statements would leave on the table.
//
// Only a table whose CREATE text is "CREATE TABLE " + its quoted name (jet_translator.h's
// QuoteName) + " (...)" is tried; for any other, and when a statement fails on the copy,
// the answer is nullopt. Failures of SQLite outside the statements are EngineErrors.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "database/jet_translator.h"

namespace qoru::db {

// `table` is the table's name as stored, `create_sql` its CREATE text; `alters` holds the
// columns of each statement, in order.
std::optional<std::string> PreviewAlters(sqlite3* db, const std::string& table,
                                         const std::string& create_sql,
                                         const std::vector<std::vector<AddedColumn>>& alters);

}  // namespace qoru::db
