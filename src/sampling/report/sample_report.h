// The report of a sample drawn: the population, the method with its parameters and
// factors, the plan (size, interval, seed, start) and every selected item, as Chinese
// text and as JSON. The JSON's amounts are exact decimal texts; its keys are stable.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sampling/report/sample_listing.h"
#include "sampling/sample_run.h"

namespace qoru::sampling {

// What the report says of the book set beside the sample.
struct ReportContext {
  const SampleBook& book;
  const Sample& sample;
  const std::vector<ListedItem>& items;
};

std::string SampleText(const ReportContext& c);
nlohmann::ordered_json SampleJson(const ReportContext& c);

// The plan's lines of the text (population, method, size, interval, seed), shared with
// the evaluation's report.
std::string PlanText(const ReportContext& c);

}  // namespace qoru::sampling
