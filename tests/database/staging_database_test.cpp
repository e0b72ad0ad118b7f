// Creation of the staging database from the template and the import of the table
// text files named in the table map.
#include "database/staging_database.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/engine/engine_error.h"
#include "database/query/connection.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "test_support/db_fixture.h"
#include "test_support/log_capture.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"
#include "text/string_list.h"

namespace qoru::db {
namespace {

using test::ReadFile;
using test::Rows;
using test::SqliteRows;
using test::TableNames;
using test::WriteFile;

TEST(ImportStatementTest, NamesTheQuotedTableAndTheQuotedStagingDatabase) {
  EXPECT_EQ(
      ImportStatement(ImportTableName(Gbk("会计科目=KJKM.txt")), "D:/Work/TemplateTemp/GBA.mdb"),
      "select * into \"KJKM\" in 'D:/Work/TemplateTemp/GBA.mdb' from \"KJKM#txt\"");
  EXPECT_EQ(ImportStatement("T", "/w/it's/TemplateTemp/GBA.mdb"),
            "select * into \"T\" in '/w/it''s/TemplateTemp/GBA.mdb' from \"T#txt\"");
  // Whatever the name holds stays a name.
  EXPECT_EQ(ImportStatement("x\" in 'v.db' from y --", "/w/GBA.mdb"),
            "select * into \"x\"\" in 'v.db' from y --\" in '/w/GBA.mdb' from "
            "\"x\"\" in 'v.db' from y --#txt\"");
}

TEST(ImportTableNameTest, DropsTheLastFourCharactersOfTheValue) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"会计科目=KJKM.txt", "KJKM"},
      {"部门=部门.txt", "部门"},
      {"KJKM.txt", "KJKM"},  // no "=": the whole entry is the value
      {"a=b=c.txt", "b=c"},  // split at the first "="
      {"a=abcde", "a"},
      {"a=abcd", ""},  // four characters or fewer: no name
      {"a=.txt", ""},
      {"a=x", ""},
      {"a=", ""},
      {"", ""},
      {"a=KJKM.txt  ", "KJKM.t"},  // trailing blanks are not trimmed
      {"a=KJKM.txt    ", "KJKM.txt"},
      {"a= KJKM.txt", " KJKM"},
  };
  for (const auto& [entry, name] : cases) {
    EXPECT_EQ(GbkToUtf8(ImportTableName(Gbk(entry))), name) << entry;
  }
}

class StagingDatabaseTest : public ::testing::Test {
 protected:
  StagingDatabaseTest() { MakeWorkArea(dir_.path()); }
  ~StagingDatabaseTest() override { test::ClearLog(); }

  // WorkDir with an empty template and the staged text files.
  static void MakeWorkArea(const std::string& work) {
    test::MakeDir(work + "DataBase");
    test::MakeDir(work + "TemplateTemp");
    WriteFile(work + "DataBase/empty.mdb", "");
    WriteFile(work + "TemplateTemp/KJKM.txt",
              Gbk("科目编号,科目名称,余额方向\r\n1001,库存现金,借\r\n100201,工行,借\r\n"));
    WriteFile(work + "TemplateTemp/JZPZ.txt", Gbk("科目编号,借方金额\r\n1001,100.00\r\n"));
  }

  // The run's steps: copy the template, then import and connect.
  std::string Run(const std::string& work, const StringList& table_map) {
    const std::string result_path = CreateStagingDatabase(work);
    ImportTables(runner_, work, result_path, table_map);
    return result_path;
  }

  test::TempDir dir_;
  std::string work_ = dir_.path();
  Connection connection_;
  Query main_{connection_, "CurADOQuery"};
  Query lookup_{connection_, "tmpQuery"};
  StatementRunner runner_{connection_, main_, lookup_};
};

