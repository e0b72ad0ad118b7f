// The auxiliary column pass runs as one rewrite of the table when the table and the
// chart are plain enough, and as the walk through the queries otherwise. Both must
// leave the same rows, report the same failure and show the same progress: each case
// below runs on two copies of one database, one of them given an index on the walked
// table, which makes the pass take the walk, and the outcomes are compared.
#include <gtest/gtest.h>

#include <filesystem>

#include "auxiliary/aux_columns.h"
#include "database/connection.h"
#include "database/engine_error.h"
#include "database/query.h"
#include "database/statement_runner.h"
#include "platform/gbk_codec.h"
#include "platform/progress_bar.h"
#include "platform/stage_host.h"
#include "test_support/db_fixture.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

using test::Rows;
using test::SqliteExec;
using test::SqliteRows;

// Records what the pass shows: status texts, progress values and yields.
class RecordingHost : public StageHost {
 public:
  RecordingHost() {
    bar_.set_listener([this](const ProgressBar& b) {
      events.push_back(std::to_string(b.PartsComplete()) + "/" + std::to_string(b.TotalParts()));
    });
  }
  ProgressBar& Progress() override { return bar_; }
  void SetStatus(const std::string& text) override {
    events.push_back("status " + GbkToUtf8(text));
  }
  void Yield() override { events.push_back("yield"); }
  std::vector<std::string> events;

 private:
  ProgressBar bar_;
};

struct Outcome {
  std::string failure;  // "" or the kind and message of what the pass threw
  std::vector<std::string> events;
  Rows rows;               // every row of the table with its row identity
  Rows schema;             // CREATE texts of the tables, by name
  Rows lookup_idx;         // indexes on KJKM
  bool rewritten = false;  // the table has a new root page: it was copied
};

// Runs the pass over `table` on the database `path`.
Outcome RunPass(const std::string& path, const std::string& table, const StringList& names) {
  Outcome out;
  const std::string root = "SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'";
  const Rows root_before = SqliteRows(path, root);
  RecordingHost host;
  {
    db::Connection connection;
    connection.SetConnectionString(test::DatabaseConnectionString(path));
    connection.Open();
    db::Query main(connection, "CurADOQuery"), lookup(connection, "tmpQuery");
    db::StatementRunner runner(connection, main, lookup);
    try {
      SpreadAuxiliaryColumns(runner, host, names, table);
    } catch (const db::EngineError& e) {
      out.failure = std::string("engine: ") + e.what();
    } catch (const std::exception& e) {
      out.failure = std::string("failure: ") + e.what();
    }
    try {
      connection.Close();
    } catch (const db::EngineError& e) {
      out.failure += std::string(" / close: ") + e.what();
    }
  }
  out.events = host.events;
  out.rows =
      SqliteRows(path, "SELECT _rowid_, typeof(flxh), * FROM " + table + " ORDER BY _rowid_");
  out.schema =
      SqliteRows(path, "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY name");
  out.lookup_idx =
      SqliteRows(path, "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'KJKM'");
  out.rewritten = SqliteRows(path, root) != root_before;
  return out;
}

struct Case {
  const char* name;
  const char* table;               // JZPZ or KMYE
  std::vector<std::string> names;  // AuxItemNames
  std::string setup;               // SQL run on the database before the pass
};

// The chart and the tables every case starts from. 金额 has no type, so that its
// values keep their storage classes.
const char* kBase =
    "CREATE TABLE \"KJKM\" (\"科目编号\" TEXT COLLATE NOCASE, \"科目名称\" TEXT COLLATE NOCASE, "
    "\"辅助核算项\" TEXT COLLATE NOCASE);"
    "INSERT INTO KJKM VALUES ('1001','现金',NULL), ('6602','费用','A/B'), ('6602','重复','B'),"
    " ('ab01','小写','B'), ('O''K','引号','A/B'), ('7701','摘要','摘要/A/A'), "
    "('8801','序号','flxh'),"
    " (NULL, '空', 'A');"
    "CREATE TABLE \"JZPZ\" (\"科目编号\" TEXT COLLATE NOCASE, \"摘要\" TEXT COLLATE NOCASE, "
    "\"金额\", \"辅助核算组\" TEXT COLLATE NOCASE);"
    "CREATE TABLE \"KMYE\" (\"科目编号\" TEXT COLLATE NOCASE, \"辅助核算组\" TEXT COLLATE NOCASE, "
    "\"flxh\" TEXT);";

