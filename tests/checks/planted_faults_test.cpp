// Generated book sets: a consistent one holds no finding; each planted fault yields its
// findings at the rows the generator names, and only what follows from it.
#include <gtest/gtest.h>

#include <set>

#include "checks/book_checks.h"
#include "checks/report_output.h"
#include "checks/tables/book_tables.h"
#include "checks/tables/chart.h"
#include "gendata/consistent_books.h"
#include "test_support/bookset.h"
#include "test_support/tiny_books.h"

namespace qoru::checks {
namespace {

using Expected = std::map<std::string, std::uint64_t>;

struct Generated {
  test::Workspace space;
  gen::ConsistentSummary summary;

  explicit Generated(const gen::ConsistentOptions& options) {
    summary = gen::WriteConsistentBooks(space.source(), options);
    EXPECT_NE(test::RunDoIt(space.work(), space.source()).result, u"0");
  }
  CheckReport Check() const {
    return RunChecks(space.db(), space.work() + "TemplateTemp/GSSM.txt", {{}, 1000});
  }
};

TEST(PlantedFaults, AConsistentBookSetHoldsNoFinding) {
  for (const auto& [seed, depth, exact] : {std::tuple{1, 3, false}, {2, 4, true}, {3, 2, true}}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    gen::ConsistentOptions options;
    options.seed = static_cast<std::uint64_t>(seed);
    options.postings = 700;
    options.depth = depth;
    options.exact_amounts = exact;
    const Generated books(options);
    const CheckReport report = books.Check();
    for (const CheckResult& r : report.results)
      if (r.id != CheckId::kBalanceContinuity) {
        EXPECT_FALSE(r.skipped) << r.reason;
      }
    EXPECT_EQ(test::Counts(report), Expected{}) << ReportText(report);

    // The chart's left-out parents came back through the completion and do not count.
    BookDatabase db(books.space.db());
    const Chart chart =
        Chart::Load(db, FindBookTables(db, books.space.work() + "TemplateTemp/GSSM.txt", {}).chart);
    EXPECT_EQ(chart.completion_rows(), static_cast<std::int64_t>(books.summary.omitted_parents));
    EXPECT_EQ(chart.file_rows(), static_cast<std::int64_t>(books.summary.accounts));
    if (depth >= 3) {
      EXPECT_GT(books.summary.omitted_parents, 0u);
    }
  }
}

TEST(PlantedFaults, TheLayoutsOfRealExportsHoldNoFindingWhenConsistent) {
  const struct {
    const char* layout;
    const char* words;
    bool yearly;
  } cases[] = {{"standard", "借/贷", false},
               {"standard", "借方/贷方", true},
               {"directions", "DR/CR", false},
               {"directions", "借/贷", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.layout) + " " + c.words);
    gen::ConsistentOptions options;
    options.seed = 5;
    options.postings = 900;
    options.layout = c.layout;
    options.direction_words = c.words;
    options.yearly_numbering = c.yearly;
    const Generated books(options);
    const CheckReport report = books.Check();
    for (const CheckResult& r : report.results) EXPECT_FALSE(r.skipped) << r.reason;
    EXPECT_EQ(test::Counts(report), Expected{}) << ReportText(report);
  }
}

TEST(PlantedFaults, EachPlantYieldsItsFindingsAndWhatFollows) {
  const std::map<std::string, Expected> follows = {
      {"voucher-balance", {{"voucher-balance", 1}, {"vouchers-vs-balances", 1}}},
      {"voucher-numbering", {{"voucher-numbering", 1}}},
      {"balance-roll-forward", {{"balance-roll-forward", 1}, {"aux-vs-total", 1}}},
      {"vouchers-vs-balances", {{"vouchers-vs-balances", 2}}},
      {"parent-sum", {{"parent-sum", 1}}},
      {"trial-balance", {{"trial-balance", 2}}},
      {"unknown-account", {{"unknown-account", 3}}},
      {"non-leaf-posting", {{"non-leaf-posting", 2}}},
      {"date-out-of-year", {}},  // one per posting of the first voucher
      {"bad-value", {{"bad-value", 1}}},
      {"aux-vs-total", {{"aux-vs-total", 1}}},
      {"duplicate-number", {{"voucher-numbering", 1}}},
  };
  // Plants whose further findings depend on the account they fall on: their own findings
  // (at least the planted rows), and what else may follow.
  const std::map<std::string, std::pair<std::string, std::set<std::string>>> loose = {
      {"account-direction", {"account-direction", {"trial-balance"}}},
      {"balance-continuity", {"balance-continuity", {"trial-balance", "parent-sum"}}},
      {"bad-month", {"bad-value", {"trial-balance", "parent-sum", "vouchers-vs-balances"}}},
      {"bad-direction",
       {"bad-value", {"balance-roll-forward", "trial-balance", "parent-sum", "aux-vs-total"}}},
  };
  // Checks whose findings name the rows the generator changed.
  const std::set<std::string> by_row = {
      "balance-roll-forward", "unknown-account", "non-leaf-posting",
      "date-out-of-year",     "bad-value",       "account-direction",
      "balance-continuity",   "bad-month",       "bad-direction"};
  for (const std::string& kind : gen::PlantKinds()) {
    SCOPED_TRACE(kind);
    gen::ConsistentOptions options;
    options.seed = 7;
    options.postings = 800;
    options.plants = {kind};
    if (gen::PlantNeedsMonths(kind))
      options.layout = kind == "bad-direction" ? "directions" : "standard";
    const Generated books(options);
    const CheckReport report = books.Check();
    if (const auto it = loose.find(kind); it != loose.end()) {
      const auto& [own, may] = it->second;
      Expected counts = test::Counts(report);
      EXPECT_GE(counts[own], 1u) << ReportText(report);
      counts.erase(own);
      for (const auto& [check, n] : counts) EXPECT_EQ(may.count(check), 1u) << check;
      std::set<std::pair<std::string, std::int64_t>> planted, found;
      for (const gen::PlantedFault& p : books.summary.planted)
        planted.insert({p.file.substr(0, p.file.size() - 4), static_cast<std::int64_t>(p.row)});
      for (const Finding& f : report[*CheckByName(own)].listed) found.insert({f.table, f.row});
      // A broken June opening and closing also break July's opening.
      for (const auto& p : planted) EXPECT_EQ(found.count(p), 1u) << p.first << " " << p.second;
      continue;
    }
    Expected expected = follows.at(kind);
    if (kind == "date-out-of-year") expected[kind] = books.summary.planted.size();
    EXPECT_EQ(test::Counts(report), expected) << ReportText(report);

    if (by_row.count(kind) == 0) continue;
    std::set<std::pair<std::string, std::int64_t>> planted, found;
    for (const gen::PlantedFault& p : books.summary.planted)
      planted.insert({p.file.substr(0, p.file.size() - 4), static_cast<std::int64_t>(p.row)});
    for (const Finding& f : report[*CheckByName(kind)].listed) found.insert({f.table, f.row});
    EXPECT_EQ(found, planted);
  }
}

}  // namespace
}  // namespace qoru::checks
