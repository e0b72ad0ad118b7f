// The checks that compare accounts once both passes have summed them, period by
// period: the postings of each leaf against its account figures, each parent's figures
// against its children's, the aux rows against the total rows, the trial balance over
// the leaves, each month's openings against the month before, and the chart's
// unreadable directions.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "checks/balance_pass.h"
#include "checks/check_report.h"
#include "checks/posting_pass.h"
#include "checks/tables/chart.h"

namespace qoru::checks {

// One comparison of vouchers-vs-balances: a leaf account of the chart in a period (a
// month when the balances go by month, else the year), its non-void postings' sums
// against its account figures (its total rows, else its aux rows: an account kept by
// aux value alone).
struct MovementComparison {
  int account = 0;                // in the chart
  int period = 0;                 // kYearPeriod or a month
  const PostingTotals* postings;  // the postings' debit and credit sums
  const Figures* balances;        // nullptr: no balance row
  bool agrees = false;            // the debits and the credits equal
};

// Every comparison, account by account and period by period, of the periods that the
// postings or the balances have: the one definition the check and the screening's
// tie-out of its population share.
void CompareMovements(const Chart& chart, const PostingPass& postings, const BalancePass& balances,
                      const std::function<void(const MovementComparison&)>& visit);

// `year`: the book set's year, for the words of the findings; `table`: the balances.
void CheckVouchersVsBalances(const Chart& chart, const PostingPass& postings,
                             const BalancePass& balances, std::optional<int> year,
                             CheckResult& out);

void CheckParentSums(const Chart& chart, const BalancePass& balances, const std::string& table,
                     std::optional<int> year, CheckResult& out);

void CheckTrialBalance(const Chart& chart, const BalancePass& balances, const std::string& table,
                       std::optional<int> year, CheckResult& out);

void CheckAuxVsTotal(const BalancePass& balances, const std::string& table, std::optional<int> year,
                     CheckResult& out);

void CheckBalanceContinuity(const BalancePass& balances, const std::string& table,
                            std::optional<int> year, CheckResult& out);

// `table`: the chart.
void CheckAccountDirections(const Chart& chart, const std::string& table, CheckResult& out);

}  // namespace qoru::checks
