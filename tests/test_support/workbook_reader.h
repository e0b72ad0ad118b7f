// Reads an Excel workbook back for the tests of the workpapers, through
// tests/screening/read_xlsx.py (the standard library's zip and XML): the sheets in order,
// each with its name, row count, rows (cells by column letter: value "v" and type "t"),
// frozen header, autofilter and formula count; the charts; the number formats.
#pragma once

#include <map>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

namespace qoru::test {

// The whole workbook as read_xlsx.py gives it, with up to `rows` rows of each sheet.
nlohmann::json ReadWorkbook(const std::string& xlsx, int rows = 100000);

// Its sheets by name.
std::map<std::string, nlohmann::json> SheetsByName(const nlohmann::json& workbook);

// The ranges repeated on every printed page ("'样本'!$1:$1"), one for each sheet that
// has them.
std::set<std::string> PrintTitles(const nlohmann::json& workbook);

// The value of the cell in `column` ("A", "B", ...) of a row, or null.
nlohmann::json CellValue(const nlohmann::json& row, const std::string& column);

}  // namespace qoru::test
