// The options of journal-entry testing as the command line gives them, read into the
// parameters of a run: each value checked against its range, with a Chinese reason
// naming the option when it is wrong, before any work. Amounts are read as auditors write
// them ("1,000,000", "50万"); the keyword and calendar files are read here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "screening/book_loader.h"
#include "screening/screen_report.h"

namespace qoru::screening {

struct ScreenOptionTexts {
  std::vector<std::string> columns;  // --column postings.ROLE=NAME
  std::string max_listed = "20";     // --max-listed
  std::string materiality;           // --materiality (empty: none)
  std::string round_unit = "1000";
  std::string round_min = "10000";
  std::string rare_preparer = "5";
  std::string rare_pair = "3";
  std::string seldom = "3";
  std::string period_end_days = "5";
  std::string duplicate_days = "3";
  std::vector<std::string> keyword;   // --keyword W
  std::string keywords;               // --keywords FILE
  std::vector<std::string> holidays;  // --holidays FILE: calendar files
};

// The options once read.
struct ScreenOptions {
  ScreenParameters parameters;
  ColumnOverrides columns;
  std::size_t max_listed = 20;  // items listed per test in the text report
};

// The options in the order given above, or nullopt with the reason of the first wrong
// one in `error`.
std::optional<ScreenOptions> ParseScreenOptions(const ScreenOptionTexts& o, std::string* error);

}  // namespace qoru::screening
