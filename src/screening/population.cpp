#include "screening/population.h"

#include <unordered_map>

#include <fmt/format.h>

#include "checks/account_checks.h"
#include "checks/balance_pass.h"
#include "checks/posting_pass.h"
#include "checks/tables/book_tables.h"
#include "checks/tables/chart.h"
#include "checks/values/book_text.h"
#include "screening/screen_book.h"

namespace qoru::screening {

using checks::Amount;
using checks::Role;

void CountTested(ScreenBook& book) {
  Population& p = book.population;
  p.tested = {};
  p.undated = {};
  p.no_amount = {};
  p.outside_year = {};
  for (const ScreenPosting& posting : book.postings) {
    const Amount debit = book.Debit(posting), credit = book.Credit(posting);
    p.tested.Add(debit, credit);
    if (posting.date == 0) p.undated.Add(debit, credit);
    if (posting.side == PostingSide::kNone) p.no_amount.Add(debit, credit);
    if (book.year && posting.date != 0 && DateYear(posting.date) != *book.year)
      p.outside_year.Add(debit, credit);
  }
}

void TieOutToBalances(checks::BookDatabase& db, const checks::BookTables& tables,
                      const checks::Chart& chart, bool chart_known,
                      const std::vector<std::pair<std::string, std::string>>& names,
                      ScreenBook& book) {
  TieOut& t = book.tie_out;
  t = {};
  t.balances_table = tables.balances.present() ? tables.balances.name() : std::string();
  // Why not, in the order and words of the check's own skipping.
  if (!tables.balances.present()) {
    t.why_not = "无余额表";
  } else if (!chart_known) {
    t.why_not = tables.chart.FirstMissing({Role::kAccount});
  } else if (const std::string why =
                 tables.postings.FirstMissing({Role::kAccount, Role::kDebit, Role::kCredit});
             !why.empty()) {
    t.why_not = why;
  } else if (const std::string balances =
                 tables.balances.FirstMissing({Role::kAccount, Role::kDebit, Role::kCredit});
             !balances.empty()) {
    t.why_not = balances;
  }
  if (!t.why_not.empty()) return;

  // The balances as the check's pass reads them, its findings unwanted.
  checks::CheckReport report = checks::EmptyReport(0);
  for (checks::CheckResult& r : report.results) r.Skip("");
  checks::CheckResult bad = report[checks::CheckId::kBadValue];
  checks::CheckResult unknown = report[checks::CheckId::kUnknownAccount];
  const checks::BalancePass balances =
      checks::ScanBalances(db, tables.balances, chart, true, report, bad, unknown);
  t.by_month = balances.by_month;

  // The tested postings summed as the check's postings pass sums them: leaves only, by
  // month of the date when the balances go by month.
  checks::PostingPass sums;
  sums.by_month = balances.by_month;
  sums.Size(chart.size());
  std::vector<int> leaf(book.accounts.size(), -1);
  for (std::size_t i = 0; i < book.accounts.size(); ++i) {
    const int a = chart.Find(checks::AccountKey(book.accounts[i].code));
    if (a >= 0 && chart.IsLeaf(a)) leaf[i] = a;
  }
  for (const ScreenPosting& p : book.postings) {
    const Amount debit = book.Debit(p), credit = book.Credit(p);
    const int a = p.account >= 0 ? leaf[static_cast<std::size_t>(p.account)] : -1;
    if (a < 0) {
      t.off_leaf.Add(debit, credit);
      continue;
    }
    if (sums.by_month && p.date == 0) {
      t.undated.Add(debit, credit);
      continue;
    }
    const int period = sums.by_month ? DateMonth(p.date) : checks::kYearPeriod;
    sums.periods[static_cast<std::size_t>(period)] = true;
    checks::PostingTotals& total = sums.totals[sums.Slot(a, period)];
    total.debit += debit;
    total.credit += credit;
    t.tied.Add(debit, credit);
  }

  std::unordered_map<std::string, std::string> name_of;
  for (const auto& [code, name] : names) name_of.emplace(checks::AccountKey(code), name);
  // Accounts with postings or balance rows, and whether every period of each agrees.
  enum : unsigned char { kQuiet, kAgrees, kDiffers };
  std::vector<unsigned char> state(static_cast<std::size_t>(chart.size()), kQuiet);
  checks::CompareMovements(chart, sums, balances, [&](const checks::MovementComparison& c) {
    unsigned char& s = state[static_cast<std::size_t>(c.account)];
    const bool active =
        c.balances != nullptr || !c.postings->debit.IsZero() || !c.postings->credit.IsZero();
    if (!active) return;
    ++t.comparisons;
    if (c.agrees) {
      if (s == kQuiet) s = kAgrees;
      return;
    }
    s = kDiffers;
    TieOutDifference d;
    d.account = chart[c.account].code;
    if (const auto it = name_of.find(chart[c.account].key); it != name_of.end())
      d.name = it->second;
    d.month = c.period;
    d.postings_debit = c.postings->debit;
    d.postings_credit = c.postings->credit;
    d.balance_row = c.balances != nullptr;
    if (c.balances) {
      d.balance_debit = c.balances->debit;
      d.balance_credit = c.balances->credit;
    }
    t.differences.push_back(std::move(d));
  });
  for (const unsigned char s : state) {
    t.accounts_agree += s == kAgrees;
    t.accounts_differ += s == kDiffers;
  }
  t.done = true;
}

namespace {

using Json = nlohmann::ordered_json;

Json TallyJson(const Tally& t) {
  return {{"count", t.count}, {"debit", t.debit.ToString()}, {"credit", t.credit.ToString()}};
}

Json ReasonJson(std::string_view reason, std::string_view words, const Tally& t,
                std::string_view left_out_of) {
  return {{"reason", reason},
          {"words", words},
          {"count", t.count},
          {"debit", t.debit.ToString()},
          {"credit", t.credit.ToString()},
          {"left_out_of", left_out_of}};
}

std::string TallyText(const Tally& t) {
  return fmt::format("{} 笔（借 {}，贷 {}）", t.count, t.debit.ToString(), t.credit.ToString());
}

}  // namespace

Json PopulationJson(const ScreenBook& book) {
  const Population& p = book.population;
  if (!p.counted) return nullptr;
  Json left_out = Json::array();
  left_out.push_back(ReasonJson("void", "作废", p.void_rows, "every test"));
  left_out.push_back(ReasonJson("date_unreadable", "日期无法识别", p.undated, "voucher tests"));
  left_out.push_back(ReasonJson("no_amount", "借贷均为零", p.no_amount, "amount tests"));
  left_out.push_back(ReasonJson("outside_year", "不在账套年度内", p.outside_year, "none"));
  Json tested = TallyJson(p.tested);
  tested["vouchers"] = p.vouchers;
  return {{"table", book.table},
          {"rows", TallyJson(p.rows)},
          {"left_out", std::move(left_out)},
          {"tested", std::move(tested)}};
}

Json TieOutJson(const ScreenBook& book) {
  const TieOut& t = book.tie_out;
  if (!t.done) return {{"done", false}, {"reason", t.why_not}};
  Json differences = Json::array();
  for (const TieOutDifference& d : t.differences)
    differences.push_back(
        {{"account", d.account},
         {"name", d.name},
         {"month", d.month == 0 ? Json(nullptr) : Json(d.month)},
         {"postings_debit", d.postings_debit.ToString()},
         {"postings_credit", d.postings_credit.ToString()},
         {"balance_debit", d.balance_debit.ToString()},
         {"balance_credit", d.balance_credit.ToString()},
         {"balance_row", d.balance_row},
         {"difference_debit", (d.postings_debit - d.balance_debit).ToString()},
         {"difference_credit", (d.postings_credit - d.balance_credit).ToString()}});
  Json not_tied = Json::array();
  not_tied.push_back(ReasonJson("not_a_leaf", "科目不是科目表的末级科目", t.off_leaf, "tie-out"));
  not_tied.push_back(ReasonJson("date_unreadable", "日期无法识别", t.undated, "tie-out"));
  return {{"done", true},
          {"balances_table", t.balances_table},
          {"by_month", t.by_month},
          {"tied", TallyJson(t.tied)},
          {"not_tied", std::move(not_tied)},
          {"comparisons", t.comparisons},
          {"accounts_agree", t.accounts_agree},
          {"accounts_differ", t.accounts_differ},
          {"differences", std::move(differences)}};
}

std::string TieOutWords(const TieOut& t) {
  if (!t.done) return "未核对（" + t.why_not + "）";
  return fmt::format("科目 {} 个相符，{} 个不符（{} 处差异）", t.accounts_agree, t.accounts_differ,
                     t.differences.size());
}

std::string PopulationText(const ScreenBook& book) {
  const Population& p = book.population;
  std::string out;
  if (p.counted) {
    out += "总体：凭证表 " + book.table + " 共 " + TallyText(p.rows) + "；剔除作废 " +
           TallyText(p.void_rows) + "；测试 " + TallyText(p.tested) + "、凭证 " +
           std::to_string(p.vouchers) + " 张\n";
    if (p.undated.count + p.no_amount.count + p.outside_year.count > 0)
      out += fmt::format(
          "  其中日期无法识别 {} 笔（不参加按凭证的测试），借贷均为零 {} 笔，不在账套年度内 {} "
          "笔\n",
          p.undated.count, p.no_amount.count, p.outside_year.count);
  }
  out += "与余额表核对：" + TieOutWords(book.tie_out) + "\n";
  return out;
}

}  // namespace qoru::screening
