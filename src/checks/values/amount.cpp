#include "checks/values/amount.h"

#include <algorithm>
#include <cassert>

#include "checks/values/book_text.h"

namespace qoru::checks {
namespace {

using Units = Amount::Units;

// 10^0 ... 10^38, the powers a scale difference can need.
constexpr int kPowers = 39;
struct PowerTable {
  Units p[kPowers];
  constexpr PowerTable() : p() {
    Units v = 1;
    for (int i = 0; i < kPowers; ++i) {
      p[i] = v;
      if (i + 1 < kPowers) v *= 10;
    }
  }
};
constexpr PowerTable kPow10;

[[noreturn]] void Overflow() {
  throw AmountOverflow("金额超出可精确计算的范围（128 位整数）");
}

// Brings `a` and `b` to the larger of their scales; false when that leaves the range.
bool Align(Units& a, int a_scale, Units& b, int b_scale) {
  if (a_scale < b_scale) return !__builtin_mul_overflow(a, kPow10.p[b_scale - a_scale], &a);
  if (b_scale < a_scale) return !__builtin_mul_overflow(b, kPow10.p[a_scale - b_scale], &b);
  return true;
}

// `units` at `scale` without the trailing zeros of the fraction: the same value.
void DropTrailingZeros(Units& units, int& scale) {
  while (scale > 0 && units % 10 == 0) {
    units /= 10;
    --scale;
  }
}

// Brings `units` (at `scale`) and `other_units` (at `other_scale`) to one scale for a sum
// or a difference, and returns the other's units at it: the larger scale, or, when that
// leaves the range, the least that holds both (their fractions' trailing zeros dropped,
// which changes no value: 0.000000000000000000 beside 10^35). AmountOverflow when no
// scale holds both.
Units AlignForSum(Units& units, int& scale, Units other_units, int other_scale) {
  Units a = units, b = other_units;
  if (!Align(a, scale, b, other_scale)) {
    int a_scale = scale, b_scale = other_scale;
    a = units;
    b = other_units;
    DropTrailingZeros(a, a_scale);
    DropTrailingZeros(b, b_scale);
    if (!Align(a, a_scale, b, b_scale)) Overflow();
    units = a;
    scale = std::max(a_scale, b_scale);
    return b;
  }
  units = a;
  scale = std::max(scale, other_scale);
  return b;
}

// `units` at `scale` plus (or, with `subtract`, minus) `other_units` at `other_scale`;
// left as they were when the result leaves the range, which raises AmountOverflow.
void AddUnits(Units& units, int& scale, Units other_units, int other_scale, bool subtract) {
  Units u = units;
  int s = scale;
  const Units o = AlignForSum(u, s, other_units, other_scale);
  if (subtract ? __builtin_sub_overflow(u, o, &u) : __builtin_add_overflow(u, o, &u)) Overflow();
  units = u;
  scale = s;
}

}  // namespace

Amount& Amount::Add(const Amount& other, bool subtract) {
  Units units = this->units();
  AddUnits(units, scale_, other.units(), other.scale_, subtract);
  units_ = WordsOf(units);
  return *this;
}

Amount Amount::operator-() const {
  Units negated = 0;
  if (__builtin_sub_overflow(Units{0}, units(), &negated)) Overflow();
  return FromUnits(negated, scale_);
}

bool operator==(const Amount& a, const Amount& b) {
  Units x = a.units();
  Units y = b.units();
  // A value that leaves the range when scaled up is larger than any other can be.
  if (!Align(x, a.scale_, y, b.scale_)) return false;
  return x == y;
}

std::string Amount::ToString() const {
  using Unsigned = unsigned __int128;
  const Units units = this->units();
  const bool negative = units < 0;
  Unsigned magnitude =
      negative ? Unsigned{0} - static_cast<Unsigned>(units) : static_cast<Unsigned>(units);
  std::string digits;
  do {
    digits.push_back(static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  // At least one digit before the point and the scale's digits after it.
  while (static_cast<int>(digits.size()) < scale_ + 1) digits.push_back('0');
  std::reverse(digits.begin(), digits.end());
  std::string whole = digits.substr(0, digits.size() - scale_);
  std::string fraction = digits.substr(digits.size() - scale_);
  while (fraction.size() > 2 && fraction.back() == '0') fraction.pop_back();
  while (fraction.size() < 2) fraction.push_back('0');
  return (negative ? "-" : "") + whole + "." + fraction;
}

namespace {

// The common case in one pass: a sign, digits, a point and digits, eighteen digits at
// most in all (which fit a 64-bit integer and every limit). False for anything else,
// which the full reading below decides.
bool ParsePlainAmount(std::string_view text, Amount* out) {
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  const char* const whole_start = p;
  std::uint64_t units = 0;
  while (p != end && static_cast<unsigned char>(*p - '0') < 10) {
    units = units * 10 + static_cast<std::uint64_t>(*p - '0');
    ++p;
  }
  const std::ptrdiff_t whole = p - whole_start;
  std::ptrdiff_t scale = 0;
  if (p != end) {
    if (*p != '.') return false;
    const char* const fraction_start = ++p;
    while (p != end && static_cast<unsigned char>(*p - '0') < 10) {
      units = units * 10 + static_cast<std::uint64_t>(*p - '0');
      ++p;
    }
    scale = p - fraction_start;
    if (p != end || scale == 0) return false;
  }
  if (whole == 0 || whole + scale > 18) return false;
  const auto value = static_cast<Units>(units);
  *out = Amount::FromUnits(negative ? -value : value, static_cast<int>(scale));
  return true;
}

}  // namespace

AmountText ParseAmount(std::string_view text, Amount* out) {
  *out = Amount();
  text = TrimBlanks(text);
  if (text.empty()) return AmountText::kEmpty;
  if (ParsePlainAmount(text, out)) return AmountText::kValue;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    ++i;
  }
  const std::size_t whole_start = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  const std::string_view whole = text.substr(whole_start, i - whole_start);
  if (whole.empty()) return AmountText::kInvalid;
  std::string_view fraction;
  if (i < text.size()) {
    if (text[i] != '.') return AmountText::kInvalid;
    const std::size_t fraction_start = ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i != text.size() || i == fraction_start) return AmountText::kInvalid;
    fraction = text.substr(fraction_start);
  }
  // Leading zeros of the whole part carry nothing. The fraction keeps its written
  // decimals (sums of values of one scale need no rescaling) unless they exceed the
  // range, when its trailing zeros are dropped.
  std::size_t lead = 0;
  while (lead < whole.size() && whole[lead] == '0') ++lead;
  const std::string_view significant_whole = whole.substr(lead);
  const auto fits = [&] {
    return static_cast<int>(fraction.size()) <= Amount::kMaxScale &&
           static_cast<int>(significant_whole.size() + fraction.size()) <= Amount::kMaxDigits;
  };
  if (!fits()) {
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    if (!fits()) return AmountText::kOutOfRange;
  }
  // Up to 18 digits fit a 64-bit integer, which is much cheaper to build.
  Units units = 0;
  if (significant_whole.size() + fraction.size() <= 18) {
    std::uint64_t small = 0;
    for (char c : significant_whole) small = small * 10 + static_cast<std::uint64_t>(c - '0');
    for (char c : fraction) small = small * 10 + static_cast<std::uint64_t>(c - '0');
    units = static_cast<Units>(small);
  } else {
    for (char c : significant_whole) units = units * 10 + (c - '0');
    for (char c : fraction) units = units * 10 + (c - '0');
  }
  *out = Amount::FromUnits(negative ? -units : units, static_cast<int>(fraction.size()));
  return AmountText::kValue;
}

namespace {

using Magnitude = unsigned __int128;

Magnitude AbsoluteUnits(Units u) {
  return u < 0 ? Magnitude{0} - static_cast<Magnitude>(u) : static_cast<Magnitude>(u);
}

// (r x 10) mod m for r < m (m at most 2^127), without leaving 128 bits.
Magnitude TimesTenModulo(Magnitude r, Magnitude m) {
  constexpr Magnitude kSafe = ~Magnitude{0} / 10;
  if (r <= kSafe) return r * 10 % m;
  Magnitude out = 0;
  for (int i = 0; i < 10; ++i) {
    out += r;  // out, r < m <= 2^127: no overflow
    if (out >= m) out -= m;
  }
  return out;
}

}  // namespace

bool IsMultipleOf(const Amount& amount, const Amount& unit) {
  const Magnitude a = AbsoluteUnits(amount.units());
  Magnitude u = AbsoluteUnits(unit.units());
  if (u == 0) return false;
  if (a == 0) return true;
  if (amount.scale() <= unit.scale()) {
    // a x 10^(unit scale - amount scale) mod u: at once when the product fits, else
    // one decimal at a time.
    Magnitude scaled;
    if (!__builtin_mul_overflow(a, static_cast<Magnitude>(kPow10.p[unit.scale() - amount.scale()]),
                                &scaled))
      return scaled % u == 0;
    Magnitude r = a % u;
    for (int s = amount.scale(); s < unit.scale(); ++s) r = TimesTenModulo(r, u);
    return r == 0;
  }
  // a mod (u x 10^(amount scale - unit scale)); a unit that outgrows 128 bits exceeds
  // every amount, of which only 0 is a multiple.
  for (int s = unit.scale(); s < amount.scale(); ++s) {
    if (u > ~Magnitude{0} / 10) return false;
    u *= 10;
  }
  return a % u == 0;
}

}  // namespace qoru::checks
