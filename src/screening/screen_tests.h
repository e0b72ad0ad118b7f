// The fourteen tests, each filling its result from the book (the runner has already
// skipped those whose columns are missing). Voucher tests list a voucher's postings in
// file order; posting tests list one posting each.
#pragma once

#include "screening/calendar/holiday_calendar.h"
#include "screening/screen_book.h"
#include "screening/screen_report.h"

namespace qoru::screening {

// The item of voucher `v` for `test`, with the reason of id `reason`.
ScreenItem VoucherItem(const ScreenBook& book, TestId test, int v, std::uint32_t reason);

// Voucher tests (the reversal test in reversal_test.cpp).
void TestWeekendHoliday(const ScreenBook& book, const HolidayCalendar& calendar, TestResult& out);
void TestApproval(const ScreenBook& book, TestResult& out);
void TestRarePreparer(const ScreenBook& book, int below, TestResult& out);
void TestPeriodEnd(const ScreenBook& book, int year, int days, TestResult& out);
void TestRarePair(const ScreenBook& book, int below, TestResult& out);
void TestReversal(const ScreenBook& book, TestResult& out);

// Posting tests.
void TestRoundAmount(const ScreenBook& book, const Amount& unit, const Amount& minimum,
                     TestResult& out);
void TestKeywords(const ScreenBook& book, const std::vector<std::string>& keywords,
                  TestResult& out);
void TestLargeAmount(const ScreenBook& book, const std::optional<Amount>& materiality,
                     TestResult& out);
void TestNegativeAmount(const ScreenBook& book, TestResult& out);
void TestBlankSummary(const ScreenBook& book, TestResult& out);
void TestSeldomUsedAccount(const ScreenBook& book, int below, TestResult& out);
void TestDuplicateEntry(const ScreenBook& book, int days, TestResult& out);

// Benford's law over the debit-side postings of 10 or more.
void TestBenford(const ScreenBook& book, BenfordFigures& figures, TestResult& out);
// The z statistic of a digit: observed share `po`, expected `pe`, over `n` amounts.
double BenfordZ(double po, double pe, double n);

}  // namespace qoru::screening
