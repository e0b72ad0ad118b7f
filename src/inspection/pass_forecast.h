// The inspection's forecast of one auxiliary pass (over JZPZ or KMYE): the table's rows,
// read from its staged text by the import's own reader (database/import/text_import.h),
// each put through the run's own rule, chart look-up and field reading
// (auxiliary/aux_rule.h, aux_columns.h) on the scratch database that the inspection
// built, where the pass's statements have added the columns. Every row that would stop
// the run is a finding in the run's own words, the first ten listed and the rest
// counted.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "inspection/book_set_inspection.h"

namespace qoru::db {
class StatementRunner;
}

namespace qoru::inspection {

struct PassInput {
  std::string table;                 // "JZPZ" or "KMYE"
  RunStep step;                      // the pass's step
  std::string file;                  // GBK name of the table's file
  std::vector<std::string> columns;  // the table's columns in the scratch database (UTF-8)
  std::string text_dir;              // GBK directory of the file's whole staged text
  std::uint64_t header_lines = 1;    // header lines on top of it (one per section naming it)
};

// Adds the findings through `add`; returns the rows of the table. `runner` is connected
// to the scratch database.
std::uint64_t PredictPass(const PassInput& input, db::StatementRunner& runner,
                          const std::function<void(Finding)>& add);

}  // namespace qoru::inspection
