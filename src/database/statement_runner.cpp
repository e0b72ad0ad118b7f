#include "database/statement_runner.h"

#include "database/connection.h"
#include "database/engine_error.h"
#include "database/query.h"
#include "platform/host_log.h"

namespace qoru::db {
namespace {
constexpr int kLogLevel = 3;
constexpr const char* kCannotRun = "SQL不能执行";
}  // namespace

bool StatementRunner::Open(Query& query, const std::string& sql_gbk) {
  query.Close();
  query.SetSQL(sql_gbk);
  try {
    query.Open();
  } catch (const EngineIoError&) {
    query.Close();
    throw;
  } catch (const EngineError& e) {
    query.Close();
    WriteHostLog(kLogLevel, std::string(kCannotRun) + e.what());
    return false;
  }
  return true;
}

bool StatementRunner::OpenQuery(const std::string& sql_gbk) {
  return Open(main_, sql_gbk);
}

bool StatementRunner::OpenLookup(const std::string& sql_gbk) {
  return Open(lookup_, sql_gbk);
}

bool StatementRunner::ExecuteStatement(const std::string& sql_gbk) {
  main_.Close();
  main_.SetSQL(sql_gbk);
  try {
    main_.ExecSQL();
  } catch (const EngineIoError&) {
    main_.Close();
    throw;
  } catch (const EngineError&) {
    main_.Close();
    return false;
  }
  return true;
}

}  // namespace qoru::db
