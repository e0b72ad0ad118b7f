// The consistent book set: a chart built from a fixed list of top-level accounts, an
// opening trial balance, vouchers streamed to JZPZ.txt while their sums are kept per
// leaf account, then the balance rows computed from both, parents summed from their
// children. Plants change what is written, never what is summed, unless the fault is
// in the books themselves (an unbalanced opening, a voucher dated a year early).
#include "gendata/consistent_books.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "gendata/consistent_ledger.h"

namespace qoru::gen {
namespace ledger {

ConsistentSummary Books::Write() {
  BuildChart();
  WriteChartAndArchive();
  OpenTheBooks();
  WriteVouchers();
  if (monthly_)
    WriteMonthlyBalances();
  else
    WriteBalances();
  for (auto* f :
       {chart_file_.get(), balances_file_.get(), postings_file_.get(), archive_file_.get()})
    f->Close();
  if (book_file_) {
    std::string structure = "4";
    for (int level = 1; level < o_.depth; ++level) structure += "-2";
    book_file_->Row(std::array<std::string_view, 3>{std::to_string(o_.year), "人民币", structure});
    book_file_->Close();
  }
  summary_.accounts = chart_file_->rows();
  summary_.postings = postings_file_->rows();
  summary_.balances = balances_file_->rows();
  return summary_;
}

void Books::WriteDescription(const std::string& path) {
  GbkTextFile out(path);
  if (monthly_) Section(out, "电子账簿", kBook, {"年度", "本位币", "科目结构"});
  Section(out, "会计科目", kChart, {"科目编号", "科目名称", "余额方向", "辅助核算项"});
  if (directions_) {
    Section(out, "科目余额及发生额", kBalances,
            {"会计年度", "会计月度", "科目编号", "币种", "期初余额", "期初余额方向", "借方发生额",
             "贷方发生额", "期末余额", "期末余额方向", "辅助核算组"});
  } else if (monthly_) {
    Section(out, "科目余额及发生额", kBalances,
            {"会计年度", "会计月度", "科目编号", "币种", "期初余额", "借方发生额", "贷方发生额",
             "期末余额", "辅助核算组"});
  } else {
    Section(out, "科目余额及发生额", kBalances,
            {"会计年度", "科目编号", "币种", "期初余额", "借方发生额", "贷方发生额", "期末余额",
             "辅助核算组"});
  }
  if (monthly_) {
    Section(out, "记账凭证", kPostings,
            {"凭证日期", "凭证种类", "凭证编号", "行号", "摘要", "科目编号", "币种", "借方金额",
             "贷方金额", "作废标志", "辅助核算组", "制单人员", "审核人员", "记账人员"});
  } else {
    Section(out, "记账凭证", kPostings,
            {"凭证日期", "凭证字", "凭证号", "摘要", "科目编号", "币种", "借方金额", "贷方金额",
             "作废标志", "辅助核算组", "制单人"});
  }
  out.Line("[辅助核算项档案]");
  out.Line("部门");
  out.Line("");
  Section(out, "部门", kArchive, {"部门编号", "部门名称"});
  out.Close();
}

void Books::BuildChart() {
  for (int i = 0; i < o_.top_accounts; ++i) {
    Acct a;
    a.code = kTops[i].code;
    a.name = kTops[i].name;
    a.credit = kTops[i].credit;
    a.balance_sheet = kTops[i].balance_sheet;
    chart_.push_back(std::move(a));
  }
  // Children follow their parents in the vector, so a walk from the end meets every
  // child before its parent.
  for (std::size_t i = 0; i < chart_.size(); ++i) {
    const int level = static_cast<int>(chart_[i].code.size() - 4) / 2 + 1;
    if (level >= o_.depth) continue;
    const int n = static_cast<int>(rng_.Below(static_cast<std::uint64_t>(o_.max_children) + 1));
    for (int k = 0; k < n; ++k) {
      Acct child;
      child.code = chart_[i].code + (k + 1 < 10 ? "0" : "") + std::to_string(k + 1);
      child.name = chart_[i].name + std::string(kDetailWords[(k + i) % std::size(kDetailWords)]);
      child.credit = chart_[i].credit;
      child.balance_sheet = chart_[i].balance_sheet;
      child.parent = static_cast<int>(i);
      chart_[i].children.push_back(static_cast<int>(chart_.size()));
      chart_.push_back(std::move(child));
    }
  }
  std::vector<int> candidates;
  for (std::size_t i = 0; i < chart_.size(); ++i) {
    Acct& a = chart_[i];
    if (a.leaf()) {
      leaves_.push_back(static_cast<int>(i));
      a.aux = (a.code[0] == '6' || a.code.rfind("1221", 0) == 0) && rng_.Percent(50);
    } else if (a.code.size() >= 6) {
      candidates.push_back(static_cast<int>(i));
    }
  }
  if (std::none_of(leaves_.begin(), leaves_.end(), [&](int i) { return chart_[i].aux; }))
    chart_[leaves_.front()].aux = true;
  for (int i : leaves_) (chart_[i].aux ? aux_leaves_ : plain_leaves_).push_back(i);
  // By month, every other auxiliary account has auxiliary rows only.
  if (monthly_)
    for (std::size_t k = 0; k < aux_leaves_.size(); k += 2) chart_[aux_leaves_[k]].aux_only = true;
  // A code structure links a code to its parent one level up only, so the layouts that
  // have one (by month, with the book table) keep every parent, as such exports do.
  if (o_.omit_parents && !monthly_) {
    for (int i : candidates) chart_[i].omitted = rng_.Percent(30);
    if (!candidates.empty() && std::none_of(candidates.begin(), candidates.end(),
                                            [&](int i) { return chart_[i].omitted; }))
      chart_[candidates.front()].omitted = true;
  }
  for (const Acct& a : chart_) summary_.omitted_parents += a.omitted ? 1 : 0;
  order_.resize(chart_.size());
  for (std::size_t i = 0; i < chart_.size(); ++i) order_[i] = static_cast<int>(i);
  std::sort(order_.begin(), order_.end(),
            [&](int x, int y) { return chart_[x].code < chart_[y].code; });
}

void Books::WriteChartAndArchive() {
  // The unreadable direction goes to a top-level leaf when there is one, where no parent
  // loses the sign of a child.
  int unreadable = -1;
  if (Planting("account-direction"))
    for (int i : plain_leaves_)
      if (unreadable < 0 || (chart_[i].parent < 0 && chart_[unreadable].parent >= 0))
        unreadable = i;
  for (int i : order_) {
    const Acct& a = chart_[i];
    if (a.omitted) continue;
    std::string side = SideWord(a.credit);
    if (Pending("account-direction") && i == unreadable) {
      side = "?";
      Planted("account-direction", kChart, chart_file_->rows() + 1,
              "科目 " + a.code + " 的余额方向写成“?”");
    }
    chart_file_->Row(ChartRow{a.code, a.name, side, a.aux ? "部门" : ""});
  }
  if (Pending("account-direction"))
    throw std::runtime_error("科目表没有可植入 account-direction 的科目");
  for (std::size_t k = 0; k < std::size(kDepartments); ++k)
    archive_file_->Row(
        std::array<std::string_view, 2>{DepartmentCode(static_cast<int>(k)), kDepartments[k]});
}

void Books::OpenTheBooks() {
  Money debit_side = 0, credit_side = 0;
  int balancing = -1;
  for (int i : leaves_) {
    Acct& a = chart_[i];
    if (!a.balance_sheet) continue;
    a.opening = static_cast<Money>(rng_.Between(1000, 1000000)) * kYuan +
                static_cast<Money>(rng_.Below(100)) * kCent;
    (a.credit ? credit_side : debit_side) += a.opening;
    if (a.credit && balancing < 0) balancing = i;
  }
  chart_[balancing].opening += debit_side - credit_side;
  if (Planting("trial-balance")) {
    for (int i : leaves_) {
      if (!chart_[i].balance_sheet || chart_[i].credit) continue;
      chart_[i].opening += 100 * kYuan;
      trial_leaf_ = i;
      break;
    }
  }
}

}  // namespace ledger

const std::vector<std::string>& PlantKinds() {
  static const std::vector<std::string> kKinds = {"voucher-balance",
                                                  "voucher-numbering",
                                                  "balance-roll-forward",
                                                  "vouchers-vs-balances",
                                                  "parent-sum",
                                                  "trial-balance",
                                                  "unknown-account",
                                                  "non-leaf-posting",
                                                  "date-out-of-year",
                                                  "bad-value",
                                                  "aux-vs-total",
                                                  "account-direction",
                                                  "balance-continuity",
                                                  "duplicate-number",
                                                  "bad-month",
                                                  "bad-direction"};
  return kKinds;
}

const std::vector<std::string>& ScreeningPlantKinds() {
  static const std::vector<std::string> kKinds = {
      "weekend-holiday", "round-amount",    "benford",       "approval",
      "rare-preparer",   "keyword",         "rare-pair",     "duplicate-entry",
      "reversal",        "negative-amount", "blank-summary", "seldom-used-account"};
  return kKinds;
}

bool PlantNeedsMonths(const std::string& kind) {
  return kind == "balance-continuity" || kind == "bad-month" || kind == "bad-direction";
}

const std::vector<std::string>& LayoutNames() {
  static const std::vector<std::string> kNames = {"classic", "standard", "directions"};
  return kNames;
}

const std::vector<std::string>& DirectionWordNames() {
  static const std::vector<std::string> kNames = {"借/贷", "借方/贷方", "DR/CR"};
  return kNames;
}

ConsistentSummary WriteConsistentBooks(const std::string& dir, const ConsistentOptions& options) {
  return ledger::Books(dir, options).Write();
}

}  // namespace qoru::gen
