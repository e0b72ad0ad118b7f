#include <algorithm>
#include <map>
#include <set>
#include <span>
#include <string_view>
#include <unordered_map>

#include <fmt/format.h>

#include "checks/values/book_text.h"
#include "screening/calendar/holiday_calendar.h"
#include "screening/screen_tests.h"

namespace qoru::screening {
namespace {

checks::CalendarDate ToDate(int d) {
  return {DateYear(d), DateMonth(d), DateDay(d)};
}

ScreenItem VoucherItem(const ScreenBook& book, TestId test, int v, std::uint32_t reason) {
  ScreenItem item;
  item.test = test;
  item.voucher = v;
  item.date = book.vouchers[static_cast<std::size_t>(v)].date;
  item.reason = reason;
  return item;
}

void AddVoucherItem(const ScreenBook& book, TestId test, int v, std::uint32_t reason,
                    TestResult& out) {
  out.Add(VoucherItem(book, test, v, reason),
          book.Postings(book.vouchers[static_cast<std::size_t>(v)]));
}

void AddVoucherItem(const ScreenBook& book, TestId test, int v, std::string reason,
                    TestResult& out) {
  AddVoucherItem(book, test, v, out.AddReason(std::move(reason)), out);
}

// The ids of reasons that many items share, each text added once.
class SharedReasons {
 public:
  explicit SharedReasons(TestResult& out) : out_(out) {}
  std::uint32_t operator()(std::string_view text) {
    auto it = ids_.find(text);
    if (it == ids_.end())
      it = ids_.emplace(std::string(text), out_.AddReason(std::string(text))).first;
    return it->second;
  }

 private:
  TestResult& out_;
  std::map<std::string, std::uint32_t, std::less<>> ids_;
};

}  // namespace

void TestWeekendHoliday(const ScreenBook& book, const HolidayCalendar& calendar, TestResult& out) {
  std::set<int> uncovered;
  SharedReasons reasons(out);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const int date = book.vouchers[v].date;
    if (!calendar.Covers(DateYear(date))) uncovered.insert(DateYear(date));
    const RestDay day = calendar.Classify(ToDate(date));
    if (day.rest)
      AddVoucherItem(book, TestId::kWeekendHoliday, static_cast<int>(v), reasons(day.reason), out);
  }
  if (!uncovered.empty()) {
    std::string years;
    for (int y : uncovered) years += (years.empty() ? "" : "、") + std::to_string(y);
    out.reason = calendar.files().empty()
                     ? fmt::format("节假日表只有 {} 至 {} 年；{} 年只按周六、周日判断",
                                   kHolidayFirstYear, kHolidayLastYear, years)
                     : fmt::format(
                           "节假日表（{} 至 {} 年）和日历文件都没有 {} 年；这些年只按周六、"
                           "周日判断",
                           kHolidayFirstYear, kHolidayLastYear, years);
  }
}

void TestApproval(const ScreenBook& book, TestResult& out) {
  SharedReasons reasons(out);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const ScreenVoucher& voucher = book.vouchers[v];
    if (voucher.approver == 0) {
      AddVoucherItem(book, TestId::kApproval, static_cast<int>(v), reasons("未审核"), out);
    } else if (voucher.preparer != 0 && voucher.preparer == voucher.approver) {
      AddVoucherItem(book, TestId::kApproval, static_cast<int>(v), reasons("制单人与审核人相同"),
                     out);
    }
  }
}

void TestRarePreparer(const ScreenBook& book, int below, TestResult& out) {
  std::unordered_map<std::uint32_t, int> count;
  for (const ScreenVoucher& v : book.vouchers)
    if (v.preparer != 0) ++count[v.preparer];
  SharedReasons reasons(out);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const std::uint32_t who = book.vouchers[v].preparer;
    if (who == 0) continue;
    const int n = count[who];
    if (n < below)
      AddVoucherItem(book, TestId::kRarePreparer, static_cast<int>(v),
                     reasons(fmt::format("制单人 {} 只制单 {} 张凭证（少于 {} 张）", book.Text(who),
                                         n, below)),
                     out);
  }
}

