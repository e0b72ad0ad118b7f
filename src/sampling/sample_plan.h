// The plan of a sample: which method, how many items, and for monetary-unit sampling
// the interval. A size is given (--size) or, for monetary-unit sampling, planned from
// the confidence C, the tolerable misstatement TM and the expected misstatement EM:
//
//   n = ceil(BV × R_0 / (TM − EM × E))
//
// where BV is the total of the population sampled, R_0 = −ln(1 − C/100) and E the
// expansion factor for the risk 1 − C/100 (with EM > 0 only the risks of its table are
// allowed). The interval is J = ceil(BV / n) in the population's smallest unit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sampling/exact_units.h"

namespace qoru::sampling {

enum class Method { kMonetaryUnit, kRandom };

// What the user asked for.
struct PlanRequest {
  Method method = Method::kMonetaryUnit;
  Amount confidence = Amount::FromUnits(95, 0);  // per cent, 0 < C < 100
  std::optional<Amount> tolerable;               // TM > 0
  Amount expected;                               // EM ≥ 0
  std::optional<std::uint64_t> size;             // n ≥ 1
};

// Why the request cannot be planned, whatever the population (ranges, combinations), in
// Chinese; empty when it can.
std::string RequestProblem(const PlanRequest& request);

// The risk 1 − C/100 as a fraction, and as per cent without trailing zeros ("5").
long double RiskOf(const PlanRequest& request);
std::string RiskPercent(const PlanRequest& request);

// A size planned from TM, with the factors that gave it.
struct PlannedSize {
  std::uint64_t size = 0;
  double r0 = 0;               // R_0
  std::string expansion;       // E as text, empty when EM = 0 and the risk has none
  Wide denominator_units = 0;  // TM − EM × E at denominator_scale decimals
  int denominator_scale = 0;
};

// Plans n for a population of `total` units at `scale` decimals (total > 0). nullopt
// with the reason in `error` when TM − EM × E is not positive or n would be beyond
// 2^62.
std::optional<PlannedSize> PlanSize(const PlanRequest& request, UWide total, int scale,
                                    std::string* error);

// J = ceil(total / size), size ≥ 1.
inline UWide Interval(UWide total, std::uint64_t size) {
  return (total + size - 1) / size;
}

}  // namespace qoru::sampling
