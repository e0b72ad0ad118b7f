// The fourteen tests over books built in memory: each case states postings and the
// items that must come out.
#include <gtest/gtest.h>

#include <cmath>

#include "screening/book_builder.h"
#include "screening/calendar/holiday_calendar.h"
#include "screening/screen_report.h"
#include "screening/screen_tests.h"
#include "test_support/screen_rows.h"

namespace qoru::screening {
namespace {

using Row = test::ScreenRow;

ScreenBook Build(const std::vector<Row>& rows, ChartAccounts chart = {},
                 std::optional<int> year = 2023) {
  return test::BuildScreenBook(rows, std::move(chart), year);
}

ScreenReport Screen(const ScreenBook& book, ScreenParameters p = {}) {
  return test::RunScreen(book, std::move(p));
}

// The rows (from 1) of the first posting of each item.
std::vector<std::int64_t> FirstRows(const ScreenBook& book, const TestResult& r) {
  std::vector<std::int64_t> out;
  for (const ScreenItem& i : r.items)
    out.push_back(book.postings[static_cast<std::size_t>(r.Postings(i).front())].row);
  return out;
}

// A balanced voucher of two postings.
void Voucher(std::vector<Row>& rows, const std::string& date, const std::string& number,
             const std::string& debit_account, const std::string& credit_account,
             const std::string& amount) {
  Row debit, credit;
  debit.date = credit.date = date;
  debit.type = credit.type = "记";
  debit.number = credit.number = number;
  debit.account = debit_account;
  debit.debit = amount;
  credit.account = credit_account;
  credit.credit = amount;
  rows.push_back(debit);
  rows.push_back(credit);
}

TEST(HolidayCalendar, RestDaysAndAdjustedWorkingDays) {
  struct Case {
    checks::CalendarDate date;
    bool rest;
    std::string reason;
  } cases[] = {
      {{2021, 5, 8}, false, ""},        // an adjusted working Saturday
      {{2024, 2, 4}, false, ""},        // an adjusted working Sunday
      {{2022, 12, 31}, true, "元旦"},   // a holiday on a Saturday at the year's edge
      {{2023, 1, 2}, true, "元旦"},     // a holiday on a Monday
      {{2023, 10, 3}, true, "国庆节"},  //
      {{2023, 6, 10}, true, "周六"},    //
      {{2023, 6, 11}, true, "周日"},    //
      {{2023, 6, 12}, false, ""},       //
      {{2030, 10, 1}, false, ""},       // outside the table: a Tuesday counts as work
      {{2030, 10, 5}, true, "周六"},    // outside the table: weekends only
  };
  for (const Case& c : cases) {
    const RestDay d = ClassifyDay(c.date);
    EXPECT_EQ(d.rest, c.rest) << c.date.year << "-" << c.date.month << "-" << c.date.day;
    EXPECT_EQ(std::string(d.reason), c.reason) << c.date.year << "-" << c.date.month;
  }
  EXPECT_TRUE(CalendarCovers(2004));
  EXPECT_TRUE(CalendarCovers(2026));
  EXPECT_FALSE(CalendarCovers(2030));
}

TEST(Screening, WeekendHolidayFlagsRestDaysOnly) {
  std::vector<Row> rows;
  Voucher(rows, "2021-05-08", "1", "1001", "6001", "10.00");  // adjusted Saturday: not flagged
  Voucher(rows, "2022-12-31", "2", "1001", "6001", "10.00");  // 元旦 on a Saturday
  Voucher(rows, "2023-06-11", "3", "1001", "6001", "10.00");  // a Sunday
  Voucher(rows, "2023-06-12", "4", "1001", "6001", "10.00");  // a Monday
  Voucher(rows, "2031-06-14", "5", "1001", "6001", "10.00");  // a Saturday beyond the table
  const ScreenBook book = Build(rows);
  const ScreenReport r = Screen(book);
  const TestResult& t = r[TestId::kWeekendHoliday];
  ASSERT_EQ(t.items.size(), 3u);
  EXPECT_EQ(t.Reason(t.items[0]), "元旦");
  EXPECT_EQ(t.Reason(t.items[1]), "周日");
  EXPECT_EQ(t.Reason(t.items[2]), "周六");
  EXPECT_EQ(t.items[0].count, 2u);
  EXPECT_NE(t.reason.find("2031"), std::string::npos);  // the report says weekends only
}

TEST(Screening, RoundAmountsAndLargeAmountTies) {
  std::vector<Row> rows;
  const char* amounts[] = {"10000", "10000.50", "9000", "25000.00", "-30000"};
  int n = 0;
  for (const char* a : amounts) Voucher(rows, "2023-03-01", std::to_string(++n), "1001", "6001", a);
  ScreenBook book = Build(rows);
  ScreenReport r = Screen(book);
  // Both sides of 10000, 25000.00 and the red -30000.
  EXPECT_EQ(FirstRows(book, r[TestId::kRoundAmount]),
            (std::vector<std::int64_t>{1, 2, 7, 8, 9, 10}));
  EXPECT_EQ(r[TestId::kNegativeAmount].items.size(), 2u);

  // 2,000 postings with a side: rank ceil(2) is the second largest, and every posting
  // tied with it is flagged.
  rows.clear();
  for (int i = 0; i < 999; ++i)
    Voucher(rows, "2023-03-02", std::to_string(i + 1), "1001", "6001",
            i == 0 ? "500.00" : std::to_string(100 + i % 50));
  Voucher(rows, "2023-03-03", "1000", "1002", "6001", "500");
  book = Build(rows);
  r = Screen(book);
  EXPECT_EQ(r[TestId::kLargeAmount].items.size(), 4u);
  ScreenParameters p;
  p.materiality = Amount::FromUnits(14900, 2);
  r = Screen(book, p);
  EXPECT_EQ(r[TestId::kLargeAmount].items.size(), 4u + 2 * 19);  // 149 and 500
}

TEST(Screening, KeywordsIgnoreAsciiCaseAndListInOrder) {
  std::vector<Row> rows;
  Voucher(rows, "2023-03-01", "1", "1001", "6001", "10");
  rows[0].summary = "冲回暂估 ADJ";
  rows[1].summary = "\xE3\x80\x80 ";  // an ideographic space only: blank
  const ScreenBook book = Build(rows);
  ScreenParameters p;
  p.keywords = DefaultKeywords();
  p.keywords.push_back("adj");
  const ScreenReport r = Screen(book, p);
  ASSERT_EQ(r[TestId::kKeyword].items.size(), 1u);
  EXPECT_EQ(r[TestId::kKeyword].Reason(r[TestId::kKeyword].items[0]), "摘要含 冲回、暂估、adj");
  ASSERT_EQ(r[TestId::kBlankSummary].items.size(), 1u);
  EXPECT_EQ(book.postings[static_cast<std::size_t>(r[TestId::kBlankSummary].Postings(
                              r[TestId::kBlankSummary].items[0])[0])]
                .row,
            2);
}

TEST(Screening, ApprovalAndRarePreparer) {
  std::vector<Row> rows;
  Voucher(rows, "2023-03-01", "1", "1001", "6001", "10");
  Voucher(rows, "2023-03-01", "2", "1001", "6001", "10");
  Voucher(rows, "2023-03-01", "3", "1001", "6001", "10");
  rows[2].approver = " 张三\xE3\x80\x80";  // the preparer, once trimmed
  rows[4].approver = "";                   // unapproved (first posting counts)
  rows[5].approver = "李四";
  const ScreenBook book = Build(rows);
  const ScreenReport r = Screen(book);
  const TestResult& a = r[TestId::kApproval];
  ASSERT_EQ(a.items.size(), 2u);
  EXPECT_EQ(a.Reason(a.items[0]), "制单人与审核人相同");
  EXPECT_EQ(a.Reason(a.items[1]), "未审核");
  EXPECT_EQ(r[TestId::kRarePreparer].items.size(), 3u);  // 张三 prepared 3 < 5
}

TEST(Screening, PeriodEndAroundTheBookYear) {
  std::vector<Row> rows;
  Voucher(rows, "2023-12-26", "1", "1001", "6001", "10");  // 6 days before the end: no
  Voucher(rows, "2023-12-27", "2", "1001", "6001", "10");
  Voucher(rows, "2024-01-05", "3", "1001", "6001", "10");
  Voucher(rows, "2024-01-06", "4", "1001", "6001", "10");  // no
  ScreenBook book = Build(rows);
  ScreenReport r = Screen(book);
  EXPECT_EQ(FirstRows(book, r[TestId::kPeriodEnd]), (std::vector<std::int64_t>{3, 5}));
  book = Build(rows, {}, std::nullopt);
  r = Screen(book);
  EXPECT_TRUE(r[TestId::kPeriodEnd].skipped);
}

TEST(Screening, ReversalPairsTheLatestOpenVoucherEvenOnTheSameDate) {
  std::vector<Row> rows;
  Voucher(rows, "2023-03-01", "1", "1001", "6001", "100");
  Voucher(rows, "2023-03-01", "2", "1001", "6001", "100.00");
  Voucher(rows, "2023-03-01", "3", "1001", "6001", "-100");  // reverses 2, the latest
  Voucher(rows, "2023-03-01", "4", "6001", "1001", "100");   // reverses 1 (the sides swapped)
  Voucher(rows, "2023-03-01", "5", "6001", "1001", "100");   // nothing left to reverse
  const ScreenBook book = Build(rows);
  const ScreenReport r = Screen(book);
  const TestResult& t = r[TestId::kReversal];
  ASSERT_EQ(t.items.size(), 2u);
  EXPECT_EQ(book.Number(book.vouchers[static_cast<std::size_t>(t.items[0].voucher)]), "3");
  EXPECT_EQ(book.Number(book.vouchers[static_cast<std::size_t>(t.items[0].reverses)]), "2");
  EXPECT_EQ(book.Number(book.vouchers[static_cast<std::size_t>(t.items[1].voucher)]), "4");
  EXPECT_EQ(book.Number(book.vouchers[static_cast<std::size_t>(t.items[1].reverses)]), "1");
}

TEST(Screening, VouchersOrderByDateTypeAndNumericNumber) {
  std::vector<Row> rows;
  Voucher(rows, "2023-03-02", "1", "1001", "6001", "1");
  Voucher(rows, "2023-03-01", "10", "1001", "6001", "1");
  Voucher(rows, "2023-03-01", "9", "1001", "6001", "1");
  rows.push_back({"2023-03-01", "付", "1", "1001", "1", ""});
  const ScreenBook book = Build(rows);
  std::vector<std::string> order;
  for (const ScreenVoucher& v : book.vouchers)
    order.push_back(book.Type(v) + std::string(book.Number(v)));
  // 付 (U+4ED8) before 记 (U+8BB0); 9 before 10.
  EXPECT_EQ(order, (std::vector<std::string>{"付1", "记9", "记10", "记1"}));
}

TEST(Screening, DuplicatesRunWithinTheDaysAcrossVouchers) {
  std::vector<Row> rows;
  Voucher(rows, "2023-03-01", "1", "2202", "1002", "5000");
  Voucher(rows, "2023-03-04", "2", "2202", "1002", "5000.00");  // 3 days later: same run
  Voucher(rows, "2023-03-20", "3", "2202", "1002", "5000");     // too late: a run of one
  rows.push_back({"2023-03-21", "记", "4", "6602", "70", ""});
  rows.push_back({"2023-03-21", "记", "4", "6602", "70", ""});  // one voucher only
  rows.push_back({"2023-03-21", "记", "4", "1002", "", "140"});
  const ScreenBook book = Build(rows);
  const ScreenReport r = Screen(book);
  const TestResult& t = r[TestId::kDuplicateEntry];
  ASSERT_EQ(t.items.size(), 2u);  // the debits of 2202 and the credits of 1002
  EXPECT_EQ(t.items[0].count, 2u);
  EXPECT_EQ(t.items[1].count, 2u);
}

TEST(Screening, RarePairsAndSeldomAccountsByFirstLevel) {
  std::vector<Row> rows;
  for (int i = 1; i <= 3; ++i)
    Voucher(rows, "2023-03-01", std::to_string(i), "10020" + std::to_string(i), "6001", "10");
  Voucher(rows, "2023-03-02", "4", "1002", "2241", "10");
  ChartAccounts chart;
  chart.structure = {4, 2};
  const ScreenBook book = Build(rows, chart);
  const ScreenReport r = Screen(book);
  // (1002, 6001) is used by three vouchers through the children 100201..100203.
  ASSERT_EQ(r[TestId::kRarePair].items.size(), 1u);
  EXPECT_EQ(
      book.Number(book.vouchers[static_cast<std::size_t>(r[TestId::kRarePair].items[0].voucher)]),
      "4");
  // Each child account appears in one voucher only; 6001 in three.
  EXPECT_EQ(r[TestId::kSeldomUsedAccount].items.size(), 5u);
}

TEST(Benford, ZUsesTheCorrectionOnlyWhenSmallerThanTheDifference) {
  // |po - pe| = 0.05 > 1/(2N) = 0.005: corrected.
  EXPECT_NEAR(BenfordZ(0.35, 0.30, 100), (0.05 - 0.005) / std::sqrt(0.3 * 0.7 / 100), 1e-12);
  // |po - pe| = 0.001 < 0.005: uncorrected.
  EXPECT_NEAR(BenfordZ(0.301, 0.30, 100), 0.001 / std::sqrt(0.3 * 0.7 / 100), 1e-12);
}

TEST(Benford, SkippedBelowAThousandAndSpikesFlagged) {
  std::vector<Row> rows;
  for (int i = 0; i < 999; ++i) rows.push_back({"2023-03-01", "记", "1", "1001", "1234", ""});
  ScreenBook book = Build(rows);
  ScreenReport r = Screen(book);
  EXPECT_TRUE(r[TestId::kBenford].skipped);
  rows.clear();
  // A Benford-like spread by a fixed sequence, plus a spike at 47.
  for (int i = 0; i < 3000; ++i) {
    const double x = std::pow(10.0, 1.0 + (i * 0.61803398875 - std::floor(i * 0.61803398875)));
    rows.push_back({"2023-03-01", "记", "1", "1001", std::to_string(static_cast<int>(x * 10)), ""});
  }
  for (int i = 0; i < 200; ++i) rows.push_back({"2023-03-01", "记", "1", "1001", "4711", ""});
  book = Build(rows);
  r = Screen(book);
  ASSERT_FALSE(r[TestId::kBenford].skipped);
  EXPECT_EQ(r.benford.first.n, 3200u);
  std::size_t spike = 0;
  for (const ScreenItem& i : r[TestId::kBenford].items)
    if (book.Debit(book.postings[static_cast<std::size_t>(r[TestId::kBenford].Postings(i)[0])])
            .units() == 4711)
      ++spike;
  EXPECT_EQ(spike, 200u);
  EXPECT_EQ(r.benford.first.digits.size(), 9u);
  EXPECT_EQ(r.benford.first_two.digits.size(), 90u);
}

}  // namespace
}  // namespace qoru::screening
