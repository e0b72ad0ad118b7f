// The shapes of realistic book sets (consistent_books.h, --realistic): how many
// postings a voucher has, on which day it falls, and its amounts. Integer arithmetic
// and the generator's own PRNG only, so that a seed gives the same bytes everywhere.
#include <array>
#include <cmath>

#include "gendata/consistent_ledger.h"
#include "screening/calendar/holiday_calendar.h"

namespace qoru::gen::ledger {
namespace {

// Parts per million of the first two digits 10 to 99 under Benford's law, summed up.
const std::array<std::int64_t, 90>& BenfordCumulative() {
  static const std::array<std::int64_t, 90> table = [] {
    std::array<std::int64_t, 90> t{};
    std::int64_t sum = 0;
    for (int d = 10; d <= 99; ++d) {
      sum += std::llround(1e6 * std::log10(1.0 + 1.0 / d));
      t[static_cast<std::size_t>(d - 10)] = sum;
    }
    return t;
  }();
  return table;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

int Books::RealisticVoucherSize() {
  const auto roll = rng_.Below(1000);
  if (roll < 450) return 2;
  if (roll < 750) return 3;
  if (roll < 880) return 4;
  if (roll < 960) return static_cast<int>(rng_.Between(5, 12));
  if (roll < 995) return static_cast<int>(rng_.Between(13, 60));
  return static_cast<int>(rng_.Between(61, 300));  // payroll, depreciation
}

int Books::RealisticDay(int month) {
  // Rest days (weekends, public holidays) are about three days in ten; a posting falls
  // on one a little over a third as often as on a working day: about one in seven.
  const int days = DaysInMonth(o_.year, month);
  for (;;) {
    const int day = 1 + static_cast<int>(rng_.Below(static_cast<std::uint64_t>(days)));
    if (!screening::ClassifyDay({o_.year, month, day}).rest || rng_.Percent(36)) return day;
  }
}

Money Books::RealisticAmount() {
  if (rng_.Percent(30)) return static_cast<Money>(rng_.Between(10000, 300000)) * kCent;
  // The first two digits by Benford's law, then a scale of 10.00 to 999,999.99 yuan.
  const auto& cumulative = BenfordCumulative();
  const auto pick =
      static_cast<std::int64_t>(rng_.Below(static_cast<std::uint64_t>(cumulative.back())));
  int digits = 10;
  while (cumulative[static_cast<std::size_t>(digits - 10)] <= pick) ++digits;
  std::int64_t scale = 1;
  for (auto e = rng_.Between(2, 6); e > 0; --e) scale *= 10;  // cents below the two digits
  const std::int64_t cents =
      digits * scale + static_cast<std::int64_t>(rng_.Below(static_cast<std::uint64_t>(scale)));
  return static_cast<Money>(cents) * kCent;
}

std::vector<Line> Books::RealisticVoucher(int k) {
  if (k <= 4) return RandomVoucher(k);
  std::vector<Line> lines;
  const Money sum = AddDebits(k - 1, lines);
  lines.push_back(MakeLine(RandomLeaf(), 0, sum));
  return lines;
}

}  // namespace qoru::gen::ledger
