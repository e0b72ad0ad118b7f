// The inspection's report as the user reads it: Chinese text with the conclusion and
// its reason first, or one JSON object.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "inspection/book_set_preflight.h"

namespace qoru::inspection {

std::string PreflightText(const PreflightReport& report);
nlohmann::ordered_json PreflightJson(const PreflightReport& report);

}  // namespace qoru::inspection
