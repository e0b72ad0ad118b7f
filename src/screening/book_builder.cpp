#include "screening/book_builder.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "checks/values/book_text.h"
#include "checks/values/calendar_date.h"
#include "checks/values/voucher_order.h"

namespace qoru::screening {
namespace {

Amount ReadAmount(std::string_view text) {
  Amount a;
  checks::ParseAmount(text, &a);  // anything unreadable counts as 0, as the checks count it
  return a;
}

}  // namespace

BookBuilder::BookBuilder(ScreenColumns columns, ChartAccounts chart) : chart_(std::move(chart)) {
  book_.columns = std::move(columns);
  book_.vouchers_known = book_.columns.date && book_.columns.type && book_.columns.number;
  for (std::size_t i = 0; i < chart_.accounts.size(); ++i)
    chart_index_.emplace(checks::AccountKey(chart_.accounts[i].first), static_cast<int>(i));
}

std::uint32_t BookBuilder::TextId(std::string_view text) {
  return TextId(text, std::hash<std::string_view>{}(text));
}

std::uint32_t BookBuilder::TextId(std::string_view text, std::size_t hash) {
  if (text.empty()) return 0;
  if (const auto it = names_.find(HashedText{text, hash}); it != names_.end()) return it->second;
  const auto id = static_cast<std::uint32_t>(book_.texts.size());
  book_.texts.emplace_back(text);
  names_.emplace(std::string(text), id);
  return id;
}

std::uint32_t BookBuilder::NameId(std::string_view text) {
  return TextId(checks::TrimBlanks(text));
}

std::uint32_t BookBuilder::CachedId(LastText& last, std::string_view text, bool trim) {
  if (last.valid && last.text == text) return last.id;
  last.text.assign(text);
  last.id = trim ? NameId(text) : TextId(text);
  last.valid = true;
  return last.id;
}

std::uint32_t BookBuilder::CachedId(LastText& last, std::string_view text,
                                    const std::size_t* hash) {
  if (last.valid && last.text == text) return last.id;
  last.text.assign(text);
  last.id = TextId(text, hash != nullptr ? *hash : std::hash<std::string_view>{}(text));
  last.valid = true;
  return last.id;
}

std::uint32_t BookBuilder::LineId(std::string_view text) {
  // Line numbers change from row to row but are few: the short ones without blanks are
  // looked up by their value.
  if (!text.empty() && text.size() <= 4 && checks::IsDigitNumber(text) && text[0] != '0') {
    std::size_t n = 0;
    for (char c : text) n = n * 10 + static_cast<std::size_t>(c - '0');
    if (small_lines_.size() <= n) small_lines_.resize(n + 1, 0);
    if (small_lines_[n] == 0) small_lines_[n] = TextId(text);
    return small_lines_[n];
  }
  return CachedId(line_, text, true);
}

int BookBuilder::AccountOf(std::string_view code, std::size_t hash) {
  if (const auto it = raw_accounts_.find(HashedText{code, hash}); it != raw_accounts_.end())
    return it->second;
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
  } else if (std::string& shown = book_.accounts[static_cast<std::size_t>(it->second)].code;
             trimmed < shown) {
    // Spellings of one code ("1221a", "1221A"): the least shows, whichever comes first.
    shown.assign(trimmed);
  }
  return it->second;
}

std::uint64_t BookBuilder::VoucherHash(const checks::CalendarDate& date, std::string_view type,
                                       std::string_view number, std::string& key) {
  key.clear();
  key += std::to_string(date.year * 100 + date.month);
  key += '\x1f';
  key.append(type);
  key += '\x1f';
  key.append(number);
  return std::hash<std::string_view>{}(key);
}

void BookBuilder::Prepare(const PostingRow& r, const PreparedRow* before, PreparedRow& out,
                          std::string& key) const {
  out.text = r;
  out.debit = ReadAmount(r.debit);
  out.credit = ReadAmount(r.credit);
  out.void_row = checks::IsVoidFlag(r.void_flag);
  if (out.void_row) return;  // the rest is for the postings kept
  const std::hash<std::string_view> hash;
  out.account_hash = book_.columns.account ? hash(r.account) : 0;
  // The builder looks a summary up only when it differs from the row before's.
  out.summary_hashed = before == nullptr || r.summary != before->text.summary;
  if (out.summary_hashed) out.summary_hash = hash(r.summary);
  if (before != nullptr && r.date == before->text.date) {
    out.date = before->date;
  } else {
    out.date = book_.columns.date ? checks::ParseCalendarDate(r.date) : std::nullopt;
  }
  const std::optional<checks::CalendarDate>& date = out.date;
  out.day_number = date ? date->year * 10000 + date->month * 100 + date->day : 0;
  out.voucher_hashed = false;
  if (date && book_.vouchers_known) {
    out.type_trimmed = checks::TrimBlanks(r.type);
    out.number_trimmed = checks::TrimBlanks(r.number);
    // Nor a voucher of the date, type and number (as written) of the row before.
    const bool same_voucher = before != nullptr && before->date &&
                              before->day_number == out.day_number && before->text.type == r.type &&
                              before->text.number == r.number;
    if (!same_voucher) {
      out.voucher_hash = VoucherHash(*date, out.type_trimmed, out.number_trimmed, key);
      out.voucher_hashed = true;
    }
  }
}

