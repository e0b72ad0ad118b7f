// The constructs of the host's dialect that the run relies on, each carried through
// the translator into SQLite on a real database file.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/chart_completion.h"
#include "database/engine/engine_error.h"
#include "test_support/db_fixture.h"
#include "text/gbk_codec.h"

namespace qoru::db {
namespace {

using test::ColumnNames;
using test::kNull;
using test::Rows;
using test::TableNames;

class EngineConstructsTest : public test::DatabaseTest {
 protected:
  // A table T(k, v) of varchar columns holding the given rows, in that order.
  void MakeTable(const std::string& name, const Rows& rows) {
    Execute("create table " + name + "(k varchar(250), v varchar(250))");
    for (const auto& row : rows) {
      std::string values;
      for (const std::string& value : row) {
        if (!values.empty()) values += ", ";
        values += value == kNull ? "null" : "'" + value + "'";
      }
      Execute("insert into " + name + "(k, v) values(" + values + ")");
    }
  }
};

TEST_F(EngineConstructsTest, SelectIntoNamesColumnsByAliasOrBareColumnAndCopiesTheRows) {
  MakeTable("T", {{"1", "一"}, {"2", kNull}, {"3", "三"}});
  Execute("select a.k as 编号, a.v into U from T a where a.k <> '2'");
  EXPECT_EQ(ColumnNames(db_path_, "U"), (std::vector<std::string>{"编号", "v"}));
  EXPECT_EQ(Sql("select * from U order by rowid"), (Rows{{"1", "一"}, {"3", "三"}}));
}

TEST_F(EngineConstructsTest, SelectIntoAnExistingTableFailsAndLeavesItAsItWas) {
  MakeTable("T", {{"1", "a"}});
  MakeTable("U", {{"9", "z"}});
  EXPECT_THROW(Execute("select k, v into u from T"), EngineError);
  EXPECT_EQ(ColumnNames(db_path_, "U"), (std::vector<std::string>{"k", "v"}));
  EXPECT_EQ(Sql("select * from U"), (Rows{{"9", "z"}}));
}

TEST_F(EngineConstructsTest, SelectIntoThatFailsWhileCopyingLeavesNoTable) {
  MakeTable("T", {{"1", "a"}});
  // The overflow is raised while the rows are copied, after the table was made.
  EXPECT_THROW(Execute("select abs(-9223372036854775807 - 1) as x into U from T"), EngineError);
  EXPECT_EQ(TableNames(db_path_), (std::vector<std::string>{"T"}));
}

TEST_F(EngineConstructsTest, InsertSelectAppendsTheRows) {
  MakeTable("T", {{"1", "a"}, {"2", "b"}});
  MakeTable("U", {{"0", "z"}});
  Execute("insert into U(v, k) select k, v from T where k = '2'");
  EXPECT_EQ(Sql("select k, v from U order by rowid"), (Rows{{"0", "z"}, {"b", "2"}}));
}

TEST_F(EngineConstructsTest, DistinctDropsDuplicateRowsCountingNullsAsEqual) {
  MakeTable("T", {{"1", kNull}, {"1", kNull}, {"1", "a"}, {kNull, kNull}, {kNull, kNull}});
  Execute("select distinct k, v into U from T");
  EXPECT_EQ(Sql("select * from U order by k, v"), (Rows{{kNull, kNull}, {"1", kNull}, {"1", "a"}}));
}

TEST_F(EngineConstructsTest, LeftJoinOfDerivedTablesGivesNullsForRowsWithoutMatch) {
  MakeTable("T", {{"1", "a"}, {"2", "b"}, {"3", "c"}});
  MakeTable("U", {{"2", "x"}, {"3", kNull}});
  const Rows rows = OpenRows(
      "select a.k, b.v from (select k from T) a left join (select * from U) b on a.k = b.k "
      "where b.v is null order by a.k",
      {"k", "v"});
  EXPECT_EQ(rows, (Rows{{"1", ""}, {"3", ""}}));
}

TEST_F(EngineConstructsTest, TextFunctionsCountAndCutCharacters) {
  MakeTable("T", {{"科目编号", "  a b  "}});
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"len(k)", "4"},
      {"len(v)", "7"},
      {"left(k, 2)", "科目"},
      {"left(k, 9)", "科目编号"},
      {"left(k, len(k) - 1)", "科目编"},
      {"trim(v)", "a b"},
      {"len(trim(v))", "3"},
      {"max(len(k))", "4"},
  };
  for (const auto& [expr, expected] : cases) {
    EXPECT_EQ(OpenRows("select " + expr + " as x from T", {"x"}), (Rows{{expected}})) << expr;
  }
}

