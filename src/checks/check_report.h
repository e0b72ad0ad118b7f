// What a run of the checks found: one result per check (its status, its complete count
// and the first findings, up to the listing limit) and the time it took.
//
// A finding names its place (a table and a row from 1, or neither when it concerns an
// account or the whole book set), says in Chinese what is wrong with the key and the
// figures, and carries the machine-readable fields of its kind. Counting is complete
// whatever the limit: a finding beyond the limit is counted and not built.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "checks/check_catalog.h"

namespace qoru::checks {

struct Finding {
  CheckId check = CheckId::kBadValue;
  std::string table;              // table of the place; empty when the place is no row
  std::int64_t row = 0;           // row of `table`, from 1; 0 when there is none
  std::string message;            // the key and the figures, in Chinese
  nlohmann::ordered_json fields;  // the fields of its kind (an object)
};

// "JZPZ 第 15 行", "JZPZ", or empty.
std::string Place(const Finding& finding);

// The unknown-account finding of a posting or balance row; `account` as trimmed.
Finding UnknownAccountFinding(const std::string& table, std::int64_t row,
                              const std::string& account);

struct CheckResult {
  CheckId id = CheckId::kBadValue;
  bool skipped = false;
  std::string reason;           // why it was skipped, or what it had to leave out
  std::uint64_t count = 0;      // every finding
  std::size_t limit = 100;      // findings to list at most
  std::vector<Finding> listed;  // the first `limit` findings

  // Counts a finding and, below the limit, lists the one `make()` builds.
  template <typename Make>
  void Record(Make&& make) {
    if (listed.size() < limit) listed.push_back(make());
    ++count;
  }
  // Adds `later`'s findings after this one's own.
  void Append(CheckResult&& later);
  void Skip(std::string why);
};

struct CheckReport {
  std::array<CheckResult, kCheckCount> results;  // in report order
  double seconds = 0;                            // time the checks took
  std::string unusable;     // why the book set held nothing to check (no postings, no balances)
  std::optional<int> year;  // the book set's year, when it is known

  CheckResult& operator[](CheckId id) { return results[static_cast<std::size_t>(id)]; }
  const CheckResult& operator[](CheckId id) const { return results[static_cast<std::size_t>(id)]; }
  std::uint64_t Errors() const;    // findings of error-level checks
  std::uint64_t Warnings() const;  // findings of warning-level checks
  std::size_t Skipped() const;     // checks skipped (a check not passed: --strict fails it)
  // Whether the book set fails its checks: error-level findings, or with `strict` also
  // warnings and skipped checks.
  bool Failed(bool strict) const;
};

// An empty report: every check present, none skipped, `limit` findings listed at most.
CheckReport EmptyReport(std::size_t limit);

}  // namespace qoru::checks
