// The statement runner: engine errors become false, the opening operations log them.
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "database/engine/engine_error.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "host/host_log.h"
#include "test_support/db_fixture.h"
#include "test_support/log_capture.h"
#include "text/gbk_codec.h"

namespace qoru::db {
namespace {

using test::Rows;

class StatementRunnerTest : public test::DatabaseTest {
 protected:
  StatementRunnerTest() {
    Execute("create table KJKM(科目编号 varchar(250), 科目名称 varchar(250))");
    Execute("insert into KJKM(科目编号, 科目名称) values('1001', '库存现金')");
    Execute("insert into KJKM(科目编号, 科目名称) values('1002', '银行存款')");
    test::ClearLog();
  }
  ~StatementRunnerTest() override { test::ClearLog(); }

  std::string Text(Query& q, const std::string& field) {
    return GbkToUtf8(q.FieldByName(Gbk(field)).AsString());
  }
};

TEST_F(StatementRunnerTest, RejectedStatementGivesFalseAndOnlyOpeningsLogIt) {
  const std::string bad = Gbk("select * from 没有这个表");
  struct Case {
    const char* operation;
    bool (StatementRunner::*run)(const std::string&);
    Query* query;
    bool logs;
  };
  const Case cases[] = {
      {"OpenQuery", &StatementRunner::OpenQuery, &main_, true},
      {"OpenLookup", &StatementRunner::OpenLookup, &lookup_, true},
      {"ExecuteStatement", &StatementRunner::ExecuteStatement, &main_, false},
  };
  for (const Case& c : cases) {
    test::ClearLog();
    EXPECT_FALSE((runner_.*c.run)(bad)) << c.operation;
    EXPECT_FALSE(c.query->Active()) << c.operation;
    if (!c.logs) {
      EXPECT_TRUE(test::LogEntries().empty()) << c.operation;
      continue;
    }
    ASSERT_EQ(test::LogEntries().size(), 1u) << c.operation;
    const test::LogEntry& entry = test::LogEntries()[0];
    EXPECT_EQ(entry.level, 3);
    EXPECT_EQ(entry.instance, LibraryInstance());
    // The engine's message follows a sentence of ours; the statement is not part of it.
    EXPECT_EQ(Utf16ToUtf8(entry.message),
              "SQL不能执行：数据库拒绝了这条查询语句，数据库的原话是：no such table: 没有这个表")
        << c.operation;
  }
}

TEST_F(StatementRunnerTest, AcceptedStatementsGiveTrueAndLogNothing) {
  EXPECT_TRUE(runner_.OpenQuery(Gbk("select * from KJKM order by 科目编号")));
  EXPECT_EQ(Text(main_, "科目编号"), "1001");
  EXPECT_TRUE(runner_.OpenLookup(Gbk("select * from KJKM where 科目编号 = '1002'")));
  EXPECT_EQ(Text(lookup_, "科目名称"), "银行存款");
  EXPECT_TRUE(runner_.ExecuteStatement(Gbk("select * into tmp4 from KJKM")));
  EXPECT_TRUE(test::LogEntries().empty());
  EXPECT_EQ(Sql("select count(*) from tmp4"), (Rows{{"2"}}));
}

TEST_F(StatementRunnerTest, FailedOpenLeavesTheQueryClosedForTheCallersNextStep) {
  ASSERT_TRUE(runner_.OpenQuery(Gbk("select * from KJKM")));
  EXPECT_FALSE(runner_.OpenQuery(Gbk("select max(len(科目编号)) as kmlength from  kj")));
  EXPECT_THROW(main_.First(), QueryClosedError);
}

TEST_F(StatementRunnerTest, ExecuteStatementClosesTheResultOfTheMainQuery) {
  ASSERT_TRUE(runner_.OpenQuery(Gbk("select * from KJKM")));
  ASSERT_TRUE(runner_.OpenLookup(Gbk("select * from KJKM")));
  EXPECT_TRUE(runner_.ExecuteStatement(Gbk("delete from KJKM where 科目编号 = '1002'")));
  EXPECT_FALSE(main_.Active());
  EXPECT_TRUE(lookup_.Active());
  EXPECT_FALSE(runner_.ExecuteStatement(Gbk("delete from 没有这个表")));
  EXPECT_FALSE(main_.Active());
  EXPECT_EQ(Sql("select 科目编号 from KJKM"), (Rows{{"1001"}}));
}

TEST_F(StatementRunnerTest, OpenOfAStatementWithoutRowsSucceedsAtItsEnd) {
  EXPECT_TRUE(runner_.OpenQuery(Gbk("select * from KJKM where 科目编号 = '9999'")));
  EXPECT_TRUE(main_.Active());
  EXPECT_TRUE(main_.Eof());
  EXPECT_NO_THROW(main_.First());
  EXPECT_TRUE(main_.Eof());
}

TEST_F(StatementRunnerTest, SecondLookupDiscardsTheFirstResult) {
  ASSERT_TRUE(runner_.OpenLookup(Gbk("select * from KJKM where 科目编号 = '1001'")));
  ASSERT_TRUE(runner_.OpenLookup(Gbk("select * from KJKM where 科目编号 = '1002'")));
  EXPECT_EQ(lookup_.RecordCount(), 1);
  EXPECT_EQ(Text(lookup_, "科目名称"), "银行存款");
  lookup_.Next();
  EXPECT_TRUE(lookup_.Eof());
  EXPECT_FALSE(runner_.OpenLookup(Gbk("select * from 没有这个表")));
  EXPECT_FALSE(lookup_.Active());
}

TEST_F(StatementRunnerTest, LookupsDuringAWalkLeaveTheMainResultInPlace) {
  ASSERT_TRUE(runner_.OpenQuery(Gbk("select * from KJKM order by 科目编号")));
  std::string seen;
  while (!main_.Eof()) {
    const std::string code = Text(main_, "科目编号");
    ASSERT_TRUE(
        runner_.OpenLookup(Gbk("select 科目名称 from KJKM where 科目编号 = '" + code + "'")));
    seen += code + "=" + Text(lookup_, "科目名称") + ";";
    main_.Next();
  }
  EXPECT_EQ(seen, "1001=库存现金;1002=银行存款;");
}

}  // namespace
}  // namespace qoru::db
