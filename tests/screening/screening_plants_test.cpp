// The generator's screening plants against `qoru-gbtxt screen`: every planted voucher is
// flagged by its test, the adjusted working Saturday is not, and the book set stays
// consistent for the checks.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "gendata/consistent_books.h"
#include "test_support/command.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

using nlohmann::json;

using test::kHost;

TEST(ScreeningPlants, EachIsFlaggedByItsTestAndTheBooksStayConsistent) {
  test::TempDir dir;
  const std::string source = dir.path() + "src";
  test::MakeDir(source);
  gen::ConsistentOptions options;
  options.postings = 3000;
  options.layout = "standard";
  options.plants = gen::ScreeningPlantKinds();
  const gen::ConsistentSummary summary = gen::WriteConsistentBooks(source, options);

  const test::Ran ran =
      test::RunCommand(kHost + " screen --json --source " + test::ShellWord(source), false);
  ASSERT_EQ(ran.exit_code, 0);
  const json report = json::parse(ran.out);
  std::map<std::string, std::set<std::int64_t>> flagged;  // test -> rows
  for (const json& item : report["items"])
    for (const json& p : item["postings"])
      flagged[item["test"]].insert(p["row"].get<std::int64_t>());

  std::set<std::string> kinds;
  for (const gen::PlantedFault& f : summary.planted) {
    kinds.insert(f.kind);
    const auto row = static_cast<std::int64_t>(f.row);
    if (f.kind == "adjusted-workday") {
      EXPECT_EQ(flagged["weekend-holiday"].count(row), 0u) << f.what;
    } else {
      EXPECT_EQ(flagged[f.kind].count(row), 1u) << f.kind << " row " << row << ": " << f.what;
    }
  }
  for (const std::string& kind : gen::ScreeningPlantKinds())
    if (kind != "seldom-used-account") {
      EXPECT_EQ(kinds.count(kind), 1u) << kind;
    }
  EXPECT_EQ(flagged["seldom-used-account"].size(), 1u) << "the rare pair's reserved account";
  EXPECT_EQ(kinds.count("adjusted-workday"), 1u);

  const test::Ran checked =
      test::RunCommand(kHost + " check --source " + test::ShellWord(source), false);
  EXPECT_EQ(checked.exit_code, 0) << checked.out;
}

}  // namespace
}  // namespace qoru
