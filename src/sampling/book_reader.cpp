#include "sampling/book_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <unordered_map>

#include "checks/tables/chart.h"
#include "checks/values/book_text.h"
#include "checks/values/book_words.h"
#include "checks/values/calendar_date.h"
#include "database/sql/jet_translator.h"
#include "sampling/book_indexes.h"
#include "sampling/exact_units.h"
#include "sampling/row_stream.h"
#include "sampling/voucher_order.h"

namespace qoru::sampling {
namespace {

using checks::Role;

struct Hash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
template <typename V>
using TextMap = std::unordered_map<std::string, V, Hash, std::equal_to<>>;

// The accounts of the book set, found by their codes as written.
class Accounts {
 public:
  Accounts(SampleBook& book, const TextMap<std::pair<std::string, std::string>>& chart)
      : book_(book), chart_(chart) {}

  int Of(std::string_view written) {
    const auto [id, added_text] = written_.Find(written);
    if (!added_text) return by_written_[static_cast<std::size_t>(id)];
    const std::string_view code = checks::TrimBlanks(written);
    std::string key = checks::AccountKey(code);
    auto [it, added] = by_key_.try_emplace(key, static_cast<int>(book_.accounts.size()));
    if (added) {
      SampleAccount a;
      a.code.assign(code);
      a.key = key;
      if (const auto c = chart_.find(key); c != chart_.end()) {
        a.name = c->second.first;
        a.aux_types = c->second.second;
      }
      book_.accounts.push_back(std::move(a));
    }
    by_written_.push_back(it->second);
    return it->second;
  }

