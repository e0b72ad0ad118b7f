// The checks that compare accounts once both passes have summed them: the postings of
// each leaf against its total rows, each parent's total rows against its children's,
// and the trial balance over the leaves.
#pragma once

#include <string>

#include "checks/balance_pass.h"
#include "checks/check_report.h"
#include "checks/posting_pass.h"
#include "checks/tables/chart.h"

namespace qoru::checks {

void CheckVouchersVsBalances(const Chart& chart, const PostingPass& postings,
                             const BalancePass& balances, CheckResult& out);

// `table`: the balances, named in the findings.
void CheckParentSums(const Chart& chart, const BalancePass& balances, const std::string& table,
                     CheckResult& out);

void CheckTrialBalance(const Chart& chart, const BalancePass& balances, const std::string& table,
                       CheckResult& out);

}  // namespace qoru::checks
