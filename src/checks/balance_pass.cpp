#include "checks/balance_pass.h"

#include "checks/value_reader.h"
#include "checks/values/balance_year.h"
#include "checks/values/book_text.h"
#include "checks/values/book_words.h"

namespace qoru::checks {
namespace {

// A balance row's opening or closing, debit-positive, or no sign.
struct Signed {
  Amount value;
  bool known = false;
};

// The columns of the scan and their names.
struct BalanceColumns {
  ColumnSelection s;
  int year, month, account, currency, aux, opening, opening_direction, debit, credit, closing,
      closing_direction;
  std::string month_name, opening_name, opening_direction_name, debit_name, credit_name,
      closing_name, closing_direction_name;

  explicit BalanceColumns(const TableRoles& t) {
    year = s.Add(t.Column(Role::kYear));
    month = s.Add(t.Column(Role::kMonth));
    account = s.Add(t.Column(Role::kAccount));
    currency = s.Add(t.Column(Role::kCurrency));
    aux = s.Add(t.Column(Role::kAux));
    opening = s.Add(t.Column(Role::kOpening));
    opening_direction = s.Add(t.Column(Role::kOpeningDirection));
    debit = s.Add(t.Column(Role::kDebit));
    credit = s.Add(t.Column(Role::kCredit));
    closing = s.Add(t.Column(Role::kClosing));
    closing_direction = s.Add(t.Column(Role::kClosingDirection));
    const auto name = [&](Role r) { return t.Column(r) ? *t.Column(r) : std::string(); };
    month_name = name(Role::kMonth);
    opening_name = name(Role::kOpening);
    opening_direction_name = name(Role::kOpeningDirection);
    debit_name = name(Role::kDebit);
    credit_name = name(Role::kCredit);
    closing_name = name(Role::kClosing);
    closing_direction_name = name(Role::kClosingDirection);
  }
};

// `amount` signed by the direction column `direction` (when there is one) or by the
// account's side. An unreadable direction, or 平 / empty beside an amount, is a bad
// value and the amount counts as 0.
Signed SignOf(const Amount& amount, const ScanRow& r, int direction, const std::string& column,
              Side side, std::int64_t row, ValueReader& values) {
  if (direction < 0) {
    if (side == Side::kDebit) return {amount, true};
    if (side == Side::kCredit) return {-amount, true};
    return {};
  }
  const std::string_view text = r.Text(direction);
  switch (ParseDirection(text)) {
    case Direction::kDebit:
      return {amount, true};
    case Direction::kCredit:
      return {-amount, true};
    case Direction::kZero:
      if (!amount.IsZero())
        values.Record(row, column, text, "表示余额为零，但金额不为零，金额按 0 计");
      return {Amount(), true};
    case Direction::kUnreadable:
      values.Record(row, column, text, "不是余额方向（借、贷或平），金额按 0 计");
      return {Amount(), true};
  }
  return {};
}

}  // namespace

BalancePass ScanBalances(BookDatabase& db, const TableRoles& balances, const Chart& chart,
                         bool chart_known, CheckReport& report, CheckResult& bad,
                         CheckResult& unknown) {
  BalancePass pass;
  const std::string& table = balances.name();
  const BalanceColumns col(balances);
  pass.by_month = col.month >= 0;

  CheckResult& roll = report[CheckId::kBalanceRollForward];
  const bool check_roll = !roll.skipped;
  const bool check_unknown = chart_known && col.account >= 0 && !unknown.skipped;

  ValueReader values(bad, table);
  std::string key;
  std::string cell_key;
  std::unordered_map<std::string, std::size_t> cell_index;
  std::unordered_map<std::string, std::uint32_t> series_index;
  BalanceYear years;
  db.Scan(table, col.s.expressions, [&](std::int64_t row, const ScanRow& r) {
    Amount o, d, c, z;
    if (col.opening >= 0) o = values.ReadAmount(r, col.opening, row, col.opening_name);
    const int a = [&] {
      if (col.account < 0) return -1;
      AccountKeyInto(r.Text(col.account), key);
      return chart_known ? chart.Find(key) : -1;
    }();
    const Side side = a >= 0 ? chart[a].side : Side::kOther;
    const Signed opening =
        SignOf(o, r, col.opening_direction, col.opening_direction_name, side, row, values);
    if (col.debit >= 0) d = values.ReadAmount(r, col.debit, row, col.debit_name);
    if (col.credit >= 0) c = values.ReadAmount(r, col.credit, row, col.credit_name);
    if (col.closing >= 0) z = values.ReadAmount(r, col.closing, row, col.closing_name);
    const Signed closing =
        SignOf(z, r, col.closing_direction, col.closing_direction_name, side, row, values);
    int period = kYearPeriod;
    if (col.month >= 0) {
      const std::optional<int> m = values.ReadMonth(r, col.month, row, col.month_name);
      period = m ? *m : -1;
    }
    if (col.year >= 0) years.Add(r.Text(col.year));
    if (col.account < 0) return;
    const std::string code(TrimBlanks(r.Text(col.account)));
    if (a < 0 && check_unknown)
      unknown.Record([&] { return UnknownAccountFinding(table, row, code); });

    const bool signs_known = opening.known && closing.known;
    if (check_roll && signs_known) {
      const Amount expected = opening.value + d - c;
      if (!(expected == closing.value))
        roll.Record([&] {
          const std::string aux(col.aux >= 0 ? TrimBlanks(r.Text(col.aux)) : "");
          Finding f{CheckId::kBalanceRollForward,
                    table,
                    row,
                    "科目 " + code + (aux.empty() ? "" : " 辅助核算 " + aux) +
                        " 期末余额（借正贷负）" + closing.value.ToString() +
                        "，按期初 + 借方 − 贷方应为 " + expected.ToString(),
                    {{"table", table},
                     {"row", row},
                     {"account", code},
                     {"expected", expected.ToString()},
                     {"actual", closing.value.ToString()}}};
          if (!aux.empty()) f.fields["aux"] = aux;
          if (period > 0) f.fields["month"] = period;
          return f;
        });
    }
    if (period < 0 || key.empty()) return;
    pass.periods[static_cast<std::size_t>(period)] = true;
    const std::string_view aux_value = col.aux >= 0 ? TrimBlanks(r.Text(col.aux)) : "";
    const std::string_view currency = col.currency >= 0 ? TrimBlanks(r.Text(col.currency)) : "";
    const bool total_row = aux_value.empty();
    Figures f;
    f.opening = opening.value;
    f.debit = d;
    f.credit = c;
    f.closing = closing.value;
    f.signed_known = signs_known;

    if (a >= 0) {
      AccountPeriod& ap = pass.accounts[BalancePass::AccountPeriodKey(a, period)];
      (total_row ? ap.total : ap.aux).Add(f);
    }

    cell_key.assign(key).push_back('\x1f');
    cell_key.append(currency).push_back('\x1f');
    cell_key.push_back(static_cast<char>('A' + period));
    const auto [it, added] = cell_index.try_emplace(cell_key, pass.cells.size());
    if (added) {
      CurrencyCell cell;
      cell.account = code;
      cell.currency = std::string(currency);
      cell.period = period;
      cell.first_row = row;
      pass.cells.push_back(std::move(cell));
    }
    CurrencyCell& cell = pass.cells[it->second];
    if (total_row && cell.first_total_row == 0) cell.first_total_row = row;
    (total_row ? cell.total : cell.aux).Add(f);

    if (pass.by_month && signs_known) {
      cell_key.assign(key).push_back('\x1f');
      cell_key.append(currency).push_back('\x1f');
      cell_key.append(aux_value);
      const auto [s, new_series] =
          series_index.try_emplace(cell_key, static_cast<std::uint32_t>(pass.series.size()));
      if (new_series) pass.series.push_back({code, std::string(currency), std::string(aux_value)});
      pass.series_rows.push_back({s->second, period, row, opening.value, closing.value});
    }
  });

  if (col.year < 0)
    pass.no_year = balances.Missing(Role::kYear);
  else
    pass.year = years.Year(table, &pass.no_year);
  return pass;
}

}  // namespace qoru::checks