TEST_F(EngineConstructsTest, MaxOverNoRowsIsNullAndReadsAsZero) {
  MakeTable("T", {});
  main_.SetSQL(Gbk("select max(len(k)) as kmlength from  T"));
  main_.Open();
  main_.First();
  ASSERT_FALSE(main_.Eof());
  EXPECT_TRUE(main_.FieldByName("kmlength").IsNull());
  EXPECT_EQ(main_.FieldByName("KMLENGTH").AsInteger(), 0);
  EXPECT_EQ(main_.FieldByName("kmlength").AsString(), "");
}

TEST_F(EngineConstructsTest, AlterTableAddsEveryColumnNullInExistingRows) {
  MakeTable("T", {{"1", "a"}, {"2", "b"}});
  Execute("alter table T add 客户 varchar(255), 部门 varchar(255)");
  EXPECT_EQ(ColumnNames(db_path_, "T"), (std::vector<std::string>{"k", "v", "客户", "部门"}));
  EXPECT_EQ(Sql("select 客户, 部门 from T"), (Rows{{kNull, kNull}, {kNull, kNull}}));
}

TEST_F(EngineConstructsTest, AlterTableAddsNoColumnWhenOneOfThemExists) {
  MakeTable("T", {{"1", "a"}});
  Execute("alter table T add 部门 varchar(255)");
  EXPECT_THROW(Execute("alter table T add 客户 varchar(255), 部门 varchar(255)"), EngineError);
  EXPECT_EQ(ColumnNames(db_path_, "T"), (std::vector<std::string>{"k", "v", "部门"}));
}

TEST_F(EngineConstructsTest, AutoincrementColumnNumbersExistingRowsInStoredOrder) {
  MakeTable("JZPZ", {{"c", "1"}, {"a", "2"}, {"b", "3"}});
  Execute("alter table JZPZ add flxh autoincrement");
  EXPECT_EQ(Sql("select k, flxh from JZPZ order by rowid"),
            (Rows{{"c", "1"}, {"a", "2"}, {"b", "3"}}));
}

TEST_F(EngineConstructsTest, AutoincrementColumnNumbersWithoutGapsAfterDeletedRows) {
  MakeTable("JZPZ", {{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}, {"5", ""}});
  Execute("delete from JZPZ where k = '1' or k = '3' or k = '5'");
  Execute("insert into JZPZ(k) values('6')");
  Execute("alter table JZPZ add flxh autoincrement");
  EXPECT_EQ(Sql("select k, flxh from JZPZ order by rowid"),
            (Rows{{"2", "1"}, {"4", "2"}, {"6", "3"}}));
}

TEST_F(EngineConstructsTest, AutoincrementColumnOnAnEmptyTableIsAdded) {
  MakeTable("JZPZ", {});
  Execute("alter table JZPZ add flxh autoincrement");
  EXPECT_EQ(ColumnNames(db_path_, "JZPZ"), (std::vector<std::string>{"k", "v", "flxh"}));
}

TEST_F(EngineConstructsTest, CreateTableWithVarcharColumnsMakesAnEmptyTable) {
  Execute("create table aidInfo(辅助类别 varchar(250), 编码 varchar(250), 名称 varchar(250))");
  EXPECT_EQ(ColumnNames(db_path_, "aidInfo"),
            (std::vector<std::string>{"辅助类别", "编码", "名称"}));
  EXPECT_TRUE(Sql("select * from aidInfo").empty());
}

