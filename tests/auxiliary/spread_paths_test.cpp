// The auxiliary column pass spreads a table's codes while the table is imported when
// that can be done exactly, and walks an imported table through the queries otherwise.
// Both ways must leave the same rows, report the same failure and show the same
// progress: each case imports one text file both ways, into two copies of one
// database, and compares the outcomes.
#include <gtest/gtest.h>

#include <filesystem>

#include "auxiliary/aux_columns.h"
#include "database/engine/engine_error.h"
#include "database/query/connection.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "database/staging_database.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "test_support/db_fixture.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

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
  Rows rows;        // every row of the table with its row identity
  Rows schema;      // CREATE texts of the tables, by name
  Rows lookup_idx;  // indexes on KJKM
  AuxPassWay way = AuxPassWay::kWalked;
};

// Imports `table` from its text file in `dir` into `dir`/GBA.mdb and runs the pass
// over it: while importing when `held`, else after a plain import.
Outcome RunPass(const std::string& dir, const std::string& table, const StringList& names,
                bool held) {
  Outcome out;
  const std::string path = dir + "GBA.mdb";
  RecordingHost host;
  {
    db::Connection connection;
    connection.SetConnectionString(test::DatabaseConnectionString(path));
    connection.Open();
    db::Query main(connection, "CurADOQuery"), lookup(connection, "tmpQuery");
    db::StatementRunner runner(connection, main, lookup);
    const db::HeldImport import{db::ImportStatement(table, path),
                                {dir, table + ".txt", path, table}};
    try {
      if (!held) db::ImportHeld(runner, import);
      out.way = SpreadAuxiliaryColumns(runner, host, names, table, held ? &import : nullptr);
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
  const std::string flxh = table == "JZPZ" ? "typeof(flxh), " : "";
  out.rows = SqliteRows(path, "SELECT _rowid_, " + flxh + "* FROM " + table + " ORDER BY _rowid_");
  out.schema =
      SqliteRows(path, "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY name");
  out.lookup_idx =
      SqliteRows(path, "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'KJKM'");
  return out;
}

// The chart every case starts from.
const char* kSpreadChart =
    "CREATE TABLE \"KJKM\" (\"科目编号\" TEXT COLLATE NOCASE, \"科目名称\" TEXT COLLATE NOCASE, "
    "\"辅助核算项\" TEXT COLLATE NOCASE);"
    "INSERT INTO KJKM VALUES ('1001','现金',NULL), ('6602','费用','A/B'), ('6602','重复','B'),"
    " ('ab01','小写','B'), ('O''K','引号','A/B'), ('7701','摘要','摘要/A/A'), "
    "('8801','序号','flxh'), (NULL, '空', 'A'), ('5501', '空格', ' A / B '),"
    " (char(65533) || '01', '替换', 'A'), ('科目甲', '中文', 'B/A'), ('𠮷01', '四字节', 'A/B');";

struct Case {
  const char* name;
  const char* table;               // JZPZ or KMYE
  std::vector<std::string> names;  // AuxItemNames
  std::string text;                // the staged text file (UTF-8 but for \xNN bytes)
};

const char* kVoucherHeader = "科目编号,摘要,金额,辅助核算组\r\n";
const char* kBalanceHeader = "科目编号,辅助核算组,flxh\r\n";

const Case kCases[] = {
    {"rows of every kind",
     "JZPZ",
     {"A", "B"},
     std::string(kVoucherHeader) +
         "6602,x,1,a1/b1\r\n 6602 ,y,2.5,a2\r\nAB01,,3,b9\r\nO'K,z,3,x/\r\n6602,w,4,   \r\n"
         "7701,v,5,s/a1/a2\r\n6602,u,6,/b2\r\n1001,t,7,\r\n\r\n8801,s,8,77\r\n6602,甲,9,乙/丙\r\n"
         "科目甲,r,10,b/a\r\n\"6602\",\"q,1\",11,\"a\"\"1/b\"\r\n6602\r\n"},
    {"an account without names stops the pass",
     "JZPZ",
     {"A", "B"},
     std::string(kVoucherHeader) + "6602,x,1,a1/b1\r\n1001,y,2,a2\r\n6602,z,3,a3\r\n"},
    {"an account missing from the chart",
     "KMYE",
     {"A", "B"},
     std::string(kBalanceHeader) + "6602,a1/b1,\r\n9999,a2,\r\n"},
    {"more codes than names",
     "JZPZ",
     {"A", "B"},
     std::string(kVoucherHeader) + "6602,x,1,a1\r\n6602,y,2,a2/b2/c2\r\n6602,z,3,a3\r\n"},
    {"a type that is no column",
     "JZPZ",
     {"A"},
     std::string(kVoucherHeader) + "ab01,x,1,\r\n6602,y,2,a2/b2\r\n6602,z,3,a3\r\n"},
    {"types with blanks around them",
     "JZPZ",
     {"A", "B"},
     std::string(kVoucherHeader) + "6602,x,1,a1\r\n5501,y,2,a2/b2\r\n"},
    {"a code too long for its column",
     "JZPZ",
     {"A", "B"},
     std::string(kVoucherHeader) + "6602,x,1,a1\r\n6602,y,2," + std::string(300, 'q') +
         "/b\r\n6602,z,3,a3\r\n"},
    {"255 Chinese characters fit, 256 do not",
     "KMYE",
     {"A", "B"},
     std::string(kBalanceHeader) + "6602,a1,\r\n6602," +
         [] {
           std::string s;
           for (int i = 0; i < 255; ++i) s += "码";
           return s + "/b," + "\r\n6602," + s + "码,\r\n";
         }()},
    {"a long code overwritten in its column",
     "JZPZ",
     {"A", "B"},
     std::string(kVoucherHeader) + "7701,x,1,s/" + std::string(300, 'q') + "/a\r\n"},
    {"bytes that are not GBK in an account and a code",
     "JZPZ",
     {"A", "B"},
     std::string(kVoucherHeader) + "\xFF"
                                   "01,x,1,c\xFF"
                                   "1\r\n6602,y,2,a\x80\xFF/b\r\n"},
    {"four-byte characters in an account and a code",
     "JZPZ",
     {"A", "B"},
     std::string(kVoucherHeader) + "𠮷01,x,1,a𠮷/𠮷b\r\n"},
    {"balances with an own column named like the counter",
     "KMYE",
     {"A", "B"},
     std::string(kBalanceHeader) + "6602,a1/b1,x\r\n8801,5,\r\n1001,,\r\n"},
    {"an empty table", "KMYE", {"A", "B"}, std::string(kBalanceHeader)},
    {"no auxiliary item types",
     "JZPZ",
     {},
     std::string(kVoucherHeader) + "6602,x,1,\r\n7701,y,2,s\r\n6602,z,3,a3\r\n"},
    {"a type listed twice", "JZPZ", {"A", "A"}, std::string(kVoucherHeader) + "6602,x,1,a1\r\n"},
};

TEST(SpreadPaths, WhileImportingAndWalkingLeaveTheSameRowsFailuresAndProgress) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    test::TempDir a, b;
    for (const test::TempDir* dir : {&a, &b}) {
      test::WriteFile(*dir / "GBA.mdb", "");
      SqliteExec(*dir / "GBA.mdb", kSpreadChart);
      // The staged text is GBK; bytes that UTF-8 cannot hold pass as they are.
      std::string gbk;
      for (std::size_t i = 0; i < c.text.size();) {
        std::size_t j = i;
        while (j < c.text.size() && static_cast<unsigned char>(c.text[j]) != 0xFF &&
               static_cast<unsigned char>(c.text[j]) != 0x80)
          ++j;
        gbk += Gbk(c.text.substr(i, j - i));
        if (j < c.text.size()) gbk += c.text[j++];
        i = j;
      }
      test::WriteFile(*dir / (std::string(c.table) + ".txt"), gbk);
    }
    StringList names;
    for (const std::string& n : c.names) names.Add(Gbk(n));

    const Outcome importing = RunPass(a.path(), c.table, names, true);
    const Outcome walking = RunPass(b.path(), c.table, names, false);
    if (importing.failure.empty()) {
      EXPECT_EQ(importing.way, AuxPassWay::kWhileImporting);
    }
    if (walking.failure.empty()) {
      EXPECT_EQ(walking.way, AuxPassWay::kWalked);
    }
    EXPECT_EQ(importing.failure, walking.failure);
    EXPECT_EQ(importing.events, walking.events);
    EXPECT_EQ(importing.rows, walking.rows);
    EXPECT_EQ(importing.schema, walking.schema);
    EXPECT_EQ(importing.lookup_idx, walking.lookup_idx);
  }
}

// Values arrive as the import decoded them: an account whose bytes are not GBK finds
// the chart row with the same bytes, and a code keeps its replacement character.
TEST(SpreadPaths, NothingIsLostBetweenTheImportAndTheColumns) {
  test::TempDir dir;
  test::WriteFile(dir / "GBA.mdb", "");
  SqliteExec(dir / "GBA.mdb", kSpreadChart);
  test::WriteFile(dir / "JZPZ.txt", Gbk(kVoucherHeader) +
                                        "\xFF"
                                        "01,x,1,c\xFF"
                                        "1\r\n");
  StringList names;
  names.Add("A");
  names.Add("B");
  const Outcome out = RunPass(dir.path(), "JZPZ", names, true);
  EXPECT_EQ(out.failure, "");
  ASSERT_EQ(out.rows.size(), 1u);
  EXPECT_EQ(out.rows[0][6],
            "c\xEF\xBF\xBD"
            "1");  // column A
}

}  // namespace
}  // namespace qoru