void TestPeriodEnd(const ScreenBook& book, int year, int days, TestResult& out) {
  if (days <= 0) return;
  const long year_end = DayNumber({year, 12, 31});
  SharedReasons reasons(out);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const int date = book.vouchers[v].date;
    const long day = DayNumber(ToDate(date));
    if (day <= year_end && day > year_end - days) {
      AddVoucherItem(book, TestId::kPeriodEnd, static_cast<int>(v),
                     reasons(fmt::format("{} 年末最后 {} 天内", year, days)), out);
    } else if (day > year_end && day <= year_end + days) {
      AddVoucherItem(book, TestId::kPeriodEnd, static_cast<int>(v),
                     reasons(fmt::format("{} 年初 {} 天内（次年）", year + 1, days)), out);
    }
  }
}

void TestRarePair(const ScreenBook& book, int below, TestResult& out) {
  // The pairs of each voucher, once per voucher, in one list: (first-level debit,
  // first-level credit), the accounts by their rank among the first-level accounts
  // met, which are few: the pairs are counted in a table of ranks by ranks.
  std::vector<int> rank(book.accounts.size(), -1);
  std::vector<int> ranked;  // account by rank
  std::vector<std::pair<int, int>> pairs;
  std::vector<std::size_t> begin(book.vouchers.size() + 1, 0);
  std::vector<int> debits, credits;
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    debits.clear();
    credits.clear();
    for (int i : book.Postings(book.vouchers[v])) {
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      if (p.account < 0 || p.side == PostingSide::kNone) continue;
      const auto first =
          static_cast<std::size_t>(book.accounts[static_cast<std::size_t>(p.account)].first_level);
      if (rank[first] < 0) {
        rank[first] = static_cast<int>(ranked.size());
        ranked.push_back(static_cast<int>(first));
      }
      (p.side == PostingSide::kDebit ? debits : credits).push_back(static_cast<int>(first));
    }
    std::sort(debits.begin(), debits.end());
    debits.erase(std::unique(debits.begin(), debits.end()), debits.end());
    std::sort(credits.begin(), credits.end());
    credits.erase(std::unique(credits.begin(), credits.end()), credits.end());
    for (int d : debits)
      for (int c : credits)
        pairs.emplace_back(rank[static_cast<std::size_t>(d)], rank[static_cast<std::size_t>(c)]);
    begin[v + 1] = pairs.size();
  }
  const std::size_t n = ranked.size();
  std::vector<int> dense;
  std::unordered_map<std::uint64_t, int> sparse;  // past 4096 first-level accounts
  const auto key = [](const std::pair<int, int>& pair) {
    return static_cast<std::uint64_t>(pair.first) << 32 | static_cast<std::uint32_t>(pair.second);
  };
  if (n <= 4096) {
    dense.assign(n * n, 0);
    for (const auto& [d, c] : pairs)
      ++dense[static_cast<std::size_t>(d) * n + static_cast<std::size_t>(c)];
  } else {
    for (const auto& pair : pairs) ++sparse[key(pair)];
  }
  const auto uses = [&](const std::pair<int, int>& pair) {
    return n <= 4096 ? dense[static_cast<std::size_t>(pair.first) * n +
                             static_cast<std::size_t>(pair.second)]
                     : sparse[key(pair)];
  };
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    std::string reason;
    for (std::size_t k = begin[v]; k < begin[v + 1]; ++k) {
      const int count = uses(pairs[k]);
      if (count >= below) continue;
      const auto d = static_cast<std::size_t>(ranked[static_cast<std::size_t>(pairs[k].first)]);
      const auto c = static_cast<std::size_t>(ranked[static_cast<std::size_t>(pairs[k].second)]);
      reason += fmt::format("{}借 {} 贷 {}（{} 张凭证）", reason.empty() ? "" : "；",
                            book.accounts[d].code, book.accounts[c].code, count);
    }
    if (!reason.empty())
      AddVoucherItem(book, TestId::kRarePair, static_cast<int>(v), "少见的科目对应：" + reason,
                     out);
  }
}

namespace {

// A value (debit - credit) as whole units and a fraction in units of 10^-18 (0 to
// 10^18 - 1): equal values are equal whatever their scales, and a difference of 36
// digits and 18 decimals (10^35 - 0.000000000000000001) is still exact. For books whose
// values do not all fit 64 bits at one scale.
struct WideValue {
  static constexpr std::int64_t kOne = 1'000'000'000'000'000'000;  // 10^18
  Amount::Units whole = 0;
  std::int64_t fraction = 0;

