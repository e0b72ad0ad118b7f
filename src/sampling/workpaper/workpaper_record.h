// What a sample's workpaper records, as the writer puts it down and the evaluation reads
// it back: the plan on the cover (概览) as pairs of a label and an exact text, and each
// selected item of the sheet 样本 by its number, stratum, hits, identity and book value.
// A digest over the plan and the items, kept on the cover, tells a workpaper made by
// `sample` and left as it was (the auditor fills in only the audited amounts and
// remarks) from one edited beyond that.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "provenance/provenance.h"
#include "sampling/exact_units.h"
#include "sampling/population.h"
#include "sampling/sample_plan.h"

namespace qoru::sampling {

struct PlanRecord {
  std::string book_set, year, table;
  Unit unit = Unit::kPosting;
  Side side = Side::kDebit;
  std::string accounts;       // the codes given, separated by blanks; empty: all
  std::string balance_month;  // balances: the month, empty without one
  std::string items;          // items of the population (amount > 0)
  std::string total;          // their amount
  int scale = 2;              // decimals of the smallest unit
  std::string zero_items, negative_items, negative_total;
  Method method = Method::kMonetaryUnit;
  std::string confidence;  // per cent
  std::string tolerable;   // empty when none was given
  std::string expected;
  std::string threshold;  // empty without a top stratum
  std::string top_items, top_total;
  std::string rest_items, rest_total;      // N and BV of the population sampled
  std::string size;                        // n
  std::string r0, expansion;               // when the size was planned
  std::string interval, start, positions;  // monetary-unit sampling
  std::string seed;
  std::string selected;  // items listed
  std::string program, started;
  std::string digest;
  // The files the sample was drawn from, as the cover's provenance records them.
  std::vector<provenance::FileRecord> files;
};

// The cover's labelled values in order, those the digest covers first.
std::vector<std::pair<std::string, std::string>> PlanPairs(const PlanRecord& r);
// The number of PlanPairs the digest covers.
std::size_t DigestedPairs();
// A plan from the labelled values read back (the labels' order does not matter); nullopt
// with the reason when a label is missing or a value unreadable.
std::optional<PlanRecord> PlanFromPairs(
    const std::vector<std::pair<std::string, std::string>>& pairs, std::string* error);

struct ItemRecord {
  std::size_t index = 0;  // 序号, from 1
  bool top = false;
  std::uint64_t hits = 1;
  std::string identity;  // posting "row 17"; voucher "20260302|记|1"; balance "1122|W003"
  Wide book = 0;         // the book value in the plan's units
  std::optional<Wide> audited;
  std::string remark;
  std::string label;  // how the item is named in an evaluation's report
};

// The digest of the plan and the items.
std::string WorkpaperDigest(const PlanRecord& plan, const std::vector<ItemRecord>& items);

// The words of the stratum column.
inline constexpr const char* kTopWord = "重大项目";
inline constexpr const char* kSampleWord = "抽样";

}  // namespace qoru::sampling
