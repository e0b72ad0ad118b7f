// Selecting a sample from the amounts of a population in its order.
//
// Monetary-unit, systematic: with the interval J and x0 the first output of the
// generator, the start is s = 1 + (((x0 >> 11) × J) >> 53), the positions s, s + J,
// s + 2J, ... up to the total, and an item is hit by a position p when C(i−1) < p ≤ C(i)
// for its cumulative amounts. An item of at least J is always hit; one hit several times
// is listed once with its hits.
//
// Random, without replacement: a partial Fisher–Yates shuffle of the item numbers, for i
// = 0 ... n − 1 swapping item i with item j = i + (((x_i >> 11) × (N − i)) >> 53); the
// first n are the sample, returned in population order.
//
// The generator is std::mt19937_64, whose outputs the C++ standard fixes for a seed, and
// nothing but its raw outputs is used, so a seed gives the same sample everywhere.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "sampling/exact_units.h"
#include "sampling/sample_plan.h"

namespace qoru::sampling {

struct Hit {
  std::size_t item = 0;    // index into the amounts
  std::uint64_t hits = 0;  // positions that fall in it
};

struct UnitSelection {
  UWide total = 0;              // BV, the sum of the amounts
  UWide interval = 0;           // J
  UWide start = 0;              // s, from 1 to J
  std::uint64_t positions = 0;  // s, s + J, ... up to BV
  std::vector<Hit> hits;        // the items hit, in order
};

// Monetary-unit selection of `size` (≥ 1) over `amounts` (each > 0, in order), with
// `x0` the generator's first output.
UnitSelection SelectMonetaryUnits(std::span<const UWide> amounts, std::uint64_t size,
                                  std::uint64_t x0);

// The same over `count` amounts given one by one by `amount_at(i)`, whose sum `total` is
// known already: a population's amounts are walked where they are, not copied.
template <typename AmountAt>
UnitSelection SelectMonetaryUnits(std::size_t count, UWide total, const AmountAt& amount_at,
                                  std::uint64_t size, std::uint64_t x0) {
  UnitSelection s;
  s.total = total;
  if (s.total == 0 || size == 0) return s;
  s.interval = Interval(s.total, size);
  s.start = 1 + MulShift53(x0 >> 11, s.interval);
  s.positions = static_cast<std::uint64_t>((s.total - s.start) / s.interval + 1);
  s.hits.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(s.positions, count)));
  // One walk over the items and the positions together.
  UWide cumulative = 0;
  UWide next = s.start;
  for (std::size_t i = 0; i < count && next <= s.total; ++i) {
    cumulative += amount_at(i);
    if (next > cumulative) continue;
    const UWide hits = (cumulative - next) / s.interval + 1;
    s.hits.push_back({i, static_cast<std::uint64_t>(hits)});
    next += hits * s.interval;
  }
  return s;
}

// Simple random selection of `size` (≤ items) of `items` numbered 0 ... items − 1,
// drawing from `generator`; ascending.
std::vector<std::size_t> SelectRandom(std::size_t items, std::size_t size,
                                      std::mt19937_64& generator);

}  // namespace qoru::sampling
