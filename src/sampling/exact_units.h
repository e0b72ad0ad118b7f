// The integers sampling counts in: amounts as whole multiples of the population's
// smallest unit (10^−scale), signed or unsigned 128-bit, with the checked conversions
// and the decimal texts they are shown in. Every step from a population's amounts to
// its interval, start and positions is exact in these units.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "checks/values/amount.h"

namespace qoru::sampling {

using checks::Amount;
using Wide = __int128;
using UWide = unsigned __int128;

// `a` in units of 10^−scale (scale ≥ a.scale(), at most 38); raises checks::AmountOverflow
// when that leaves the 128-bit range.
Wide UnitsAt(const Amount& a, int scale);

// 10^n for n from 0 to 38.
UWide PowerOfTen(int n);

// `units` at `scale` decimals as text with at least two decimals, as amounts are shown:
// DecimalText(123450, 3) = "123.45", DecimalText(5, 0) = "5.00", DecimalText(-5, 3) =
// "-0.005".
std::string DecimalText(Wide units, int scale);
// A whole number as decimal digits.
std::string IntegerText(UWide value);

// (r × j) >> 53 for r < 2^53, exactly, whatever j: the product can exceed 128 bits.
UWide MulShift53(std::uint64_t r, UWide j);

// A decimal text without trailing zeros of its fraction ("5", "97.5"), for the
// comparison of percentages with a table.
std::string PlainDecimal(const Amount& a);

// Reads a decimal number as a spreadsheet stores it ("1234.5599999999999", "1E-3",
// "-12") rounded half away from zero to `scale` decimals; nullopt when it is not a
// number or does not fit.
std::optional<Wide> RoundedUnits(std::string_view text, int scale);

// The amount of `text` in the plain form an ERP writes ("3142.79", "0.00", "12": digits,
// a point and decimals, 18 digits at most) as 64-bit units at a scale, exactly as
// checks::ParseAmount reads it but without a 128-bit amount; false for every other form
// (signs, blanks, more digits, anything unreadable), which ParseAmount then reads.
bool PlainAmountUnits(std::string_view text, std::int64_t* units, std::int8_t* scale);

}  // namespace qoru::sampling
