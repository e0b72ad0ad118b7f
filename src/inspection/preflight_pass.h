// The inspection's forecast of one auxiliary pass (over JZPZ or KMYE): the table's rows,
// read from the source file and decoded as the import decodes them, each put through
// the run's own rule and chart look-up (auxiliary/aux_rule.h, chart_lookup.h) against
// the scratch database that the inspection built, where the pass's statements have
// added the columns. Every row that would stop the run is a finding, the first ten
// listed and the rest counted.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "inspection/book_set_preflight.h"

namespace qoru::inspection {

struct PassInput {
  std::string table;                 // "JZPZ" or "KMYE"
  RunStep step;                      // the pass's step
  std::string file;                  // GBK name of the table's file in the source
  std::vector<std::string> columns;  // the file's columns as imported (UTF-8)
  // Rows that stand before the file's own in the table (a header line of an earlier
  // section naming the same file), as the scratch database holds them.
  std::vector<std::vector<std::optional<std::string>>> leading_rows;
  std::string source;         // GBK source directory
  std::string scratch_db;     // the scratch GBA.mdb
  std::string lookup_broken;  // why the chart look-up fails, or empty
};

// Adds the findings through `add`; returns the rows of the table.
std::uint64_t PredictPass(const PassInput& input, const std::function<void(Finding)>& add);

}  // namespace qoru::inspection
