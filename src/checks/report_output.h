// A check report for the user: as text (one line per listed finding, then one line per
// check with its count, then the totals and the time) and as a JSON object:
//   {"checks": [{"id", "severity", "status": "ok"|"findings"|"skipped", "findings": N,
//                "reason"?}],
//    "findings": [{"check", "severity", "message", ...the fields of its kind}],
//    "errors": N, "warnings": N, "seconds": S}
// Amounts are decimal texts. Texts that are not valid UTF-8 come out with U+FFFD
// when the JSON is dumped with ReportJsonText.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "checks/check_report.h"

namespace qoru::checks {

std::string ReportText(const CheckReport& report);
nlohmann::ordered_json ReportJson(const CheckReport& report);
// The JSON, indented by two, invalid UTF-8 replaced.
std::string ReportJsonText(const nlohmann::ordered_json& json);

// "ok", "findings" or "skipped".
std::string_view StatusWord(const CheckResult& result);

}  // namespace qoru::checks
