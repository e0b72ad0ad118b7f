#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include <fmt/format.h>

#include "checks/values/book_text.h"
#include "screening/holiday_calendar.h"
#include "screening/screen_tests.h"

namespace qoru::screening {
namespace {

checks::CalendarDate ToDate(int d) {
  return {DateYear(d), DateMonth(d), DateDay(d)};
}

ScreenItem VoucherItem(const ScreenBook& book, TestId test, int v, std::string reason) {
  const ScreenVoucher& voucher = book.vouchers[static_cast<std::size_t>(v)];
  ScreenItem item;
  item.test = test;
  item.voucher = v;
  item.date = voucher.date;
  item.postings = voucher.postings;
  item.reason = std::move(reason);
  return item;
}

}  // namespace

void TestWeekendHoliday(const ScreenBook& book, TestResult& out) {
  std::set<int> uncovered;
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const int date = book.vouchers[v].date;
    if (!CalendarCovers(DateYear(date))) uncovered.insert(DateYear(date));
    const RestDay day = ClassifyDay(ToDate(date));
    if (day.rest)
      out.items.push_back(
          VoucherItem(book, TestId::kWeekendHoliday, static_cast<int>(v), std::string(day.reason)));
  }
  if (!uncovered.empty()) {
    std::string years;
    for (int y : uncovered) years += (years.empty() ? "" : "、") + std::to_string(y);
    out.reason = fmt::format("节假日表只有 {} 至 {} 年；{} 年只按周六、周日判断", kHolidayFirstYear,
                             kHolidayLastYear, years);
  }
}

void TestApproval(const ScreenBook& book, TestResult& out) {
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const ScreenVoucher& voucher = book.vouchers[v];
    if (voucher.approver == 0) {
      out.items.push_back(VoucherItem(book, TestId::kApproval, static_cast<int>(v), "未审核"));
    } else if (voucher.preparer != 0 && voucher.preparer == voucher.approver) {
      out.items.push_back(
          VoucherItem(book, TestId::kApproval, static_cast<int>(v), "制单人与审核人相同"));
    }
  }
}

void TestRarePreparer(const ScreenBook& book, int below, TestResult& out) {
  std::unordered_map<std::uint32_t, int> count;
  for (const ScreenVoucher& v : book.vouchers)
    if (v.preparer != 0) ++count[v.preparer];
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const std::uint32_t who = book.vouchers[v].preparer;
    if (who == 0) continue;
    const int n = count[who];
    if (n < below)
      out.items.push_back(VoucherItem(
          book, TestId::kRarePreparer, static_cast<int>(v),
          fmt::format("制单人 {} 只制单 {} 张凭证（少于 {} 张）", book.Text(who), n, below)));
  }
}

void TestPeriodEnd(const ScreenBook& book, int year, int days, TestResult& out) {
  if (days <= 0) return;
  const long year_end = DayNumber({year, 12, 31});
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const int date = book.vouchers[v].date;
    const long day = DayNumber(ToDate(date));
    if (day <= year_end && day > year_end - days) {
      out.items.push_back(VoucherItem(book, TestId::kPeriodEnd, static_cast<int>(v),
                                      fmt::format("{} 年末最后 {} 天内", year, days)));
    } else if (day > year_end && day <= year_end + days) {
      out.items.push_back(VoucherItem(book, TestId::kPeriodEnd, static_cast<int>(v),
                                      fmt::format("{} 年初 {} 天内（次年）", year + 1, days)));
    }
  }
}

void TestRarePair(const ScreenBook& book, int below, TestResult& out) {
  // The pairs of each voucher, once per voucher, in one list: (first-level debit,
  // first-level credit) as a 64-bit key.
  std::vector<std::uint64_t> pairs;
  std::vector<std::size_t> begin(book.vouchers.size() + 1, 0);
  std::unordered_map<std::uint64_t, int> uses;
  std::vector<int> debits, credits;
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    debits.clear();
    credits.clear();
    for (int i : book.vouchers[v].postings) {
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      if (p.account < 0) continue;
      const int first = book.accounts[static_cast<std::size_t>(p.account)].first_level;
      if (p.side == PostingSide::kDebit) debits.push_back(first);
      if (p.side == PostingSide::kCredit) credits.push_back(first);
    }
    std::sort(debits.begin(), debits.end());
    debits.erase(std::unique(debits.begin(), debits.end()), debits.end());
    std::sort(credits.begin(), credits.end());
    credits.erase(std::unique(credits.begin(), credits.end()), credits.end());
    for (int d : debits) {
      for (int c : credits) {
        const std::uint64_t key = static_cast<std::uint64_t>(static_cast<std::uint32_t>(d)) << 32 |
                                  static_cast<std::uint32_t>(c);
        pairs.push_back(key);
        ++uses[key];
      }
    }
    begin[v + 1] = pairs.size();
  }
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    std::string reason;
    for (std::size_t k = begin[v]; k < begin[v + 1]; ++k) {
      const int n = uses[pairs[k]];
      if (n >= below) continue;
      const auto d = static_cast<std::size_t>(pairs[k] >> 32);
      const auto c = static_cast<std::size_t>(pairs[k] & 0xFFFFFFFFu);
      reason += fmt::format("{}借 {} 贷 {}（{} 张凭证）", reason.empty() ? "" : "；",
                            book.accounts[d].code, book.accounts[c].code, n);
    }
    if (!reason.empty())
      out.items.push_back(
          VoucherItem(book, TestId::kRarePair, static_cast<int>(v), "少见的科目对应：" + reason));
  }
}

