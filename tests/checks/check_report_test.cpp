// When a book set fails its checks: a finding of an error-level check always; with
// --strict also a finding of a warning-level check or a check that was skipped, which is
// a check not passed.
#include "checks/check_report.h"

#include <gtest/gtest.h>

namespace qoru::checks {
namespace {

CheckId FirstOf(Severity severity) {
  for (const CheckResult& r : EmptyReport(1).results)
    if (Info(r.id).severity == severity) return r.id;
  ADD_FAILURE() << "no check of that severity";
  return CheckId::kBadValue;
}

TEST(CheckReport, FailsOnErrorsAndUnderStrictOnWarningsAndSkippedChecks) {
  const CheckId error = FirstOf(Severity::kError);
  const CheckId warning = FirstOf(Severity::kWarning);
  CheckId other = error;  // a third check, the one skipped
  for (const CheckResult& r : EmptyReport(1).results)
    if (r.id != error && r.id != warning) other = r.id;
  const struct {
    std::uint64_t errors, warnings;
    bool skipped, fails, fails_strict;
  } cases[] = {
      {0, 0, false, false, false}, {2, 0, false, true, true}, {0, 3, false, false, true},
      {0, 0, true, false, true},   {1, 1, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.errors << " errors, " << c.warnings << " warnings, "
                                      << (c.skipped ? "one check skipped" : "none skipped"));
    CheckReport report = EmptyReport(10);
    report[error].count = c.errors;
    report[warning].count = c.warnings;
    if (c.skipped) report[other].Skip("没有它的列");
    EXPECT_EQ(report.Skipped(), c.skipped ? 1u : 0u);
    EXPECT_EQ(report.Failed(false), c.fails);
    EXPECT_EQ(report.Failed(true), c.fails_strict);
  }
}

}  // namespace
}  // namespace qoru::checks
