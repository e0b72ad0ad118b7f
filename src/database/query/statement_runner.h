// Carries every statement of the run to the engine. OpenQuery opens a statement that
// yields rows on the main query, OpenLookup on the look-up query, ExecuteStatement
// executes one without rows on the main query (discarding the main query's result).
// An engine error becomes a false result; the two opening operations also write
// "SQL不能执行：", a sentence that says the database refused the statement, and the
// engine's message to the host's log. Every other failure
// passes to the caller, and so does an EngineIoError (the engine could not write its
// files: skipping the statement would hide lost writes). After a failure the query is
// closed. ExecuteImport carries out an import statement, given as the import it stands
// for, on the connection to the database itself, and reports it as ExecuteStatement
// would have reported the statement.
#pragma once

#include <string>

namespace qoru::db {

class Connection;
class Query;
struct TextImport;

class StatementRunner {
 public:
  StatementRunner(Connection& connection, Query& main_query, Query& lookup_query)
      : connection_(connection), main_(main_query), lookup_(lookup_query) {}

  bool OpenQuery(const std::string& sql_gbk);
  bool OpenLookup(const std::string& sql_gbk);
  bool ExecuteStatement(const std::string& sql_gbk);
  // `statement` (GBK) is the import statement that `import` stands for; the import runs
  // on the connection's database, after the queries are closed and posted rows committed.
  bool ExecuteImport(const std::string& statement, TextImport import);

  Connection& connection() { return connection_; }
  Query& main_query() { return main_; }
  Query& lookup_query() { return lookup_; }

 private:
  bool Open(Query& query, const std::string& sql_gbk);

  Connection& connection_;
  Query& main_;
  Query& lookup_;
};

}  // namespace qoru::db