  static WideValue Of(const Amount& a) {
    const std::int64_t unit = PowerOfTen(a.scale());
    WideValue v{a.units() / unit,
                static_cast<std::int64_t>(a.units() % unit) * PowerOfTen(18 - a.scale())};
    return v.Carried();
  }
  // The fraction brought into [0, 10^18) (it is within (-2 x 10^18, 2 x 10^18)).
  WideValue Carried() const {
    WideValue v = *this;
    if (v.fraction < 0) {
      v.fraction += kOne;
      --v.whole;
    } else if (v.fraction >= kOne) {
      v.fraction -= kOne;
      ++v.whole;
    }
    return v;
  }
  friend WideValue operator-(const WideValue& a, const WideValue& b) {
    return WideValue{a.whole - b.whole, a.fraction - b.fraction}.Carried();
  }
  WideValue operator-() const { return WideValue{} - *this; }
  friend bool operator<(const WideValue& a, const WideValue& b) {
    return a.whole != b.whole ? a.whole < b.whole : a.fraction < b.fraction;
  }
  friend bool operator==(const WideValue& a, const WideValue& b) = default;
};

template <typename Mix>
void MixValue(Mix& mix, std::int64_t v) {
  mix(static_cast<std::uint64_t>(v));
}

template <typename Mix>
void MixValue(Mix& mix, const WideValue& v) {
  mix(static_cast<std::uint64_t>(v.whole));
  mix(static_cast<std::uint64_t>(v.whole >> 64));
  mix(static_cast<std::uint64_t>(v.fraction));
}

// One entry of a voucher's multiset: an account and a value.
template <typename V>
struct Entry {
  int account;
  V value;
  friend bool operator<(const Entry& a, const Entry& b) {
    return a.account != b.account ? a.account < b.account : a.value < b.value;
  }
  friend bool operator==(const Entry& a, const Entry& b) = default;
};

template <typename It>
std::uint64_t HashEntries(It first, It last) {
  std::uint64_t h = 1469598103934665603ULL;
  const auto mix = [&](std::uint64_t x) { h ^= x + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2); };
  for (; first != last; ++first) {
    mix(static_cast<std::uint64_t>(first->account));
    MixValue(mix, first->value);
  }
  return h;
}

// Every posting's debit - credit at one scale, as 64-bit integers: equal values give
// equal integers. Empty when one does not fit.
std::vector<std::int64_t> ScaledValues(const ScreenBook& book) {
  if (!book.wide_amounts.empty()) return {};
  int scale = 0;
  for (const ScreenPosting& p : book.postings)
    if (p.side != PostingSide::kNone)
      scale = std::max({scale, static_cast<int>(p.debit_scale), static_cast<int>(p.credit_scale)});
  if (scale > 18) return {};
  std::vector<std::int64_t> values(book.postings.size(), 0);
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const ScreenPosting& p = book.postings[i];
    if (p.side == PostingSide::kNone) continue;
    const Amount::Units v = Amount::Units{p.debit_units} * PowerOfTen(scale - p.debit_scale) -
                            Amount::Units{p.credit_units} * PowerOfTen(scale - p.credit_scale);
    if (v <= INT64_MIN || v > INT64_MAX) return {};  // its negation must fit too
    values[i] = static_cast<std::int64_t>(v);
  }
  return values;
}

