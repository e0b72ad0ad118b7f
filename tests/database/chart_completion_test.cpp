// Completion of the chart of accounts: missing parent accounts are added pass by pass,
// from the longest code length down.
#include "database/chart_completion.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "database/query/query.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "test_support/db_fixture.h"
#include "test_support/log_capture.h"
#include "text/gbk_codec.h"

namespace qoru::db {
namespace {

using test::kNull;
using test::Rows;
using test::TableNames;
using ::testing::StartsWith;

// Records the progress bar at every yield.
class RecordingHost : public StageHost {
 public:
  ProgressBar& Progress() override { return bar_; }
  void SetStatus(const std::string& text_gbk) override { statuses_.push_back(text_gbk); }
  void Yield() override {
    totals_.push_back(bar_.TotalParts());
    parts_.push_back(bar_.PartsComplete());
  }

  ProgressBar bar_;
  std::vector<std::string> statuses_;
  std::vector<int> totals_;  // TotalParts at each yield
  std::vector<int> parts_;   // PartsComplete at each yield
};

TEST(ChartStatementsTest, ParentAccountStatementIsTheExactText) {
  EXPECT_EQ(GbkToUtf8(ParentAccountStatement(8)),
            " select a.科目编码1 as 科目编号,a.科目名称,a.余额方向,b.科目名称 as aa into tmp8 "
            "from (   select distinct left(科目编号,6) as 科目编码1,'系统生成' as 科目名称, "
            "余额方向 from kjkm  where len(科目编号)=8)  a left join (select * from kjkm  where "
            " len(科目编号)=6) b on a.科目编码1=b.科目编号   where b.科目名称 is null ");
  EXPECT_EQ(GbkToUtf8(ParentAccountStatement(11)),
            " select a.科目编码1 as 科目编号,a.科目名称,a.余额方向,b.科目名称 as aa into tmp11 "
            "from (   select distinct left(科目编号,9) as 科目编码1,'系统生成' as 科目名称, "
            "余额方向 from kjkm  where len(科目编号)=11)  a left join (select * from kjkm  where "
            " len(科目编号)=9) b on a.科目编码1=b.科目编号   where b.科目名称 is null ");
}

TEST(ChartStatementsTest, InsertAndLengthStatementsAreTheExactTexts) {
  EXPECT_EQ(GbkToUtf8(InsertParentsStatement(6)),
            "insert into kjkm(科目编号,科目名称,余额方向)  select distinct "
            "科目编号,科目名称,余额方向 from tmp6");
  EXPECT_EQ(GbkToUtf8(LongestCodeStatement("KJKM")),
            "select max(len(科目编号)) as kmlength from  \"KJKM\"");
}

class ChartCompletionTest : public test::DatabaseTest {
 protected:
  ChartCompletionTest() { test::ClearLog(); }
  ~ChartCompletionTest() override { test::ClearLog(); }

  // A chart table as the import makes it, with the given (code, name, direction) rows.
  void MakeChart(const Rows& rows, const std::string& table = "KJKM") {
    std::string sql = "create table " + table +
                      "(科目编号 TEXT COLLATE NOCASE, 科目名称 TEXT COLLATE NOCASE, "
                      "余额方向 TEXT COLLATE NOCASE, 辅助核算项 TEXT COLLATE NOCASE);";
    for (const auto& row : rows) {
      sql += "insert into " + table + "(科目编号, 科目名称, 余额方向) values(";
      for (std::size_t i = 0; i < row.size(); ++i)
        sql += (i ? ", " : "") + (row[i] == kNull ? std::string("null") : "'" + row[i] + "'");
      sql += ");";
    }
    test::SqliteExec(db_path_, sql);
  }

  void Complete(const std::string& accounts_file = "KJKM.txt") {
    CompleteChartOfAccounts(runner_, host_, Gbk(accounts_file));
  }

  // The chart after completion, read directly from the file, in stored order.
  Rows Chart(const std::string& table = "KJKM") {
    connection_.Close();
    return Sql("select 科目编号, 科目名称, 余额方向, 辅助核算项 from " + table + " order by rowid");
  }

  std::vector<std::string> ScratchTables() {
    std::vector<std::string> names;
    for (const std::string& name : TableNames(db_path_))
      if (name.rfind("tmp", 0) == 0) names.push_back(name);
    return names;
  }

