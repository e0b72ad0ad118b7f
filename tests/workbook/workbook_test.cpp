// The workbook of the workpapers: sheet names within Excel's limits, texts mended and
// never formulas, and a failed write that leaves the earlier file and no temporary one.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

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
                   xlsx, [](workbook::Workbook&) { throw workbook::WorkbookError("stopped"); },
                   /*overwrite=*/true),
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
  EXPECT_NE(workbook::TargetProblem(folder, false).find("审计底稿 是一个目录"), std::string::npos);
  const std::string nowhere =
      tmp.path() + test::NativePath(std::filesystem::path(u8"审计底稿/无此目录/w.xlsx"));
  const std::string problem = test::OneSeparator(workbook::TargetProblem(nowhere, false));
  EXPECT_NE(problem.find("审计底稿/无此目录/w.xlsx 所在的目录不存在"), std::string::npos)
      << problem;
}

// UTF-16 units of valid UTF-8, as Excel counts a cell's characters.
std::size_t Units(const std::string& text) {
  std::size_t units = 0;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

TEST(WorkbookCell, ATextLongerThanACellIsCutVisiblyAndOneThatFitsIsNot) {
  struct Case {
    std::string text;
    bool cut;
    std::string marker;  // the end of a cut text
  };
  std::string chinese;
  for (int i = 0; i < 40000; ++i) chinese += "账";
  std::string wide;  // characters beyond the basic plane: two units each
  for (int i = 0; i < 20000; ++i) wide += "\xF0\xA0\x80\x80";
  const Case cases[] = {
      {std::string(32767, 'a'), false, ""},
      {std::string(32768, 'a'), true, "…（已截断，全文 32768 字）"},
      {chinese, true, "…（已截断，全文 40000 字）"},
      {wide, true, "…（已截断，全文 20000 字）"},
      {chinese.substr(0, 3 * 12000), false, ""},  // more bytes than a cell's units, not units
  };
  for (const Case& c : cases) {
    bool cut = false;
    const std::string fitted = workbook::FitCell(c.text, &cut);
    EXPECT_EQ(cut, c.cut) << c.text.size();
    EXPECT_LE(Units(fitted), workbook::kCellCharacters);
    if (!c.cut) {
      EXPECT_EQ(fitted, c.text);
      continue;
    }
    ASSERT_GE(fitted.size(), c.marker.size());
    EXPECT_EQ(fitted.substr(fitted.size() - c.marker.size()), c.marker);
    EXPECT_EQ(fitted.compare(0, 100, c.text, 0, 100), 0) << "the text's beginning is kept";
    EXPECT_GT(Units(fitted), workbook::kCellCharacters - 40) << "cut to fit, no shorter";
  }
}

TEST(WorkbookCell, ACutCellIsCountedAndReadsBackWithItsMarker) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  test::TempDir out;
  const std::string xlsx = out.path() + "w.xlsx";
  std::size_t cut = 0;
  workbook::WriteWorkbook(xlsx, [&](workbook::Workbook& b) {
    lxw_worksheet* s = b.Sheet("长");
    b.Text(s, 0, 0, std::string(40000, 'x'));
    b.Text(s, 1, 0, std::string(100, 'y'));
    cut = b.cut_cells();
  });
  EXPECT_EQ(cut, 1u);
  const json rows = test::SheetsByName(test::ReadWorkbook(xlsx))["长"]["first"];
  const std::string first = test::CellValue(rows[0], "A");
  const std::string marker = "…（已截断，全文 40000 字）";
  EXPECT_EQ(first, std::string(workbook::kCellCharacters - Units(marker), 'x') + marker);
  EXPECT_NE(first.find("（已截断，全文 40000 字）"), std::string::npos);
}

// A call of the library that fails ends the workbook with an error that names the
// workpaper and the cell, never a cell left empty.
TEST(WorkbookCell, ACellTheLibraryRefusesEndsTheWorkbookNamingIt) {
  test::TempDir out;
  const std::string xlsx = out.path() + "w.xlsx";
  const std::function<void(workbook::Workbook&)> writes[] = {
      [](workbook::Workbook& b) { b.Number(b.Sheet("表"), 2000000, 0, 1); },
      [](workbook::Workbook& b) {
        lxw_worksheet* s = b.Sheet("表");
        b.Text(s, 5, 0, "later");
        b.Text(s, 4, 0, "earlier");  // constant memory: a row once left is written
      },
  };
  for (const auto& write : writes) {
    try {
      workbook::WriteWorkbook(xlsx, write);
      ADD_FAILURE() << "written";
    } catch (const workbook::WorkbookError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("w.xlsx"), std::string::npos) << message;
      EXPECT_NE(message.find("工作表 表"), std::string::npos) << message;
    }
    EXPECT_FALSE(std::filesystem::exists(xlsx));
    EXPECT_TRUE(std::filesystem::is_empty(out.path())) << "no partial file";
  }
}

// A workpaper is replaced only when asked to, and a read-only one never.
TEST(WorkbookTarget, AnExistingWorkpaperIsKeptUnlessOverwrittenAndAReadOnlyOneAlways) {
  test::TempDir out;
  const std::string xlsx = out.path() + "w.xlsx";
  const auto write = [](workbook::Workbook& b) { b.Text(b.Sheet("概览"), 0, 0, "新"); };
  EXPECT_EQ(workbook::TargetProblem(xlsx, false), "");
  EXPECT_FALSE(workbook::WriteWorkbook(xlsx, write));
  const std::string first = test::ReadFile(xlsx);

  const std::string problem = workbook::TargetProblem(xlsx, false);
  EXPECT_NE(problem.find("已存在"), std::string::npos) << problem;
  EXPECT_NE(problem.find("--overwrite"), std::string::npos) << problem;
  EXPECT_THROW(workbook::WriteWorkbook(xlsx, write), workbook::WorkbookError);
  EXPECT_EQ(workbook::TargetProblem(xlsx, true), "");
  EXPECT_TRUE(workbook::WriteWorkbook(xlsx, write, true)) << "replaced";

  test::WriteFile(xlsx, "annotated by the auditor");
  std::filesystem::permissions(xlsx, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  for (const bool overwrite : {false, true}) {
    const std::string read_only = workbook::TargetProblem(xlsx, overwrite);
    EXPECT_NE(read_only.find("只读"), std::string::npos) << read_only;
    EXPECT_THROW(workbook::WriteWorkbook(xlsx, write, overwrite), workbook::WorkbookError);
    EXPECT_EQ(test::ReadFile(xlsx), "annotated by the auditor");
  }
  std::filesystem::permissions(xlsx, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  const auto files = std::distance(std::filesystem::directory_iterator(out.path()),
                                   std::filesystem::directory_iterator());
  EXPECT_EQ(files, 1) << "no temporary file left";
}

}  // namespace
}  // namespace qoru