namespace {

// One entry of a voucher's multiset: an account and a value (debit - credit), the value
// without trailing zeros of its fraction so that equal values compare equal.
struct Entry {
  int account;
  int scale;
  Amount::Units units;
  friend bool operator<(const Entry& a, const Entry& b) {
    if (a.account != b.account) return a.account < b.account;
    if (a.scale != b.scale) return a.scale < b.scale;
    return a.units < b.units;
  }
  friend bool operator==(const Entry& a, const Entry& b) {
    return a.account == b.account && a.scale == b.scale && a.units == b.units;
  }
};

std::uint64_t HashEntries(const std::vector<Entry>& entries) {
  std::uint64_t h = 1469598103934665603ULL;
  const auto mix = [&](std::uint64_t x) { h ^= x + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2); };
  for (const Entry& e : entries) {
    mix(static_cast<std::uint64_t>(e.account));
    mix(static_cast<std::uint64_t>(e.scale));
    mix(static_cast<std::uint64_t>(e.units));
    mix(static_cast<std::uint64_t>(e.units >> 64));
  }
  return h;
}

}  // namespace

void TestReversal(const ScreenBook& book, TestResult& out) {
  // Each voucher's multiset of (account, debit - credit), sorted, kept in one list; the
  // unpaired vouchers by the hash of their multisets.
  std::vector<Entry> all;
  std::vector<std::size_t> begin(book.vouchers.size() + 1, 0);
  // The unpaired vouchers of a hash, latest first: the head of each list and each
  // voucher's next (earlier) one.
  std::unordered_map<std::uint64_t, int> head;
  std::vector<int> earlier(book.vouchers.size(), -1);
  std::vector<bool> paired_already(book.vouchers.size(), false);
  std::vector<Entry> own, negated;
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    own.clear();
    negated.clear();
    for (int i : book.vouchers[v].postings) {
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      if (p.side == PostingSide::kNone) continue;
      const Amount value = Normalized(p.debit - p.credit);
      own.push_back({p.account, value.scale(), value.units()});
      negated.push_back({p.account, value.scale(), -value.units()});
    }
    std::sort(own.begin(), own.end());
    std::sort(negated.begin(), negated.end());
    all.insert(all.end(), own.begin(), own.end());
    begin[v + 1] = all.size();
    if (own.empty()) continue;
    bool paired = false;
    if (auto it = head.find(HashEntries(negated)); it != head.end()) {
      // The latest earlier voucher whose multiset is the negation of this one's.
      for (int k = it->second; k >= 0; k = earlier[static_cast<std::size_t>(k)]) {
        const auto a = static_cast<std::size_t>(k);
        if (paired_already[a] || begin[a + 1] - begin[a] != negated.size() ||
            !std::equal(negated.begin(), negated.end(),
                        all.begin() + static_cast<std::ptrdiff_t>(begin[a])))
          continue;
        paired_already[a] = true;
        ScreenItem item = VoucherItem(book, TestId::kReversal, static_cast<int>(v), "");
        item.reverses = static_cast<int>(a);
        const ScreenVoucher& va = book.vouchers[a];
        item.postings.insert(item.postings.end(), va.postings.begin(), va.postings.end());
        item.reason =
            fmt::format("冲销 {} 年 {} 月 {}字 {} 号凭证", va.year, va.month, va.type, va.number);
        out.items.push_back(std::move(item));
        paired = true;
        break;
      }
    }
    if (!paired) {
      int& first = head.try_emplace(HashEntries(own), -1).first->second;
      earlier[v] = first;
      first = static_cast<int>(v);
    }
  }
}

}  // namespace qoru::screening
