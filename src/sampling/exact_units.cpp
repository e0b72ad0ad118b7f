#include "sampling/exact_units.h"

#include <algorithm>

namespace qoru::sampling {

UWide PowerOfTen(int n) {
  static const auto kPowers = [] {
    struct Table {
      UWide p[39];
    } t{};
    t.p[0] = 1;
    for (int i = 1; i < 39; ++i) t.p[i] = t.p[i - 1] * 10;
    return t;
  }();
  return kPowers.p[n];
}

Wide UnitsAt(const Amount& a, int scale) {
  Wide out = 0;
  if (scale < a.scale() || scale > 38 ||
      __builtin_mul_overflow(a.units(), static_cast<Wide>(PowerOfTen(scale - a.scale())), &out))
    throw checks::AmountOverflow("金额 " + a.ToString() + " 超出可计算的范围");
  return out;
}

std::string IntegerText(UWide value) {
  std::string digits;
  do {
    digits.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value != 0);
  std::reverse(digits.begin(), digits.end());
  return digits;
}

std::string DecimalText(Wide units, int scale) {
  const bool negative = units < 0;
  const UWide magnitude =
      negative ? UWide(0) - static_cast<UWide>(units) : static_cast<UWide>(units);
  std::string digits = IntegerText(magnitude);
  if (static_cast<int>(digits.size()) < scale + 1)
    digits.insert(0, static_cast<std::size_t>(scale + 1) - digits.size(), '0');
  std::string whole = digits.substr(0, digits.size() - static_cast<std::size_t>(scale));
  std::string fraction = digits.substr(digits.size() - static_cast<std::size_t>(scale));
  while (fraction.size() > 2 && fraction.back() == '0') fraction.pop_back();
  while (fraction.size() < 2) fraction.push_back('0');
  return (negative ? "-" : "") + whole + "." + fraction;
}

UWide MulShift53(std::uint64_t r, UWide j) {
  // j = high × 2^64 + low: (r × high × 2^64) >> 53 is r × high × 2^11 exactly, and
  // adding a whole number leaves the floor of the rest unchanged.
  const UWide low = static_cast<std::uint64_t>(j);
  const UWide high = j >> 64;
  return ((static_cast<UWide>(r) * high) << 11) + ((static_cast<UWide>(r) * low) >> 53);
}

std::string PlainDecimal(const Amount& a) {
  std::string text = a.ToString();
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

std::optional<Wide> RoundedUnits(std::string_view text, int scale) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string digits;  // mantissa digits, the point removed
  int point = -1;      // digits before the point
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits.push_back(c);
    } else if (c == '.' && point < 0) {
      point = static_cast<int>(digits.size());
    } else {
      break;
    }
  }
  if (digits.empty()) return std::nullopt;
  if (point < 0) point = static_cast<int>(digits.size());
  if (i < text.size()) {
    if (text[i] != 'e' && text[i] != 'E') return std::nullopt;
    ++i;
    bool exponent_negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) exponent_negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    int exponent = 0;
    for (; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9' || exponent > 1000) return std::nullopt;
      exponent = exponent * 10 + (text[i] - '0');
    }
    point += exponent_negative ? -exponent : exponent;
  }
  // The value is 0.digits × 10^point; keep the digits up to `scale` decimals and round
  // on the next one.
  const int keep = point + scale;  // digits that stay
  UWide units = 0;
  for (int d = 0; d < keep; ++d) {
    const int digit =
        d < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(d)] - '0' : 0;
    if (units > (~UWide(0) >> 2) / 10) return std::nullopt;
    units = units * 10 + static_cast<UWide>(digit);
  }
  if (keep >= 0 && keep < static_cast<int>(digits.size()) &&
      digits[static_cast<std::size_t>(keep)] >= '5')
    ++units;
  if (units > (~UWide(0) >> 2)) return std::nullopt;
  const Wide value = static_cast<Wide>(units);
  return negative ? -value : value;
}

bool PlainAmountUnits(std::string_view text, std::int64_t* units, std::int8_t* scale) {
  const std::size_t n = text.size();
  if (n == 0 || n > 19) return false;
  std::int64_t value = 0;
  std::size_t point = n;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
    if (digit < 10) {
      value = value * 10 + static_cast<std::int64_t>(digit);
    } else if (text[i] == '.' && point == n && i > 0 && i + 1 < n) {
      point = i;
    } else {
      return false;
    }
  }
  if (point == n && n > 18) return false;
  *units = value;
  *scale = static_cast<std::int8_t>(point == n ? 0 : n - point - 1);
  return true;
}

}  // namespace qoru::sampling
