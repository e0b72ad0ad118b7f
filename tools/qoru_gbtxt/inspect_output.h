// The inspection's report as the user reads it: Chinese text with the conclusion and
// its reason first, or one JSON object.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "qoru_gbtxt/book_set_inspector.h"

namespace qoru::host {

std::string InspectText(const InspectReport& report);
nlohmann::ordered_json InspectJson(const InspectReport& report);

}  // namespace qoru::host
