#include "checks/book_checks.h"

#include <chrono>

#include "checks/account_checks.h"
#include "checks/balance_pass.h"
#include "checks/posting_pass.h"
#include "checks/tables/book_database.h"
#include "checks/tables/book_tables.h"
#include "checks/tables/chart.h"
#include "checks/values/amount.h"
#include "checks/voucher_checks.h"
#include "database/engine/engine_error.h"
#include "files/path_text.h"

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
  // Openings and closings are signed by their direction columns, else by the chart.
  const bool directions = b.Column(R::kOpeningDirection) && b.Column(R::kClosingDirection);
  const std::string signs = directions ? std::string() : sides;
  SkipUnless(report, CheckId::kVoucherBalance,
             {p.FirstMissing({R::kDate, R::kType, R::kNumber, R::kDebit, R::kCredit})});
  SkipUnless(report, CheckId::kVoucherNumbering,
             {p.FirstMissing({R::kDate, R::kType, R::kNumber})});
  SkipUnless(report, CheckId::kBalanceRollForward, {balance_rows, signs});
  SkipUnless(report, CheckId::kBalanceContinuity,
             {balance_rows, b.FirstMissing({R::kMonth}), signs});
  SkipUnless(report, CheckId::kVouchersVsBalances,
             {chart, p.FirstMissing({R::kAccount, R::kDebit, R::kCredit}),
              b.FirstMissing({R::kAccount, R::kDebit, R::kCredit})});
  SkipUnless(report, CheckId::kAuxVsTotal, {balance_rows, b.FirstMissing({R::kAux})});
  SkipUnless(report, CheckId::kParentSum, {chart, balance_rows});
  SkipUnless(report, CheckId::kTrialBalance, {sides, balance_rows});
  SkipUnless(report, CheckId::kNonLeafPosting, {chart, p.FirstMissing({R::kAccount})});
  SkipUnless(report, CheckId::kDateOutOfYear, {p.FirstMissing({R::kDate})});
  SkipUnless(report, CheckId::kAccountDirection, {sides});

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
  if (!tables.postings.present() && !tables.balances.present())
    report.unusable = "数据库中既没有凭证表也没有余额表：" + tables.postings.Missing(R::kAccount) +
                      "；" + tables.balances.Missing(R::kAccount);
  SkipWhatCannotRun(report, tables);

  const bool chart_known = tables.chart.Column(R::kAccount) != nullptr;
  const Chart chart = chart_known ? Chart::Load(db, tables.chart, tables.book.structure) : Chart();

  // Balances first: the postings need the book set's year and whether the balances go
  // by month. Findings of the checks both passes feed are listed after the postings'.
  CheckResult bad_balances = Apart(report, CheckId::kBadValue);
  CheckResult unknown_balances = Apart(report, CheckId::kUnknownAccount);
  BalancePass balances;
  if (tables.balances.present()) {
    balances = ScanBalances(db, tables.balances, chart, chart_known, report, bad_balances,
                            unknown_balances);
  } else {
    balances.no_year = tables.balances.Missing(R::kYear);
  }
  std::string no_year;
  const std::optional<int> year =
      BookSetYear(tables.book, balances.year, balances.no_year, &no_year);
  report.year = year;
  if (!year) SkipUnless(report, CheckId::kDateOutOfYear, {no_year});

  PostingPass postings;
  if (tables.postings.present()) {
    postings = ScanPostings(db, tables.postings, chart, chart_known, year, balances.by_month,
                            report, report[CheckId::kBadValue], report[CheckId::kUnknownAccount]);
  } else {
    postings.by_month = balances.by_month;
    postings.Size(chart.size());
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
  run(CheckId::kBalanceContinuity,
      [&](CheckResult& r) { CheckBalanceContinuity(balances, balances_table, year, r); });
  run(CheckId::kVouchersVsBalances,
      [&](CheckResult& r) { CheckVouchersVsBalances(chart, postings, balances, year, r); });
  run(CheckId::kAuxVsTotal,
      [&](CheckResult& r) { CheckAuxVsTotal(balances, balances_table, year, r); });
  run(CheckId::kParentSum,
      [&](CheckResult& r) { CheckParentSums(chart, balances, balances_table, year, r); });
  run(CheckId::kTrialBalance,
      [&](CheckResult& r) { CheckTrialBalance(chart, balances, balances_table, year, r); });
  run(CheckId::kAccountDirection,
      [&](CheckResult& r) { CheckAccountDirections(chart, tables.chart.name(), r); });

  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return report;
}

std::optional<CheckReport> TryRunChecks(const std::string& database_path,
                                        const std::string& description_path,
                                        const CheckOptions& options, std::string* why) {
  try {
    return RunChecks(database_path, description_path, options);
  } catch (const db::EngineError& e) {
    *why = "无法读取数据库 " + PathText(database_path) + "：" + e.what();
  } catch (const AmountOverflow& e) {
    *why = std::string("检查没有完成：") + e.what();
  } catch (const std::exception& e) {
    *why = e.what();
  }
  return std::nullopt;
}

}  // namespace qoru::checks
