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

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "sampling/exact_units.h"

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

// Simple random selection of `size` (≤ items) of `items` numbered 0 ... items − 1,
// drawing from `generator`; ascending.
std::vector<std::size_t> SelectRandom(std::size_t items, std::size_t size,
                                      std::mt19937_64& generator);

}  // namespace qoru::sampling
