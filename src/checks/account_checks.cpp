#include "checks/account_checks.h"

#include <algorithm>
#include <array>

namespace qoru::checks {
namespace {

struct Field {
  const char* name;
  const char* chinese;
  Amount Figures::*member;
  bool is_signed;  // opening and closing: compared only where every sign is known
};
constexpr std::array<Field, 4> kFields = {{{"opening", "期初余额", &Figures::opening, true},
                                           {"debit", "借方发生额", &Figures::debit, false},
                                           {"credit", "贷方发生额", &Figures::credit, false},
                                           {"closing", "期末余额", &Figures::closing, true}}};

// The fields in which `mine` and `theirs` differ, as text and as JSON {name: {a, b}}.
struct Differences {
  std::string text;
  nlohmann::ordered_json fields = nlohmann::ordered_json::object();
  bool any = false;
};
Differences Compare(const Figures& mine, const Figures& theirs, const char* mine_key,
                    const char* theirs_key, const char* theirs_words) {
  Differences d;
  const bool signs = mine.signed_known && theirs.signed_known;
  for (const Field& f : kFields) {
    if (f.is_signed && !signs) continue;
    const Amount& a = mine.*f.member;
    const Amount& b = theirs.*f.member;
    if (a == b) continue;
    d.any = true;
    d.text += (d.text.empty() ? "" : "；") + std::string(f.chinese) + " " + a.ToString() + "，" +
              theirs_words + " " + b.ToString();
    d.fields[f.name] = {{mine_key, a.ToString()}, {theirs_key, b.ToString()}};
  }
  return d;
}

// The periods to go through: the months, or the year.
std::vector<int> Periods(bool by_month) {
  if (!by_month) return {kYearPeriod};
  std::vector<int> months;
  for (int m = 1; m <= 12; ++m) months.push_back(m);
  return months;
}

}  // namespace

void CompareMovements(const Chart& chart, const PostingPass& postings, const BalancePass& balances,
                      const std::function<void(const MovementComparison&)>& visit) {
  static const Figures kNone;
  const std::vector<int> periods = Periods(balances.by_month);
  for (int a = 0; a < chart.size(); ++a) {
    if (!chart.IsLeaf(a)) continue;
    for (int period : periods) {
      const auto p_index = static_cast<std::size_t>(period);
      if (!postings.periods[p_index] && !balances.periods[p_index]) continue;
      MovementComparison c;
      c.account = a;
      c.period = period;
      c.postings = &postings.Totals(a, period);
      c.balances = balances.FiguresOf(a, period);
      const Figures& f = c.balances != nullptr ? *c.balances : kNone;
      c.agrees = c.postings->debit == f.debit && c.postings->credit == f.credit;
      visit(c);
    }
  }
}

void CheckVouchersVsBalances(const Chart& chart, const PostingPass& postings,
                             const BalancePass& balances, std::optional<int> year,
                             CheckResult& out) {
  CompareMovements(chart, postings, balances, [&](const MovementComparison& c) {
    if (c.agrees) return;
    out.Record([&] {
      const PostingTotals& p = *c.postings;
      const Figures none;
      const Figures& f = c.balances != nullptr ? *c.balances : none;
      const std::string& code = chart[c.account].code;
      const std::string theirs = c.balances != nullptr ? "余额表合计 借方 " + f.debit.ToString() +
                                                             "、贷方 " + f.credit.ToString()
                                                       : "余额表无该科目";
      return Finding{CheckId::kVouchersVsBalances,
                     "",
                     0,
                     PeriodWords(year, c.period) + " 科目 " + code + " 的凭证合计 借方 " +
                         p.debit.ToString() + "、贷方 " + p.credit.ToString() + "，" + theirs,
                     {{"account", code},
                      {"month", MonthField(c.period)},
                      {"voucher_debit", p.debit.ToString()},
                      {"voucher_credit", p.credit.ToString()},
                      {"balance_debit", f.debit.ToString()},
                      {"balance_credit", f.credit.ToString()}}};
    });
  });
}

void CheckParentSums(const Chart& chart, const BalancePass& balances, const std::string& table,
                     std::optional<int> year, CheckResult& out) {
  for (int period : Periods(balances.by_month)) {
    if (!balances.periods[static_cast<std::size_t>(period)]) continue;
    for (int a = 0; a < chart.size(); ++a) {
      const Figures* parent = balances.FiguresOf(a, period);
      if (chart.IsLeaf(a) || parent == nullptr) continue;
      Figures children;
      children.present = true;
      for (int c : chart[a].children)
        if (const Figures* child = balances.FiguresOf(c, period)) children.Add(*child);
      const Differences d = Compare(*parent, children, "parent", "children", "下级合计");
      if (!d.any) continue;
      out.Record([&] {
        const std::string& code = chart[a].code;
        return Finding{CheckId::kParentSum,
                       table,
                       0,
                       PeriodWords(year, period) + " 科目 " + code + " 与其 " +
                           std::to_string(chart[a].children.size()) + " 个下级科目的合计不符：" +
                           d.text,
                       {{"account", code}, {"month", MonthField(period)}, {"fields", d.fields}}};
      });
    }
  }
}

void CheckTrialBalance(const Chart& chart, const BalancePass& balances, const std::string& table,
                       std::optional<int> year, CheckResult& out) {
  for (int period : Periods(balances.by_month)) {
    if (!balances.periods[static_cast<std::size_t>(period)]) continue;
    // [0] the positive (debit) parts, [1] the negative (credit) parts as magnitudes.
    Amount opening[2], closing[2], debit, credit;
    for (int a = 0; a < chart.size(); ++a) {
      if (!chart.IsLeaf(a) || chart[a].side == Side::kOther) continue;
      const Figures* f = balances.FiguresOf(a, period);
      if (f == nullptr) continue;
      if (f->signed_known) {
        if (f->opening.units() >= 0)
          opening[0] += f->opening;
        else
          opening[1] -= f->opening;
        if (f->closing.units() >= 0)
          closing[0] += f->closing;
        else
          closing[1] -= f->closing;
      }
      debit += f->debit;
      credit += f->credit;
    }
    const auto compare = [&](const char* which, const char* words, const Amount& left,
                             const Amount& right, const char* left_words, const char* right_words) {
      if (left == right) return;
      out.Record([&] {
        return Finding{CheckId::kTrialBalance,
                       table,
                       0,
                       PeriodWords(year, period) + " 试算不平衡（" + words + "）：" + left_words +
                           " " + left.ToString() + "，" + right_words + " " + right.ToString() +
                           "，相差 " + (left - right).ToString(),
                       {{"which", which},
                        {"month", MonthField(period)},
                        {"debit", left.ToString()},
                        {"credit", right.ToString()}}};
      });
    };
    compare("opening", "期初余额", opening[0], opening[1], "借方余额合计", "贷方余额合计");
    compare("closing", "期末余额", closing[0], closing[1], "借方余额合计", "贷方余额合计");
    compare("movements", "发生额", debit, credit, "借方发生额合计", "贷方发生额合计");
  }
}

void CheckAuxVsTotal(const BalancePass& balances, const std::string& table, std::optional<int> year,
                     CheckResult& out) {
  std::vector<const CurrencyCell*> cells;
  for (const CurrencyCell& c : balances.cells)
    if (c.total.present && c.aux.present) cells.push_back(&c);
  std::sort(cells.begin(), cells.end(), [](const CurrencyCell* a, const CurrencyCell* b) {
    return a->first_total_row < b->first_total_row;
  });
  for (const CurrencyCell* c : cells) {
    const Differences d = Compare(c->total, c->aux, "total", "aux", "辅助核算合计");
    if (!d.any) continue;
    out.Record([&] {
      return Finding{CheckId::kAuxVsTotal,
                     table,
                     c->first_total_row,
                     PeriodWords(year, c->period) + " 科目 " + c->account +
                         (c->currency.empty() ? "" : " 币种 " + c->currency) +
                         " 的辅助核算行合计与总账行不符：" + d.text,
                     {{"table", table},
                      {"row", c->first_total_row},
                      {"account", c->account},
                      {"month", MonthField(c->period)},
                      {"currency", c->currency},
                      {"fields", d.fields}}};
    });
  }
}

void CheckBalanceContinuity(const BalancePass& balances, const std::string& table,
                            std::optional<int> year, CheckResult& out) {
  if (!balances.by_month) return;
  // Each series' rows by month, in row order within a month.
  std::vector<const SeriesRow*> rows;
  rows.reserve(balances.series_rows.size());
  for (const SeriesRow& r : balances.series_rows) rows.push_back(&r);
  std::stable_sort(rows.begin(), rows.end(), [](const SeriesRow* a, const SeriesRow* b) {
    return a->series != b->series ? a->series < b->series : a->month < b->month;
  });
  struct Broken {
    const SeriesRow* row;
    const SeriesRow* earlier;
  };
  std::vector<Broken> broken;
  for (std::size_t i = 0; i < rows.size();) {
    // The rows of one series; `earlier` is the last row of the latest earlier month.
    const SeriesRow* earlier = nullptr;
    std::size_t j = i;
    while (j < rows.size() && rows[j]->series == rows[i]->series) {
      std::size_t k = j;
      while (k < rows.size() && rows[k]->series == rows[j]->series &&
             rows[k]->month == rows[j]->month) {
        if (earlier != nullptr && !(rows[k]->opening == earlier->closing))
          broken.push_back({rows[k], earlier});
        ++k;
      }
      earlier = rows[k - 1];
      j = k;
    }
    i = j;
  }
  std::sort(broken.begin(), broken.end(),
            [](const Broken& a, const Broken& b) { return a.row->row < b.row->row; });
  for (const Broken& b : broken) {
    out.Record([&] {
      const Series& s = balances.series[b.row->series];
      nlohmann::ordered_json fields = {{"table", table},
                                       {"row", b.row->row},
                                       {"account", s.account},
                                       {"month", b.row->month},
                                       {"currency", s.currency},
                                       {"aux", s.aux},
                                       {"expected", b.earlier->closing.ToString()},
                                       {"actual", b.row->opening.ToString()},
                                       {"previous_month", b.earlier->month},
                                       {"previous_row", b.earlier->row}};
      return Finding{CheckId::kBalanceContinuity, table, b.row->row,
                     PeriodWords(year, b.row->month) + " 科目 " + s.account +
                         (s.aux.empty() ? "" : " 辅助核算 " + s.aux) + " 期初余额（借正贷负）" +
                         b.row->opening.ToString() + "，与 " + std::to_string(b.earlier->month) +
                         " 月期末余额 " + b.earlier->closing.ToString() + " 不符",
                     std::move(fields)};
    });
  }
}

void CheckAccountDirections(const Chart& chart, const std::string& table, CheckResult& out) {
  for (const UnreadableDirection& u : chart.unreadable()) {
    out.Record([&] {
      return Finding{
          CheckId::kAccountDirection,
          table,
          u.row,
          "科目 " + u.account + " 的余额方向“" + u.value +
              "”无法识别（应为借或贷），该科目不参加需要方向的检查",
          {{"table", table}, {"row", u.row}, {"account", u.account}, {"value", u.value}}};
    });
  }
}

}  // namespace qoru::checks
