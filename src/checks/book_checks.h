// Runs every check over a converted book set: one pass over the chart of accounts,
// one over the balances and one over the postings, streaming their rows, then the
// checks that compare what the passes summed. Memory grows with the accounts and the
// vouchers, never with the rows.
//
// The checks, and the words they use:
//   voucher-balance       a voucher (postings of one year and month of the date, type and
//                         number) whose non-void debits and credits differ
//   voucher-numbering     numbers missing between 1 and the largest of a year, month and
//                         type whose numbers are all digits (void vouchers count)
//   balance-roll-forward  a balance row of a chart account whose closing is not opening
//                         + debit - credit (debit side) or opening - debit + credit
//   vouchers-vs-balances  a leaf account whose non-void posting sums differ from the
//                         sums of its account total rows (rows with an empty aux group)
//   parent-sum            an account with children whose total rows differ from the sum
//                         of its children's total rows
//   trial-balance         over the leaves' total rows: debit-side against credit-side
//                         openings and closings, all debits against all credits
//   unknown-account       a posting or balance row whose account the chart lacks
//   non-leaf-posting      a posting on an account that has children
//   date-out-of-year      a posting dated outside the balances' one 会计年度
//   bad-value             an amount or date that cannot be read (it counts as 0 / no date)
// A check whose columns are missing is skipped with the reason.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "checks/check_report.h"
#include "checks/tables/column_roles.h"

namespace qoru::checks {

struct CheckOptions {
  std::vector<ColumnOverride> overrides;  // columns named by the user for roles
  std::size_t max_findings = 100;         // findings listed per check
};

// Checks the staging database at `database_path`, finding its tables through the
// format description at `description_path`. Raises db::EngineError when the database
// cannot be read, MissingDescription or FileError when the description cannot, and
// AmountOverflow when a sum leaves the range of exact amounts.
CheckReport RunChecks(const std::string& database_path, const std::string& description_path,
                      const CheckOptions& options);

// RunChecks with its failure as the user reads it: the report, or nullopt with the reason
// in `why` (a database that cannot be read named with the engine's words, a sum beyond
// exact amounts, any other failure in its own words).
std::optional<CheckReport> TryRunChecks(const std::string& database_path,
                                        const std::string& description_path,
                                        const CheckOptions& options, std::string* why);

}  // namespace qoru::checks
