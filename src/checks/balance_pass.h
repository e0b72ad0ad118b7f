// The pass over the balances: checks each row's values, month, directions, account and
// roll-forward as it streams by, and gathers what the checks after it compare: the
// figures of each chart account per period (total rows and aux rows apart), the sums
// per account, period and currency for aux-vs-total, and the signed openings and
// closings per series (account, currency, aux value) and month for the continuity.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "checks/balance_figures.h"
#include "checks/check_report.h"
#include "checks/tables/book_database.h"
#include "checks/tables/chart.h"
#include "checks/tables/column_roles.h"

namespace qoru::checks {

// The rows of one account, period and currency.
struct CurrencyCell {
  std::string account;  // trimmed, as its first row writes it
  std::string currency;
  int period = 0;
  std::int64_t first_row = 0;        // its first row
  std::int64_t first_total_row = 0;  // its first total row, 0 when none
  Figures total, aux;
};

// The rows of one account, currency and aux value with readable month and signs.
struct Series {
  std::string account, currency, aux;
};
struct SeriesRow {
  std::uint32_t series = 0;
  int month = 0;
  std::int64_t row = 0;
  Amount opening, closing;  // debit-positive
};

struct BalancePass {
  bool by_month = false;                                      // the balances have a month column
  std::array<bool, kPeriods> periods{};                       // the periods that have rows
  std::unordered_map<std::uint64_t, AccountPeriod> accounts;  // by AccountPeriodKey
  std::vector<CurrencyCell> cells;                            // in the order of their first rows
  std::vector<Series> series;
  std::vector<SeriesRow> series_rows;  // in row order (by_month only)
  std::optional<int> year;             // the one 会计年度 of every row
  std::string no_year;                 // why there is none

  static std::uint64_t AccountPeriodKey(int account, int period) {
    return static_cast<std::uint64_t>(account) * kPeriods + static_cast<std::uint64_t>(period);
  }
  // The account figures of chart account `account` in `period`; nullptr when none.
  const Figures* FiguresOf(int account, int period) const {
    const auto it = accounts.find(AccountPeriodKey(account, period));
    return it == accounts.end() ? nullptr : it->second.figures();
  }
};

// Scans `balances` (present). Bad values go to `bad`, rows of accounts the chart lacks
// to `unknown` (when `chart_known`), roll-forward findings to the report's result
// unless it is skipped.
BalancePass ScanBalances(BookDatabase& db, const TableRoles& balances, const Chart& chart,
                         bool chart_known, CheckReport& report, CheckResult& bad,
                         CheckResult& unknown);

}  // namespace qoru::checks
