#include "sampling/report/sample_listing.h"

#include <algorithm>
#include <unordered_map>

#include "checks/values/book_text.h"
#include "checks/values/calendar_date.h"
#include "sampling/book_reader.h"

namespace qoru::sampling {
namespace {

using checks::Role;

struct PostingTexts {
  int date = 0;  // yyyymmdd
  std::string account, line, summary;
  Amount debit, credit;
};

// The line, summary, debit and credit of the postings of `indexes`, by posting index.
std::unordered_map<int, PostingTexts> ReadTexts(checks::BookDatabase& db,
                                                const checks::TableRoles& t, const SampleBook& book,
                                                std::vector<int> indexes) {
  std::unordered_map<int, PostingTexts> out;
  if (indexes.empty()) return out;
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  const std::vector<std::string> columns = db.Columns(t.name());
  const std::string* summary = checks::FindColumn(columns, "摘要");
  if (!summary) summary = checks::FindColumn(columns, "记账凭证摘要");
  checks::ColumnSelection s;
  const int date = s.Add(t.Column(Role::kDate));
  const int account = s.Add(t.Column(Role::kAccount));
  const int line = s.Add(t.Column(Role::kLine));
  const int text = s.Add(summary);
  const int debit = s.Add(t.Column(Role::kDebit));
  const int credit = s.Add(t.Column(Role::kCredit));
  std::vector<std::int64_t> rowids;
  std::unordered_map<std::int64_t, int> by_rowid;
  for (int i : indexes) {
    const std::int64_t rowid = book.Rowid(book.postings[static_cast<std::size_t>(i)]);
    rowids.push_back(rowid);
    by_rowid.emplace(rowid, i);
  }
  if (s.expressions.empty()) return out;
  db.ReadRowids(t.name(), s.expressions, rowids, [&](std::int64_t rowid, const checks::ScanRow& r) {
    PostingTexts& p = out[by_rowid.at(rowid)];
    if (date >= 0)
      if (const auto d = checks::ParseCalendarDate(r.Text(date)))
        p.date = d->year * 10000 + d->month * 100 + d->day;
    if (account >= 0) p.account.assign(checks::TrimBlanks(r.Text(account)));
    if (line >= 0) p.line.assign(checks::TrimBlanks(r.Text(line)));
    if (text >= 0) p.summary.assign(r.Text(text));
    if (debit >= 0) checks::ParseAmount(r.Text(debit), &p.debit);
    if (credit >= 0) checks::ParseAmount(r.Text(credit), &p.credit);
  });
  return out;
}

// Aux item names by type and code, from the conversion's table aidInfo when it has one.
std::unordered_map<std::string, std::string> ReadAuxNames(checks::BookDatabase& db) {
  std::unordered_map<std::string, std::string> names;
  const std::optional<std::string> table = db.FindTable("aidInfo");
  if (!table) return names;
  const std::vector<std::string> columns = db.Columns(*table);
  checks::ColumnSelection s;
  const int type = s.Add(checks::FindColumn(columns, "AidType"));
  const int code = s.Add(checks::FindColumn(columns, "AidCode"));
  const int name = s.Add(checks::FindColumn(columns, "AidName"));
  if (type < 0 || code < 0 || name < 0) return names;
  db.Scan(*table, s.expressions, [&](std::int64_t, const checks::ScanRow& r) {
    std::string key(checks::TrimBlanks(r.Text(type)));
    key.append("\x1f").append(checks::TrimBlanks(r.Text(code)));
    names.try_emplace(std::move(key), std::string(checks::TrimBlanks(r.Text(name))));
  });
  return names;
}

std::vector<std::string> SplitSlash(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('/', start);
    parts.emplace_back(checks::TrimBlanks(text.substr(start, end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

ListedPosting Listed(const SampleBook& book, int index, const PostingTexts* texts) {
  const SamplePosting& p = book.postings[static_cast<std::size_t>(index)];
  ListedPosting l;
  l.row = p.row;
  if (p.voucher >= 0) {
    const SampleVoucher& v = book.vouchers[static_cast<std::size_t>(p.voucher)];
    l.type = book.Type(v);
    l.number = book.Number(v);
  }
  if (p.account >= 0) {
    const SampleAccount& a = book.accounts[static_cast<std::size_t>(p.account)];
    l.account = a.code;
    l.account_name = a.name;
  } else if (texts && !texts->account.empty()) {
    // Read without its account (a sample of every account): named from the chart.
    l.account = texts->account;
    if (const SampleAccount* a = book.ChartAccount(checks::AccountKey(texts->account)))
      l.account_name = a->name;
  }
  if (texts) {
    l.date = texts->date;
    l.line = texts->line;
    l.summary = texts->summary;
    l.debit = texts->debit;
    l.credit = texts->credit;
  }
  return l;
}

}  // namespace

const char* DirectionWord(const Amount& balance) {
  return balance.units() > 0 ? "借" : balance.units() < 0 ? "贷" : "平";
}

std::vector<ListedItem> ListSample(checks::BookDatabase& db, const checks::BookTables& tables,
                                   const SampleBook& book, const Sample& sample) {
  const Population& pop = sample.population;
  const Unit unit = pop.request.unit;
  std::vector<int> postings;
  for (const SelectedItem& s : sample.selected) {
    const int ref = pop.items[s.item].ref;
    if (unit == Unit::kPosting) postings.push_back(ref);
    if (unit == Unit::kVoucher)
      for (int p : book.Postings(book.vouchers[static_cast<std::size_t>(ref)]))
        postings.push_back(p);
  }
  const std::unordered_map<int, PostingTexts> texts =
      unit == Unit::kBalance ? std::unordered_map<int, PostingTexts>()
                             : ReadTexts(db, tables.postings, book, postings);
  const auto texts_of = [&](int p) {
    const auto it = texts.find(p);
    return it == texts.end() ? nullptr : &it->second;
  };
  std::unordered_map<std::string, std::string> aux_names;
  if (unit == Unit::kBalance) aux_names = ReadAuxNames(db);

  std::vector<ListedItem> out;
  for (const SelectedItem& s : sample.selected) {
    ListedItem l;
    l.index = out.size() + 1;
    l.item = s.item;
    l.hits = s.hits;
    l.top = s.top;
    const PopulationItem& item = pop.items[s.item];
    l.amount = pop.AmountOf(s.item);
    if (unit == Unit::kPosting) {
      l.postings.push_back(Listed(book, item.ref, texts_of(item.ref)));
      l.date = l.postings[0].date;
      l.type = l.postings[0].type;
      l.number = l.postings[0].number;
    } else if (unit == Unit::kVoucher) {
      const SampleVoucher& v = book.vouchers[static_cast<std::size_t>(item.ref)];
      l.date = v.date;
      l.type = book.Type(v);
      l.number = book.Number(v);
      for (int p : book.Postings(v)) {
        l.postings.push_back(Listed(book, p, texts_of(p)));
        l.postings.back().counted = pop.counted_postings[static_cast<std::size_t>(p)];
      }
    } else {
      const BalanceEntry& b = book.balances[static_cast<std::size_t>(item.ref)];
      const SampleAccount& a = book.accounts[static_cast<std::size_t>(b.account)];
      l.account = a.code;
      l.account_name = a.name;
      l.aux_code = b.aux;
      l.balance = b.balance;
      if (!b.aux.empty()) {
        l.aux_types = a.aux_types;
        const std::vector<std::string> types = SplitSlash(a.aux_types);
        const std::vector<std::string> codes = SplitSlash(b.aux);
        std::string names;
        for (std::size_t k = 0; k < codes.size(); ++k) {
          std::string name;
          if (k < types.size()) {
            const auto it = aux_names.find(types[k] + "\x1f" + codes[k]);
            if (it != aux_names.end()) name = it->second;
          }
          names += (k == 0 ? "" : "/") + name;
        }
        if (names.find_first_not_of('/') != std::string::npos) l.aux_name = names;
      }
    }
    out.push_back(std::move(l));
  }
  return out;
}

}  // namespace qoru::sampling
