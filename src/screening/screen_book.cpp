#include "screening/screen_book.h"

#include <fmt/format.h>

#include <cstdint>

namespace qoru::screening {

Amount ScreenPosting::amount() const {
  switch (side) {
    case PostingSide::kDebit:
      return AbsoluteAmount(debit);
    case PostingSide::kCredit:
      return AbsoluteAmount(credit);
    case PostingSide::kNone:
      break;
  }
  return Amount();
}

std::string ScreenColumns::Why(const std::string& role) const {
  const auto it = missing.find(role);
  return it == missing.end() ? "凭证表没有 " + role + " 列" : it->second;
}

int CompareAmounts(const Amount& a, const Amount& b) {
  if (a.scale() == b.scale()) return a.units() < b.units() ? -1 : (a.units() > b.units() ? 1 : 0);
  const Amount d = a - b;
  return d.units() < 0 ? -1 : (d.units() > 0 ? 1 : 0);
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
