#include "checks/posting_pass.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "checks/value_reader.h"
#include "checks/values/book_text.h"
#include "database/sql/jet_translator.h"

namespace qoru::checks {
namespace {

// Where the findings of the postings go.
struct Findings {
  CheckResult& bad;
  CheckResult& unknown;
  CheckResult& non_leaf;
  CheckResult& out_of_year;
};

// The chart's index of the account of a posting, by the account's text as stored. A
// million postings name a few hundred accounts: the last look-up of each text is kept
// in a table of slots by the text's hash, which spares the key's making and the chart's
// look-up for most postings.
class AccountLookups {
 public:
  explicit AccountLookups(const Chart& chart) : chart_(chart) {}
  int Find(std::string_view text) {
    std::uint32_t h = 2166136261u;  // FNV-1a
    for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    Slot& slot = slots_[h % kSlots];
    if (slot.used && slot.text == text) return slot.index;
    AccountKeyInto(text, key_);
    slot.index = chart_.Find(key_);
    slot.text.assign(text);
    slot.used = true;
    return slot.index;
  }

 private:
  static constexpr std::size_t kSlots = 1024;
  struct Slot {
    std::string text;
    int index = -1;
    bool used = false;
  };
  const Chart& chart_;
  std::string key_;
  std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
};

// The scan of the postings: its columns and which checks it feeds.
class PostingScanner {
 public:
  PostingScanner(const TableRoles& postings, const Chart& chart, bool chart_known,
                 std::optional<int> book_year, bool by_month, const CheckReport& report,
                 const CheckResult& unknown)
      : table_(postings.name()),
        chart_(chart),
        chart_known_(chart_known),
        book_year_(book_year),
        by_month_(by_month) {
    date_ = selection_.Add(postings.Column(Role::kDate));
    type_ = selection_.Add(postings.Column(Role::kType));
    number_ = selection_.Add(postings.Column(Role::kNumber));
    account_ = selection_.Add(postings.Column(Role::kAccount));
    debit_ = selection_.Add(postings.Column(Role::kDebit));
    credit_ = selection_.Add(postings.Column(Role::kCredit));
    void_ = selection_.Add(postings.Column(Role::kVoid));
    line_ = selection_.Add(postings.Column(Role::kLine));
    const auto column = [&](Role r) { return postings.Column(r) ? *postings.Column(r) : ""; };
    date_column_ = column(Role::kDate);
    debit_column_ = column(Role::kDebit);
    credit_column_ = column(Role::kCredit);
    check_unknown_ = chart_known && account_ >= 0 && !unknown.skipped;
    check_non_leaf_ = chart_known && account_ >= 0 && !report[CheckId::kNonLeafPosting].skipped;
    check_year_ = book_year.has_value() && !report[CheckId::kDateOutOfYear].skipped;
    gather_vouchers_ = date_ >= 0 && type_ >= 0 && number_ >= 0;
  }

  PostingPass Scan(BookDatabase& db, Findings& out) const;

 private:
  std::string table_;
  const Chart& chart_;
  bool chart_known_;
  std::optional<int> book_year_;
  bool by_month_;
  ColumnSelection selection_;
  int date_, type_, number_, account_, debit_, credit_, void_, line_;
  std::string date_column_, debit_column_, credit_column_;
  bool check_unknown_, check_non_leaf_, check_year_, gather_vouchers_;
};

PostingPass PostingScanner::Scan(BookDatabase& db, Findings& out) const {
  PostingPass pass;
  pass.by_month = by_month_;
  pass.Size(chart_.size());
  const std::string& table = table_;
  ValueReader values(out.bad, table);
  AccountLookups accounts(chart_);
  std::string last_date_text = "\x01";  // no date reads so
  std::optional<CalendarDate> last_date;
  if (gather_vouchers_) {
    // A voucher has two postings at least, as a rule: half the rows bound the vouchers.
    // Beyond 8 million vouchers (or a rowid set far out) the list grows as it fills.
    const std::optional<RowidRange> range = db.Rowids(table);
    if (range && range->last > 0)
      pass.vouchers.Reserve(
          static_cast<std::size_t>(std::min(range->last / 2 + 1, std::int64_t{1} << 23)));
  }
  db.ScanAhead(table, selection_.expressions, [&](std::int64_t row, const ScanRow& r) {
    Amount d, c;
    if (debit_ >= 0) d = values.ReadAmount(r, debit_, row, debit_column_);
    if (credit_ >= 0) c = values.ReadAmount(r, credit_, row, credit_column_);
    const bool is_void = void_ >= 0 && IsVoidFlag(r.Text(void_));
    std::optional<CalendarDate> when;
    if (date_ >= 0) {
      // The postings of a voucher share their date: read each text once.
      const std::string_view text = r.Text(date_);
      if (text != last_date_text) {
        last_date = values.ReadDate(r, date_, row, date_column_);
        last_date_text.assign(text);
      } else if (!last_date) {
        last_date = values.ReadDate(r, date_, row, date_column_);  // reported for every row
      }
      when = last_date;
    }
    if (when && check_year_ && when->year != *book_year_)
      out.out_of_year.Record([&] {
        const std::string text(TrimBlanks(r.Text(date_)));
        return Finding{CheckId::kDateOutOfYear,
                       table,
                       row,
                       "凭证日期 " + text + " 不在账套年度 " + std::to_string(*book_year_) + " 内",
                       {{"table", table}, {"row", row}, {"date", text}}};
      });
    if (when && gather_vouchers_) {
      Voucher& v = pass.vouchers.Find(when->year, when->month, TrimBlanks(r.Text(type_)),
                                      TrimBlanks(r.Text(number_)), row);
      if (v.first_row == row)
        v.day = when->day;
      else if (v.day != when->day)
        v.many_dates = true;
      if (line_ >= 0) pass.vouchers.NoteLine(v, TrimBlanks(r.Text(line_)));
      if (!is_void) {
        v.debit += d;
        v.credit += c;
      }
    }
    if (account_ < 0 || !chart_known_) return;
    const int a = accounts.Find(r.Text(account_));
    if (a < 0) {
      if (check_unknown_)
        out.unknown.Record([&] {
          return UnknownAccountFinding(table, row, std::string(TrimBlanks(r.Text(account_))));
        });
      return;
    }
    if (!chart_.IsLeaf(a)) {
      if (check_non_leaf_)
        out.non_leaf.Record([&] {
          const Account& acc = chart_[a];
          return Finding{CheckId::kNonLeafPosting,
                         table,
                         row,
                         "科目 " + acc.code + " 有 " + std::to_string(acc.children.size()) +
                             " 个下级科目，分录应记在末级科目上",
                         {{"table", table}, {"row", row}, {"account", acc.code}}};
        });
      return;
    }
    if (is_void || (by_month_ && !when)) return;
    const int period = by_month_ ? when->month : kYearPeriod;
    pass.periods[static_cast<std::size_t>(period)] = true;
    PostingTotals& t = pass.totals[pass.Slot(a, period)];
    t.debit += d;
    t.credit += c;
  });
  return pass;
}

}  // namespace

PostingPass ScanPostings(BookDatabase& db, const TableRoles& postings, const Chart& chart,
                         bool chart_known, std::optional<int> book_year, bool by_month,
                         CheckReport& report, CheckResult& bad, CheckResult& unknown) {
  const PostingScanner scanner(postings, chart, chart_known, book_year, by_month, report, unknown);
  Findings out{bad, unknown, report[CheckId::kNonLeafPosting], report[CheckId::kDateOutOfYear]};
  return scanner.Scan(db, out);
}

}  // namespace qoru::checks
