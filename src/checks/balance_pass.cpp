#include "checks/balance_pass.h"

#include "checks/value_reader.h"
#include "checks/values/book_text.h"

namespace qoru::checks {
namespace {

// How the closing follows for an account of `side`.
std::string Rule(Side side) {
  return side == Side::kDebit ? "借方科目的期初 + 借方 − 贷方" : "贷方科目的期初 − 借方 + 贷方";
}

}  // namespace

BalancePass ScanBalances(BookDatabase& db, const TableRoles& balances, const Chart& chart,
                         bool chart_known, CheckReport& report, CheckResult& bad,
                         CheckResult& unknown) {
  BalancePass pass;
  pass.totals.resize(static_cast<std::size_t>(chart.size()));
  const std::string& table = balances.name();
  ColumnSelection s;
  const int year = s.Add(balances.Column(Role::kYear));
  const int account = s.Add(balances.Column(Role::kAccount));
  const int opening = s.Add(balances.Column(Role::kOpening));
  const int debit = s.Add(balances.Column(Role::kDebit));
  const int credit = s.Add(balances.Column(Role::kCredit));
  const int closing = s.Add(balances.Column(Role::kClosing));
  const int aux = s.Add(balances.Column(Role::kAux));
  const auto column = [&](Role r) { return balances.Column(r) ? *balances.Column(r) : ""; };
  const std::string opening_column = column(Role::kOpening);
  const std::string debit_column = column(Role::kDebit);
  const std::string credit_column = column(Role::kCredit);
  const std::string closing_column = column(Role::kClosing);

  CheckResult& roll = report[CheckId::kBalanceRollForward];
  const bool check_roll = !roll.skipped;
  const bool check_unknown = chart_known && account >= 0 && !unknown.skipped;
  const bool sum_totals = chart_known && account >= 0 && aux >= 0;

  ValueReader values(bad, table);
  std::string key;
  std::string first_year;
  bool years_agree = true;
  std::int64_t rows = 0;
  db.Scan(table, s.expressions, [&](std::int64_t row, const ScanRow& r) {
    rows = row;
    Amount o, d, c, z;
    if (opening >= 0) o = values.ReadAmount(r, opening, row, opening_column);
    if (debit >= 0) d = values.ReadAmount(r, debit, row, debit_column);
    if (credit >= 0) c = values.ReadAmount(r, credit, row, credit_column);
    if (closing >= 0) z = values.ReadAmount(r, closing, row, closing_column);
    if (year >= 0) {
      const std::string_view y = TrimBlanks(r.Text(year));
      if (row == 1)
        first_year = y;
      else if (y != first_year)
        years_agree = false;
    }
    if (account < 0) return;
    AccountKeyInto(r.Text(account), key);
    const int a = chart_known ? chart.Find(key) : -1;
    if (a < 0) {
      if (check_unknown)
        unknown.Record([&] {
          return UnknownAccountFinding(table, row, std::string(TrimBlanks(r.Text(account))));
        });
      return;
    }
    const Account& acc = chart[a];
    if (check_roll && acc.side != Side::kOther) {
      const Amount expected = acc.side == Side::kDebit ? o + d - c : o - d + c;
      if (!(expected == z))
        roll.Record([&] {
          return Finding{CheckId::kBalanceRollForward,
                         table,
                         row,
                         "科目 " + acc.code + " 期末余额 " + z.ToString() + "，按" +
                             Rule(acc.side) + "应为 " + expected.ToString(),
                         {{"table", table},
                          {"row", row},
                          {"account", acc.code},
                          {"expected", expected.ToString()},
                          {"actual", z.ToString()}}};
        });
    }
    if (sum_totals && TrimBlanks(r.Text(aux)).empty()) {
      AccountTotals& t = pass.totals[static_cast<std::size_t>(a)];
      t.opening += o;
      t.debit += d;
      t.credit += c;
      t.closing += z;
      t.has_rows = true;
    }
  });

  if (year < 0) {
    pass.no_year = balances.Missing(Role::kYear);
  } else if (rows == 0) {
    pass.no_year = "余额表 " + table + " 没有行，无从确定账套年度";
  } else if (!years_agree) {
    pass.no_year = "余额表 " + table + " 的会计年度不止一个";
  } else {
    int y = 0;
    bool digits = !first_year.empty() && first_year.size() <= 4;
    for (char ch : first_year) {
      if (ch < '0' || ch > '9')
        digits = false;
      else
        y = y * 10 + (ch - '0');
    }
    if (digits && y > 0)
      pass.year = y;
    else
      pass.no_year = "余额表 " + table + " 的会计年度“" + first_year + "”不是年份";
  }
  return pass;
}

}  // namespace qoru::checks
