// The reversal test: a voucher whose entries (account and debit - credit) are an earlier
// voucher's with the signs turned, paired with the latest such voucher not yet paired.
// The vouchers are grouped by hashes of their sorted entries and compared exactly within
// a group.
#include <algorithm>
#include <span>
#include <unordered_map>

#include <fmt/format.h>

#include "checks/values/book_text.h"
#include "screening/hash_sort.h"
#include "screening/screen_tests.h"

namespace qoru::screening {
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
  // The negation of voucher v's sorted multiset, sorted: within an account the values'
  // order turns, so each account's run is taken backwards.
  const auto negate = [&](std::size_t v) {
    negated.clear();
    for (std::size_t run = begin[v]; run < begin[v + 1];) {
      std::size_t end = run + 1;
      while (end < begin[v + 1] && all[end].account == all[run].account) ++end;
      for (std::size_t k = end; k-- > run;) negated.push_back({all[k].account, -all[k].value});
      run = end;
    }
  };
  // A voucher and the one that reverses it have the same pair of hashes, in either
  // order: the vouchers are grouped by the smaller of the two.
  struct Candidate {
    std::uint64_t group;
    int voucher;
    bool operator<(const Candidate& o) const {
      return group != o.group ? group < o.group : voucher < o.voucher;
    }
  };
  std::vector<Candidate> candidates;
  for (std::size_t v = 0; v < count; ++v) {
    book.PrefetchPostings(v + kPrefetchVouchers);
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
  SortByHash(candidates, [](const Candidate& c) { return c.group; });

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
