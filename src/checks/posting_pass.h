// The pass over the postings: checks each row's values, account and date as it streams
// by, gathers the vouchers, and sums the non-void debits and credits of each leaf
// account of the chart per period for the comparison with the balances: per month of
// the date when the balances go by month (bad dates left out), else over the year
// (bad dates included).
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "checks/balance_figures.h"
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
  bool by_month = false;
  std::vector<PostingTotals> totals;     // by Slot (leaves only are summed)
  std::array<bool, kPeriods> periods{};  // the periods that have summed postings
  VoucherBook vouchers;                  // postings with a readable date, type and number

  std::size_t Slot(int account, int period) const {
    return static_cast<std::size_t>(account) * (by_month ? kPeriods : 1) +
           static_cast<std::size_t>(by_month ? period : 0);
  }
  // The sums of chart account `account` in `period`.
  const PostingTotals& Totals(int account, int period) const {
    return totals[Slot(account, period)];
  }
  // Sized for `accounts` chart accounts.
  void Size(int accounts) { totals.resize(Slot(accounts, 0)); }
};

// Scans `postings` (present). Bad values go to `bad`, postings of accounts the chart
// lacks to `unknown` (when `chart_known`); non-leaf-posting and date-out-of-year
// findings go to the report's results unless they are skipped. `book_year` is the
// book set's year when known; `by_month` whether the balances go by month.
PostingPass ScanPostings(BookDatabase& db, const TableRoles& postings, const Chart& chart,
                         bool chart_known, std::optional<int> book_year, bool by_month,
                         CheckReport& report, CheckResult& bad, CheckResult& unknown);

}  // namespace qoru::checks
