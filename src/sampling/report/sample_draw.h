// Drawing a sample from a converted book set, start to end: the database opened
// read-only and read from one snapshot, its tables found as the checks find them, the
// part the unit needs read, the population formed, the sample drawn and its items
// listed with their texts.
#pragma once

#include <string>
#include <vector>

#include "checks/tables/column_roles.h"
#include "sampling/report/sample_listing.h"
#include "sampling/sample_book.h"
#include "sampling/sample_run.h"

namespace qoru::sampling {

struct DrawnSample {
  SampleBook book;
  Sample sample;
  std::vector<ListedItem> items;
};

// Raises db::EngineError when the database cannot be read, checks::MissingDescription,
// MissingInput, PopulationError or SampleError (each with what to do), FileError.
DrawnSample DrawFromDatabase(const std::string& database, const std::string& description,
                             const std::vector<checks::ColumnOverride>& overrides,
                             const SampleRequest& request, std::string name);

}  // namespace qoru::sampling
