#include "database/query/statement_runner.h"

#include <chrono>

#include "database/engine/engine_error.h"
#include "database/query/connection.h"
#include "database/query/query.h"
#include "host/host_log.h"
#include "host/trace.h"
#include "text/gbk_codec.h"

namespace qoru::db {
namespace {
constexpr int kLogLevel = 3;
// Our sentence before the engine's own words, which the user may not know.
constexpr const char* kCannotRun = "SQL不能执行：数据库拒绝了这条查询语句，数据库的原话是：";

// Times one statement for the trace hook when the host follows statements; costs one
// test of a flag otherwise.
class StatementTrace {
 public:
  explicit StatementTrace(const std::string& sql_gbk)
      : sql_(sql_gbk), timed_(Tracing(kTraceStatement)) {
    if (timed_) start_ = std::chrono::steady_clock::now();
  }
  ~StatementTrace() {
    if (!timed_) return;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start_;
    Trace(kTraceStatement, GbkToUtf8(sql_), took.count());
  }
  void Rejected(const EngineError& e) const {
    if (Tracing(kTraceRejected)) Trace(kTraceRejected, GbkToUtf8(sql_) + "\n" + e.what());
  }

 private:
  const std::string& sql_;
  bool timed_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace

bool StatementRunner::Open(Query& query, const std::string& sql_gbk) {
  query.Close();
  query.SetSQL(sql_gbk);
  StatementTrace trace(sql_gbk);
  try {
    query.Open();
  } catch (const EngineIoError&) {
    query.Close();
    throw;
  } catch (const EngineError& e) {
    trace.Rejected(e);
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
  StatementTrace trace(sql_gbk);
  try {
    main_.ExecSQL();
  } catch (const EngineIoError&) {
    main_.Close();
    throw;
  } catch (const EngineError& e) {
    trace.Rejected(e);
    main_.Close();
    return false;
  }
  return true;
}

bool StatementRunner::ExecuteImport(const std::string& statement, TextImport import) {
  main_.Close();
  lookup_.Close();
  connection_.CommitWrites();
  StatementTrace trace(statement);
  try {
    if (connection_.mode() != Connection::Mode::kDatabaseFile)
      throw EngineError("the operation is not allowed while the connection is closed");
    import.database = connection_.handle();
    connection_.RunTextImport(import);
  } catch (const EngineIoError&) {
    throw;
  } catch (const EngineError& e) {
    trace.Rejected(e);
    return false;
  }
  return true;
}

}  // namespace qoru::db
