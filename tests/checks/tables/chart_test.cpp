// The chart as the checks see it: the chart file's rows only, parents by the longest
// proper prefix among them.
#include "checks/tables/chart.h"

#include <gtest/gtest.h>

#include "checks/tables/book_tables.h"
#include "test_support/tiny_books.h"

namespace qoru::checks {
namespace {

Chart LoadChart(const test::ConvertedBooks& books) {
  BookDatabase db(books.database());
  const BookTables tables = FindBookTables(db, books.description(), {});
  return Chart::Load(db, tables.chart);
}

std::string CodeOf(const Chart& chart, int i) {
  return i < 0 ? "-" : chart[i].code;
}

TEST(Chart, LeavesOutTheParentsTheCompletionAddedEvenWhenAddedTwice) {
  test::TinyBooks books = test::TinyBooks::Consistent();
  books.chart[2][0] = "10020101";  // 100201 is missing: the completion adds it
  // A row of the file that looks like the completion's stays: no scratch table holds it.
  books.chart.push_back({"1003", "系统生成", "借", ""});
  test::ConvertedBooks converted(books);
  ASSERT_TRUE(converted.converted());

  Chart chart = LoadChart(converted);
  EXPECT_EQ(chart.file_rows(), 6);
  EXPECT_EQ(chart.completion_rows(), 1);
  EXPECT_EQ(chart.Find("100201"), -1);
  ASSERT_NE(chart.Find("1003"), -1);
  const int child = chart.Find("10020101");
  ASSERT_NE(child, -1);
  EXPECT_EQ(CodeOf(chart, chart[child].parent), "1002");
  const int parent = chart.Find("1002");
  ASSERT_EQ(chart[parent].children.size(), 2u);
  EXPECT_EQ(CodeOf(chart, chart[parent].children[0]), "10020101");
  EXPECT_EQ(CodeOf(chart, chart[parent].children[1]), "100202");
  EXPECT_TRUE(chart.IsLeaf(chart.Find("1001")));
  EXPECT_EQ(chart[chart.Find("4001")].side, Side::kCredit);

  // A second run over the kept database imports nothing new, and its completion appends
  // the rows of the existing scratch table once more.
  test::RunDoIt(converted.space().work(), converted.space().source());
  chart = LoadChart(converted);
  EXPECT_EQ(chart.file_rows(), 6);
  EXPECT_EQ(chart.completion_rows(), 2);
  EXPECT_EQ(chart.Find("100201"), -1);
}

TEST(Chart, AnAccountIsTheFirstRowOfItsCodeAndBlankCodesAreNone) {
  test::TinyBooks books = test::TinyBooks::Consistent();
  books.chart.push_back({" 1001 ", "重复", "贷", ""});
  books.chart.push_back({"  ", "空白", "借", ""});
  books.chart.push_back({"2202x", "应付", "贷", ""});
  books.chart.push_back({"2202X01", "应付明细", "其他", ""});
  test::ConvertedBooks converted(books);
  const Chart chart = LoadChart(converted);
  EXPECT_EQ(chart.size(), 7);
  EXPECT_EQ(chart[chart.Find("1001")].side, Side::kDebit);
  EXPECT_EQ(chart[chart.Find("1001")].row, 1);
  const int child = chart.Find("2202x01");
  ASSERT_NE(child, -1);
  EXPECT_EQ(chart[child].code, "2202X01");
  EXPECT_EQ(chart[child].side, Side::kOther);
  EXPECT_EQ(CodeOf(chart, chart[child].parent), "2202x");
}

TEST(Chart, ParentsByTheCodeStructureOrTheLongestPrefix) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"1002", "借"},     {"100201", "借"}, {"10020101", "借"}, {"1002010101", "借"},
      {"10030101", "借"}, {"1003", "借"},   {"10025", "借"},    {"100201", "X"}};
  const struct {
    std::vector<int> structure;
    std::vector<std::pair<std::string, std::string>> parents;  // child, parent ("-": none)
  } cases[] = {
      {{4, 2, 2},
       {{"100201", "1002"},
        {"10020101", "100201"},
        {"1002010101", "-"},  // no level is ten long
        {"10030101", "-"},    // 100301 is not in the chart: no shorter ancestor adopts it
        {"10025", "-"}}},
      {{},
       {{"100201", "1002"},
        {"10020101", "100201"},
        {"1002010101", "10020101"},
        {"10030101", "1003"},
        {"10025", "1002"}}},
  };
  for (const auto& c : cases) {
    const Chart chart = Chart::FromRows(rows, c.structure, true);
    for (const auto& [child, parent] : c.parents)
      EXPECT_EQ(CodeOf(chart, chart[chart.Find(child)].parent), parent) << child;
    // The repeated code keeps its first direction; its unreadable row is still reported.
    EXPECT_EQ(chart[chart.Find("100201")].side, Side::kDebit);
    ASSERT_EQ(chart.unreadable().size(), 1u);
    EXPECT_EQ(chart.unreadable()[0].row, 8);
  }
}

}  // namespace
}  // namespace qoru::checks
