// An exact decimal amount of money: a signed 128-bit count of units and a scale (the
// number of decimals the units stand for), so "12.50" is 1250 units at scale 2. Sums and
// comparisons align the scales first and never round; binary floating point is never
// involved, so 0.10 + 0.20 equals 0.30 and eighteen-digit amounts keep every digit.
//
// A value holds at most 36 significant digits and 18 decimals (trailing zeros of the
// fraction do not count), which leaves room for summing millions of the largest
// amounts that an ERP writes. A sum or difference takes the larger of the two scales,
// or, where that would leave the 128-bit range, the least scale that holds both values
// exactly (10^35 plus 0.000000000000000000 is 10^35); arithmetic that would still leave
// the range raises AmountOverflow instead of giving a wrong figure.
#pragma once

#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>

#include "errors/errors.h"

namespace qoru::checks {

// A sum or difference beyond the 128-bit range.
class AmountOverflow : public Failure {
 public:
  using Failure::Failure;
};

class Amount {
 public:
  using Units = __int128;
  static constexpr int kMaxScale = 18;
  static constexpr int kMaxDigits = 36;

  constexpr Amount() = default;
  // `units` at `scale` decimals; a scale outside 0..kMaxScale is a programming error.
  static Amount FromUnits(Units units, int scale) {
    assert(scale >= 0 && scale <= kMaxScale);
    Amount a;
    a.units_ = WordsOf(units);
    a.scale_ = scale;
    return a;
  }

  Units units() const {
    return static_cast<Units>(static_cast<unsigned __int128>(units_.high) << 64 | units_.low);
  }
  int scale() const { return scale_; }
  bool IsZero() const { return (units_.low | units_.high) == 0; }

  // Amounts of one scale are summed here, where the callers' loops can have it inline
  // (a screening adds up a million postings several times over); the rest, and an
  // overflow to raise, in Add.
  Amount& operator+=(const Amount& other) {
    Units sum;
    if (scale_ != other.scale_ || __builtin_add_overflow(units(), other.units(), &sum))
      return Add(other, false);
    units_ = WordsOf(sum);
    return *this;
  }
  Amount& operator-=(const Amount& other) {
    Units difference;
    if (scale_ != other.scale_ || __builtin_sub_overflow(units(), other.units(), &difference))
      return Add(other, true);
    units_ = WordsOf(difference);
    return *this;
  }
  friend Amount operator+(Amount a, const Amount& b) { return a += b; }
  friend Amount operator-(Amount a, const Amount& b) { return a -= b; }
  Amount operator-() const;
  // Equal values compare equal whatever their scales: 1.5 == 1.50.
  friend bool operator==(const Amount& a, const Amount& b);

  // Decimal text with at least two decimals and no trailing zeros beyond them:
  // "1234.50", "-0.05", "0.0001", "123456789012345678.90".
  std::string ToString() const;

 private:
  // The units as two 64-bit words: a 128-bit integer's 16-byte alignment would pad an
  // Amount to 32 bytes, and the checks keep two of them for every voucher. The words are
  // taken by shifts, which stay in registers (a bit_cast went through memory, and the
  // 16-byte load of two 8-byte stores stalled every sum).
  struct Words {
    std::uint64_t low = 0, high = 0;
  };
  static Words WordsOf(Units units) {
    const auto u = static_cast<unsigned __int128>(units);
    return {static_cast<std::uint64_t>(u), static_cast<std::uint64_t>(u >> 64)};
  }
  // `other` added (or, with `subtract`, taken away) at the scale the sum needs.
  Amount& Add(const Amount& other, bool subtract);

  Words units_;
  int scale_ = 0;
};
static_assert(sizeof(Amount) == 24, "an Amount is two 64-bit words and a scale");

// How a text reads as an amount.
enum class AmountText {
  kValue,       // an optional sign, digits, optionally "." and digits
  kEmpty,       // nothing but blanks: the amount 0
  kInvalid,     // anything else
  kOutOfRange,  // well-formed, but more digits or decimals than an Amount holds
};

// Reads `text` after trimming it (TrimBlanks). `out` is set for kValue and to 0 for
// every other outcome.
AmountText ParseAmount(std::string_view text, Amount* out);

// Whether `amount` is a whole multiple of `unit` (k times `unit` for an integer k),
// exact for any two amounts whatever their digits and scales (nothing is scaled into
// an overflow); false when `unit` is 0.
bool IsMultipleOf(const Amount& amount, const Amount& unit);

}  // namespace qoru::checks
