#include "checks/posting_pass.h"

#include "checks/book_text.h"
#include "checks/value_reader.h"

namespace qoru::checks {

PostingPass ScanPostings(BookDatabase& db, const TableRoles& postings, const Chart& chart,
                         bool chart_known, std::optional<int> book_year, CheckReport& report,
                         CheckResult& bad, CheckResult& unknown) {
  PostingPass pass;
  pass.totals.resize(static_cast<std::size_t>(chart.size()));
  const std::string& table = postings.name();
  ColumnSelection s;
  const int date = s.Add(postings.Column(Role::kDate));
  const int type = s.Add(postings.Column(Role::kType));
  const int number = s.Add(postings.Column(Role::kNumber));
  const int account = s.Add(postings.Column(Role::kAccount));
  const int debit = s.Add(postings.Column(Role::kDebit));
  const int credit = s.Add(postings.Column(Role::kCredit));
  const int void_flag = s.Add(postings.Column(Role::kVoid));
  const auto column = [&](Role r) -> const std::string& { return *postings.Column(r); };

  CheckResult& non_leaf = report[CheckId::kNonLeafPosting];
  CheckResult& out_of_year = report[CheckId::kDateOutOfYear];
  const bool check_unknown = chart_known && account >= 0 && !unknown.skipped;
  const bool check_non_leaf = chart_known && account >= 0 && !non_leaf.skipped;
  const bool check_year = book_year.has_value() && !out_of_year.skipped;
  const bool gather_vouchers = date >= 0 && type >= 0 && number >= 0;

  ValueReader values(bad, table);
  std::string key;
  db.Scan(table, s.expressions, [&](std::int64_t row, const ScanRow& r) {
    Amount d, c;
    if (debit >= 0) d = values.ReadAmount(r, debit, row, column(Role::kDebit));
    if (credit >= 0) c = values.ReadAmount(r, credit, row, column(Role::kCredit));
    const bool is_void = void_flag >= 0 && IsVoidFlag(r.Text(void_flag));
    std::optional<CalendarDate> when;
    if (date >= 0) when = values.ReadDate(r, date, row, column(Role::kDate));
    if (when && check_year && when->year != *book_year)
      out_of_year.Record([&] {
        const std::string text(TrimBlanks(r.Text(date)));
        return Finding{CheckId::kDateOutOfYear,
                       table,
                       row,
                       "凭证日期 " + text + " 不在账套年度 " + std::to_string(*book_year) + " 内",
                       {{"table", table}, {"row", row}, {"date", text}}};
      });
    if (when && gather_vouchers) {
      Voucher& v = pass.vouchers.Find(when->year, when->month, TrimBlanks(r.Text(type)),
                                      TrimBlanks(r.Text(number)), row);
      if (!is_void) {
        v.debit += d;
        v.credit += c;
      }
    }
    if (account < 0 || !chart_known) return;
    AccountKeyInto(r.Text(account), key);
    const int a = chart.Find(key);
    if (a < 0) {
      if (check_unknown)
        unknown.Record([&] {
          const std::string code(TrimBlanks(r.Text(account)));
          return Finding{CheckId::kUnknownAccount,
                         table,
                         row,
                         "科目 " + code + " 不在会计科目表中",
                         {{"table", table}, {"row", row}, {"account", code}}};
        });
      return;
    }
    if (!chart.IsLeaf(a)) {
      if (check_non_leaf)
        non_leaf.Record([&] {
          const Account& acc = chart[a];
          return Finding{CheckId::kNonLeafPosting,
                         table,
                         row,
                         "科目 " + acc.code + " 有 " + std::to_string(acc.children.size()) +
                             " 个下级科目，分录应记在末级科目上",
                         {{"table", table}, {"row", row}, {"account", acc.code}}};
        });
      return;
    }
    if (!is_void) {
      PostingTotals& t = pass.totals[static_cast<std::size_t>(a)];
      t.debit += d;
      t.credit += c;
    }
  });
  return pass;
}

}  // namespace qoru::checks
