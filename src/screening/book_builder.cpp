#include "screening/book_builder.h"

#include <algorithm>

#include "checks/values/book_text.h"
#include "checks/values/calendar_date.h"
#include "screening/screen_text.h"

namespace qoru::screening {
namespace {

Amount ReadAmount(std::string_view text) {
  Amount a;
  checks::ParseAmount(text, &a);  // anything unreadable counts as 0, as the checks count it
  return a;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

BookBuilder::BookBuilder(ScreenColumns columns, ChartAccounts chart) : chart_(std::move(chart)) {
  book_.columns = std::move(columns);
  book_.vouchers_known = book_.columns.date && book_.columns.type && book_.columns.number;
  for (std::size_t i = 0; i < chart_.accounts.size(); ++i)
    chart_index_.emplace(checks::AccountKey(chart_.accounts[i].first), static_cast<int>(i));
}

std::uint32_t BookBuilder::TextId(std::string_view text) {
  if (text.empty()) return 0;
  if (const auto it = names_.find(text); it != names_.end()) return it->second;
  const auto id = static_cast<std::uint32_t>(book_.texts.size());
  book_.texts.emplace_back(text);
  names_.emplace(std::string(text), id);
  return id;
}

std::uint32_t BookBuilder::NameId(std::string_view text) {
  return TextId(TrimText(text));
}

std::uint32_t BookBuilder::CachedId(LastText& last, std::string_view text, bool trim) {
  if (last.valid && last.text == text) return last.id;
  last.text.assign(text);
  last.id = trim ? NameId(text) : TextId(text);
  last.valid = true;
  return last.id;
}

int BookBuilder::AccountOf(std::string_view code) {
  if (const auto it = raw_accounts_.find(code); it != raw_accounts_.end()) return it->second;
  const std::string_view trimmed = checks::TrimBlanks(code);
  const std::string key = checks::AccountKey(trimmed);
  auto [it, added] = account_index_.try_emplace(key, static_cast<int>(book_.accounts.size()));
  raw_accounts_.emplace(std::string(code), it->second);
  if (added) {
    ScreenAccount a;
    a.code.assign(trimmed);
    if (auto c = chart_index_.find(key); c != chart_index_.end())
      a.name = chart_.accounts[static_cast<std::size_t>(c->second)].second;
    book_.accounts.push_back(std::move(a));
  }
  return it->second;
}

void BookBuilder::Add(const PostingRow& r) {
  if (checks::IsVoidFlag(r.void_flag)) return;
  ScreenPosting p;
  p.row = r.row;
  p.debit = ReadAmount(r.debit);
  p.credit = ReadAmount(r.credit);
  p.side = !p.debit.IsZero()    ? PostingSide::kDebit
           : !p.credit.IsZero() ? PostingSide::kCredit
                                : PostingSide::kNone;
  if (book_.columns.account) p.account = AccountOf(r.account);
  p.summary = CachedId(summary_, r.summary, false);
  p.line = CachedId(line_, r.line, true);
  p.preparer = CachedId(preparer_, r.preparer, true);
  p.approver = CachedId(approver_, r.approver, true);
  // The rows of a voucher follow one another: a date read once serves them all.
  const bool same_date = r.date == last_date_text_;
  if (!same_date && book_.columns.date) {
    last_date_ = checks::ParseCalendarDate(r.date);
    last_date_text_.assign(r.date);
  }
  const std::optional<checks::CalendarDate>& date = last_date_;
  if (date) p.date = date->year * 10000 + date->month * 100 + date->day;
  if (date && book_.vouchers_known) {
    if (same_date && last_voucher_ >= 0 && r.type == last_type_ && r.number == last_number_) {
      p.voucher = last_voucher_;
      book_.postings.push_back(p);
      return;
    }
    last_type_.assign(r.type);
    last_number_.assign(r.number);
    const std::string_view type = checks::TrimBlanks(r.type);
    const std::string_view number = checks::TrimBlanks(r.number);
    key_.clear();
    key_ += std::to_string(date->year * 100 + date->month);
    key_ += '\x1f';
    key_.append(type);
    key_ += '\x1f';
    key_.append(number);
    const std::uint64_t hash = std::hash<std::string_view>{}(key_);
    int index = voucher_slots_.Find(hash, [&](int v) {
      const ScreenVoucher& x = book_.vouchers[static_cast<std::size_t>(v)];
      return x.year == date->year && x.month == date->month && x.type == type && x.number == number;
    });
    if (index < 0) {
      index = static_cast<int>(book_.vouchers.size());
      voucher_slots_.Add(hash, index);
      ScreenVoucher v;
      v.year = date->year;
      v.month = date->month;
      v.type.assign(type);
      v.number.assign(number);
      v.date = p.date;
      v.preparer = p.preparer;
      v.approver = p.approver;
      book_.vouchers.push_back(std::move(v));
    }
    p.voucher = index;
    last_voucher_ = index;
  } else {
    last_voucher_ = -1;
  }
  book_.postings.push_back(p);
}

ScreenBook BookBuilder::Finish(std::string name, std::string table, std::optional<int> year) {
  book_.name = std::move(name);
  book_.table = std::move(table);
  book_.year = year;
  voucher_slots_ = VoucherSlots();
  names_.clear();

  // First-level accounts: the first segment under a code structure, else the shortest
  // prefix that the chart holds (the code itself included), else the code.
  const std::size_t count = book_.accounts.size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::string key = checks::AccountKey(book_.accounts[i].code);
    std::string first = key;
    if (!chart_.structure.empty()) {
      const std::size_t len = static_cast<std::size_t>(chart_.structure.front());
      if (key.size() > len) first = key.substr(0, len);
    } else {
      for (std::size_t n = 1; n <= key.size(); ++n) {
        if (chart_index_.count(key.substr(0, n)) != 0) {
          first = key.substr(0, n);
          break;
        }
      }
    }
    if (first == key) {
      book_.accounts[i].first_level = static_cast<int>(i);
    } else {
      // The first-level account may hold no posting: it is added to the accounts.
      const std::size_t before = book_.accounts.size();
      const int j = AccountOf(first);
      const auto c = chart_index_.find(first);
      if (book_.accounts.size() > before && c != chart_index_.end())
        book_.accounts.back().code = chart_.accounts[static_cast<std::size_t>(c->second)].first;
      book_.accounts[i].first_level = j;
    }
  }
  for (std::size_t i = count; i < book_.accounts.size(); ++i)
    book_.accounts[i].first_level = static_cast<int>(i);

  // Vouchers in order: date, type by code point, number (as an integer when all digits).
  // Each number's digits without leading zeros, found once (empty view: not all digits).
  std::vector<int> order(book_.vouchers.size());
  std::vector<std::string_view> digits(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    order[i] = static_cast<int>(i);
    const std::string& n = book_.vouchers[i].number;
    if (AllDigits(n))
      digits[i] = std::string_view(n).substr(std::min(n.find_first_not_of('0'), n.size()));
    if (AllDigits(n) && digits[i].empty()) digits[i] = "0";
  }
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    const ScreenVoucher& x = book_.vouchers[static_cast<std::size_t>(a)];
    const ScreenVoucher& y = book_.vouchers[static_cast<std::size_t>(b)];
    if (x.date != y.date) return x.date < y.date;
    if (const int c = x.type.compare(y.type); c != 0) return c < 0;
    const std::string_view dx = digits[static_cast<std::size_t>(a)];
    const std::string_view dy = digits[static_cast<std::size_t>(b)];
    if (!dx.empty() && !dy.empty()) {
      if (dx.size() != dy.size()) return dx.size() < dy.size();
      if (const int c = dx.compare(dy); c != 0) return c < 0;
    }
    if (const int c = x.number.compare(y.number); c != 0) return c < 0;
    return a < b;
  });
  std::vector<int> position(order.size());
  std::vector<ScreenVoucher> sorted;
  sorted.reserve(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    position[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(book_.vouchers[static_cast<std::size_t>(order[i])]));
  }
  book_.vouchers = std::move(sorted);
  std::vector<std::uint32_t> counts(book_.vouchers.size(), 0);
  for (ScreenPosting& p : book_.postings) {
    if (p.voucher < 0) continue;
    p.voucher = position[static_cast<std::size_t>(p.voucher)];
    ++counts[static_cast<std::size_t>(p.voucher)];
  }
  for (std::size_t v = 0; v < counts.size(); ++v) book_.vouchers[v].postings.reserve(counts[v]);
  for (std::size_t i = 0; i < book_.postings.size(); ++i) {
    const int v = book_.postings[i].voucher;
    if (v >= 0) book_.vouchers[static_cast<std::size_t>(v)].postings.push_back(static_cast<int>(i));
  }
  ScaleAmounts(book_);
  return std::move(book_);
}

}  // namespace qoru::screening
