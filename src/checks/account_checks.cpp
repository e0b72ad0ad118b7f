#include "checks/account_checks.h"

#include <array>

namespace qoru::checks {

void CheckVouchersVsBalances(const Chart& chart, const PostingPass& postings,
                             const BalancePass& balances, CheckResult& out) {
  for (int a = 0; a < chart.size(); ++a) {
    if (!chart.IsLeaf(a)) continue;
    const PostingTotals& p = postings.totals[static_cast<std::size_t>(a)];
    const AccountTotals& b = balances.totals[static_cast<std::size_t>(a)];
    if (p.debit == b.debit && p.credit == b.credit) continue;
    out.Record([&] {
      const std::string& code = chart[a].code;
      return Finding{CheckId::kVouchersVsBalances,
                     "",
                     0,
                     "科目 " + code + " 的凭证合计 借方 " + p.debit.ToString() + "、贷方 " +
                         p.credit.ToString() + "，余额表合计 借方 " + b.debit.ToString() +
                         "、贷方 " + b.credit.ToString(),
                     {{"account", code},
                      {"voucher_debit", p.debit.ToString()},
                      {"voucher_credit", p.credit.ToString()},
                      {"balance_debit", b.debit.ToString()},
                      {"balance_credit", b.credit.ToString()}}};
    });
  }
}

void CheckParentSums(const Chart& chart, const BalancePass& balances, const std::string& table,
                     CheckResult& out) {
  struct Field {
    const char* name;
    const char* chinese;
    Amount AccountTotals::*member;
  };
  static constexpr std::array<Field, 4> kFields = {
      {{"opening", "期初余额", &AccountTotals::opening},
       {"debit", "借方发生额", &AccountTotals::debit},
       {"credit", "贷方发生额", &AccountTotals::credit},
       {"closing", "期末余额", &AccountTotals::closing}}};
  for (int a = 0; a < chart.size(); ++a) {
    const AccountTotals& parent = balances.totals[static_cast<std::size_t>(a)];
    if (chart.IsLeaf(a) || !parent.has_rows) continue;
    AccountTotals children;
    for (int c : chart[a].children) {
      const AccountTotals& child = balances.totals[static_cast<std::size_t>(c)];
      children.opening += child.opening;
      children.debit += child.debit;
      children.credit += child.credit;
      children.closing += child.closing;
    }
    bool differs = false;
    for (const Field& f : kFields) differs = differs || !(parent.*f.member == children.*f.member);
    if (!differs) continue;
    out.Record([&] {
      const std::string& code = chart[a].code;
      std::string text;
      nlohmann::ordered_json fields = nlohmann::ordered_json::object();
      for (const Field& f : kFields) {
        const Amount& mine = parent.*f.member;
        const Amount& theirs = children.*f.member;
        if (mine == theirs) continue;
        text += (text.empty() ? "" : "；") + std::string(f.chinese) + " " + mine.ToString() +
                "，下级合计 " + theirs.ToString();
        fields[f.name] = {{"parent", mine.ToString()}, {"children", theirs.ToString()}};
      }
      return Finding{CheckId::kParentSum,
                     table,
                     0,
                     "科目 " + code + " 与其 " + std::to_string(chart[a].children.size()) +
                         " 个下级科目的合计不符：" + text,
                     {{"account", code}, {"fields", std::move(fields)}}};
    });
  }
}

void CheckTrialBalance(const Chart& chart, const BalancePass& balances, const std::string& table,
                       CheckResult& out) {
  Amount opening[2], closing[2], debit, credit;  // [0] debit side, [1] credit side
  for (int a = 0; a < chart.size(); ++a) {
    const Side side = chart[a].side;
    if (!chart.IsLeaf(a) || side == Side::kOther) continue;
    const AccountTotals& t = balances.totals[static_cast<std::size_t>(a)];
    const int s = side == Side::kDebit ? 0 : 1;
    opening[s] += t.opening;
    closing[s] += t.closing;
    debit += t.debit;
    credit += t.credit;
  }
  const auto compare = [&](const char* which, const char* words, const Amount& left,
                           const Amount& right, const char* left_words, const char* right_words) {
    if (left == right) return;
    out.Record([&] {
      return Finding{CheckId::kTrialBalance,
                     table,
                     0,
                     std::string("试算不平衡（") + words + "）：" + left_words + " " +
                         left.ToString() + "，" + right_words + " " + right.ToString() + "，相差 " +
                         (left - right).ToString(),
                     {{"which", which}, {"debit", left.ToString()}, {"credit", right.ToString()}}};
    });
  };
  compare("opening", "期初余额", opening[0], opening[1], "借方科目合计", "贷方科目合计");
  compare("closing", "期末余额", closing[0], closing[1], "借方科目合计", "贷方科目合计");
  compare("movements", "发生额", debit, credit, "借方发生额合计", "贷方发生额合计");
}

}  // namespace qoru::checks
