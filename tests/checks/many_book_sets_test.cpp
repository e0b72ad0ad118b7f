// `qoru-gbtxt check` over many book sets: --each with --jobs, each report under its
// name, the summary table, the JSON of all of them and the worst exit code; and the
// recipe of the guide that spreads book sets over machines with GNU parallel, run
// here on this machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "files/path_text.h"
#include "test_support/command.h"
#include "test_support/native_path.h"
#include "test_support/programs.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "test_support/three_book_sets.h"

namespace qoru {
namespace {

using nlohmann::json;
using test::RunCommand;
using test::ShellWord;

using test::kHost;

// dir/sets/a (consistent), b (a voucher out of balance), c (no book set at all).
std::string ThreeBookSets(const test::TempDir& dir) {
  return test::ThreeBookSets(dir, "voucher-balance", "classic");
}

TEST(ManyBookSets, EachBookSetUnderItsNameThenATableAndTheWorstExitCode) {
  test::TempDir dir;
  const std::string sets = ThreeBookSets(dir);
  const test::Ran as_json =
      RunCommand(kHost + " check --json --jobs 2 --each " + ShellWord(sets), false);
  EXPECT_EQ(as_json.exit_code, 2) << "c could not be checked";
  const json j = json::parse(as_json.out, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << as_json.out;
  ASSERT_EQ(j["book_sets"].size(), 3u);
  EXPECT_EQ(j["book_sets"][0]["name"], "a");
  EXPECT_EQ(j["book_sets"][0]["errors"], 0);
  EXPECT_EQ(j["book_sets"][1]["name"], "b");
  EXPECT_EQ(j["book_sets"][1]["errors"], 2);  // the voucher, and its account against the balances
  EXPECT_EQ(j["book_sets"][1]["exit_code"], 1);
  EXPECT_TRUE(j["book_sets"][2]["error"].is_string());
  EXPECT_EQ(j["errors"], 2);

  const test::Ran as_text = RunCommand(
      kHost + " check --source " + ShellWord(sets + "/a") + " --source " + ShellWord(sets + "/b"),
      false);
  EXPECT_EQ(as_text.exit_code, 1);
  EXPECT_NE(as_text.out.find("======== 账套 a ========"), std::string::npos) << as_text.out;
  EXPECT_NE(as_text.out.find("======== 账套 b ========"), std::string::npos);
  EXPECT_NE(as_text.out.find("2 个账套，共 2 个错误"), std::string::npos) << as_text.out;
}

// The generator writes GBK: told to read UTF-8, every book set's process refuses it (they
// were once all read as auto, whatever --encoding said).
TEST(ManyBookSets, EveryBookSetIsReadInTheEncodingGiven) {
  test::TempDir dir;
  const std::string sets = ThreeBookSets(dir);
  const test::Ran ran =
      RunCommand(kHost + " check --json --encoding utf-8 --source " + ShellWord(sets + "/a") +
                     " --source " + ShellWord(sets + "/b"),
                 false);
  EXPECT_EQ(ran.exit_code, 2);
  const json j = json::parse(ran.out, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << ran.out;
  ASSERT_EQ(j["book_sets"].size(), 2u);
  for (const json& set : j["book_sets"]) {
    EXPECT_EQ(set["exit_code"], 2);
    EXPECT_NE(set["error"].get<std::string>().find("UTF-8"), std::string::npos) << set;
  }
}

TEST(ManyBookSets, TheGuidesRecipeThroughGnuParallel) {
  if (RunCommand("command -v parallel && command -v jq").exit_code != 0)
    GTEST_SKIP() << "GNU parallel or jq is not installed (scripts/install-deps test)";
  test::TempDir dir;
  const std::string sets = ThreeBookSets(dir);
  const std::string out = dir.path() + "out";
  test::MakeDir(out);
  // As in the guide: one JSON per book set, a job log to resume from, then the merge.
  const std::string recipe =
      "cd " + ShellWord(sets) + " && ls -d */ | sed 's#/$##' | parallel --will-cite -j 2 " +
      "--joblog " + ShellWord(out + "/jobs.log") + " --resume " + ShellWord(kHost) +
      " check --json --source {} '>' " + ShellWord(out) + "/{}.json; " +
      "jq -s '{book_sets: ., errors: (map(.errors // 0) | add), "
      "warnings: (map(.warnings // 0) | add)}' " +
      ShellWord(out) + "/*.json";
  const test::Ran merged = RunCommand(recipe, false);
  const json j = json::parse(merged.out, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << merged.out;
  EXPECT_EQ(j["book_sets"].size(), 3u);
  EXPECT_EQ(j["errors"], 2);
  EXPECT_TRUE(std::filesystem::exists(out + "/jobs.log"));
  // --resume runs none of the finished jobs again.
  const auto before = std::filesystem::last_write_time(out + "/a.json");
  RunCommand(recipe, false);
  EXPECT_EQ(std::filesystem::last_write_time(out + "/a.json"), before);
}

// The recipe for many machines as the README and the guide print it, run word for word
// on this machine (hosts.txt ":"): the merged JSON names each book set with its exit code
// (once "name": null, the JSON of one book set having neither).
TEST(ManyBookSets, TheDocumentsRecipeForManyMachinesKeepsNamesAndExitCodes) {
  if (RunCommand("command -v parallel && command -v jq").exit_code != 0)
    GTEST_SKIP() << "GNU parallel or jq is not installed (scripts/install-deps test)";
  for (const char* document : {"README.md", "docs/使用说明.md"}) {
    SCOPED_TRACE(document);
    const std::string text = test::ReadFile(std::string(QORU_SOURCE_DIR) + "/" + document);
    std::string recipe;
    for (std::size_t at = text.find("```sh\n"); at != std::string::npos && recipe.empty();
         at = text.find("```sh\n", at + 1)) {
      const std::string block = text.substr(at + 6, text.find("```", at + 6) - at - 6);
      if (block.find("parallel --sshloginfile") != std::string::npos) recipe = block;
    }
    ASSERT_FALSE(recipe.empty()) << "no recipe with GNU parallel";
    // The folder of book sets it lists and the file it merges into, as it names them.
    const std::size_t list = recipe.find("ls -d ") + 6;
    const std::string books = recipe.substr(list, recipe.find("/*/", list) - list);
    const std::size_t into = recipe.rfind("> ") + 2;
    const std::string merged = recipe.substr(into, recipe.find('\n', into) - into);

    test::TempDir dir;
    const std::string sets = ThreeBookSets(dir);
    std::filesystem::rename(sets, dir / books);
    test::MakeDir(dir / "out");
    test::WriteFile(dir / "hosts.txt", ":\n");
    const test::Ran ran = RunCommand("cd " + ShellWord(dir.path()) +
                                     " && PATH=" + ShellWord(std::string(QORU_BINARY_DIR)) +
                                     ":\"$PATH\" bash -c " + ShellWord(recipe));
    EXPECT_EQ(ran.exit_code, 0) << ran.out;
    const json j = json::parse(test::ReadFile(dir / merged), nullptr, false);
    ASSERT_FALSE(j.is_discarded()) << ran.out;
    ASSERT_EQ(j["book_sets"].size(), 3u);
    const struct {
      const char* name;
      int exit_code;
    } expected[] = {{"a", 0}, {"b", 1}, {"c", 2}};
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(j["book_sets"][i]["name"], expected[i].name) << j["book_sets"][i];
      EXPECT_EQ(j["book_sets"][i]["exit_code"], expected[i].exit_code) << j["book_sets"][i];
    }
    EXPECT_EQ(j["errors"], 2);
  }
}

// Two book sets whose workpapers would be one file get two, the second numbered and the
// report saying so: names that differ in case only are one file on Windows.
TEST(ManyBookSets, WorkpapersThatWouldMeetAreNumberedAndTheReportSaysSo) {
  test::TempDir dir;
  const std::string sets = ThreeBookSets(dir);
  std::string sources;
  for (const char8_t* copy : {u8"x/甲", u8"y/甲", u8"z1/ABC", u8"z2/abc"}) {
    const std::string path = dir.path() + test::NativePath(std::filesystem::path(copy));
    test::MakeDir(path);
    for (const auto& e : std::filesystem::directory_iterator(test::FsPath(sets + "/a")))
      std::filesystem::copy_file(e.path(), test::FsPath(path) / e.path().filename());
    sources += " --source " + ShellWord(path);
  }
  const std::string papers = dir / "papers";
  const test::Ran ran =
      RunCommand(kHost + " check --json --jobs 2 --xlsx " + ShellWord(papers) + sources, false);
  EXPECT_EQ(ran.exit_code, 0) << ran.out;
  const json j = json::parse(ran.out, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << ran.out;
  ASSERT_EQ(j["book_sets"].size(), 4u);
  EXPECT_FALSE(j["book_sets"][0].contains("workpaper_note"));
  EXPECT_EQ(j["book_sets"][1]["workpaper_note"],
            "工作底稿名 甲.xlsx 已用于账套 甲，本账套的工作底稿改名为 甲-2.xlsx");
  EXPECT_FALSE(j["book_sets"][2].contains("workpaper_note"));
  std::set<std::string> written;
  for (const auto& e : std::filesystem::directory_iterator(test::FsPath(papers)))
    written.insert(PathText(test::NativePath(e.path().filename())));
  if (test::PosixSystem()) {
    EXPECT_FALSE(j["book_sets"][3].contains("workpaper_note"));
    EXPECT_EQ(written, (std::set<std::string>{"甲.xlsx", "甲-2.xlsx", "ABC.xlsx", "abc.xlsx"}));
  } else {
    EXPECT_EQ(j["book_sets"][3]["workpaper_note"],
              "工作底稿名 abc.xlsx 已用于账套 ABC（ABC.xlsx，文件名不分大小写），"
              "本账套的工作底稿改名为 abc-2.xlsx");
    EXPECT_EQ(written.size(), 4u);
  }
}

// What a run over many book sets asks of each child is no option: a user can neither
// give it nor find it suggested; and a child that cannot write its text report says so.
TEST(ManyBookSets, TheChildrensChannelIsNoOptionAndItsFailureIsReported) {
  test::TempDir dir;
  const std::string sets = ThreeBookSets(dir);
  for (const char* words : {"check --text-out t.txt --db x.mdb", "screen --summary-json --db x.mdb",
                            "screen --summary-jso --db x.mdb", "check --text-ou t --db x.mdb"}) {
    const test::Ran ran = RunCommand(kHost + " " + words);
    EXPECT_EQ(ran.exit_code, 2) << words;
    EXPECT_NE(ran.out.find("未知的选项"), std::string::npos) << words << "\n" << ran.out;
    EXPECT_EQ(ran.out.find("是否要用 --text-out"), std::string::npos) << ran.out;
    EXPECT_EQ(ran.out.find("是否要用 --summary-json"), std::string::npos) << ran.out;
  }
  const test::Ran child =
      RunCommand("QORU_CHILD_TEXT_REPORT=" + ShellWord(dir / "none/report.txt") + " " + kHost +
                     " check --json --source " + ShellWord(sets + "/a"),
                 false);
  EXPECT_EQ(child.exit_code, 2);
  const json j = json::parse(child.out, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << child.out;
  EXPECT_NE(j.value("error", "").find("无法写入文字报告"), std::string::npos) << child.out;
  EXPECT_EQ(j["exit_code"], 2);
}

}  // namespace
}  // namespace qoru