TEST_F(StagingDatabaseTest, ImportsEveryTableAndEndsConnectedToTheStagingDatabase) {
  const std::string path = Run(work_, {Gbk("会计科目=KJKM.txt"), Gbk("记账凭证=JZPZ.txt")});
  EXPECT_EQ(path, work_ + "TemplateTemp/GBA.mdb");
  ASSERT_TRUE(connection_.Connected());
  EXPECT_EQ(connection_.mode(), Connection::Mode::kDatabaseFile);
  EXPECT_EQ(connection_.ConnectionString(),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source='" + path + "';");
  EXPECT_EQ(TableNames(path), (std::vector<std::string>{"JZPZ", "KJKM"}));
  EXPECT_EQ(SqliteRows(path, "select * from KJKM"),
            (Rows{{"1001", "库存现金", "借"}, {"100201", "工行", "借"}}));
  EXPECT_TRUE(runner_.OpenQuery(Gbk("select count(*) as n from jzpz")));
  EXPECT_EQ(main_.FieldByName("n").AsInteger(), 1);
}

TEST_F(StagingDatabaseTest, EmptyTableMapLeavesTheTemplateCopyUnchanged) {
  // A template that already holds a table.
  WriteFile(work_ + "DataBase/empty.mdb", "");
  test::SqliteExec(work_ + "DataBase/empty.mdb",
                   "create table 模板(a text); insert into 模板 values('x')");
  const std::string template_bytes = ReadFile(work_ + "DataBase/empty.mdb");
  const std::string path = Run(work_, {});
  EXPECT_TRUE(connection_.Connected());
  EXPECT_EQ(connection_.mode(), Connection::Mode::kDatabaseFile);
  connection_.Close();
  EXPECT_EQ(ReadFile(path), template_bytes);
}

TEST_F(StagingDatabaseTest, FailedImportsAreSkippedWithoutLogAndTheOthersGoOn) {
  const StringList table_map = {
      Gbk("会计科目=KJKM.txt  "),  // trailing blanks: the name keeps the dot
      Gbk("科目余额=KMYE.txt"),    // no such file
      Gbk("x=abc"),                // no table name
      Gbk("部门=JZPZ.txt"),
      Gbk("项目=JZPZ.txt"),  // the same file again: the table exists
      Gbk("会计科目=KJKM.txt"),
  };
  test::ClearLog();
  const std::string path = Run(work_, table_map);
  EXPECT_TRUE(test::LogEntries().empty());
  EXPECT_EQ(TableNames(path), (std::vector<std::string>{"JZPZ", "KJKM"}));
  EXPECT_EQ(SqliteRows(path, "select count(*) from JZPZ"), (Rows{{"1"}}));
}

TEST_F(StagingDatabaseTest, AnImportStatementNamingAnotherDatabaseIsRefused) {
  // Imports on the run's text directory connection go into its own GBA.mdb alone.
  const std::string victim = dir_ / "victim.db";
  WriteFile(victim, "");
  test::SqliteExec(victim, "create table kept(v)");
  const std::string before = ReadFile(victim);
  Run(work_, {Gbk("会计科目=KJKM.txt")});
  connection_.Close();
  connection_.SetConnectionString(test::TextConnectionString(work_ + "TemplateTemp/"));
  connection_.SetImportTarget(work_ + "TemplateTemp/GBA.mdb");
  connection_.Open();
  test::ClearLog();
  EXPECT_FALSE(runner_.ExecuteStatement("select * into J in '" + victim + "' from JZPZ#txt"));
  EXPECT_TRUE(runner_.ExecuteStatement("select * into J in '" + work_ +
                                       "TemplateTemp/GBA.mdb' from JZPZ#txt"));
  connection_.Release();
  EXPECT_EQ(ReadFile(victim), before);
}

TEST_F(StagingDatabaseTest, RerunAddsOnlyTheTablesTheStagingDatabaseLacks) {
  const std::string path = Run(work_, {Gbk("会计科目=KJKM.txt")});
  connection_.Close();
  test::SqliteExec(path, "insert into KJKM values('9999', '早先的', '贷')");
  // Another template now: the copy is refused and the earlier database kept.
  test::SqliteExec(work_ + "DataBase/empty.mdb", "create table 模板(a text)");
  Run(work_, {Gbk("会计科目=KJKM.txt"), Gbk("记账凭证=JZPZ.txt")});
  EXPECT_TRUE(connection_.Connected());
  EXPECT_EQ(TableNames(path), (std::vector<std::string>{"JZPZ", "KJKM"}));
  EXPECT_EQ(SqliteRows(path, "select 科目编号 from KJKM order by rowid"),
            (Rows{{"1001"}, {"100201"}, {"9999"}}));
}

TEST_F(StagingDatabaseTest, WorkDirectoryWithASingleQuoteIsQuotedInStatementsAndConnection) {
  const std::string work = dir_ / "it's 'work'/";
  test::MakeDir(work);
  MakeWorkArea(work);
  const std::string path = Run(work, {Gbk("会计科目=KJKM.txt")});
  EXPECT_TRUE(connection_.Connected());
  EXPECT_EQ(connection_.ConnectionString(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source='" +
                                                dir_.path() +
                                                "it''s ''work''/TemplateTemp/GBA.mdb';");
  EXPECT_EQ(TableNames(path), (std::vector<std::string>{"KJKM"}));
  EXPECT_TRUE(runner_.OpenQuery(Gbk("select count(*) as n from KJKM")));
  EXPECT_EQ(main_.FieldByName("n").AsInteger(), 2);
}

TEST_F(StagingDatabaseTest, MissingTemplateFailsAtTheFinalConnectAndCreatesNoDatabase) {
  std::remove((work_ + "DataBase/empty.mdb").c_str());
  test::ClearLog();
  const std::string path = CreateStagingDatabase(work_);
  EXPECT_THROW(ImportTables(runner_, work_, path, {Gbk("会计科目=KJKM.txt")}), EngineError);
  EXPECT_FALSE(connection_.Connected());
  EXPECT_TRUE(test::LogEntries().empty());
  EXPECT_EQ(test::DirectoryEntries(work_ + "TemplateTemp"),
            (std::vector<std::string>{"JZPZ.txt", "KJKM.txt"}));
}

TEST_F(StagingDatabaseTest, MissingTextDirectoryFailsAtTheFirstConnect) {
  const std::string work = dir_ / "other/";
  test::MakeDir(work + "DataBase");
  WriteFile(work + "DataBase/empty.mdb", "");
  EXPECT_THROW(ImportTables(runner_, work, work + "TemplateTemp/GBA.mdb", {}), EngineError);
  EXPECT_FALSE(connection_.Connected());
}

}  // namespace
}  // namespace qoru::db
