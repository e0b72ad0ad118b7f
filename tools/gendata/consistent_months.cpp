// The balances of the consistent book set by month (the standard and directions
// layouts) and the faults planted in them (consistent_ledger.h).
#include <stdexcept>

#include "gendata/consistent_ledger.h"

namespace qoru::gen::ledger {

void Books::SumMonthsIntoParents() {
  for (std::size_t i = chart_.size(); i-- > 0;) {
    const Acct& a = chart_[i];
    if (a.parent < 0) continue;
    Acct& p = chart_[a.parent];
    p.opening += a.opening;
    p.debit += a.debit;
    p.credit_sum += a.credit_sum;
    for (std::size_t m = 1; m <= 12; ++m) {
      p.month_debit[m] += a.month_debit[m];
      p.month_credit[m] += a.month_credit[m];
    }
  }
}

void Books::MonthRow(const Acct& a, int month, Money o, Money d, Money c, Money z,
                     const std::string& group, const char* plant) {
  const std::size_t row = balances_file_->rows() + 1;
  const std::string year = std::to_string(o_.year);
  std::string month_text = (month < 10 ? "0" : "") + std::to_string(month);
  if (plant != nullptr && std::string(plant) == "bad-month") {
    month_text = "13";
    Planted(plant, kBalances, row, "科目 " + a.code + " 的会计月度写成 13");
  }
  if (!directions_) {
    // The texts outlive the views of the row.
    const std::string opening = MoneyText(o), debit = MoneyText(d), credit = MoneyText(c),
                      closing = MoneyText(z);
    const std::array<std::string_view, 9> values = {year,  month_text, a.code,  kRenminbi, opening,
                                                    debit, credit,     closing, group};
    balances_file_->Row(values);
    return;
  }
  // Unsigned amounts beside a side word: the debit-positive value decides.
  const auto side = [&](Money natural) {
    const Money v = a.credit ? -natural : natural;
    return v > 0 ? debit_word_ : v < 0 ? credit_word_ : std::string("平");
  };
  const auto amount = [](Money natural) { return MoneyText(natural < 0 ? -natural : natural); };
  std::string closing_side = side(z);
  if (plant != nullptr && std::string(plant) == "bad-direction") {
    closing_side = "X";
    Planted(plant, kBalances, row, "科目 " + a.code + " 的期末余额方向写成“X”");
  }
  const std::string opening = amount(o), opening_side = side(o), debit = MoneyText(d),
                    credit = MoneyText(c), closing = amount(z);
  const std::array<std::string_view, 11> values = {year,    month_text,   a.code, kRenminbi,
                                                   opening, opening_side, debit,  credit,
                                                   closing, closing_side, group};
  balances_file_->Row(values);
}

void Books::WriteMonthlyBalances() {
  SumMonthsIntoParents();
  for (Acct& a : chart_)
    if (a.aux_only && a.department_months.empty()) a.aux_only = false;
  const int parent_plant = Planting("parent-sum") ? TopParent() : -1;
  if (Planting("parent-sum") && parent_plant < 0)
    throw std::runtime_error("科目表没有上级科目，无法植入 parent-sum");
  // The leaf whose June opening is broken: a top-level one when there is one.
  if (Planting("balance-continuity")) {
    for (int i : plain_leaves_)
      if (continuity_leaf_ < 0 || (chart_[i].parent < 0 && chart_[continuity_leaf_].parent >= 0))
        continuity_leaf_ = i;
    if (continuity_leaf_ < 0) throw std::runtime_error("没有可植入 balance-continuity 的科目");
  }
  std::vector<Money> opening(chart_.size());
  std::vector<std::map<int, Money>> department_opening(chart_.size());
  for (std::size_t i = 0; i < chart_.size(); ++i) {
    opening[i] = chart_[i].opening;
    bool first = true;
    for (const auto& [department, sums] : chart_[i].department_months) {
      department_opening[i][department] = first ? chart_[i].opening : 0;
      first = false;
    }
  }
  for (int month = 1; month <= 12; ++month) {
    const auto m = static_cast<std::size_t>(month);
    const bool last = month == 12;
    for (int i : order_) {
      const Acct& a = chart_[i];
      if (a.omitted) continue;
      const std::size_t row = balances_file_->rows() + 1;
      const Money o = opening[static_cast<std::size_t>(i)];
      const Money d = a.month_debit[m], c = a.month_credit[m];
      const Money z = a.Closing(o, d, c);
      opening[static_cast<std::size_t>(i)] = z;
      if (!a.aux_only) {
        const char* plant = nullptr;
        if (last && Pending("bad-month") && a.leaf() && !a.aux) plant = "bad-month";
        if (last && Pending("bad-direction") && a.leaf() && z != 0) plant = "bad-direction";
        if (last && i == parent_plant) {
          MonthRow(a, month, o, d + kYuan, c, a.Closing(o, d + kYuan, c), "");
          Planted("parent-sum", kBalances, row,
                  "科目 " + a.code + " 12 月的借方发生额和期末余额比下级合计多记 1.00");
        } else if (month == 6 && i == continuity_leaf_) {
          MonthRow(a, month, o + kYuan, d, c, z + kYuan, "");
          Planted("balance-continuity", kBalances, row,
                  "科目 " + a.code + " 6 月的期初余额和期末余额多记 1.00");
        } else if (last && Pending("balance-roll-forward") && a.leaf() && !a.aux &&
                   aux_leaves_.empty()) {
          MonthRow(a, month, o, d, c, z + kCent, "");
          Planted("balance-roll-forward", kBalances, row,
                  "科目 " + a.code + " 12 月的期末余额写成 " + MoneyText(z + kCent));
        } else {
          MonthRow(a, month, o, d, c, z, "", plant);
        }
        if (month == 1 && i == trial_leaf_)
          Planted("trial-balance", kBalances, row,
                  "科目 " + a.code + " 的期初余额多记 100.00（上级科目和以后各月随之变化）");
      }
      for (const auto& [department, months] : a.department_months) {
        const std::size_t aux_row = balances_file_->rows() + 1;
        Money& dept_opening = department_opening[static_cast<std::size_t>(i)][department];
        const Money dd = months[m].first, dc = months[m].second;
        const Money dz = a.Closing(dept_opening, dd, dc);
        const Money dept_o = dept_opening;
        dept_opening = dz;
        const std::string code = DepartmentCode(department);
        if (last && Pending("balance-roll-forward") && !a.aux_only) {
          MonthRow(a, month, dept_o, dd, dc, dz + kCent, code);
          Planted(
              "balance-roll-forward", kBalances, aux_row,
              "科目 " + a.code + " 部门 " + code + " 12 月的期末余额写成 " + MoneyText(dz + kCent));
        } else if (last && Pending("aux-vs-total") && !a.aux_only) {
          MonthRow(a, month, dept_o, dd + kYuan, dc, a.Closing(dept_o, dd + kYuan, dc), code);
          Planted(
              "aux-vs-total", kBalances, aux_row,
              "科目 " + a.code + " 部门 " + code + " 12 月的借方发生额多记 1.00（期末随之变化）");
        } else {
          MonthRow(a, month, dept_o, dd, dc, dz, code);
        }
      }
    }
  }
  if (Planting("unknown-account")) {
    const std::size_t row = balances_file_->rows() + 1;
    Acct unknown;
    unknown.code = kUnknownCode;
    MonthRow(unknown, o_.months, 0, unknown_amount_, unknown_amount_, 0, "");
    Planted("unknown-account", kBalances, row, std::string("余额行的科目为 ") + kUnknownCode);
  }
  for (const char* kind : {"balance-roll-forward", "aux-vs-total", "bad-month", "bad-direction"})
    if (Pending(kind))
      throw std::runtime_error(std::string("账套太小，无法植入 ") + kind + "（请增加 --postings）");
}

}  // namespace qoru::gen::ledger
