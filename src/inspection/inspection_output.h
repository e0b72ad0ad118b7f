// The inspection's report as the user reads it: Chinese text with the conclusion and
// its reason first, or one JSON object.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "inspection/book_set_inspection.h"

namespace qoru::inspection {

std::string InspectionText(const InspectionReport& report);
nlohmann::ordered_json InspectionJson(const InspectionReport& report);

}  // namespace qoru::inspection
