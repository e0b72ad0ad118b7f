// The pass over the postings: checks each row's values, account and date as it streams
// by, gathers the vouchers, and sums the non-void debits and credits of each leaf
// account of the chart (bad dates included) for the comparison with the balances.
#pragma once

#include <optional>
#include <vector>

#include "checks/check_report.h"
#include "checks/tables/book_database.h"
#include "checks/tables/chart.h"
#include "checks/tables/column_roles.h"
#include "checks/values/amount.h"
#include "checks/voucher_book.h"

namespace qoru::checks {

struct PostingTotals {
  Amount debit, credit;
};

struct PostingPass {
  std::vector<PostingTotals> totals;  // by chart account index (leaves only are summed)
  VoucherBook vouchers;               // postings with a readable date, type and number
};

// Scans `postings` (present). Bad values go to `bad`, postings of accounts the chart
// lacks to `unknown` (when `chart_known`); non-leaf-posting and date-out-of-year
// findings go to the report's results unless they are skipped. `book_year` is the
// book set's year when known.
PostingPass ScanPostings(BookDatabase& db, const TableRoles& postings, const Chart& chart,
                         bool chart_known, std::optional<int> book_year, CheckReport& report,
                         CheckResult& bad, CheckResult& unknown);

}  // namespace qoru::checks
