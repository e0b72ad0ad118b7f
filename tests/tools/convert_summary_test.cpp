// The summary that `qoru-gbtxt convert` prints against the database it produced, and
// its statements under --verbose.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "gendata/dataset.h"
#include "test_support/bookset.h"
#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/native_path.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"
#include "tools/convert_runs.h"

namespace qoru {
namespace {

using test::BookSet;
using test::Convert;
using test::Converted;
using test::RunCommand;
using test::ShellWord;
using test::SpreadableSet;
using test::Workspace;

using test::kHost;

TEST(ConvertSummary, CountsMatchTheDatabase) {
  test::TempDir tmp;
  gen::DatasetOptions options;
  options.postings = 2000;
  options.omit_parents = true;
  options.irregular_aux_groups = true;
  test::MakeDir(tmp.path() + "src");
  gen::WriteDataset(tmp.path() + "src", options);
  const Converted converted = Convert(tmp.path() + "src", tmp.path() + "work");
  ASSERT_EQ(converted.exit_code, 0) << converted.log;
  const nlohmann::json& s = converted.summary;
  const std::string db = tmp.path() + "work/TemplateTemp/GBA.mdb";
  EXPECT_EQ(test::OneSeparator(s["result"].get<std::string>()), test::OneSeparator(db));

  for (const auto& t : s["tables"]) {
    const std::string name = t["name"].get<std::string>();
    EXPECT_EQ(std::to_string(t["rows"].get<long long>()),
              test::SqliteRows(db, "select count(*) from \"" + name + "\"")[0][0])
        << name;
  }
  long long parents = 0;
  for (const auto& p : s["parents_added"]) parents += p["rows"].get<long long>();
  EXPECT_GT(parents, 0);
  EXPECT_EQ(std::to_string(parents),
            test::SqliteRows(db, "select count(*) from KJKM where 科目名称='系统生成'")[0][0]);
  ASSERT_FALSE(s["aux_cells"].empty());
  for (const auto& c : s["aux_cells"]) {
    const std::string type = c["type"].get<std::string>();
    for (const char* table : {"JZPZ", "KMYE"})
      EXPECT_EQ(std::to_string(c[table].get<long long>()),
                test::SqliteRows(db, std::string("select count(*) from ") + table + " where \"" +
                                         type + "\" is not null and \"" + type + "\" <> ''")[0][0])
          << type << " in " << table;
  }
  EXPECT_GE(s["stages"].size(), 8u);
  EXPECT_TRUE(s["rejected"].empty()) << s["rejected"].dump(2);
}

TEST(ConvertSummary, AColumnThatTheRunNeverAddedIsNotCountedAsFilled) {
  // The voucher pass stops at the second posting, so the balance pass never adds the
  // type columns to KMYE: the summary has no count for them, rather than one for every row.
  Workspace ws;
  BookSet set = SpreadableSet();
  set.jzpz.push_back({"6602", "坏", "1", "0", "人民币", "0", "a1/b1/c1"});
  ws.WriteBookSet(set);
  const Converted converted = Convert(ws.source(), ws.work() + "cli");
  ASSERT_EQ(converted.exit_code, 1) << converted.log;
  ASSERT_FALSE(converted.summary["aux_cells"].empty()) << converted.summary.dump(2);
  for (const auto& c : converted.summary["aux_cells"]) EXPECT_TRUE(c["KMYE"].is_null()) << c.dump();
}

TEST(ConvertSummary, RejectedStatementsAreListedWithTheEnginesMessage) {
  Workspace ws;
  BookSet set = SpreadableSet();
  set.aux_types = {"A", "B", "A"};  // listed twice: the add-column statements fail
  set.jzpz.clear();
  set.kmye.clear();
  ws.WriteBookSet(set);
  const Converted converted = Convert(ws.source(), ws.work() + "cli");
  ASSERT_EQ(converted.exit_code, 0) << converted.log;
  bool found = false;
  for (const auto& r : converted.summary["rejected"])
    if (r["statement"].get<std::string>().rfind("alter table JZPZ add \"A\" varchar(255)", 0) ==
        0) {
      found = true;
      EXPECT_NE(r["message"].get<std::string>().find("duplicate column name"), std::string::npos)
          << r.dump();
    }
  EXPECT_TRUE(found) << converted.summary["rejected"].dump(2);
  // WriteLog received nothing for it: executed statements that fail are not logged.
  EXPECT_EQ(converted.log.find("日志（错误）"), std::string::npos) << converted.log;
}

TEST(ConvertVerbose, PrintsEveryStatementWithItsTime) {
  test::TempDir tmp;
  test::MakeDir(tmp.path() + "src");
  gen::WriteSampleDataset(tmp.path() + "src");
  const auto ran = RunCommand(kHost + " convert --face headless --verbose --source " + tmp.path() +
                              "src --work " + tmp.path() + "work");
  EXPECT_EQ(ran.exit_code, 0) << ran.out;
  EXPECT_NE(ran.out.find("秒）：select * into \"KJKM\" in "), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("秒）：alter table JZPZ add flxh autoincrement"), std::string::npos)
      << ran.out;
}

}  // namespace
}  // namespace qoru