TEST_F(EngineConstructsTest, QuotedTextWithDoubledQuotesMatchesOneQuote) {
  MakeTable("T", {{"1", "O''Brien"}, {"2", "OBrien"}, {"3", "''"}});
  EXPECT_EQ(Sql("select k from T where v = 'O''Brien'"), (Rows{{"1"}}));
  EXPECT_EQ(OpenRows("select k from T where v = 'O''Brien' or v = ''''", {"k"}),
            (Rows{{"1"}, {"3"}}));
  EXPECT_EQ(OpenRows("select k from T where v <> 'O''Brien' and v is not null", {"k"}),
            (Rows{{"2"}, {"3"}}));
}

TEST_F(EngineConstructsTest, NamesAndTextCompareIgnoringAsciiCaseOnly) {
  Execute("create table KJKM(科目编号 varchar(250), 科目名称 varchar(250))");
  Execute("insert into kjkm(科目编号, 科目名称) values('1001a', 'Cash')");
  Execute("insert into Kjkm(科目编号, 科目名称) values('1002', 'ａ')");
  EXPECT_EQ(OpenRows("select 科目名称 from kjkm where 科目编号 = '1001A'", {"科目名称"}),
            (Rows{{"Cash"}}));
  EXPECT_EQ(OpenRows("select 科目编号 from KJKM where 科目名称 = 'CASH'", {"科目编号"}),
            (Rows{{"1001a"}}));
  // Full-width letters are not ASCII: they keep their case.
  EXPECT_TRUE(OpenRows("select 科目编号 from KJKM where 科目名称 = 'Ａ'", {"科目编号"}).empty());
  // A table made by select ... into keeps comparing without case.
  Execute("select 科目编号, 科目名称 into tmp from kjkm");
  EXPECT_EQ(OpenRows("select 科目编号 from TMP where 科目名称 = 'cash'", {"科目编号"}),
            (Rows{{"1001a"}}));
}

TEST_F(EngineConstructsTest, OneCallRunsOneStatementOnly) {
  MakeTable("x", {{"1", "a"}});
  for (const std::string sql : {"select 1; drop table x", "select 1;drop table x;",
                                "select 1 ; ; drop table x", "delete from x; drop table x"}) {
    EXPECT_THROW(Execute(sql), EngineError) << sql;
    main_.SetSQL(Gbk(sql));
    EXPECT_THROW(main_.Open(), EngineError) << sql;
    EXPECT_FALSE(main_.Active());
  }
  EXPECT_EQ(Sql("select * from x"), (Rows{{"1", "a"}}));
  // Blanks and one ";" may end a statement.
  EXPECT_NO_THROW(Execute("delete from x where k = '2' ;  \r\n"));
}

TEST_F(EngineConstructsTest, ParentAccountStatementCollectsTheMissingParents) {
  Execute("create table kjkm(科目编号 varchar(250), 科目名称 varchar(250), 余额方向 varchar(250))");
  const Rows chart = {
      {"100101", "银行存款一", "借"},  // parent of 10010101: present with a name
      {"10010101", "工行", "借"},
      {"10010201", "建行", "借"},    // parent 100102 missing
      {"10010202", "农行", "借"},    // same missing parent, same direction
      {"10010301", "应付一", "贷"},  // parent 100103 present with a null name
      {"100103", kNull, "贷"},
      {"10010401", "其他", "借"},  // parent 100104 missing, two directions
      {"10010402", "其他二", "贷"},
      {"1001010", "七位", "借"},  // not of length 8: takes no part
  };
  for (const auto& row : chart) {
    Execute("insert into kjkm(科目编号, 科目名称, 余额方向) values('" + row[0] + "', " +
            (row[1] == kNull ? std::string("null") : "'" + row[1] + "'") + ", '" + row[2] + "')");
  }
  connection_.Execute(ParentAccountStatement(8));
  EXPECT_EQ(ColumnNames(db_path_, "tmp8"),
            (std::vector<std::string>{"科目编号", "科目名称", "余额方向", "aa"}));
  EXPECT_EQ(Sql("select 科目编号, 科目名称, 余额方向, aa from tmp8 order by 科目编号, 余额方向"),
            (Rows{{"100102", "系统生成", "借", kNull},
                  {"100103", "系统生成", "贷", kNull},
                  {"100104", "系统生成", "借", kNull},
                  {"100104", "系统生成", "贷", kNull}}));
}

}  // namespace
}  // namespace qoru::db
