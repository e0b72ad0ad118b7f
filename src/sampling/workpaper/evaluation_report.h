// The report of an evaluation: the plan repeated, the misstatements found, and each term
// of the upper misstatement limit (monetary-unit) or of the projections (random), as
// Chinese text, as JSON, and as a workpaper of its own (概览 with the plan, 样本 with the
// audited amounts and misstatements, 评价 with every term). Amounts are shown rounded to
// the plan's smallest unit; the JSON also gives the taints and factors as numbers.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "provenance/provenance.h"
#include "sampling/workpaper/evaluation.h"
#include "sampling/workpaper/workpaper_reading.h"

namespace qoru::sampling {

std::string EvaluationText(const Evaluation& e, const ReadWorkpaper& w, const std::string& shown);
nlohmann::ordered_json EvaluationJson(const Evaluation& e, const ReadWorkpaper& w,
                                      const std::string& shown);

// Writes the evaluation's workpaper to `path`, with the provenance of the evaluation
// (the workpaper evaluated and the book set's files as they are now). An existing file
// is replaced only with `overwrite`, never a read-only one; returns whether one was
// replaced. Raises workbook::WorkbookError, leaving no partial file.
bool WriteEvaluationWorkpaper(const std::string& path, const Evaluation& e, const ReadWorkpaper& w,
                              const std::string& shown, const provenance::Provenance& run,
                              bool overwrite = false);

}  // namespace qoru::sampling