// The reversal pairs (reversing voucher, reversed voucher), the postings' values given
// by `value_of(posting index)`.
template <typename V, typename ValueOf>
std::vector<std::pair<int, int>> ReversalPairs(const ScreenBook& book, ValueOf value_of) {
  // Each voucher's multiset of (account, value), sorted, kept in one list, with the
  // hashes of the multiset and of its negation.
  const std::size_t count = book.vouchers.size();
  std::vector<Entry<V>> all;
  all.reserve(book.postings.size());
  std::vector<std::size_t> begin(count + 1, 0);
  std::vector<std::uint64_t> own_hash(count, 0), negated_hash(count, 0);
  std::vector<Entry<V>> negated;
  const auto negate = [&](std::size_t v) {
    negated.assign(all.begin() + static_cast<std::ptrdiff_t>(begin[v]),
                   all.begin() + static_cast<std::ptrdiff_t>(begin[v + 1]));
    for (Entry<V>& e : negated) e.value = -e.value;
    std::sort(negated.begin(), negated.end());
  };
  // A voucher and the one that reverses it have the same pair of hashes, in either
  // order: the vouchers are grouped by the smaller of the two.
  struct Candidate {
    std::uint64_t group;
    int voucher;
  };
  std::vector<Candidate> candidates;
  for (std::size_t v = 0; v < count; ++v) {
    const std::size_t from = all.size();
    for (int i : book.Postings(book.vouchers[v])) {
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      if (p.side == PostingSide::kNone) continue;
      all.push_back({p.account, value_of(static_cast<std::size_t>(i))});
    }
    std::sort(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
    begin[v + 1] = all.size();
    if (all.size() == from) continue;
    negate(v);
    own_hash[v] = HashEntries(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
    negated_hash[v] = HashEntries(negated.begin(), negated.end());
    candidates.push_back({std::min(own_hash[v], negated_hash[v]), static_cast<int>(v)});
  }
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.group != b.group ? a.group < b.group : a.voucher < b.voucher;
  });

  // Within a group, the vouchers in order: each pairs with the latest earlier unpaired
  // voucher whose multiset is the negation of its own. The unpaired ones are kept by
  // the hash of their multisets (a group holds two hashes, more only on a collision);
  // a voucher that is paired leaves its list.
  std::vector<std::pair<int, int>> pairs;  // reversing voucher, reversed voucher
  std::vector<std::pair<std::uint64_t, std::vector<int>>> unpaired;
  for (std::size_t g = 0; g < candidates.size();) {
    std::size_t end = g + 1;
    while (end < candidates.size() && candidates[end].group == candidates[g].group) ++end;
    if (end - g >= 2) {
      unpaired.clear();
      const auto list = [&](std::uint64_t hash) -> std::vector<int>* {
        for (auto& [h, l] : unpaired)
          if (h == hash) return &l;
        return nullptr;
      };
      for (std::size_t k = g; k < end; ++k) {
        const auto v = static_cast<std::size_t>(candidates[k].voucher);
        bool paired = false;
        if (std::vector<int>* earlier = list(negated_hash[v])) {
          negate(v);
          for (std::size_t j = earlier->size(); j-- > 0;) {
            const auto a = static_cast<std::size_t>((*earlier)[j]);
            if (begin[a + 1] - begin[a] != negated.size() ||
                !std::equal(negated.begin(), negated.end(),
                            all.begin() + static_cast<std::ptrdiff_t>(begin[a])))
              continue;
            earlier->erase(earlier->begin() + static_cast<std::ptrdiff_t>(j));
            pairs.emplace_back(static_cast<int>(v), static_cast<int>(a));
            paired = true;
            break;
          }
        }
        if (paired) continue;
        if (std::vector<int>* same = list(own_hash[v]))
          same->push_back(static_cast<int>(v));
        else
          unpaired.emplace_back(own_hash[v], std::vector<int>{static_cast<int>(v)});
      }
    }
    g = end;
  }
  return pairs;
}

}  // namespace

void TestReversal(const ScreenBook& book, TestResult& out) {
  std::vector<std::pair<int, int>> pairs;
  if (const std::vector<std::int64_t> values = ScaledValues(book); !values.empty()) {
    pairs = ReversalPairs<std::int64_t>(book, [&](std::size_t i) { return values[i]; });
  } else {
    pairs = ReversalPairs<WideValue>(book, [&](std::size_t i) {
      const ScreenPosting& p = book.postings[i];
      return WideValue::Of(book.Debit(p)) - WideValue::Of(book.Credit(p));
    });
  }

  // One item per pair, in the order of the reversing vouchers.
  std::sort(pairs.begin(), pairs.end());
  std::vector<int> both;
  for (const auto& [v, a] : pairs) {
    const ScreenVoucher& va = book.vouchers[static_cast<std::size_t>(a)];
    ScreenItem item =
        VoucherItem(book, TestId::kReversal, v,
                    out.AddReason(fmt::format("冲销 {} 年 {} 月 {}字 {} 号凭证", va.year, va.month,
                                              book.Type(va), book.Number(va))));
    item.reverses = a;
    both.clear();
    const std::span<const int> reversing =
        book.Postings(book.vouchers[static_cast<std::size_t>(v)]);
    const std::span<const int> reversed = book.Postings(va);
    both.insert(both.end(), reversing.begin(), reversing.end());
    both.insert(both.end(), reversed.begin(), reversed.end());
    out.Add(item, both);
  }
}

}  // namespace qoru::screening
