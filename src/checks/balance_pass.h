// The pass over the balances: checks each row's values, account and roll-forward as it
// streams by, and sums the account total rows (those with an empty aux group) per
// account of the chart for the checks that compare accounts afterwards.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "checks/check_report.h"
#include "checks/tables/book_database.h"
#include "checks/tables/chart.h"
#include "checks/tables/column_roles.h"
#include "checks/values/amount.h"

namespace qoru::checks {

struct AccountTotals {
  Amount opening, debit, credit, closing;
  bool has_rows = false;  // the account has at least one total row
};

struct BalancePass {
  std::vector<AccountTotals> totals;  // by chart account index
  std::optional<int> year;            // the one 会计年度 of every row
  std::string no_year;                // why there is none
};

// Scans `balances` (present, with an account column). Bad values go to `bad`, rows of
// accounts the chart lacks to `unknown` (when `chart_known`), roll-forward findings
// to the report's result unless it is skipped.
BalancePass ScanBalances(BookDatabase& db, const TableRoles& balances, const Chart& chart,
                         bool chart_known, CheckReport& report, CheckResult& bad,
                         CheckResult& unknown);

}  // namespace qoru::checks
