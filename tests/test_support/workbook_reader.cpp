#include "test_support/workbook_reader.h"

#include <gtest/gtest.h>

#include "test_support/command.h"
#include "test_support/programs.h"

namespace qoru::test {

nlohmann::json ReadWorkbook(const std::string& xlsx, int rows) {
  const std::string reader = std::string(QORU_SOURCE_DIR) + "/tests/screening/read_xlsx.py";
  const RanApart read =
      RunApart("python3 " + ShellWord(reader) + " " + ShellWord(xlsx) + " " + std::to_string(rows));
  EXPECT_EQ(read.exit_code, 0) << read.err;
  return ParseJson(read.out);
}

std::map<std::string, nlohmann::json> SheetsByName(const nlohmann::json& workbook) {
  std::map<std::string, nlohmann::json> sheets;
  if (workbook.contains("sheets"))
    for (const nlohmann::json& s : workbook["sheets"]) sheets[s["name"]] = s;
  return sheets;
}

std::set<std::string> PrintTitles(const nlohmann::json& workbook) {
  std::set<std::string> titled;
  if (workbook.contains("defined_names"))
    for (const nlohmann::json& d : workbook["defined_names"])
      if (d["name"] == "_xlnm.Print_Titles") titled.insert(d["text"].get<std::string>());
  return titled;
}

nlohmann::json CellValue(const nlohmann::json& row, const std::string& column) {
  return row.contains(column) ? row[column]["v"] : nlohmann::json();
}

}  // namespace qoru::test
