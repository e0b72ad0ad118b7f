// A path shows as text one way, on Linux (its bytes, UTF-8) and on Windows (its GBK
// converted): a folder named in Chinese reads the same in the library's messages, the
// command line's, the reports and the JSON.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "files/file_system.h"
#include "files/path_text.h"
#include "gendata/consistent_books.h"
#include "test_support/command.h"
#include "test_support/native_path.h"
#include "test_support/programs.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

using nlohmann::json;
using test::kHost;
using test::OneSeparator;
using test::RunCommand;
using test::ShellWord;

std::string Native(const char8_t* utf8) {
  return test::NativePath(std::filesystem::path(utf8));
}

// A small consistent book set at `path`.
void WriteBooks(const std::string& path) {
  test::MakeDir(path);
  gen::ConsistentOptions options;
  options.postings = 200;
  gen::WriteConsistentBooks(path, options);
}

TEST(PathText, IsThePathAsItsReaderKnowsIt) {
  EXPECT_EQ(PathText(Native(u8"审计/源账套")), "审计/源账套");
  EXPECT_EQ(PathText("D:/Work/TemplateTemp/GBA.mdb"), "D:/Work/TemplateTemp/GBA.mdb");
  if (test::PosixSystem()) {
    // A name whose bytes are not UTF-8 shows them replaced, and the text stays UTF-8.
    EXPECT_EQ(PathText("a/\xFF\xFE.txt"), "a/\uFFFD\uFFFD.txt");
  } else {
    EXPECT_EQ(PathText("\xD4\xB4"), "源");
  }
}

// The library's message for a missing table, the inspection's and the check's name the
// folder as the user typed it (they once showed "婧愯处濂�" on Linux).
TEST(PathText, AChineseFolderIsNamedReadablyWhereverTheRunReportsIt) {
  test::TempDir dir;
  const std::string source = dir.path() + Native(u8"源账套");
  WriteBooks(source);
  ASSERT_TRUE(std::filesystem::remove(test::FsPath(source + "/KMYE.txt")));
  const std::string expected = "源账套/KMYE.txt";

  const test::Ran converted = RunCommand(kHost + " convert --face headless --source " +
                                         ShellWord(source) + " --work " + ShellWord(dir / "work"));
  EXPECT_EQ(converted.exit_code, 1);
  EXPECT_NE(OneSeparator(converted.out).find("它应在 "), std::string::npos) << converted.out;
  EXPECT_NE(OneSeparator(converted.out).find(expected), std::string::npos) << converted.out;

  const test::Ran inspected = RunCommand(kHost + " inspect --source " + ShellWord(source));
  EXPECT_EQ(inspected.exit_code, 1);
  EXPECT_NE(OneSeparator(inspected.out).find(expected), std::string::npos) << inspected.out;

  const test::Ran checked =
      RunCommand(kHost + " check --json --source " + ShellWord(source), false);
  EXPECT_EQ(checked.exit_code, 2);
  const json j = test::ParseJson(checked.out);
  EXPECT_EQ(j["name"], "源账套");
  EXPECT_NE(OneSeparator(j.value("error", "")).find(expected), std::string::npos) << checked.out;
}

// Screening's JSON over many book sets names the book set and its workpaper in the
// Chinese folders readably (on Windows the workpaper's path was GBK).
TEST(PathText, ScreeningNamesChineseFoldersReadably) {
  test::TempDir dir;
  const std::string sets = dir.path() + Native(u8"各子公司");
  WriteBooks(sets + "/" + Native(u8"甲公司"));
  WriteBooks(sets + "/" + Native(u8"乙公司"));
  const std::string papers = dir.path() + Native(u8"底稿");
  const test::Ran ran = RunCommand(
      kHost + " screen --json --each " + ShellWord(sets) + " --xlsx " + ShellWord(papers), false);
  EXPECT_EQ(ran.exit_code, 0) << ran.out;
  const json j = test::ParseJson(ran.out);
  ASSERT_EQ(j["book_sets"].size(), 2u) << ran.out;
  // In the order of the names' bytes: 乙 before 甲 in GBK, after it in UTF-8.
  const json& set = j["book_sets"][j["book_sets"][0]["name"] == "甲公司" ? 0 : 1];
  EXPECT_EQ(set["name"], "甲公司");
  const std::string book_set = OneSeparator(set.value("book_set", ""));
  const std::string workpaper = OneSeparator(set.value("workpaper", ""));
  EXPECT_TRUE(book_set.ends_with("各子公司/甲公司")) << book_set;
  EXPECT_TRUE(workpaper.ends_with("底稿/甲公司.xlsx")) << workpaper;
  EXPECT_TRUE(IsRegularFile(papers + "/" + Native(u8"甲公司.xlsx")));
}

}  // namespace
}  // namespace qoru
