// The workbook of the workpapers: sheet names within Excel's limits, texts mended and
// never formulas, and a failed write that leaves the earlier file and no temporary one.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "test_support/native_path.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "test_support/workbook_reader.h"
#include "workbook/workbook.h"

namespace qoru {
namespace {

using nlohmann::json;

TEST(WorkbookSheetName, KeepsExcelsLimits) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"凭证断号/重号", "凭证断号／重号"},
      {"a[b]c:d*e?f\\g", "a［b］c：d＊e？f＼g"},
      {std::string(40, 'x'), std::string(31, 'x')},
      {std::string(30, 'x') + "\xF0\xA0\x80\x80", std::string(30, 'x')},  // no half character
      {"期初+发生≠期末", "期初+发生≠期末"},
  };
  for (const auto& [name, sheet] : cases) EXPECT_EQ(workbook::SheetName(name), sheet) << name;
}

TEST(WorkbookText, MalformedUtf8IsMendedAndAFailedWriteLeavesTheEarlierFile) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  test::TempDir out;
  const std::string xlsx = out.path() + "w.xlsx";
  EXPECT_FALSE(workbook::WriteWorkbook(xlsx, [](workbook::Workbook& b) {
    lxw_worksheet* s = b.Sheet("概览");
    b.Text(s, 0, 0, std::string("a\xFF\xC3") + "b");  // a stray byte, a cut sequence
    b.Text(s, 0, 1, std::string("=1+1"));
  }));
  const json first = test::SheetsByName(test::ReadWorkbook(xlsx))["概览"]["first"][0];
  EXPECT_EQ(test::CellValue(first, "A"), "a\uFFFD\uFFFDb");
  EXPECT_EQ(first["B"]["t"], "s") << "never a formula";

  const std::string before = test::ReadFile(xlsx);
  EXPECT_THROW(workbook::WriteWorkbook(
                   xlsx, [](workbook::Workbook&) { throw workbook::WorkbookError("stopped"); }),
               workbook::WorkbookError);
  EXPECT_EQ(test::ReadFile(xlsx), before);
  const auto files = std::distance(std::filesystem::directory_iterator(out.path()),
                                   std::filesystem::directory_iterator());
  EXPECT_EQ(files, 1) << "the temporary file is removed";
}

// The path comes in the library's encoding (GBK on Windows); the messages are UTF-8.
TEST(WorkbookTarget, AChineseFolderIsNamedReadablyInTheMessages) {
  test::TempDir tmp;
  const std::string folder = tmp.path() + test::NativePath(std::filesystem::path(u8"审计底稿"));
  test::MakeDir(folder);
  try {
    workbook::WriteWorkbook(folder, [](workbook::Workbook&) {});
    ADD_FAILURE() << "a folder is no workbook";
  } catch (const workbook::WorkbookError& e) {
    EXPECT_NE(std::string(e.what()).find("审计底稿"), std::string::npos) << e.what();
  }
  EXPECT_NE(workbook::TargetProblem(folder).find("审计底稿 是一个目录"), std::string::npos);
  const std::string nowhere =
      tmp.path() + test::NativePath(std::filesystem::path(u8"审计底稿/无此目录/w.xlsx"));
  const std::string problem = test::OneSeparator(workbook::TargetProblem(nowhere));
  EXPECT_NE(problem.find("审计底稿/无此目录/w.xlsx 所在的目录不存在"), std::string::npos)
      << problem;
}

}  // namespace
}  // namespace qoru
