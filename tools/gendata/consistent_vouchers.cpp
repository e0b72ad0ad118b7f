// The vouchers and balance rows of the consistent book set, and the faults planted in
// them (consistent_ledger.h).
#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "gendata/consistent_ledger.h"

namespace qoru::gen::ledger {

Money Books::AddDebits(int n, std::vector<Line>& lines) {
  Money sum = 0;
  for (int i = 0; i < n; ++i) {
    const Money m = RandomAmount();
    sum += m;
    lines.push_back(MakeLine(RandomLeaf(), m, 0));
  }
  return sum;
}

std::vector<Line> Books::RandomVoucher(int k) {
  const int debits = 1 + static_cast<int>(rng_.Below(static_cast<std::uint64_t>(k - 1)));
  std::vector<Line> lines;
  Money left = AddDebits(debits, lines);
  for (int i = debits; i < k; ++i) {
    const bool last = i == k - 1;
    Money m = last ? left : left * static_cast<Money>(1 + rng_.Below(60)) / 100;
    m -= m % kCent;
    if (!last && m == 0) m = kCent;
    left -= m;
    lines.push_back(MakeLine(RandomLeaf(), 0, m));
  }
  return lines;
}

void Books::WriteVoucher(int year, int month, int day, std::string_view type,
                         std::vector<Line> lines, bool is_void, const char* plant) {
  const std::string group = std::to_string(year) + "-" +
                            (o_.yearly_numbering ? std::string() : std::to_string(month)) + "-" +
                            std::string(type);
  int& counter = numbers_[group];
  ++counter;
  const std::string month_key =
      std::to_string(year) + "-" + std::to_string(month) + "-" + std::string(type);
  const bool first_of_month = months_seen_.insert(month_key).second;
  int& last_day = last_day_[month_key];
  const int previous_day = last_day;
  last_day = day;
  const std::size_t first_row = postings_file_->rows() + 1;
  if (Pending("voucher-numbering") && year == o_.year && month == (o_.months + 1) / 2 &&
      type == "记" && (o_.yearly_numbering ? first_of_month && counter >= 2 : counter == 2)) {
    ++counter;
    Planted("voucher-numbering", kPostings, first_row,
            std::to_string(year) + " 年 " + std::to_string(month) + " 月记字凭证跳过 " +
                std::to_string(counter - 1) + " 号");
  }
  ++summary_.vouchers;
  char date[16];
  std::snprintf(date, sizeof date, monthly_ ? "%04d%02d%02d" : "%04d-%02d-%02d", year, month, day);
  std::string number = std::to_string(counter);
  // The number used twice: this voucher takes the previous voucher's number of its
  // month and type, on another day.
  if (Pending("duplicate-number") && counter >= 3 && year == o_.year && !is_void &&
      !first_of_month && day != previous_day && type == "记" && month == o_.months) {
    --counter;
    number = std::to_string(counter);
    char shown[16];
    std::snprintf(shown, sizeof shown, "%04d-%02d-%02d", year, month, day);
    Planted("duplicate-number", kPostings, first_row,
            "凭证 " + std::string(type) + "-" + number + " 的号码在 " + shown + " 再次使用");
  }
  std::string_view summary = rng_.Pick(kLedgerSummaries);
  std::string_view maker = rng_.Pick(kLedgerMakers);
  // The approver is never the preparer, unless a plant says otherwise.
  std::string_view approver = maker == kLedgerMakers[0] ? kLedgerMakers[1] : kLedgerMakers[0];
  const VoucherTexts texts = std::move(next_texts_);
  next_texts_ = {};
  if (texts.set) {
    summary = texts.summary;
    maker = texts.preparer;
    approver = texts.approver;
  }
  const std::string wanted = plant != nullptr && !is_void ? plant : "";
  for (const Line& l : lines) {
    const std::size_t row = postings_file_->rows() + 1;
    std::string code = l.account >= 0 ? chart_[l.account].code : kUnknownCode;
    std::string debit = MoneyText(l.debit);
    std::string credit = MoneyText(l.credit);
    const std::string department = l.department >= 0 ? DepartmentCode(l.department) : "";
    if (wanted == "voucher-balance" && Pending(wanted) && l.debit != 0) {
      debit = MoneyText(l.debit + kCent);
      Planted(wanted, kPostings, row, "借方金额 " + MoneyText(l.debit) + " 写成 " + debit);
    } else if (wanted == "vouchers-vs-balances" && Pending(wanted) && l.account >= 0 &&
               !chart_[l.account].aux && plain_leaves_.size() >= 2) {
      const int other = plain_leaves_[0] == l.account ? plain_leaves_[1] : plain_leaves_[0];
      code = chart_[other].code;
      Planted(wanted, kPostings, row,
              "科目 " + chart_[l.account].code + " 的分录写在科目 " + code + " 上");
    } else if (wanted == "bad-value" && Pending(wanted)) {
      (l.credit == 0 ? credit : debit) = "零";
      Planted(wanted, kPostings, row,
              std::string(l.credit == 0 ? "贷方" : "借方") + "金额 0.00 写成“零”");
    }
    if (monthly_) {
      const std::string line = std::to_string(row - first_row + 1);
      const std::array<std::string_view, 14> values = {date,       type,
                                                       number,     line,
                                                       summary,    code,
                                                       kRenminbi,  debit,
                                                       credit,     is_void ? "1" : "0",
                                                       department, maker,
                                                       approver,   kLedgerMakers[2]};
      postings_file_->Row(values);
    } else {
      postings_file_->Row(PostingRow{date, type, number, summary, code, kRenminbi, debit, credit,
                                     is_void ? "1" : "0", department, maker});
    }
    if (is_void || l.account < 0 || !chart_[l.account].leaf()) continue;
    Acct& a = chart_[l.account];
    a.debit += l.debit;
    a.credit_sum += l.credit;
    a.month_debit[static_cast<std::size_t>(month)] += l.debit;
    a.month_credit[static_cast<std::size_t>(month)] += l.credit;
    if (l.department >= 0) {
      auto& sums = a.by_department[l.department];
      sums.first += l.debit;
      sums.second += l.credit;
      auto& m = a.department_months[l.department][static_cast<std::size_t>(month)];
      m.first += l.debit;
      m.second += l.credit;
    }
  }
}

const char* Books::PlantFor(int ordinal, int expected) const {
  const struct {
    const char* kind;
    int from;
  } stretches[] = {{"voucher-balance", expected / 3},
                   {"vouchers-vs-balances", expected / 2},
                   {"bad-value", expected * 2 / 3}};
  for (const auto& s : stretches)
    if (Pending(s.kind) && ordinal >= s.from) return s.kind;
  return nullptr;
}

void Books::WriteVouchers() {
  ReserveLeaf();
  const int total = o_.postings;
  // Vouchers of 3.5 lines on average, realistic ones of about 5.
  const int expected = std::max(1, o_.realistic ? total / 5 : total * 2 / 7);
  int written = 0;
  for (int ordinal = 0; written < total; ++ordinal) {
    int k = o_.realistic ? RealisticVoucherSize() : 2 + static_cast<int>(rng_.Below(4));
    if (total - written - k < 2) k = std::max(2, total - written);
    const int month = 1 + std::min(o_.months - 1, written * o_.months / std::max(total, 1));
    const int day = o_.realistic ? RealisticDay(month) : 1 + static_cast<int>(rng_.Below(28));
    const std::string_view type = rng_.Percent(15) ? "转" : "记";
    const bool is_void = ordinal != 0 && rng_.Percent(3);
    std::vector<Line> lines = o_.realistic ? RealisticVoucher(k) : RandomVoucher(k);
    if (is_void && rng_.Percent(50)) lines.back().credit += RandomAmount();
    if (ordinal == 0 && Planting("date-out-of-year")) {
      const std::size_t row = postings_file_->rows() + 1;
      WriteVoucher(o_.year - 1, 12, 31, type, lines, false, nullptr);
      for (std::size_t i = 0; i < lines.size(); ++i)
        Planted("date-out-of-year", kPostings, row + i,
                "凭证日期为上一年度的 " + std::to_string(o_.year - 1) + "-12-31");
    } else {
      WriteVoucher(o_.year, month, day, type, std::move(lines), is_void,
                   PlantFor(ordinal, expected));
    }
    if (ordinal == 0 && o_.exact_amounts) WriteExactVouchers();
    written += k;
  }
  const int last_month = o_.months;
  if (Planting("unknown-account")) {
    const std::size_t row = postings_file_->rows() + 1;
    const Money m = RandomAmount();
    WriteVoucher(o_.year, last_month, 28, "记", {MakeLine(-1, m, 0), MakeLine(-1, 0, m)}, false,
                 nullptr);
    unknown_amount_ = m;
    for (std::size_t i = 0; i < 2; ++i)
      Planted("unknown-account", kPostings, row + i, std::string("分录记在科目 ") + kUnknownCode);
  }
  if (Planting("non-leaf-posting")) {
    const int parent = TopParent();
    if (parent < 0) throw std::runtime_error("科目表没有上级科目，无法植入 non-leaf-posting");
    const std::size_t row = postings_file_->rows() + 1;
    const Money m = RandomAmount();
    WriteVoucher(o_.year, last_month, 28, "记", {MakeLine(parent, m, 0), MakeLine(parent, 0, m)},
                 false, nullptr);
    for (std::size_t i = 0; i < 2; ++i)
      Planted("non-leaf-posting", kPostings, row + i, "分录记在上级科目 " + chart_[parent].code);
  }
  WriteScreeningVouchers();
  for (const char* kind : {"voucher-balance", "vouchers-vs-balances", "bad-value",
                           "voucher-numbering", "date-out-of-year", "duplicate-number"})
    if (Pending(kind))
      throw std::runtime_error(std::string("账套太小，无法植入 ") + kind + "（请增加 --postings）");
}

void Books::WriteExactVouchers() {
  const auto leaf = [&] { return RandomLeaf(); };
  WriteVoucher(o_.year, 1, 2, "记",
               {MakeLine(leaf(), 10 * kCent, 0), MakeLine(leaf(), 20 * kCent, 0),
                MakeLine(leaf(), 0, 30 * kCent)},
               false, nullptr);
  const Money big = static_cast<Money>(123456789012345678LL) * kYuan + 91 * kCent;
  const Money half = static_cast<Money>(61728394506172839LL) * kYuan + 45 * kCent;
  WriteVoucher(
      o_.year, 1, 3, "记",
      {MakeLine(leaf(), big, 0), MakeLine(leaf(), 0, half), MakeLine(leaf(), 0, big - half)}, false,
      nullptr);
  WriteVoucher(o_.year, 1, 4, "记",
               {MakeLine(leaf(), 12345, 0), MakeLine(leaf(), 20001, 0), MakeLine(leaf(), 0, 32346)},
               false, nullptr);
  WriteVoucher(o_.year, 1, 5, "记",
               {MakeLine(leaf(), -50 * kYuan, 0), MakeLine(leaf(), 0, -50 * kYuan)}, false,
               nullptr);
}

void Books::WriteBalances() {
  for (std::size_t i = chart_.size(); i-- > 0;) {
    const Acct& a = chart_[i];
    if (a.parent < 0) continue;
    Acct& p = chart_[a.parent];
    p.opening += a.opening;
    p.debit += a.debit;
    p.credit_sum += a.credit_sum;
  }
  const int parent_plant = Planting("parent-sum") ? TopParent() : -1;
  if (Planting("parent-sum") && parent_plant < 0)
    throw std::runtime_error("科目表没有上级科目，无法植入 parent-sum");
  // The roll-forward fault goes into the first auxiliary detail row, where nothing else
  // follows from it; a total row takes it only when there is none.
  const bool detail_rows = std::any_of(chart_.begin(), chart_.end(),
                                       [](const Acct& a) { return !a.by_department.empty(); });
  for (int i : order_) {
    const Acct& a = chart_[i];
    if (a.omitted) continue;
    const std::size_t row = balances_file_->rows() + 1;
    const Money z = a.Closing(a.opening, a.debit, a.credit_sum);
    if (i == parent_plant) {
      const Money d = a.debit + kYuan;
      const Money wrong_closing = a.Closing(a.opening, d, a.credit_sum);
      BalanceRow(a, a.opening, a.debit, a.credit_sum, z, "", MoneyText(wrong_closing),
                 MoneyText(d));
      Planted("parent-sum", kBalances, row,
              "科目 " + a.code + " 的借方发生额和期末余额比下级合计多记 1.00");
    } else if (Pending("balance-roll-forward") && !detail_rows && a.leaf()) {
      BalanceRow(a, a.opening, a.debit, a.credit_sum, z, "", MoneyText(z + kCent));
      Planted("balance-roll-forward", kBalances, row,
              "科目 " + a.code + " 的期末余额写成 " + MoneyText(z + kCent));
    } else {
      BalanceRow(a, a.opening, a.debit, a.credit_sum, z, "");
    }
    if (i == trial_leaf_)
      Planted("trial-balance", kBalances, row,
              "科目 " + a.code + " 的期初余额多记 100.00（上级科目随之变化）");
    // The account's opening goes to its first department row, so that the detail rows
    // add up to the total row.
    bool first_department = true;
    for (const auto& [department, sums] : a.by_department) {
      const std::size_t aux_row = balances_file_->rows() + 1;
      const Money o = first_department ? a.opening : 0;
      first_department = false;
      const Money dz = a.Closing(o, sums.first, sums.second);
      if (Pending("balance-roll-forward")) {
        BalanceRow(a, o, sums.first, sums.second, dz, DepartmentCode(department),
                   MoneyText(dz + kCent));
        Planted("balance-roll-forward", kBalances, aux_row,
                "科目 " + a.code + " 部门 " + DepartmentCode(department) + " 的期末余额写成 " +
                    MoneyText(dz + kCent));
      } else if (Pending("aux-vs-total")) {
        const Money d = sums.first + kYuan;
        BalanceRow(a, o, d, sums.second, a.Closing(o, d, sums.second), DepartmentCode(department));
        Planted("aux-vs-total", kBalances, aux_row,
                "科目 " + a.code + " 部门 " + DepartmentCode(department) +
                    " 的借方发生额多记 1.00（期末随之变化）");
      } else {
        BalanceRow(a, o, sums.first, sums.second, dz, DepartmentCode(department));
      }
    }
  }
  if (Planting("unknown-account")) {
    const std::size_t row = balances_file_->rows() + 1;
    Acct unknown;
    unknown.code = kUnknownCode;
    BalanceRow(unknown, 0, unknown_amount_, unknown_amount_, 0, "");
    Planted("unknown-account", kBalances, row, std::string("余额行的科目为 ") + kUnknownCode);
  }
  for (const char* kind : {"balance-roll-forward", "aux-vs-total"})
    if (Pending(kind))
      throw std::runtime_error(std::string("账套太小，无法植入 ") + kind + "（请增加 --postings）");
}

}  // namespace qoru::gen::ledger
