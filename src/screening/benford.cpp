#include <cmath>
#include <cstdint>
#include <span>

#include <fmt/format.h>

#include "screening/screen_tests.h"

namespace qoru::screening {
namespace {

constexpr std::uint64_t kMinimumCount = 1000;

// The first two digits of the integer part of `amount` (at least 10), or 0.
int FirstTwoDigits(const Amount& amount) {
  constexpr std::uint64_t kPowers[] = {1ULL,
                                       10ULL,
                                       100ULL,
                                       1000ULL,
                                       10000ULL,
                                       100000ULL,
                                       1000000ULL,
                                       10000000ULL,
                                       100000000ULL,
                                       1000000000ULL,
                                       10000000000ULL,
                                       100000000000ULL,
                                       1000000000000ULL,
                                       10000000000000ULL,
                                       100000000000000ULL,
                                       1000000000000000ULL,
                                       10000000000000000ULL,
                                       100000000000000000ULL,
                                       1000000000000000000ULL};
  Amount::Units u = amount.units();
  if (u < static_cast<Amount::Units>(UINT64_MAX)) {
    // Most amounts: 64-bit arithmetic.
    std::uint64_t v = static_cast<std::uint64_t>(u) / kPowers[amount.scale()];
    if (v < 10) return 0;
    while (v >= 100) v /= 10;
    return static_cast<int>(v);
  }
  for (int s = 0; s < amount.scale(); ++s) u /= 10;
  while (u >= 100) u /= 10;
  return static_cast<int>(u);
}

std::string_view Conformity(double mad, double close, double acceptable, double marginal) {
  if (mad <= close) return "close";
  if (mad <= acceptable) return "acceptable";
  if (mad <= marginal) return "marginal";
  return "nonconformity";
}

DigitTest Figures(const std::vector<std::uint64_t>& counts, int first, int last, std::uint64_t n) {
  DigitTest t;
  t.n = n;
  double sum = 0;
  for (int d = first; d <= last; ++d) {
    DigitRow r;
    r.digit = d;
    r.count = counts[static_cast<std::size_t>(d)];
    r.expected = std::log10(1.0 + 1.0 / d);
    r.observed = n == 0 ? 0 : static_cast<double>(r.count) / static_cast<double>(n);
    r.z = n == 0 ? 0 : BenfordZ(r.observed, r.expected, static_cast<double>(n));
    sum += std::fabs(r.observed - r.expected);
    t.digits.push_back(r);
  }
  t.mad = sum / (last - first + 1);
  return t;
}

}  // namespace

double BenfordZ(double po, double pe, double n) {
  double diff = std::fabs(po - pe);
  const double correction = 1.0 / (2.0 * n);
  if (correction < diff) diff -= correction;
  return diff / std::sqrt(pe * (1.0 - pe) / n);
}

void TestBenford(const ScreenBook& book, BenfordFigures& figures, TestResult& out) {
  std::vector<std::uint64_t> first(10, 0), two(100, 0);
  std::vector<unsigned char> digits(book.postings.size(), 0);
  std::uint64_t n = 0;
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const ScreenPosting& p = book.postings[i];
    if (p.side != PostingSide::kDebit) continue;
    const int d = FirstTwoDigits(book.AmountOf(p));
    if (d == 0) continue;  // below 10
    digits[i] = static_cast<unsigned char>(d);
    ++two[static_cast<std::size_t>(d)];
    ++first[static_cast<std::size_t>(d / 10)];
    ++n;
  }
  figures.computed = true;
  figures.first = Figures(first, 1, 9, n);
  figures.first.conformity = Conformity(figures.first.mad, 0.006, 0.012, 0.015);
  figures.first_two = Figures(two, 10, 99, n);
  figures.first_two.conformity = Conformity(figures.first_two.mad, 0.0012, 0.0018, 0.0022);
  if (n < kMinimumCount) {
    out.skipped = true;
    out.reason = fmt::format("借方金额不小于 10 的分录只有 {} 笔，少于 {} 笔", n, kMinimumCount);
    return;
  }
  std::vector<bool> spike(100, false);
  std::vector<std::uint32_t> reasons(100, 0);
  std::size_t flagged = 0;
  for (const DigitRow& r : figures.first_two.digits) {
    const auto d = static_cast<std::size_t>(r.digit);
    spike[d] = r.z > 1.96 && r.observed > r.expected;
    if (!spike[d]) continue;
    reasons[d] =
        out.AddReason(fmt::format("前两位数字 {} 偏多：实际 {:.4f}，预期 {:.4f}，z = {:.2f}",
                                  r.digit, r.observed, r.expected, r.z));
    flagged += r.count;
  }
  out.items.reserve(flagged);
  out.postings.reserve(flagged);
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    if (digits[i] == 0 || !spike[digits[i]]) continue;
    const ScreenPosting& p = book.postings[i];
    ScreenItem item;
    item.test = TestId::kBenford;
    item.voucher = p.voucher;
    item.date = p.date;
    item.reason = reasons[digits[i]];
    const int index = static_cast<int>(i);
    out.Add(item, std::span<const int>(&index, 1));
  }
}

}  // namespace qoru::screening