const Case kCases[] = {
    {"plain rows of every kind",
     "JZPZ",
     {"A", "B"},
     "INSERT INTO JZPZ VALUES ('6602','x',1,'a1/b1'), (' 6602 ','y',2.5,'a2'), "
     "('AB01',NULL,x'00ff','b9'),"
     " ('o''k','z','3','x/'), ('6602','w','4','   '), ('7701','v','5','s/a1/a2'), "
     "('6602','u','6','/b2'),"
     " ('1001','t','7',NULL), ('8801','s','8','77'), ('6602','甲','9','乙/丙'), "
     "('科目甲','r','10','b/a'),"
     " ('😀1','q','11','a😀');"},
    {"rowids with gaps",
     "JZPZ",
     {"A", "B"},
     "INSERT INTO JZPZ VALUES ('6602','x',1,'a1/b1'), ('6602','y',2,'a2'), ('6602','z',3,'a3'),"
     " ('6602','w',4,'a4'), ('8801','v',5,'99');"
     "DELETE FROM JZPZ WHERE _rowid_ IN (1, 3);"
     "INSERT INTO JZPZ(_rowid_, 科目编号, 辅助核算组) VALUES (10, '6602', 'a10/b10');"},
    {"an account without names stops the pass",
     "JZPZ",
     {"A", "B"},
     "INSERT INTO JZPZ VALUES ('6602','x',1,'a1/b1'), ('1001','y',2,'a2'), ('6602','z',3,'a3');"},
    {"more codes than names",
     "JZPZ",
     {"A", "B"},
     "INSERT INTO JZPZ VALUES ('6602','x',1,'a1'), ('6602','y',2,'a2/b2/c2'), "
     "('6602','z',3,'a3');"},
    {"a type that is no column",
     "JZPZ",
     {"A"},
     "INSERT INTO JZPZ VALUES ('ab01','x',1,''), ('6602','y',2,'a2/b2'), ('6602','z',3,'a3');"},
    {"a code too long for its column",
     "JZPZ",
     {"A", "B"},
     "INSERT INTO JZPZ VALUES ('6602','x',1,'a1'), ('6602','y',2,printf('%.300c/b', 'q')),"
     " ('6602','z',3,'a3');"},
    {"a code too long on a table with gaps",
     "JZPZ",
     {"A", "B"},
     "INSERT INTO JZPZ VALUES ('6602','x',1,'a1'), ('6602','w',1,'a0'), "
     "('6602','y',2,printf('%.300c/b', 'q')),"
     " ('6602','z',3,'a3');"
     "DELETE FROM JZPZ WHERE _rowid_ = 2;"},
    {"an account code holding a NUL",
     "JZPZ",
     {"A", "B"},
     "INSERT INTO JZPZ VALUES ('66' || char(0) || '02','x',1,''), ('6602','y',2,'a2'),"
     " ('66' || char(0) || '02','z',3,'a3');"},
    {"balances with a counter-named own column",
     "KMYE",
     {"A", "B"},
     "INSERT INTO KMYE VALUES ('6602','a1/b1','x'), ('8801','5',NULL), ('1001','',NULL);"},
    {"an empty table", "KMYE", {"A", "B"}, ""},
};

TEST(SpreadPaths, RewriteAndWalkLeaveTheSameRowsFailuresAndProgress) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::string rewrite = dir / "rewrite.mdb";
    const std::string walk = dir / "walk.mdb";
    test::WriteFile(rewrite, "");
    SqliteExec(rewrite, std::string(kBase) + c.setup);
    std::filesystem::copy_file(rewrite, walk);
    // An index on the table makes the pass walk it through the queries.
    SqliteExec(walk, std::string("CREATE INDEX walk_please ON ") + c.table + "(科目编号)");
    StringList names;
    for (const std::string& n : c.names) names.Add(Gbk(n));

    const Outcome fast = RunPass(rewrite, c.table, names);
    const Outcome slow = RunPass(walk, c.table, names);
    EXPECT_EQ(fast.failure, slow.failure);
    EXPECT_EQ(fast.events, slow.events);
    EXPECT_EQ(fast.rows, slow.rows);
    EXPECT_EQ(fast.schema, slow.schema);
    EXPECT_EQ(fast.lookup_idx, slow.lookup_idx);
    EXPECT_TRUE(fast.rewritten);
    EXPECT_FALSE(slow.rewritten);
  }
}

}  // namespace
}  // namespace qoru
