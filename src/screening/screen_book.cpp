#include "screening/screen_book.h"

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include <cstdint>

namespace qoru::screening {

Amount ScreenBook::AmountOf(const ScreenPosting& p) const {
  switch (p.side) {
    case PostingSide::kDebit:
      return AbsoluteAmount(Debit(p));
    case PostingSide::kCredit:
      return AbsoluteAmount(Credit(p));
    case PostingSide::kNone:
      break;
  }
  return Amount();
}

bool ScreenBook::DebitNegative(const ScreenPosting& p) const {
  return p.debit_scale == kWideAmount ? Debit(p).units() < 0 : p.debit_units < 0;
}

bool ScreenBook::CreditNegative(const ScreenPosting& p) const {
  return p.credit_scale == kWideAmount ? Credit(p).units() < 0 : p.credit_units < 0;
}

void ScreenBook::Pack(const Amount& a, std::int64_t* units, std::int8_t* scale) {
  if (a.units() >= INT64_MIN && a.units() <= INT64_MAX) {
    *units = static_cast<std::int64_t>(a.units());
    *scale = static_cast<std::int8_t>(a.scale());
    return;
  }
  *units = static_cast<std::int64_t>(wide_amounts.size());
  *scale = kWideAmount;
  wide_amounts.push_back(a);
}

std::string ScreenColumns::Why(const std::string& role) const {
  const auto it = missing.find(role);
  return it == missing.end() ? "凭证表没有 " + role + " 列" : it->second;
}

std::int64_t PowerOfTen(int n) {
  static constexpr auto kPowers = [] {
    std::array<std::int64_t, 19> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
    return p;
  }();
  return kPowers[static_cast<std::size_t>(n)];
}

double AmountValue(const Amount& a) {
  return static_cast<double>(a.units()) / static_cast<double>(PowerOfTen(a.scale()));
}

void ScaleAmounts(ScreenBook& book) {
  book.scaled_amounts.clear();
  if (!book.wide_amounts.empty()) return;
  int scale = 0;
  for (const ScreenPosting& p : book.postings) {
    if (p.side == PostingSide::kDebit) scale = std::max<int>(scale, p.debit_scale);
    if (p.side == PostingSide::kCredit) scale = std::max<int>(scale, p.credit_scale);
  }
  if (scale > 18) return;
  std::vector<std::int64_t> values(book.postings.size(), 0);
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const ScreenPosting& p = book.postings[i];
    if (p.side == PostingSide::kNone) continue;
    const bool debit = p.side == PostingSide::kDebit;
    const std::int64_t units = debit ? p.debit_units : p.credit_units;
    // The absolute value; the smallest 64-bit value has none.
    if (units == INT64_MIN) return;
    const std::int64_t magnitude = units < 0 ? -units : units;
    const std::int64_t factor = PowerOfTen(scale - (debit ? p.debit_scale : p.credit_scale));
    if (magnitude > INT64_MAX / factor) return;
    values[i] = magnitude * factor;
  }
  book.scaled_amounts = std::move(values);
  book.amount_scale = scale;
}

int CompareAmounts(const Amount& a, const Amount& b) {
  const auto sign = [](Amount::Units u) { return (u > 0) - (u < 0); };
  if (sign(a.units()) != sign(b.units())) return sign(a.units()) < sign(b.units()) ? -1 : 1;
  // One sign: the units at one scale. A value that would leave 128 bits on the way is
  // the larger in size (the other's units fit), so the sign decides; never a - b, which
  // can overflow (36 digits against 18 decimals).
  Amount::Units x = a.units(), y = b.units();
  if (a.scale() < b.scale() &&
      __builtin_mul_overflow(x, Amount::Units{PowerOfTen(b.scale() - a.scale())}, &x))
    return sign(a.units());
  if (b.scale() < a.scale() &&
      __builtin_mul_overflow(y, Amount::Units{PowerOfTen(a.scale() - b.scale())}, &y))
    return -sign(b.units());
  return x < y ? -1 : (x > y ? 1 : 0);
}

Amount AbsoluteAmount(const Amount& a) {
  return a.units() < 0 ? -a : a;
}

Amount Normalized(const Amount& a) {
  if (a.scale() == 0) return a;
  if (a.units() > INT64_MIN && a.units() < INT64_MAX) {
    // Most amounts: 64-bit arithmetic.
    auto u = static_cast<std::int64_t>(a.units());
    int s = a.scale();
    while (s > 0 && u % 10 == 0) {
      u /= 10;
      --s;
    }
    return Amount::FromUnits(u, s);
  }
  Amount::Units u = a.units();
  int s = a.scale();
  while (s > 0 && u % 10 == 0) {
    u /= 10;
    --s;
  }
  return Amount::FromUnits(u, s);
}

std::string DateText(int d) {
  return fmt::format("{:04}-{:02}-{:02}", DateYear(d), DateMonth(d), DateDay(d));
}

}  // namespace qoru::screening
