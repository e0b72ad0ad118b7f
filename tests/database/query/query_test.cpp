// Result sets of the engine layer: walking, reading fields, editing and posting rows,
// and the connection's refusal of files that are no database.
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "database/engine/engine_error.h"
#include "database/query/connection.h"
#include "database/query/query.h"
#include "test_support/db_fixture.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru::db {
namespace {

using test::Rows;
using ::testing::HasSubstr;

class QueryTest : public test::DatabaseTest {
 protected:
  QueryTest() {
    Execute("create table KJKM(科目编号 varchar(250), 科目名称 varchar(250), 级次 varchar(250))");
    Execute("insert into KJKM(科目编号, 科目名称, 级次) values('1001', '库存现金', '1')");
    Execute("insert into KJKM(科目编号, 科目名称, 级次) values('1002', null, null)");
    Execute("insert into KJKM(科目编号, 科目名称, 级次) values('100201', '工行', '2')");
  }

  void OpenMain(const std::string& sql_utf8) {
    main_.SetSQL(Gbk(sql_utf8));
    main_.Open();
  }
  std::string Text(Query& q, const std::string& field) {
    return GbkToUtf8(q.FieldByName(Gbk(field)).AsString());
  }
};

TEST_F(QueryTest, OpenResultStandsOnItsFirstRowAndCountsItsRows) {
  OpenMain("select * from kjkm where 科目编号 <> '1002' order by 科目编号");
  ASSERT_TRUE(main_.Active());
  EXPECT_FALSE(main_.Eof());
  EXPECT_EQ(main_.RecNo(), 1);
  EXPECT_EQ(main_.RecordCount(), 2);
  EXPECT_EQ(Text(main_, "科目编号"), "1001");
  main_.Next();
  EXPECT_EQ(main_.RecNo(), 2);
  EXPECT_EQ(Text(main_, "科目编号"), "100201");
  main_.Next();
  EXPECT_TRUE(main_.Eof());
  main_.First();
  EXPECT_FALSE(main_.Eof());
  EXPECT_EQ(main_.RecNo(), 1);
  EXPECT_EQ(Text(main_, "科目编号"), "1001");
  EXPECT_EQ(main_.RecordCount(), 2);
}

TEST_F(QueryTest, FieldsReadAsTextAndIntegerWithNullsAsEmptyAndZero) {
  OpenMain("select 科目名称, 级次, len(科目编号) as n from kjkm order by 科目编号");
  EXPECT_EQ(Text(main_, "科目名称"), "库存现金");
  EXPECT_EQ(main_.FieldByName(Gbk("级次")).AsInteger(), 1);
  EXPECT_EQ(main_.FieldByName("N").AsInteger(), 4);
  main_.Next();
  EXPECT_TRUE(main_.FieldByName(Gbk("科目名称")).IsNull());
  EXPECT_EQ(Text(main_, "科目名称"), "");
  EXPECT_EQ(main_.FieldByName(Gbk("级次")).AsInteger(), 0);
}

TEST_F(QueryTest, MissingFieldIsAFailureOfItsOwnNamingFieldAndTable) {
  const std::vector<std::string> statements = {
      "select * from KJKM",
      "select distinct 科目编号 from KJKM",
  };
  for (const std::string& sql : statements) {
    OpenMain(sql);
    try {
      main_.FieldByName(Gbk("辅助核算项"));
      ADD_FAILURE() << "no failure for a missing field of " << sql;
    } catch (const EngineError& e) {
      ADD_FAILURE() << "a missing field is not an engine error: " << e.what();
    } catch (const FieldNotFoundError& e) {
      EXPECT_THAT(e.what(), HasSubstr("辅助核算项")) << sql;
      EXPECT_THAT(e.what(), HasSubstr("KJKM")) << sql;
    }
    main_.Close();
  }
}

TEST_F(QueryTest, FailuresAfterARejectedOpenGiveTheEnginesReasonNotTheStatement) {
  main_.SetSQL(Gbk("select max(len(科目编号)) as kmlength from  "));
  EXPECT_THROW(main_.Open(), EngineError);
  for (const auto& step : std::vector<std::function<void()>>{
           [&] { main_.First(); }, [&] { main_.FieldByName("kmlength"); }}) {
    try {
      step();
      ADD_FAILURE() << "no failure on the closed query";
    } catch (const Failure& e) {
      const std::string message = e.what();
      EXPECT_THAT(message, HasSubstr("数据集没有打开")) << message;
      EXPECT_THAT(message, HasSubstr("incomplete input")) << message;
      for (const char* internal : {"CurADOQuery", "select", "kmlength from"})
        EXPECT_THAT(message, ::testing::Not(HasSubstr(internal))) << message;
    }
  }
}

TEST_F(QueryTest, StepsOnAClosedQueryFailWithQueryClosedError) {
  main_.SetSQL(Gbk("select * from KJKM"));
  EXPECT_THROW(main_.First(), QueryClosedError);
  EXPECT_THROW(main_.Next(), QueryClosedError);
  EXPECT_THROW(main_.RecordCount(), QueryClosedError);
  EXPECT_THROW(main_.Edit(), QueryClosedError);
  EXPECT_TRUE(main_.Eof());
  main_.Open();
  main_.Close();
  EXPECT_THROW(main_.First(), QueryClosedError);
}

TEST_F(QueryTest, FailedOpenLeavesTheQueryClosed) {
  main_.SetSQL(Gbk("select * from 没有这个表"));
  EXPECT_THROW(main_.Open(), EngineError);
  EXPECT_FALSE(main_.Active());
  EXPECT_THROW(main_.First(), QueryClosedError);
}

TEST_F(QueryTest, ResultWithoutRowsIsOpenAndAtItsEnd) {
  OpenMain("select * from KJKM where 科目编号 = 'none'");
  EXPECT_TRUE(main_.Active());
  EXPECT_TRUE(main_.Eof());
  EXPECT_EQ(main_.RecordCount(), 0);
  EXPECT_EQ(Text(main_, "科目名称"), "");
}

TEST_F(QueryTest, PostedValuesAreReadBackAndSeenByANewQuery) {
  OpenMain("select * from KJKM where 科目编号 = '1002'");
  main_.Edit();
  main_.FieldByName(Gbk("科目名称")).SetAsString(Gbk("银行存款"));
  EXPECT_EQ(Text(main_, "科目名称"), "银行存款");
  main_.Post();
  EXPECT_FALSE(main_.Editing());
  EXPECT_EQ(Text(main_, "科目名称"), "银行存款");
  lookup_.SetSQL(Gbk("select 科目名称 from KJKM where 科目编号 = '1002'"));
  lookup_.Open();
  EXPECT_EQ(Text(lookup_, "科目名称"), "银行存款");
  main_.Close();
  OpenMain("select 科目名称 from KJKM where 科目编号 = '1002'");
  EXPECT_EQ(Text(main_, "科目名称"), "银行存款");
}

TEST_F(QueryTest, WalkEditingEveryRowWritesEachRowOnce) {
  Execute("alter table KJKM add 辅助 varchar(255)");
  OpenMain("select * from KJKM");
  int rows = 0;
  while (!main_.Eof()) {
    lookup_.SetSQL(Gbk("select count(*) as n from KJKM where 辅助 is not null"));
    lookup_.Open();
    EXPECT_EQ(lookup_.FieldByName("n").AsInteger(), rows);
    lookup_.Close();
    main_.Edit();
    main_.FieldByName(Gbk("辅助")).SetAsString(Gbk("部门") + std::to_string(++rows));
    main_.Next();  // posts the edit
  }
  EXPECT_EQ(rows, 3);
  connection_.Close();
  EXPECT_EQ(Sql("select 科目编号, 辅助 from KJKM order by rowid"),
            (Rows{{"1001", "部门1"}, {"1002", "部门2"}, {"100201", "部门3"}}));
}

TEST_F(QueryTest, ColumnsAddedAfterAnEarlierOpenOfTheSameStatementAreFound) {
  OpenMain("select * from KJKM");
  main_.Close();
  Execute("alter table KJKM add 客户 varchar(255)");
  OpenMain("select * from KJKM");
  EXPECT_EQ(Text(main_, "客户"), "");
  main_.Edit();
  main_.FieldByName(Gbk("客户")).SetAsString("C01");
  main_.Post();
  EXPECT_EQ(Text(main_, "客户"), "C01");
}

TEST_F(QueryTest, PostedRowsOutliveAConnectionDestroyedWithoutClose) {
  {
    Connection connection;
    connection.SetConnectionString(test::DatabaseConnectionString(db_path_));
    connection.Open();
    Query query(connection, "CurADOQuery");
    query.SetSQL(Gbk("select * from KJKM where 科目编号 = '1001'"));
    query.Open();
    query.Edit();
    query.FieldByName(Gbk("科目名称")).SetAsString(Gbk("现金"));
    query.Post();
    // The query goes first, then the connection, as the dialog's components do.
  }
  connection_.Close();
  EXPECT_EQ(Sql("select 科目名称 from KJKM where 科目编号 = '1001'"), (Rows{{"现金"}}));
}

TEST_F(QueryTest, PostLongerThanTheAddedVarcharColumnIsAnEngineError) {
  Execute("alter table KJKM add 客户 varchar(255)");
  OpenMain("select * from KJKM where 科目编号 = '1001'");
  main_.Edit();
  // 255 characters fit, however many bytes they take.
  std::string fits;
  for (int i = 0; i < 255; ++i) fits += "客";
  main_.FieldByName(Gbk("客户")).SetAsString(Gbk(fits));
  EXPECT_NO_THROW(main_.Post());
  main_.Edit();
  main_.FieldByName(Gbk("客户")).SetAsString(Gbk(fits + "户"));
  EXPECT_THROW(main_.Post(), EngineError);
  connection_.Close();
  EXPECT_EQ(Sql("select length(客户) from KJKM where 科目编号 = '1001'"), (Rows{{"255"}}));
}

TEST_F(QueryTest, ADatabaseTheRunCreatesHasLargePagesAndAnExistingOneKeepsItsOwn) {
  connection_.Close();
  EXPECT_EQ(Sql("pragma page_size"), (Rows{{"65536"}}));

  const std::string made_elsewhere = dir_ / "elsewhere.mdb";
  test::WriteFile(made_elsewhere, "");
  test::SqliteExec(made_elsewhere, "pragma page_size=4096; create table t(a)");
  Connection other;
  other.SetConnectionString(test::DatabaseConnectionString(made_elsewhere));
  other.Open();
  Query q(other, "CurADOQuery");
  q.SetSQL("insert into t(a) values(1)");
  q.ExecSQL();
  other.Close();
  EXPECT_EQ(test::SqliteRows(made_elsewhere, "pragma page_size"), (Rows{{"4096"}}));
  EXPECT_EQ(test::SqliteRows(made_elsewhere, "select a from t"), (Rows{{"1"}}));
}

TEST(ConnectionTest, RefusesFilesThatAreNoDatabaseAndCreatesNone) {
  test::TempDir dir;
  test::WriteFile(dir / "text.mdb", "this is not an SQLite database, but long enough to be read");
  test::MakeDir(dir / "folder.mdb");
  for (const std::string name : {"text.mdb", "missing.mdb", "folder.mdb", "TemplateTemp/x.mdb"}) {
    Connection connection;
    connection.SetConnectionString(test::DatabaseConnectionString(dir / name));
    EXPECT_THROW(connection.Open(), EngineError) << name;
    EXPECT_FALSE(connection.Connected()) << name;
  }
  EXPECT_EQ(test::DirectoryEntries(dir.path()),
            (std::vector<std::string>{"folder.mdb", "text.mdb"}));
}

TEST(ConnectionTest, MissingTextDirectoryIsAnEngineError) {
  test::TempDir dir;
  Connection connection;
  connection.SetConnectionString(test::TextConnectionString(dir / "TemplateTemp/"));
  EXPECT_THROW(connection.Open(), EngineError);
  EXPECT_TRUE(test::DirectoryEntries(dir.path()).empty());
}

TEST(ConnectionTest, ConnectionStringIsFixedWhileConnected) {
  test::TempDir dir;
  test::WriteFile(dir / "GBA.mdb", "");
  Connection connection;
  connection.SetConnectionString(test::DatabaseConnectionString(dir / "GBA.mdb"));
  connection.Open();
  EXPECT_THROW(connection.SetConnectionString("Data Source='x';"), EngineError);
  connection.Close();
  connection.Close();
  EXPECT_NO_THROW(connection.SetConnectionString("Data Source='x';"));
}

}  // namespace
}  // namespace qoru::db