void BookBuilder::Add(const PostingRow& r) {
  PreparedRow prepared;
  Prepare(r, nullptr, prepared, key_);
  Add(r.row, prepared);
}

void BookBuilder::Add(std::int64_t row, const PreparedRow& r) {
  const Amount& debit = r.debit;
  const Amount& credit = r.credit;
  // Every row counts in the population, a void one as left out.
  book_.population.rows.Add(debit, credit);
  if (r.void_row) {
    book_.population.void_rows.Add(debit, credit);
    return;
  }
  ScreenPosting p;
  p.row = row;
  book_.Pack(debit, &p.debit_units, &p.debit_scale);
  book_.Pack(credit, &p.credit_units, &p.credit_scale);
  p.side = !debit.IsZero()    ? PostingSide::kDebit
           : !credit.IsZero() ? PostingSide::kCredit
                              : PostingSide::kNone;
  if (book_.columns.account) p.account = AccountOf(r.text.account, r.account_hash);
  p.summary = CachedId(summary_, r.text.summary, r.summary_hashed ? &r.summary_hash : nullptr);
  p.line = LineId(r.text.line);
  p.preparer = CachedId(preparer_, r.text.preparer, true);
  p.approver = CachedId(approver_, r.text.approver, true);
  const std::optional<checks::CalendarDate>& date = r.date;
  p.date = r.day_number;
  if (date && book_.vouchers_known) {
    // The rows of a voucher follow one another: the voucher found for the row before
    // serves a row of the same date, type and number as written.
    if (last_voucher_ >= 0 && p.date == last_voucher_day_ && r.text.type == last_type_ &&
        r.text.number == last_number_) {
      p.voucher = last_voucher_;
      book_.postings.push_back(p);
      return;
    }
    last_type_.assign(r.text.type);
    last_number_.assign(r.text.number);
    const std::string_view type = r.type_trimmed;
    const std::string_view number = r.number_trimmed;
    const std::uint64_t hash =
        r.voucher_hashed ? r.voucher_hash : VoucherHash(*date, type, number, key_);
    int index = voucher_slots_.Find(hash, [&](int v) {
      const ScreenVoucher& x = book_.vouchers[static_cast<std::size_t>(v)];
      return x.year == date->year && x.month == date->month && book_.Type(x) == type &&
             book_.Number(x) == number;
    });
    if (index < 0) {
      index = static_cast<int>(book_.vouchers.size());
      voucher_slots_.Add(hash, index);
      ScreenVoucher v;
      v.year = date->year;
      v.month = date->month;
      v.type = TextId(type);
      v.number_at = static_cast<std::uint32_t>(book_.voucher_numbers.size());
      v.number_size = static_cast<std::uint32_t>(number.size());
      book_.voucher_numbers.append(number);
      v.date = p.date;
      v.preparer = p.preparer;
      v.approver = p.approver;
      book_.vouchers.push_back(std::move(v));
    }
    p.voucher = index;
    last_voucher_ = index;
    last_voucher_day_ = p.date;
  } else {
    last_voucher_ = -1;
  }
  book_.postings.push_back(p);
}

