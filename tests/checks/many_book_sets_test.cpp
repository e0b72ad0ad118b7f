// `qoru-gbtxt check` over many book sets: --each with --jobs, each report under its
// name, the summary table, the JSON of all of them and the worst exit code; and the
// recipe of the guide that spreads book sets over machines with GNU parallel, run
// here on this machine.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "gendata/consistent_books.h"
#include "test_support/command.h"
#include "test_support/programs.h"
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
  gen::ConsistentOptions a;
  a.postings = 300;
  gen::ConsistentOptions b = a;
  b.plants = {"voucher-balance"};
  b.layout = "standard";
  return test::ThreeBookSets(dir, a, b);
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

}  // namespace
}  // namespace qoru
