// A sample drawn: the population split into the top stratum (every item of at least
// the threshold, when one is given) and the rest, the size given or planned for the
// rest, and the items selected from it by the method with the generator seeded by the
// seed. The same book set, request and seed give the same sample on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "errors/errors.h"
#include "sampling/population.h"
#include "sampling/sample_plan.h"

namespace qoru::sampling {

// The request cannot be carried out on this population (an empty one, a size beyond
// its items, TM − EM × E ≤ 0); the message says why and what to do.
class SampleError : public Failure {
 public:
  using Failure::Failure;
};

struct SampleRequest {
  PopulationRequest population;
  PlanRequest plan;
  std::optional<Amount> threshold;  // T > 0: items of at least T form the top stratum
  std::uint64_t seed = 0;
  bool seed_given = false;  // --seed, else taken from the clock
};

struct SelectedItem {
  std::size_t item = 0;    // index into the population's items
  std::uint64_t hits = 1;  // monetary-unit positions in it (1 for random and top items)
  bool top = false;        // of the top stratum
};

struct Sample {
  SampleRequest request;
  Population population;
  std::vector<std::size_t> top;        // the top stratum's items, in order
  Wide top_total = 0;                  // their amounts, in units
  std::size_t rest_items = 0;          // N: the items sampled by the method
  Wide rest_total = 0;                 // BV: their amounts, in units
  std::uint64_t size = 0;              // n (0 when the rest is empty)
  std::optional<PlannedSize> planned;  // when n was planned
  // Monetary-unit sampling (0 when the rest is empty):
  UWide interval = 0;  // J
  UWide start = 0;     // s
  std::uint64_t positions = 0;
  std::uint64_t x0 = 0;                // the generator's first output
  std::vector<SelectedItem> selected;  // in population order
  bool every_item = false;             // the positions reach every item of the rest
};

// Draws the sample from `population`; raises SampleError.
Sample DrawSample(Population population, const SampleRequest& request);

// A seed from the clock, for a run without --seed.
std::uint64_t ClockSeed();

}  // namespace qoru::sampling
