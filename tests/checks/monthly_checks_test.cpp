// The checks on the layouts of real exports: balances by month (会计月度) signed
// against the account's side or by direction columns, accounts with aux rows only,
// side words other than 借/贷, duplicate voucher numbers and yearly numbering.
#include <gtest/gtest.h>

#include <functional>

#include "checks/book_checks.h"
#include "checks/report_output.h"
#include "test_support/tiny_books.h"

namespace qoru::checks {
namespace {

using test::TinyBooks;
using Expected = std::map<std::string, std::uint64_t>;

// 2026 in two months: 1001 (debit side), 1122 (debit side, aux rows only, departments
// 01 and 02), 4001 (credit side, written positive against its side).
TinyBooks Monthly() {
  TinyBooks b;
  b.balance_columns = {"会计年度",   "会计月度",   "科目编号", "币种",      "期初余额",
                       "借方发生额", "贷方发生额", "期末余额", "辅助核算组"};
  b.departments = true;
  b.chart = {{"1001", "库存现金", "借", ""},
             {"1122", "应收账款", "借", "部门"},
             {"4001", "实收资本", "贷", ""}};
  b.balances = {{"2026", "1", "1001", "RMB", "100.00", "50.00", "30.00", "120.00", ""},
                {"2026", "1", "1122", "RMB", "0", "30.00", "0", "30.00", "01"},
                {"2026", "1", "4001", "RMB", "100.00", "0", "50.00", "150.00", ""},
                {"2026", "2", "1001", "RMB", "120.00", "0", "0", "120.00", ""},
                {"2026", "2", "1122", "RMB", "30.00", "0", "0", "30.00", "01"},
                {"2026", "2", "1122", "RMB", "0", "20.00", "0", "20.00", "02"},
                {"2026", "2", "4001", "RMB", "150.00", "0", "20.00", "170.00", ""}};
  b.postings = {{"2026-01-05", "记", "1", "1001", "50.00", "", "0", ""},
                {"2026-01-05", "记", "1", "4001", "", "50.00", "0", ""},
                {"2026-01-20", "记", "2", "1122", "30.00", "", "0", "01"},
                {"2026-01-20", "记", "2", "1001", "", "30.00", "0", ""},
                {"2026-02-03", "记", "1", "1122", "20.00", "", "0", "02"},
                {"2026-02-03", "记", "1", "4001", "", "20.00", "0", ""}};
  return b;
}

// The same with unsigned amounts and the two direction columns.
TinyBooks WithDirections() {
  TinyBooks b = Monthly();
  b.balance_columns = {"会计年度", "会计月度",     "科目编号",   "币种",
                       "期初余额", "期初余额方向", "借方发生额", "贷方发生额",
                       "期末余额", "期末余额方向", "辅助核算组"};
  for (auto& r : b.balances) {
    const std::string side = r[2] == "4001" ? "贷" : "借";
    const std::string opening_side = r[4] == "0" ? "平" : side;
    r = {r[0], r[1], r[2], r[3], r[4], opening_side, r[5], r[6], r[7], side, r[8]};
  }
  return b;
}

struct Case {
  const char* name;
  std::function<TinyBooks()> books;
  Expected expected;
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::ConvertedBooks converted(c.books());
    ASSERT_TRUE(converted.converted());
    const CheckReport report = converted.Check();
    EXPECT_EQ(test::Counts(report), c.expected) << ReportText(report);
  }
}

TEST(MonthlyChecks, BalancesByMonthSignedAgainstTheSide) {
  RunCases({
      {"consistent, an aux-only account counts its aux rows", Monthly, {}},
      {"months with leading zeros",
       [] {
         TinyBooks b = Monthly();
         for (auto& r : b.balances) r[1] = "0" + r[1];
         return b;
       },
       {}},
      {"side words 借方/贷方 and DR/CR",
       [] {
         TinyBooks b = Monthly();
         b.chart[0][2] = "借方";
         b.chart[1][2] = " dr ";
         b.chart[2][2] = "贷方";
         return b;
       },
       {}},
      {"a closing off under 贷方 is still found, with what follows from it",
       [] {
         TinyBooks b = Monthly();
         b.chart[2][2] = "贷方";
         b.balances[2][7] = "151.00";
         return b;
       },
       {{"balance-roll-forward", 1}, {"balance-continuity", 1}, {"trial-balance", 1}}},
      {"a broken month-to-month opening",
       [] {
         TinyBooks b = Monthly();
         b.balances[3][4] = "121.00";
         b.balances[3][7] = "121.00";
         return b;
       },
       {{"balance-continuity", 1}, {"trial-balance", 2}}},
      {"a total row beside the aux rows that agrees",
       [] {
         TinyBooks b = Monthly();
         b.balances.push_back({"2026", "2", "1122", "RMB", "30.00", "20.00", "0", "50.00", ""});
         return b;
       },
       {}},
      {"a total row beside the aux rows that disagrees",
       [] {
         TinyBooks b = Monthly();
         b.balances.push_back({"2026", "2", "1122", "RMB", "31.00", "20.00", "0", "51.00", ""});
         return b;
       },
       {{"aux-vs-total", 1}, {"trial-balance", 2}}},
      {"an unreadable month keeps its row out of the month's checks",
       [] {
         TinyBooks b = Monthly();
         b.balances[3][1] = "13";
         return b;
       },
       {{"bad-value", 1}, {"trial-balance", 2}}},
      {"an unreadable chart direction",
       [] {
         TinyBooks b = Monthly();
         b.chart[0][2] = "X";
         return b;
       },
       // February's movements leave 1001 out on both sides and still agree.
       {{"account-direction", 1}, {"trial-balance", 5}}},
      {"postings in a month the balances lack",
       [] {
         TinyBooks b = Monthly();
         b.postings.push_back({"2026-03-01", "记", "1", "1001", "5.00", "", "0", ""});
         b.postings.push_back({"2026-03-01", "记", "1", "4001", "", "5.00", "0", ""});
         return b;
       },
       {{"vouchers-vs-balances", 2}}},
  });
}

TEST(MonthlyChecks, DirectionColumns) {
  RunCases({
      {"consistent", WithDirections, {}},
      {"an unreadable direction counts its amount as 0",
       [] {
         TinyBooks b = WithDirections();
         b.balances[2][9] = "X";
         return b;
       },
       {{"bad-value", 1},
        {"balance-roll-forward", 1},
        {"balance-continuity", 1},
        {"trial-balance", 1}}},
      {"平 beside an amount",
       [] {
         TinyBooks b = WithDirections();
         b.balances[0][5] = "平";
         return b;
       },
       {{"bad-value", 1}, {"balance-roll-forward", 1}, {"trial-balance", 1}}},
      {"the sign comes from the columns, not from the chart",
       [] {
         TinyBooks b = WithDirections();
         b.chart[2][2] = "?";
         return b;
       },
       {{"account-direction", 1}, {"trial-balance", 6}}},
  });
}

TEST(MonthlyChecks, VoucherNumbers) {
  RunCases({
      {"the same number on another date is used twice",
       [] {
         TinyBooks b = Monthly();
         b.postings.push_back({"2026-01-25", "记", "2", "1001", "0", "0", "0", ""});
         return b;
       },
       {{"voucher-numbering", 1}}},
      {"numbers running on through the year are one sequence",
       [] {
         TinyBooks b = Monthly();
         b.postings[4][2] = b.postings[5][2] = "3";
         return b;
       },
       {}},
      {"a gap in a yearly sequence",
       [] {
         TinyBooks b = Monthly();
         b.postings[4][2] = b.postings[5][2] = "4";
         return b;
       },
       {{"voucher-numbering", 1}}},
  });

  TinyBooks b = Monthly();
  b.posting_columns.push_back("行号");
  for (auto& r : b.postings) r.push_back("1");
  b.postings[1].back() = "02";
  b.postings[3].back() = "2";
  const test::ConvertedBooks converted(b);
  const nlohmann::ordered_json json = ReportJson(converted.Check());
  ASSERT_EQ(json["findings"].size(), 1u) << json.dump(1);
  const auto& f = json["findings"][0];
  EXPECT_EQ(f["check"], "voucher-numbering");
  EXPECT_EQ(f["duplicates"], nlohmann::ordered_json::array({1}));
  EXPECT_EQ(f["month"], 2);
}

TEST(MonthlyChecks, FindingsSayTheMonth) {
  TinyBooks b = Monthly();
  b.book = {{"2026", "RMB", "4"}};
  b.postings[4][2] = b.postings[5][2] = "4";
  b.balances[3][4] = "121.00";
  b.balances[3][7] = "121.00";
  const test::ConvertedBooks converted(b);
  const CheckReport report = converted.Check();
  const nlohmann::ordered_json json = ReportJson(report);
  std::map<std::string, nlohmann::ordered_json> months;
  for (const auto& f : json["findings"]) months[f["check"]] = f["month"];
  EXPECT_EQ(months["balance-continuity"], 2);
  EXPECT_EQ(months["trial-balance"], 2);
  EXPECT_TRUE(months["voucher-numbering"].is_null());
  EXPECT_NE(ReportText(report).find("2026 年 2 月"), std::string::npos) << ReportText(report);
}

TEST(MonthlyChecks, TheBookTableGivesTheYear) {
  TinyBooks b = Monthly();
  b.book = {{"2025", "RMB", "4-2"}};
  const test::ConvertedBooks converted(b);
  EXPECT_EQ(test::Counts(converted.Check()), (Expected{{"date-out-of-year", 6}}));

  b.book_columns = {"会计年度"};
  b.book = {{"二〇二六"}};
  b.balances[0][0] = "2025";  // nor do the balances' years agree
  const test::ConvertedBooks unknown(b);
  const CheckReport report = unknown.Check();
  EXPECT_TRUE(report[CheckId::kDateOutOfYear].skipped);
}

}  // namespace
}  // namespace qoru::checks
