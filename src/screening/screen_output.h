// The screening report as text (a line per test, then the first items of each test,
// and the Benford figures) and as JSON (every item), whole or streamed.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "screening/screen_book.h"
#include "screening/screen_report.h"

namespace qoru::screening {

std::string ScreenText(const ScreenBook& book, const ScreenReport& report, std::size_t max_listed);
// With `items` false the array "items" is left out (a summary of the run). The members
// of `extra` (an object: the provenance, the files written) follow the tie-out.
nlohmann::ordered_json ScreenJson(const ScreenBook& book, const ScreenReport& report,
                                  bool items = true,
                                  const nlohmann::ordered_json& extra = nlohmann::ordered_json());
// The whole JSON (items included) as ScreenJsonText(ScreenJson(...)) writes it, byte for
// byte, handed to `write` piece by piece: the items are never all held in memory.
void WriteScreenJson(const ScreenBook& book, const ScreenReport& report,
                     const std::function<void(std::string_view)>& write,
                     const nlohmann::ordered_json& extra = nlohmann::ordered_json());

// JSON text, any invalid UTF-8 replaced.
std::string ScreenJsonText(const nlohmann::ordered_json& json);

std::string_view StatusWord(const TestResult& result);  // ok, items, skipped
std::string_view ConformityChinese(std::string_view conformity);
// "2023 年 3 月 记字 12 号"
std::string VoucherName(const ScreenBook& book, const ScreenVoucher& v);

}  // namespace qoru::screening
