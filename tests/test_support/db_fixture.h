// Database test helpers: a temporary directory holding an empty database file, the
// connection strings of the run, and direct SQLite reads and writes for setting up
// and checking a database without going through the engine layer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "database/query/connection.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "test_support/temp_dir.h"

namespace qoru::test {

// How a NULL value reads in the rows returned by SqliteRows.
inline constexpr const char* kNull = "<NULL>";

using Rows = std::vector<std::vector<std::string>>;

// "Provider=...;Data Source='<path>';" with inner single quotes doubled.
std::string DatabaseConnectionString(const std::string& path);
// "Provider=...;Data Source=<dir>;Extended Properties=text" (dir ending with "/").
std::string TextConnectionString(const std::string& dir);

// Runs UTF-8 statements on the database file with SQLite directly.
void SqliteExec(const std::string& db_path, const std::string& sql_utf8);
// The rows of a UTF-8 query on the database file, values as UTF-8 text.
Rows SqliteRows(const std::string& db_path, const std::string& sql_utf8);
// Names of the tables of the database file, sorted.
std::vector<std::string> TableNames(const std::string& db_path);
// Names of the columns of a table, in order.
std::vector<std::string> ColumnNames(const std::string& db_path, const std::string& table);
// Names of the entries of a directory, sorted.
std::vector<std::string> DirectoryEntries(const std::string& dir);

// A text with "\\", "|" and control bytes escaped, for one-line dumps.
std::string Escaped(std::string_view text);
// Every schema object and every row of the database file (row identities, storage
// classes and values), in a stable order, one line each; "no database" when it cannot
// be opened.
std::string DumpDatabase(const std::string& path);

// A temporary directory with an empty database file GBA.mdb, a connection open on it,
// the two queries of the run and a statement runner over them.
class DatabaseTest : public ::testing::Test {
 protected:
  DatabaseTest();

  // Executes a host-dialect statement (UTF-8 here, GBK to the engine).
  void Execute(const std::string& sql_utf8);
  // Opens a host-dialect statement on the main query and reads every row through
  // the query object, the named fields as UTF-8 text (null reads as empty).
  Rows OpenRows(const std::string& sql_utf8, const std::vector<std::string>& fields_utf8);
  // The rows of a UTF-8 query read with SQLite directly from the database file.
  Rows Sql(const std::string& sql_utf8) const { return SqliteRows(db_path_, sql_utf8); }

  TempDir dir_;
  std::string db_path_;
  db::Connection connection_;
  db::Query main_{connection_, "CurADOQuery"};
  db::Query lookup_{connection_, "tmpQuery"};
  db::StatementRunner runner_{connection_, main_, lookup_};
};

}  // namespace qoru::test