  RecordingHost host_;
};

TEST_F(ChartCompletionTest, ShortCodesOrAnEmptyChartRunNoPass) {
  MakeChart({{"1001", "现金", "借"}, {"10", "x", "借"}});
  MakeChart({}, "EMPTY");
  for (const std::string file : {"KJKM.txt", "EMPTY.txt"}) {
    host_ = RecordingHost();
    Complete(file);
    EXPECT_EQ(host_.parts_, (std::vector<int>{0, 4})) << file;
    EXPECT_EQ(host_.totals_, (std::vector<int>{4, 4})) << file;
  }
  EXPECT_TRUE(ScratchTables().empty());
  EXPECT_EQ(Chart().size(), 2u);
}

TEST_F(ChartCompletionTest, MissingParentAndGrandparentAreAddedWithTheChildsDirection) {
  MakeChart({{"10010101", "工行", "贷"}, {"2001", "短期借款", "借"}});
  Complete();
  EXPECT_EQ(Chart(), (Rows{{"10010101", "工行", "贷", kNull},
                           {"2001", "短期借款", "借", kNull},
                           {"100101", "系统生成", "贷", kNull},
                           {"1001", "系统生成", "贷", kNull}}));
  EXPECT_EQ(host_.parts_, (std::vector<int>{0, 1, 2, 4}));
  // The scratch tables stay in the database.
  EXPECT_EQ(ScratchTables(), (std::vector<std::string>{"tmp6", "tmp8"}));
  EXPECT_EQ(Sql("select * from tmp8"), (Rows{{"100101", "系统生成", "贷", kNull}}));
}

TEST_F(ChartCompletionTest, OddLongestLengthRunsOddPassesOnly) {
  MakeChart({{"100101001", "九位", "借"}, {"20010101", "八位", "贷"}});
  Complete();
  EXPECT_EQ(Chart(), (Rows{{"100101001", "九位", "借", kNull},
                           {"20010101", "八位", "贷", kNull},
                           {"1001010", "系统生成", "借", kNull},
                           {"10010", "系统生成", "借", kNull},
                           {"100", "系统生成", "借", kNull}}));
  EXPECT_EQ(ScratchTables(), (std::vector<std::string>{"tmp5", "tmp7", "tmp9"}));
  EXPECT_EQ(host_.parts_, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(ChartCompletionTest, ParentWithANameIsKeptAndOneWithoutANameIsAddedAgain) {
  MakeChart({{"1001", "现金", "借"},
             {"100101", "人民币", "借"},
             {"2001", kNull, "贷"},
             {"200101", "短期", "贷"}});
  Complete();
  EXPECT_EQ(Chart(), (Rows{{"1001", "现金", "借", kNull},
                           {"100101", "人民币", "借", kNull},
                           {"2001", kNull, "贷", kNull},
                           {"200101", "短期", "贷", kNull},
                           {"2001", "系统生成", "贷", kNull}}));
}

TEST_F(ChartCompletionTest, ParentIsAddedOncePerDistinctDirectionOfItsChildren) {
  MakeChart({{"122101", "甲", "借"}, {"122102", "乙", "贷"}, {"122103", "丙", "借"}});
  Complete();
  EXPECT_EQ(Sql("select 科目编号, 科目名称, 余额方向 from KJKM where 科目名称 = '系统生成' "
                "order by 余额方向"),
            (Rows{{"1221", "系统生成", "借"}, {"1221", "系统生成", "贷"}}));
}

TEST_F(ChartCompletionTest, ProgressStaysFullAfterTheFourthPass) {
  MakeChart({{"10010101010101", "十四位", "借"}});
  Complete();
  EXPECT_EQ(host_.parts_, (std::vector<int>{0, 1, 2, 3, 4, 4, 4}));
  EXPECT_EQ(host_.totals_, (std::vector<int>(7, 4)));
  EXPECT_EQ(Sql("select 科目编号 from KJKM order by rowid"), (Rows{{"10010101010101"},
                                                                   {"100101010101"},
                                                                   {"1001010101"},
                                                                   {"10010101"},
                                                                   {"100101"},
                                                                   {"1001"}}));
}

TEST_F(ChartCompletionTest, RerunOverAKeptDatabaseAppendsTheLeftScratchRowsAgain) {
  MakeChart({{"10010101", "工行", "借"}});
  Complete();
  const std::size_t first = Chart().size();
  connection_.Open();
  Complete();  // tmp8 and tmp6 exist: their creation fails, their rows go in again
  EXPECT_EQ(Chart().size(), first + 2);
}

TEST_F(ChartCompletionTest, ChartFileOfAnotherNameReadsItsTableButThePassesFail) {
  MakeChart({{"10010101", "工行", "借"}}, "KM");
  Complete("KM.txt");
  EXPECT_TRUE(test::LogEntries().empty());
  EXPECT_EQ(host_.parts_, (std::vector<int>{0, 1, 2, 4}));
  EXPECT_TRUE(ScratchTables().empty());
  EXPECT_EQ(Chart("KM"), (Rows{{"10010101", "工行", "借", kNull}}));
}

TEST_F(ChartCompletionTest, FailingLengthQueryIsLoggedThenTheClosedQueryFails) {
  MakeChart({{"10010101", "工行", "借"}});
  for (const std::string file : {"JZPZ.txt", ".txt", ""}) {
    test::ClearLog();
    EXPECT_THROW(Complete(file), QueryClosedError) << file;
    ASSERT_EQ(test::LogEntries().size(), 1u) << file;
    EXPECT_THAT(Utf16ToUtf8(test::LogEntries()[0].message), StartsWith("SQL不能执行")) << file;
  }
  EXPECT_TRUE(host_.parts_.empty());
}

}  // namespace
}  // namespace qoru::db
