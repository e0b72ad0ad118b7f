#include "checks/book_checks.h"

#include <chrono>

#include "checks/account_checks.h"
#include "checks/balance_pass.h"
#include "checks/posting_pass.h"
#include "checks/tables/book_database.h"
#include "checks/tables/book_tables.h"
#include "checks/tables/chart.h"
#include "checks/voucher_checks.h"

namespace qoru::checks {
namespace {

using R = Role;

// Skips `id` with the first non-empty reason of `reasons`.
void SkipUnless(CheckReport& report, CheckId id, std::initializer_list<std::string> reasons) {
  for (const std::string& why : reasons) {
    if (!why.empty()) {
      report[id].Skip(why);
      return;
    }
  }
}

void SkipWhatCannotRun(CheckReport& report, const BookTables& t) {
  const TableRoles& p = t.postings;
  const TableRoles& b = t.balances;
  const TableRoles& c = t.chart;
  const std::string chart = c.FirstMissing({R::kAccount});
  const std::string sides = c.FirstMissing({R::kAccount, R::kDirection});
  const std::string balance_rows =
      b.FirstMissing({R::kAccount, R::kOpening, R::kDebit, R::kCredit, R::kClosing});
  const std::string total_rows =
      b.FirstMissing({R::kAccount, R::kOpening, R::kDebit, R::kCredit, R::kClosing, R::kAux});
  SkipUnless(report, CheckId::kVoucherBalance,
             {p.FirstMissing({R::kDate, R::kType, R::kNumber, R::kDebit, R::kCredit})});
  SkipUnless(report, CheckId::kVoucherNumbering,
             {p.FirstMissing({R::kDate, R::kType, R::kNumber})});
  SkipUnless(report, CheckId::kBalanceRollForward, {sides, balance_rows});
  SkipUnless(report, CheckId::kVouchersVsBalances,
             {chart, p.FirstMissing({R::kAccount, R::kDebit, R::kCredit}),
              b.FirstMissing({R::kAccount, R::kDebit, R::kCredit, R::kAux})});
  SkipUnless(report, CheckId::kParentSum, {chart, total_rows});
  SkipUnless(report, CheckId::kTrialBalance, {sides, total_rows});
  SkipUnless(report, CheckId::kNonLeafPosting, {chart, p.FirstMissing({R::kAccount})});
  SkipUnless(report, CheckId::kDateOutOfYear, {p.FirstMissing({R::kDate})});

  // Unknown accounts are looked for in whichever table has an account column.
  const std::string postings_account = p.FirstMissing({R::kAccount});
  const std::string balances_account = b.FirstMissing({R::kAccount});
  CheckResult& unknown = report[CheckId::kUnknownAccount];
  if (!chart.empty()) {
    unknown.Skip(chart);
  } else if (!postings_account.empty() && !balances_account.empty()) {
    unknown.Skip(postings_account + "；" + balances_account);
  } else if (!postings_account.empty()) {
    unknown.reason = postings_account + "，只检查了余额表";
  } else if (!balances_account.empty()) {
    unknown.reason = balances_account + "，只检查了凭证表";
  }
}

// A result that collects findings of `id` apart, to be appended to the report's later.
CheckResult Apart(const CheckReport& report, CheckId id) {
  CheckResult r;
  r.id = id;
  r.skipped = report[id].skipped;
  r.limit = report[id].limit;
  return r;
}

}  // namespace

CheckReport RunChecks(const std::string& database_path, const std::string& description_path,
                      const CheckOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  BookDatabase db(database_path);
  const BookTables tables = FindBookTables(db, description_path, options.overrides);
  CheckReport report = EmptyReport(options.max_findings);
  SkipWhatCannotRun(report, tables);

  const bool chart_known = tables.chart.Column(R::kAccount) != nullptr;
  const Chart chart = chart_known ? Chart::Load(db, tables.chart) : Chart();

  // Balances first: the postings need the book set's year. Their findings of the
  // checks both passes feed are listed after those of the postings.
  CheckResult bad_balances = Apart(report, CheckId::kBadValue);
  CheckResult unknown_balances = Apart(report, CheckId::kUnknownAccount);
  BalancePass balances;
  if (tables.balances.present()) {
    balances = ScanBalances(db, tables.balances, chart, chart_known, report, bad_balances,
                            unknown_balances);
  } else {
    balances.totals.resize(static_cast<std::size_t>(chart.size()));
    balances.no_year = tables.balances.Missing(R::kYear);
  }
  if (!balances.year) SkipUnless(report, CheckId::kDateOutOfYear, {balances.no_year});

  PostingPass postings;
  if (tables.postings.present()) {
    postings = ScanPostings(db, tables.postings, chart, chart_known, balances.year, report,
                            report[CheckId::kBadValue], report[CheckId::kUnknownAccount]);
  } else {
    postings.totals.resize(static_cast<std::size_t>(chart.size()));
  }
  report[CheckId::kBadValue].Append(std::move(bad_balances));
  if (!report[CheckId::kUnknownAccount].skipped)
    report[CheckId::kUnknownAccount].Append(std::move(unknown_balances));

  const auto run = [&](CheckId id, auto&& check) {
    if (!report[id].skipped) check(report[id]);
  };
  const std::string& postings_table = tables.postings.name();
  const std::string& balances_table = tables.balances.name();
  run(CheckId::kVoucherBalance,
      [&](CheckResult& r) { CheckVoucherBalance(postings.vouchers, postings_table, r); });
  run(CheckId::kVoucherNumbering,
      [&](CheckResult& r) { CheckVoucherNumbering(postings.vouchers, postings_table, r); });
  run(CheckId::kVouchersVsBalances,
      [&](CheckResult& r) { CheckVouchersVsBalances(chart, postings, balances, r); });
  run(CheckId::kParentSum,
      [&](CheckResult& r) { CheckParentSums(chart, balances, balances_table, r); });
  run(CheckId::kTrialBalance,
      [&](CheckResult& r) { CheckTrialBalance(chart, balances, balances_table, r); });

  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return report;
}

}  // namespace qoru::checks
