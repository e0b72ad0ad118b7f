// The checks by their definitions, on small book sets converted by the library: each
// fault yields its finding and exactly the findings that follow from it.
#include "checks/book_checks.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "checks/report_output.h"
#include "test_support/tiny_books.h"

namespace qoru::checks {
namespace {

using test::ConvertedBooks;
using test::Counts;
using test::TinyBooks;
using Expected = std::map<std::string, std::uint64_t>;

CheckReport ConvertAndCheck(const TinyBooks& books, const CheckOptions& options = {}) {
  const ConvertedBooks converted(books);
  EXPECT_TRUE(converted.converted());
  return converted.Check(options);
}

// Balances without a month column leave balance-continuity nothing to do.
void ExpectNothingSkipped(const CheckReport& report) {
  for (const CheckResult& r : report.results)
    if (r.id != CheckId::kBalanceContinuity) {
      EXPECT_FALSE(r.skipped) << Info(r.id).name << ": " << r.reason;
    }
}

TEST(BookChecks, EachFaultYieldsItsFindingAndWhatFollowsFromIt) {
  const struct {
    const char* name;
    std::function<void(TinyBooks&)> change;
    Expected expected;
  } cases[] = {
      {"consistent", [](TinyBooks&) {}, {}},
      {"void postings count nowhere",
       [](TinyBooks& b) {
         b.postings.push_back({"2026-02-10", "记", "2", "1001", "999", "", " 1 ", ""});
       },
       {}},
      {"a void voucher keeps its number",
       [](TinyBooks& b) {
         b.postings.push_back({"2026-02-10", "记", "4", "1001", "5", "", "1", ""});
       },
       {{"voucher-numbering", 1}}},
      {"a number missing from the start",
       [](TinyBooks& b) {
         for (int i = 5; i < 8; ++i) b.postings[i][2] = "2";
       },
       {{"voucher-numbering", 1}}},
      {"February's numbers running on from January's are one sequence",
       [](TinyBooks& b) {
         for (int i = 5; i < 8; ++i) b.postings[i][2] = "3";
       },
       {}},
      {"an unbalanced voucher also differs from the balances",
       [](TinyBooks& b) { b.postings[1][5] = "49.00"; },
       {{"voucher-balance", 1}, {"vouchers-vs-balances", 1}}},
      {"a bad date keeps its row out of the voucher, not out of the sums",
       [](TinyBooks& b) { b.postings[2][0] = "2026-02-30"; },
       {{"bad-value", 1}, {"voucher-balance", 1}}},
      {"an unreadable amount counts as zero",
       [](TinyBooks& b) { b.postings[0][4] = "5O.00"; },
       {{"bad-value", 1}, {"voucher-balance", 1}, {"vouchers-vs-balances", 1}}},
      {"an unreadable balance counts as zero",
       [](TinyBooks& b) { b.balances[3][3] = "3O.00"; },
       {{"bad-value", 1},
        {"balance-roll-forward", 1},
        {"vouchers-vs-balances", 1},
        {"parent-sum", 1},
        {"trial-balance", 1}}},
      {"an account of another direction is out of the roll-forward and the trial balance",
       [](TinyBooks& b) {
         b.chart[0][2] = "平";
         b.balances[0][5] = "999.00";
       },
       {{"account-direction", 1}, {"trial-balance", 3}}},
      {"closings off on both sides",
       [](TinyBooks& b) {
         b.balances[0][5] = "121.00";
         b.balances[4][5] = "371.00";
       },
       {{"balance-roll-forward", 2}}},
      {"codes compare trimmed and ignoring ASCII case",
       [](TinyBooks& b) {
         b.chart.push_back({"1221A", "其他应收款", "借", ""});
         b.balances.push_back({"2026", " 1221a", "0", "10.00", "10.00", "0", ""});
         b.postings.push_back({"2026-02-11", "记", "2", "1221a ", "10.00", "", "0", ""});
         b.postings.push_back({"2026-02-11", "记", "2", "  1221A", "", "10.00", "0", ""});
       },
       {}},
      {"ideographic spaces around types, numbers, accounts and years change nothing",
       [](TinyBooks& b) {
         b.postings[1][1] = "记\xE3\x80\x80";
         b.postings[1][2] =
             "\xE3\x80\x80"
             "1";
         b.postings[3][3] = "1001\xE3\x80\x80";
         b.balances[0][1] =
             "\xE3\x80\x80"
             "1001";
         b.balances[2][0] = "2026\xE3\x80\x80";
         b.chart[4][2] = "贷\xE3\x80\x80";
       },
       {}},
      {"accounts the chart lacks",
       [](TinyBooks& b) {
         b.postings.push_back({"2026-02-12", "记", "2", "9999", "5.00", "", "0", ""});
         b.postings.push_back({"2026-02-12", "记", "2", "9999", "", "5.00", "0", ""});
         b.balances.push_back({"2026", "8888", "0", "0", "0", "0", ""});
       },
       {{"unknown-account", 3}}},
      {"postings on a parent",
       [](TinyBooks& b) {
         b.postings.push_back({"2026-02-12", "记", "2", "1002", "5.00", "", "0", ""});
         b.postings.push_back({"2026-02-12", "记", "2", "1002", "", "5.00", "0", ""});
       },
       {{"non-leaf-posting", 2}}},
      {"a parent off its children",
       [](TinyBooks& b) {
         b.balances[1][3] = "71.00";
         b.balances[1][5] = "251.00";
       },
       {{"parent-sum", 1}}},
      {"children by their longest prefix in the chart file, not the completion's parents",
       [](TinyBooks& b) {
         for (auto* rows : {&b.chart, &b.balances, &b.postings})
           for (auto& row : *rows)
             for (auto& v : row)
               if (v == "100201") v = "10020101";
       },
       {}},
      {"dates in the other forms",
       [](TinyBooks& b) {
         for (int i = 2; i < 5; ++i) b.postings[i][0] = "2026/1/20";
         for (int i = 5; i < 8; ++i) b.postings[i][0] = "20260203";
       },
       {}},
      {"dates outside the year",
       [](TinyBooks& b) {
         for (int i = 5; i < 8; ++i) b.postings[i][0] = "2025-12-31";
       },
       {{"date-out-of-year", 3}}},
      {"a group with a number that is not digits is not numbered",
       [](TinyBooks& b) {
         b.postings[0][2] = b.postings[1][2] = "A1";
         for (int i = 2; i < 5; ++i) b.postings[i][2] = "3";
       },
       {}},
      {"auxiliary rows roll forward but are no account total rows",
       [](TinyBooks& b) {
         b.departments = true;
         b.chart.push_back({"6602", "管理费用", "借", "部门"});
         b.balances.push_back({"2026", "6602", "0", "10.00", "10.00", "0", ""});
         b.balances.push_back({"2026", "6602", "0", "10.00", "10.00", "1.00", "01"});
         b.postings.push_back({"2026-02-15", "记", "2", "6602", "10.00", "", "0", "01"});
         b.postings.push_back({"2026-02-15", "记", "2", "6602", "", "10.00", "0", "01"});
       },
       // The total row's closing is 0, the aux row's 1.00.
       {{"balance-roll-forward", 1}, {"aux-vs-total", 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TinyBooks books = TinyBooks::Consistent();
    c.change(books);
    const CheckReport report = ConvertAndCheck(books);
    ExpectNothingSkipped(report);
    EXPECT_EQ(Counts(report), c.expected) << ReportText(report);
  }
}

TEST(BookChecks, FindingsNameTheirPlaceKeyAndFigures) {
  TinyBooks books = TinyBooks::Consistent();
  books.postings[1][5] = "49.00";       // voucher 2026-01 记-1, rows 1 and 2
  books.postings[5][0] = "2026-02-30";  // row 6
  books.balances[4][5] = "371.00";      // row 5 of KMYE
  const CheckReport report = ConvertAndCheck(books);

  const Finding& voucher = report[CheckId::kVoucherBalance].listed.at(0);
  EXPECT_EQ(Place(voucher), "JZPZ 第 1 行");
  EXPECT_EQ(voucher.fields["voucher"]["number"], "1");
  EXPECT_EQ(voucher.fields["voucher"]["month"], 1);
  EXPECT_EQ(voucher.fields["debit"], "50.00");
  EXPECT_EQ(voucher.fields["credit"], "49.00");
  EXPECT_NE(voucher.message.find("2026-01 记-1"), std::string::npos) << voucher.message;

  const Finding& bad = report[CheckId::kBadValue].listed.at(0);
  EXPECT_EQ(bad.fields["row"], 6);
  EXPECT_EQ(bad.fields["column"], "凭证日期");
  EXPECT_EQ(bad.fields["value"], "2026-02-30");

  const Finding& roll = report[CheckId::kBalanceRollForward].listed.at(0);
  EXPECT_EQ(roll.fields["table"], "KMYE");
  EXPECT_EQ(roll.fields["row"], 5);
  EXPECT_EQ(roll.fields["account"], "4001");
  // Debit-positive: a credit-side account's balance is negative.
  EXPECT_EQ(roll.fields["expected"], "-370.00");
  EXPECT_EQ(roll.fields["actual"], "-371.00");
}

TEST(BookChecks, SumsAreExactWhereBinaryFloatingPointIsNot) {
  TinyBooks books = TinyBooks::Consistent();
  // Eighteen-digit amounts, four decimals, negatives and tenths, all balanced.
  books.chart.push_back({"1122", "应收账款", "借", ""});
  books.chart.push_back({"2202", "应付账款", "贷", ""});
  const std::vector<std::array<const char*, 2>> pairs = {
      {"123456789012345678.91", "61728394506172839.45"},
      {"0.10", "61728394506172839.46"},
      {"0.20", "0.30"},
      {"-50.00", "-50.00"},
      {"1.2345", "3.2346"},
      {"2.0001", "0"},
  };
  // 1122 takes the left column as debits, 2202 the right as credits: equal sums.
  for (const auto& p : pairs) {
    books.postings.push_back({"2026-02-20", "转", "1", "1122", p[0], "", "0", ""});
    books.postings.push_back({"2026-02-20", "转", "1", "2202", "", p[1], "0", ""});
  }
  const std::string total = "123456789012345632.4446";
  books.balances.push_back({"2026", "1122", "0", total, "", total, ""});
  books.balances.push_back({"2026", "2202", "0", "", total, total, ""});
  CheckReport report = ConvertAndCheck(books);
  EXPECT_EQ(Counts(report), Expected{}) << ReportText(report);

  // One ten-thousandth off shows, far below what a double resolves at this size.
  books.balances.back()[5] = "123456789012345632.4447";
  report = ConvertAndCheck(books);
  EXPECT_EQ(Counts(report), (Expected{{"balance-roll-forward", 1}, {"trial-balance", 1}}));
  EXPECT_EQ(report[CheckId::kTrialBalance].listed.at(0).fields["credit"],
            "123456789012346002.4447");
}

TEST(BookChecks, ChecksWithoutTheirColumnsAreSkippedWithTheReason) {
  TinyBooks books = TinyBooks::Consistent();
  books.posting_columns[1] = "类别";  // no 凭证字, 凭证类型 or 凭证类别
  books.chart_columns[2] = "方向";
  const ConvertedBooks converted(books);
  CheckReport report = converted.Check();
  for (CheckId id : {CheckId::kVoucherBalance, CheckId::kVoucherNumbering}) {
    EXPECT_TRUE(report[id].skipped);
    EXPECT_EQ(report[id].reason,
              "表 JZPZ 没有凭证字列（凭证种类、凭证字、凭证类型、凭证类别、记账凭证类型编号）");
  }
  for (CheckId id :
       {CheckId::kBalanceRollForward, CheckId::kTrialBalance, CheckId::kAccountDirection}) {
    EXPECT_TRUE(report[id].skipped);
    EXPECT_EQ(report[id].reason, "表 KJKM 没有余额方向列（余额方向）");
  }
  EXPECT_FALSE(report[CheckId::kParentSum].skipped);
  EXPECT_EQ(report.Errors() + report.Warnings(), 0u);

  report = converted.Check({{{BookTable::kPostings, Role::kType, "类别"},
                             {BookTable::kChart, Role::kDirection, "方向"}}});
  ExpectNothingSkipped(report);
  EXPECT_EQ(Counts(report), Expected{});
}

TEST(BookChecks, ABookSetOfSeveralYearsHasNoYearToCheckDatesAgainst) {
  TinyBooks books = TinyBooks::Consistent();
  books.balances[2][0] = "2025";
  const CheckReport report = ConvertAndCheck(books);
  EXPECT_TRUE(report[CheckId::kDateOutOfYear].skipped);
  EXPECT_EQ(report[CheckId::kDateOutOfYear].reason,
            "格式说明 GSSM.txt 中没有“电子账簿”节；余额表 KMYE 的会计年度不止一个");
}

TEST(BookChecks, CountsStayCompleteBeyondTheListingLimit) {
  TinyBooks books = TinyBooks::Consistent();
  for (int i = 0; i < 3; ++i) {
    books.postings.push_back({"2026-02-12", "记", "2", "9999", "5.00", "", "0", ""});
    books.balances.push_back({"2026", "8888", "0", "0", "0", "0", ""});
  }
  const CheckReport report = ConvertAndCheck(books, {{}, 2});
  const CheckResult& unknown = report[CheckId::kUnknownAccount];
  EXPECT_EQ(unknown.count, 6u);
  ASSERT_EQ(unknown.listed.size(), 2u);
  // Postings come first, in row order.
  EXPECT_EQ(Place(unknown.listed[0]), "JZPZ 第 9 行");
  EXPECT_EQ(Place(unknown.listed[1]), "JZPZ 第 10 行");
  EXPECT_NE(ReportText(report).find("6 条（列出前 2 条）"), std::string::npos);
}

TEST(BookChecks, OneMonthsNumbersAreThatMonthsSequence) {
  // 收 has vouchers in February only: its gap is February's, not the year's (a year's
  // sequence needs two months or more).
  TinyBooks books = TinyBooks::Consistent();
  for (int i = 5; i < 8; ++i) {
    books.postings[i][1] = "收";
    books.postings[i][2] = "2";
  }
  const CheckReport report = ConvertAndCheck(books);
  const CheckResult& numbering = report[CheckId::kVoucherNumbering];
  ASSERT_EQ(numbering.listed.size(), 1u) << ReportText(report);
  EXPECT_EQ(numbering.listed[0].fields["month"], 2);
  EXPECT_EQ(numbering.listed[0].message, "凭证 2026-02 收 在 1 至 2 之间缺少 1 个凭证号：1");
}

TEST(BookChecks, VoucherFindingsAreListedInTheVoucherOrderWhateverTheFileOrder) {
  // Three unbalanced vouchers of one day, 12-1 first in the file: listed 9, 12, 12-1
  // (digits first, by value), so the listing limit keeps the same two.
  TinyBooks books = TinyBooks::Consistent();
  for (const char* number : {"12-1", "12", "9"}) {
    books.postings.push_back({"2026-02-12", "记", number, "1001", "5.00", "", "0", ""});
    books.postings.push_back({"2026-02-12", "记", number, "4001", "", "4.00", "0", ""});
  }
  for (std::size_t limit : {100, 2}) {
    const CheckReport report = ConvertAndCheck(books, {{}, limit});
    std::vector<std::string> listed;
    for (const Finding& f : report[CheckId::kVoucherBalance].listed)
      listed.push_back(f.fields["voucher"]["number"]);
    const std::vector<std::string> all = {"9", "12", "12-1"};
    EXPECT_EQ(listed, std::vector<std::string>(
                          all.begin(), all.begin() + std::min<long>(3, static_cast<long>(limit))));
  }
}

}  // namespace
}  // namespace qoru::checks
