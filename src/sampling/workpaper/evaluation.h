// The evaluation of a sample from the auditor's audited amounts.
//
// For every item the misstatement is d = book − audited. Items of the top stratum, and
// in monetary-unit sampling the items of at least the interval J, contribute their d
// exactly. Monetary-unit sampling, overstatements (d > 0): for the other items the taint
// t = d / book; the projected misstatement PM = Σ t × J, with the d of the items of at
// least J in it as they are; the basic precision BP = R_0 × J;
// the incremental allowance IA = Σ_k (R_k − R_(k−1) − 1) × t_(k) × J over the taints in
// descending order, R_k the Poisson upper factor for k misstatements at the confidence;
// the upper misstatement limit UML = the top stratum's d + PM + BP + IA, acceptable when it does
// not exceed the tolerable misstatement. Understatements (d < 0) are evaluated the same
// way with the signs reversed. Random sampling projects the sample's misstatement onto
// the population it was drawn from: by ratio (Σ d / Σ book) × BV, and by difference
// N × mean(d); the top stratum's misstatement is added as it is.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sampling/workpaper/workpaper_record.h"

namespace qoru::sampling {

struct ItemMisstatement {
  std::size_t index = 0;  // the item's 序号
  bool top = false;       // of the top stratum
  bool large = false;     // monetary-unit: book ≥ J, not projected
  Wide book = 0, audited = 0, d = 0;
  long double taint = 0;  // d / book
};

// One direction of a monetary-unit evaluation; amounts in the plan's units.
struct UpperLimit {
  Wide top = 0;    // the top stratum's misstatements of this direction, exactly
  Wide large = 0;  // those of the items of at least J, exactly (part of PM)
  std::vector<ItemMisstatement> taints;  // the projected ones, by taint descending
  std::vector<double> factors;           // R_0 ... R_m
  std::vector<long double> allowances;   // (R_k − R_(k−1) − 1) × t_(k) × J, k = 1 ... m
  long double projected = 0;             // PM: large + Σ t × J
  long double basic = 0;                 // BP
  long double incremental = 0;           // IA
  long double upper = 0;                 // UML
  std::optional<bool> acceptable;        // against TM, when one was given
};

struct Projection {
  std::size_t items = 0;       // n: the sampled items
  Wide misstatement = 0;       // Σ d over them
  Wide book = 0;               // Σ book over them
  long double ratio = 0;       // (Σ d / Σ book) × BV
  long double difference = 0;  // N × mean(d)
  Wide top = 0;                // the top stratum's Σ d
};

struct Evaluation {
  PlanRecord plan;
  std::vector<ItemMisstatement> items;  // every item, in order
  std::size_t misstated = 0, overstated = 0, understated = 0;
  Wide top_misstatement = 0;  // the top stratum's Σ d (net)
  // Monetary-unit sampling.
  UpperLimit over, under;
  // Random sampling.
  Projection projection;
  std::optional<Wide> tolerable;  // TM in units
  long double risk = 0.05L;
};

// Evaluates the items (each with its audited amount) of the plan. Raises SampleError
// (sample_run.h) when the plan's figures cannot be read.
Evaluation Evaluate(const PlanRecord& plan, const std::vector<ItemRecord>& items);

// Units as text rounded half away from zero to the unit: "12345.67".
std::string UnitsFigure(long double units, int scale);

}  // namespace qoru::sampling