ScreenBook BookBuilder::Finish(std::string name, std::string table, std::optional<int> year,
                               const std::function<void(ScreenBook&)>& beside) {
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
      const int j = AccountOf(first, std::hash<std::string_view>{}(first));
      const auto c = chart_index_.find(first);
      if (book_.accounts.size() > before && c != chart_index_.end())
        book_.accounts.back().code = chart_.accounts[static_cast<std::size_t>(c->second)].first;
      book_.accounts[i].first_level = j;
    }
  }
  for (std::size_t i = count; i < book_.accounts.size(); ++i)
    book_.accounts[i].first_level = static_cast<int>(i);
  // The accounts in the order of their codes (as keys, which are unique), so that no
  // test's result depends on which posting of the file named an account first.
  {
    const std::size_t n = book_.accounts.size();
    std::vector<std::pair<std::string, int>> keys(n);
    for (std::size_t i = 0; i < n; ++i)
      keys[i] = {checks::AccountKey(book_.accounts[i].code), static_cast<int>(i)};
    std::sort(keys.begin(), keys.end());
    std::vector<int> moved_to(n);
    std::vector<ScreenAccount> sorted(n);
    for (std::size_t i = 0; i < n; ++i)
      moved_to[static_cast<std::size_t>(keys[i].second)] = static_cast<int>(i);
    for (std::size_t i = 0; i < n; ++i) {
      ScreenAccount& a = book_.accounts[static_cast<std::size_t>(keys[i].second)];
      a.first_level = moved_to[static_cast<std::size_t>(a.first_level)];
      sorted[i] = std::move(a);
    }
    book_.accounts = std::move(sorted);
    for (ScreenPosting& p : book_.postings)
      if (p.account >= 0) p.account = moved_to[static_cast<std::size_t>(p.account)];
  }

  // The amounts at one scale, the counts and `beside` read the postings' amounts, dates,
  // sides and accounts while this thread orders the vouchers (and writes the postings'
  // vouchers only).
  book_.population.counted = true;
  std::exception_ptr beside_failure;
  struct Joined {
    std::thread thread;
    ~Joined() {
      if (thread.joinable()) thread.join();
    }
  } counting{std::thread([&] {
    try {
      ScaleAmounts(book_);
      CountTested(book_);
      if (beside) beside(book_);
    } catch (...) {
      beside_failure = std::current_exception();
    }
  })};

  // Vouchers in the one voucher order (checks::VoucherBefore), sorted by keys: the
  // date, the type's rank among the types, and the number's value when it is digits
  // that fit 63 bits (else -1); the rest (other numbers, equal values) as the order
  // says. A voucher's index is the order of its first posting.
  const std::size_t voucher_count = book_.vouchers.size();
  std::vector<std::uint32_t> types;
  for (const ScreenVoucher& v : book_.vouchers) types.push_back(v.type);
  std::sort(types.begin(), types.end());
  types.erase(std::unique(types.begin(), types.end()), types.end());
  std::sort(types.begin(), types.end(),
            [&](std::uint32_t a, std::uint32_t b) { return book_.Text(a) < book_.Text(b); });
  std::unordered_map<std::uint32_t, int> type_rank;
  for (std::size_t i = 0; i < types.size(); ++i) type_rank[types[i]] = static_cast<int>(i);
  struct SortKey {
    int date, type;
    std::int64_t number;
    int index;
  };
  std::vector<SortKey> keys(voucher_count);
  for (std::size_t i = 0; i < voucher_count; ++i) {
    const ScreenVoucher& v = book_.vouchers[i];
    const std::string_view n = book_.Number(v);
    std::int64_t value = -1;
    if (checks::IsDigitNumber(n)) {
      const std::string_view digits = n.substr(std::min(n.find_first_not_of('0'), n.size()));
      if (digits.size() <= 18) {
        value = 0;
        for (char c : digits) value = value * 10 + (c - '0');
      }
    }
    keys[i] = {v.date, type_rank[v.type], value, static_cast<int>(i)};
  }
  std::sort(keys.begin(), keys.end(), [&](const SortKey& x, const SortKey& y) {
    if (x.date != y.date) return x.date < y.date;
    if (x.type != y.type) return x.type < y.type;
    if (x.number >= 0 && y.number >= 0 && x.number != y.number) return x.number < y.number;
    const auto a = static_cast<std::size_t>(x.index), b = static_cast<std::size_t>(y.index);
    const int c = checks::CompareVoucherNumbers(book_.Number(book_.vouchers[a]),
                                                book_.Number(book_.vouchers[b]));
    if (c != 0) return c < 0;
    return x.index < y.index;
  });
  std::vector<int> position(voucher_count);
  std::vector<ScreenVoucher> sorted;
  sorted.reserve(voucher_count);
  for (std::size_t i = 0; i < voucher_count; ++i) {
    const auto from = static_cast<std::size_t>(keys[i].index);
    position[from] = static_cast<int>(i);
    sorted.push_back(book_.vouchers[from]);
  }
  book_.vouchers = std::move(sorted);
  // Each voucher's postings, in file order, as a range of one list: counted by the
  // vouchers' first indexes (which follow the file), and placed through a short list of
  // next places rather than the vouchers themselves (which lie in another order).
  std::vector<std::uint32_t> counts(voucher_count, 0);
  for (const ScreenPosting& p : book_.postings)
    if (p.voucher >= 0) ++counts[static_cast<std::size_t>(p.voucher)];
  std::vector<std::uint32_t> next(voucher_count);
  std::uint32_t at = 0;
  for (std::size_t i = 0; i < voucher_count; ++i) {
    ScreenVoucher& v = book_.vouchers[i];
    v.first = next[i] = at;
    v.count = counts[static_cast<std::size_t>(keys[i].index)];
    at += v.count;
  }
  book_.voucher_postings.assign(at, 0);
  for (std::size_t i = 0; i < book_.postings.size(); ++i) {
    ScreenPosting& p = book_.postings[i];
    if (p.voucher < 0) continue;
    p.voucher = position[static_cast<std::size_t>(p.voucher)];
    book_.voucher_postings[next[static_cast<std::size_t>(p.voucher)]++] = static_cast<int>(i);
  }
  counting.thread.join();
  if (beside_failure) std::rethrow_exception(beside_failure);
  book_.population.vouchers = book_.vouchers.size();
  return std::move(book_);
}

}  // namespace qoru::screening
