// What a screening run found: per test its status (ran, or skipped with the reason),
// every flagged item (a voucher, a posting, a run of duplicates or a pair of vouchers,
// with the postings it concerns and the reason), the Benford figures, and the
// parameters the tests ran with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checks/values/amount.h"
#include "screening/calendar/holiday_calendar.h"
#include "screening/screen_book.h"

namespace qoru::screening {

enum class TestId {
  kWeekendHoliday,
  kRoundAmount,
  kBenford,
  kApproval,
  kRarePreparer,
  kPeriodEnd,
  kKeyword,
  kRarePair,
  kLargeAmount,
  kDuplicateEntry,
  kReversal,
  kNegativeAmount,
  kBlankSummary,
  kSeldomUsedAccount,
};
constexpr std::size_t kTestCount = 14;

struct TestInfo {
  TestId id;
  std::string_view word;     // "weekend-holiday"
  std::string_view chinese;  // "节假日和周末记账"
  std::string_view unit;     // what an item is: 凭证, 凭证对, 分录, 组 (of duplicates)
  bool by_voucher;           // its items are vouchers: their amount is their debits
};
const TestInfo& Info(TestId id);
const std::array<TestInfo, kTestCount>& AllTests();

struct ScreenParameters {
  std::optional<checks::Amount> materiality;
  checks::Amount round_unit = checks::Amount::FromUnits(1000, 0);
  checks::Amount round_min = checks::Amount::FromUnits(10000, 0);
  int rare_preparer = 5;
  int rare_pair = 3;
  int seldom = 3;
  int period_end_days = 5;
  int duplicate_days = 3;
  std::vector<std::string> keywords;  // DefaultKeywords() unless replaced
  HolidayCalendar calendar;           // the built-in table and the --holidays files
};
std::vector<std::string> DefaultKeywords();

// An item's postings and reason are kept by its test's result, shared: a test can flag
// hundreds of thousands of postings.
struct ScreenItem {
  TestId test = TestId::kWeekendHoliday;
  int voucher = -1;          // the voucher, or -1 for a posting without one
  int reverses = -1;         // reversal: the voucher reversed
  int date = 0;              // yyyymmdd, 0 for none
  std::uint32_t reason = 0;  // index into TestResult::reasons
  std::uint32_t first = 0;   // its postings: TestResult::postings[first, first + count)
  std::uint32_t count = 0;
};

struct TestResult {
  TestId id = TestId::kWeekendHoliday;
  bool skipped = false;
  std::string reason;  // why skipped, or a note on how it ran
  std::vector<ScreenItem> items;
  std::vector<int> postings;         // the items' postings: indexes into the book's
  std::vector<std::string> reasons;  // the items' reasons
  // The postings the items list, each once, and the amount they carry: their debits
  // for a test of vouchers, else the absolute value of each one's amount.
  std::uint64_t listed_postings = 0;
  Amount amount;

  std::span<const int> Postings(const ScreenItem& item) const {
    return std::span<const int>(postings).subspan(item.first, item.count);
  }
  const std::string& Reason(const ScreenItem& item) const { return reasons[item.reason]; }
  // The id of a reason; one equal to the last added is not added again.
  std::uint32_t AddReason(std::string text);
  // Adds `item` with its postings.
  void Add(ScreenItem item, std::span<const int> item_postings);
};

struct DigitRow {
  int digit = 0;
  std::uint64_t count = 0;
  double observed = 0, expected = 0, z = 0;
};

struct DigitTest {
  std::uint64_t n = 0;
  double mad = 0;
  std::string_view conformity;  // close, acceptable, marginal, nonconformity
  std::vector<DigitRow> digits;
};

struct BenfordFigures {
  bool computed = false;
  DigitTest first, first_two;
};

struct ScreenReport {
  // Every test present from the start, each with its own id (and nothing found yet).
  ScreenReport();

  std::array<TestResult, kTestCount> tests;
  BenfordFigures benford;
  ScreenParameters parameters;
  std::uint64_t postings = 0, vouchers = 0;
  double seconds = 0;

  TestResult& operator[](TestId id) { return tests[static_cast<std::size_t>(id)]; }
  const TestResult& operator[](TestId id) const { return tests[static_cast<std::size_t>(id)]; }
};

// The words for TestResult::amount: 借方合计 or 金额合计（绝对值）.
std::string_view AmountBasis(const TestInfo& info);

// Runs the fourteen tests over `book`.
ScreenReport RunScreening(const ScreenBook& book, const ScreenParameters& parameters);

}  // namespace qoru::screening