 private:
  SampleBook& book_;
  const TextMap<std::pair<std::string, std::string>>& chart_;
  TextIds written_;              // the codes as written
  std::vector<int> by_written_;  // their accounts, by the written code's id
  TextMap<int> by_key_;
};

// The chart's names and aux types by account key; the chart itself into `chart_out` and
// its accounts into `book`.
TextMap<std::pair<std::string, std::string>> ReadChart(checks::BookDatabase& db,
                                                       const checks::BookTables& tables,
                                                       std::optional<checks::Chart>& chart_out,
                                                       SampleBook& book) {
  TextMap<std::pair<std::string, std::string>> names;
  const checks::TableRoles& chart = tables.chart;
  if (!chart.present() || !chart.Column(Role::kAccount)) return names;
  const checks::Chart& loaded =
      chart_out.emplace(checks::Chart::Load(db, chart, tables.book.structure));
  const std::vector<std::string> columns = db.Columns(chart.name());
  checks::ColumnSelection s;
  const int code = s.Add(chart.Column(Role::kAccount));
  const int name = s.Add(checks::FindColumn(columns, "科目名称"));
  const int aux = s.Add(checks::FindColumn(columns, "辅助核算项"));
  db.Scan(chart.name(), s.expressions, [&](std::int64_t row, const checks::ScanRow& r) {
    if (row > loaded.file_rows()) return;
    auto [it, added] = names.try_emplace(checks::AccountKey(r.Text(code)));
    if (!added) return;
    if (name >= 0) it->second.first.assign(checks::TrimBlanks(r.Text(name)));
    if (aux >= 0) it->second.second.assign(checks::TrimBlanks(r.Text(aux)));
  });
  for (int i = 0; i < loaded.size(); ++i) {
    SampleAccount a;
    a.code = loaded[i].code;
    a.key = loaded[i].key;
    if (loaded[i].parent >= 0) a.parent_key = loaded[loaded[i].parent].key;
    if (const auto it = names.find(a.key); it != names.end()) {
      a.name = it->second.first;
      a.aux_types = it->second.second;
    }
    book.chart.push_back(std::move(a));
  }
  std::sort(book.chart.begin(), book.chart.end(),
            [](const SampleAccount& a, const SampleAccount& b) { return a.key < b.key; });
  return names;
}

void ReadPostings(checks::BookDatabase& db, const checks::TableRoles& t, Side side,
                  Accounts& accounts, const PostingFilter* filter, SampleBook& book) {
  const Role amount_role = side == Side::kDebit ? Role::kDebit : Role::kCredit;
  if (!t.Column(amount_role)) throw MissingInput(t.Missing(amount_role) + "，无法抽样");
  if (!t.Column(Role::kDate)) throw MissingInput(t.Missing(Role::kDate) + "，无法抽样");
  checks::ColumnSelection s;
  const int date = s.Add(t.Column(Role::kDate));
  const int type = s.Add(t.Column(Role::kType));
  const int number = s.Add(t.Column(Role::kNumber));
  // A sample of postings of every account needs no account while reading: the listed
  // postings' accounts are read with their texts.
  const bool every_account = filter && filter->account_keys.empty();
  const int account = every_account ? -1 : s.Add(t.Column(Role::kAccount));
  const int amount = s.Add(t.Column(amount_role));
  const int void_flag = s.Add(t.Column(Role::kVoid));
  book.has_account = t.Column(Role::kAccount) != nullptr;
  book.has_vouchers = type >= 0 && number >= 0;

  VoucherIndex voucher_index;
  // Room for every row at once, which the rowids' range bounds; beyond 16 million rows
  // (or rowids spread far apart) the lists grow as they fill.
  if (const std::optional<checks::RowidRange> range = db.Rowids(t.name());
      range && range->Width() < (1U << 24)) {
    const auto rows = static_cast<std::size_t>(range->Width() + 1);
    book.postings.reserve(rows);
    book.vouchers.reserve(rows / 2);  // a voucher has two postings or more
  }

  std::string last_date_text = "\x01";
  std::optional<checks::CalendarDate> last_date;
  std::string last_type, last_number;
  int last_voucher = -1;
  TextIds types;
  // With a filter: whether each account is sampled, by account index.
  std::vector<char> sampled;
  if (filter) book.left_out.emplace();
  const auto sampled_account = [&](int a) {
    while (sampled.size() < book.accounts.size()) {
      const std::string& key = book.accounts[sampled.size()].key;
      const bool in = filter->account_keys.empty() || book.UnderAny(key, filter->account_keys);
      sampled.push_back(in ? 1 : 0);
    }
    return a < 0 ? filter->account_keys.empty() : sampled[static_cast<std::size_t>(a)] != 0;
  };
  std::int64_t rows = 0;
  StreamRows(
      db, t.name(), s.expressions,
      [&](std::int64_t row, std::int64_t rowid, const std::string_view* r) {
        rows = row;
        // Modulo 2^64: a rowid may lie anywhere in the 64-bit range.
        const auto offset = static_cast<std::int64_t>(static_cast<std::uint64_t>(rowid) -
                                                      static_cast<std::uint64_t>(row));
        if (book.rowid_runs.empty() || offset != book.rowid_runs.back().offset)
          book.rowid_runs.push_back({static_cast<std::uint32_t>(row), offset});
        if (void_flag >= 0 && checks::IsVoidFlag(r[void_flag])) {
          ++book.counts.void_rows;
          return;
        }
        const std::string_view date_text = r[date];
        const bool same_date = date_text == last_date_text;
        if (!same_date) {
          last_date = checks::ParseCalendarDate(date_text);
          last_date_text.assign(date_text);
        }
        if (!last_date) {
          ++book.counts.no_date;
          return;
        }
        if (book.year && last_date->year != *book.year) {
          ++book.counts.other_year;
          return;
        }
        SamplePosting p;
        p.row = static_cast<std::uint32_t>(row);
        if (!PlainAmountUnits(r[amount], &p.units, &p.scale)) {
          Amount a;
          checks::ParseAmount(r[amount], &a);  // unreadable counts as 0
          if (a.units() >= INT64_MIN && a.units() <= INT64_MAX) {
            p.units = static_cast<std::int64_t>(a.units());
            p.scale = static_cast<std::int8_t>(a.scale());
          } else {
            p.units = static_cast<std::int64_t>(book.wide_amounts.size());
            p.scale = kWideAmount;
            book.wide_amounts.push_back(a);
          }
        }
        const int posting_date = last_date->year * 10000 + last_date->month * 100 + last_date->day;
        if (account >= 0) p.account = accounts.Of(r[account]);
        // Whether the posting is kept: without a filter always; with one when it is of
        // the accounts sampled, its amount above 0 (the others of them counted).
        bool keep = true;
        if (filter) {
          keep = sampled_account(p.account);
          const bool wide = p.scale == kWideAmount;
          if (keep && (wide ? book.AmountOf(p).units() <= 0 : p.units <= 0)) {
            keep = false;
            if (!wide && p.units == 0) {
              ++book.left_out->zero;
            } else {
              ++book.left_out->negative;
              book.left_out->negative_total += book.AmountOf(p);
            }
          }
        }
        if (book.has_vouchers) {
          const std::string_view ty = r[type], nu = r[number];
          // A voucher's postings follow one another: the last one's is tried first.
          if (!(same_date && last_voucher >= 0 && ty == last_type && nu == last_number)) {
            last_type.assign(ty);
            last_number.assign(nu);
            const int type_id = types.Find(checks::TrimBlanks(ty)).first;
            const std::string_view trimmed = checks::TrimBlanks(nu);
            const int year = last_date->year, month = last_date->month;
            const std::uint64_t hash = VoucherIndex::Hash(year * 100 + month, type_id, trimmed);
            last_voucher = voucher_index.Find(hash, [&](int v) {
              const SampleVoucher& x = book.vouchers[static_cast<std::size_t>(v)];
              return x.date / 100 == year * 100 + month &&
                     x.type == static_cast<std::uint32_t>(type_id) && book.Number(x) == trimmed;
            });
            if (last_voucher < 0) {
              last_voucher = static_cast<int>(book.vouchers.size());
              voucher_index.Add(hash, last_voucher);
              SampleVoucher v;
              v.date = posting_date;
              v.type = static_cast<std::uint32_t>(type_id);
              v.number_at = static_cast<std::uint32_t>(book.numbers.size());
              v.number_size = static_cast<std::uint32_t>(trimmed.size());
              book.numbers.append(trimmed);
              v.first_row = row;
              book.vouchers.push_back(v);
            }
          }
          p.voucher = last_voucher;
          if (keep) ++book.vouchers[static_cast<std::size_t>(last_voucher)].count;
        }
        if (keep) book.postings.push_back(p);
      });
  book.counts.rows = rows;
  for (int i = 0; i < types.size(); ++i) book.types.push_back(types.Text(i));

  SortVouchers(book);
}

struct BalanceRow {
  int month = 0;
  int account = -1;
  std::string aux;
  Amount value;  // debit-positive
  std::int64_t row = 0;
  bool known = true;
};

void ReadBalances(checks::BookDatabase& db, const checks::TableRoles& t, Accounts& accounts,
                  const checks::Chart* chart, SampleBook& book) {
  if (!t.Column(Role::kAccount)) throw MissingInput(t.Missing(Role::kAccount) + "，无法抽样");
  if (!t.Column(Role::kClosing)) throw MissingInput(t.Missing(Role::kClosing) + "，无法抽样");
  checks::ColumnSelection s;
  const int month = s.Add(t.Column(Role::kMonth));
  const int account = s.Add(t.Column(Role::kAccount));
  const int aux = s.Add(t.Column(Role::kAux));
  const int closing = s.Add(t.Column(Role::kClosing));
  const int direction = s.Add(t.Column(Role::kClosingDirection));
  std::vector<BalanceRow> rows;
  int last_month = 0;
  db.Scan(t.name(), s.expressions, [&](std::int64_t row, const checks::ScanRow& r) {
    BalanceRow b;
    b.row = row;
    if (month >= 0) {
      const std::optional<int> m = checks::ParseMonth(r.Text(month));
      if (!m) return;  // a row of no month belongs to no month's balances
      b.month = *m;
      last_month = std::max(last_month, *m);
    }
    if (checks::TrimBlanks(r.Text(account)).empty()) return;
    b.account = accounts.Of(r.Text(account));
    if (aux >= 0) b.aux.assign(checks::TrimBlanks(r.Text(aux)));
    Amount written;
    checks::ParseAmount(r.Text(closing), &written);  // unreadable counts as 0
    if (direction >= 0) {
      switch (checks::ParseDirection(r.Text(direction))) {
        case checks::Direction::kDebit:
          b.value = written;
          break;
        case checks::Direction::kCredit:
          b.value = -written;
          break;
        case checks::Direction::kZero:
        case checks::Direction::kUnreadable:
          break;  // counts as 0, as the checks count it
      }
    } else {
      const int a =
          chart ? chart->Find(book.accounts[static_cast<std::size_t>(b.account)].key) : -1;
      const checks::Side side = a >= 0 ? (*chart)[a].side : checks::Side::kOther;
      b.value = side == checks::Side::kCredit ? -written : written;
      b.known = side != checks::Side::kOther;
    }
    rows.push_back(std::move(b));
  });
  if (month >= 0) book.balance_month = last_month;

  // The last month's rows by account and aux value. An account with aux rows is taken
  // by its aux values, its total rows then left aside (they repeat them).
  std::vector<bool> has_aux(book.accounts.size(), false);
  for (const BalanceRow& b : rows)
    if (b.month == last_month && !b.aux.empty())
      has_aux[static_cast<std::size_t>(b.account)] = true;
  TextMap<std::size_t> entry_index;
  std::string key;
  for (BalanceRow& b : rows) {
    if (b.month != last_month) continue;
    if (has_aux[static_cast<std::size_t>(b.account)] == b.aux.empty()) continue;
    key = std::to_string(b.account) + '\x1f' + b.aux;
    auto [it, added] = entry_index.try_emplace(key, book.balances.size());
    if (added) {
      BalanceEntry e;
      e.account = b.account;
      e.aux = b.aux;
      e.first_row = b.row;
      book.balances.push_back(std::move(e));
    }
    BalanceEntry& e = book.balances[it->second];
    e.balance += b.value;
    e.sign_known = e.sign_known && b.known;
  }
}

}  // namespace

SampleBook ReadSampleBook(checks::BookDatabase& db, const checks::BookTables& tables, BookPart part,
                          Side side, std::string name, const PostingFilter* filter) {
  SampleBook book;
  book.name = std::move(name);
  std::string no_year;  // the report says 年度未知 without the reasons
  book.year = checks::ReadBookSetYear(db, tables, &no_year);
  std::optional<checks::Chart> chart;
  const TextMap<std::pair<std::string, std::string>> chart_names =
      ReadChart(db, tables, chart, book);
  Accounts accounts(book, chart_names);
  if (part == BookPart::kPostings) {
    if (!tables.postings.present())
      throw MissingInput(tables.postings.Missing(Role::kDate) + "，无法抽取凭证或分录");
    book.postings_table = tables.postings.name();
    ReadPostings(db, tables.postings, side, accounts, filter, book);
  } else {
    if (!tables.balances.present())
      throw MissingInput(tables.balances.Missing(Role::kClosing) + "，无法抽取余额");
    book.balances_table = tables.balances.name();
    ReadBalances(db, tables.balances, accounts, chart ? &*chart : nullptr, book);
  }
  return book;
}

}  // namespace qoru::sampling
