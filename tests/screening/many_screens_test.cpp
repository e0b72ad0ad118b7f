// `qoru-gbtxt screen` over many book sets: --each with --jobs, each report under its
// name, the summary table, the JSON of all of them with the worst exit code, a
// workpaper per book set in the --xlsx folder, and the parameters and the encoding that
// every book set's process is given.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "test_support/command.h"
#include "test_support/native_path.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"
#include "test_support/three_book_sets.h"

namespace qoru {
namespace {

using nlohmann::json;
using test::kHost;
using test::RunCommand;
using test::ShellWord;
using test::TestsById;

// dir/sets/a and b (book sets of 300 postings, b with a planted reversal), c (none).
std::string ThreeBookSets(const test::TempDir& dir) {
  return test::ThreeBookSets(dir, "reversal", "standard");
}

TEST(ManyScreens, EachBookSetUnderItsNameWithAWorkpaperThenATableAndTheWorstExitCode) {
  test::TempDir dir;
  const std::string sets = ThreeBookSets(dir);
  const std::string papers = dir.path() + "papers";
  const test::Ran as_json = RunCommand(kHost + " screen --json --jobs 2 --rare-pair 7 --each " +
                                           ShellWord(sets) + " --xlsx " + ShellWord(papers),
                                       false);
  EXPECT_EQ(as_json.exit_code, 2) << "c could not be screened";
  const json j = json::parse(as_json.out, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << as_json.out;
  ASSERT_EQ(j["book_sets"].size(), 3u);
  std::uint64_t items = 0;
  for (int i = 0; i < 2; ++i) {
    const json& set = j["book_sets"][i];
    EXPECT_EQ(set["name"], i == 0 ? "a" : "b");
    EXPECT_EQ(set["exit_code"], 0);
    ASSERT_EQ(set["tests"].size(), 14u);
    EXPECT_EQ(set["parameters"]["rare_pair"], 7) << "the parameters reach every book set";
    EXPECT_EQ(test::OneSeparator(set["workpaper"].get<std::string>()),
              test::OneSeparator(papers + (i == 0 ? "/a.xlsx" : "/b.xlsx")));
    EXPECT_TRUE(std::filesystem::is_regular_file(papers + (i == 0 ? "/a.xlsx" : "/b.xlsx")));
    for (const json& t : set["tests"]) items += t["items"].get<std::uint64_t>();
  }
  EXPECT_EQ(TestsById(j["book_sets"][0])["reversal"]["items"], 0);
  EXPECT_GE(TestsById(j["book_sets"][1])["reversal"]["items"], 1);
  EXPECT_EQ(j["book_sets"][2]["exit_code"], 2);
  EXPECT_NE(j["book_sets"][2]["error"].get<std::string>().find("GSSM.txt"), std::string::npos);
  EXPECT_EQ(j["items"], items);
  EXPECT_FALSE(std::filesystem::exists(papers + "/c.xlsx"));

  // As text, over two --source, the workpapers replaced when told to, and said so.
  const test::Ran kept =
      RunCommand(kHost + " screen --source " + ShellWord(sets + "/a") + " --source " +
                     ShellWord(sets + "/b") + " --xlsx " + ShellWord(papers),
                 true);
  EXPECT_EQ(kept.exit_code, 2) << kept.out;
  EXPECT_NE(kept.out.find("--overwrite"), std::string::npos) << kept.out;
  const test::Ran as_text =
      RunCommand(kHost + " screen --overwrite --source " + ShellWord(sets + "/a") + " --source " +
                     ShellWord(sets + "/b") + " --xlsx " + ShellWord(papers),
                 false);
  EXPECT_EQ(as_text.exit_code, 0) << as_text.out;
  const std::size_t a = as_text.out.find("======== 账套 a ========");
  const std::size_t b = as_text.out.find("======== 账套 b ========");
  ASSERT_NE(a, std::string::npos) << as_text.out;
  ASSERT_NE(b, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_NE(as_text.out.find("会计分录测试：", a), std::string::npos);
  EXPECT_NE(as_text.out.find("（替换了原有的同名文件：--overwrite）"), std::string::npos);
  EXPECT_NE(
      test::OneSeparator(as_text.out).find(test::OneSeparator("写入的文件：" + papers + "/a.xlsx")),
      std::string::npos)
      << as_text.out;
  EXPECT_NE(as_text.out.find("2 个账套，共 "), std::string::npos) << as_text.out;
}

TEST(ManyScreens, RefusesBeforeAnyWork) {
  test::TempDir dir;
  const std::string sets = ThreeBookSets(dir);
  test::WriteFile(dir.path() + "file.xlsx", "x");
  const struct {
    std::string arguments;
    std::string says;
  } cases[] = {
      {"--each " + ShellWord(sets) + " --seldom 0", "--seldom"},
      {"--each " + ShellWord(sets) + " --xlsx " + ShellWord(dir.path() + "file.xlsx"), "不是目录"},
      {"--each " + ShellWord(dir.path() + "none"), "无法读取目录"},
      {"--source " + ShellWord(sets + "/a") + " --source " + ShellWord(sets + "/b") +
           " --encoding latin1",
       "--encoding"},
  };
  for (const auto& c : cases) {
    const test::Ran ran = RunCommand(kHost + " screen " + c.arguments);
    EXPECT_EQ(ran.exit_code, 2) << c.arguments;
    EXPECT_NE(ran.out.find(c.says), std::string::npos) << c.arguments << "\n" << ran.out;
    EXPECT_EQ(ran.out.find("========"), std::string::npos) << "no book set was screened";
  }
}

// The generator writes GBK: told to read UTF-8, each book set's process refuses it, so
// the choice reached them (read as auto, they would have been screened).
TEST(ManyScreens, EveryBookSetIsReadInTheEncodingGiven) {
  test::TempDir dir;
  const std::string sets = ThreeBookSets(dir);
  const auto run = [&](const std::string& encoding) {
    const test::Ran ran =
        RunCommand(kHost + " screen --json --encoding " + encoding + " --source " +
                       ShellWord(sets + "/a") + " --source " + ShellWord(sets + "/b"),
                   false);
    const json j = json::parse(ran.out, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << ran.out;
    return j.is_discarded() ? json::object() : j;
  };
  const json utf8 = run("utf-8");
  ASSERT_EQ(utf8["book_sets"].size(), 2u);
  for (const json& set : utf8["book_sets"]) {
    EXPECT_EQ(set["exit_code"], 2);
    EXPECT_NE(set["error"].get<std::string>().find("UTF-8"), std::string::npos) << set;
  }
  const json gbk = run("gbk");  // kept alive: a loop over a temporary's member dangles
  for (const json& set : gbk["book_sets"]) EXPECT_EQ(set["exit_code"], 0) << set;
}

}  // namespace
}  // namespace qoru
