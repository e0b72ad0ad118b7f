#include <algorithm>
#include <functional>
#include <span>
#include <tuple>
#include <unordered_map>

#include <fmt/format.h>

#include "checks/values/book_text.h"
#include "screening/calendar/holiday_calendar.h"
#include "screening/hash_sort.h"
#include "screening/screen_tests.h"
#include "screening/screen_text.h"

namespace qoru::screening {
namespace {

void AddPostingItem(const ScreenBook& book, TestId test, int i, std::uint32_t reason,
                    TestResult& out) {
  const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
  ScreenItem item;
  item.test = test;
  item.voucher = p.voucher;
  item.date = p.date;
  item.reason = reason;
  out.Add(item, std::span<const int>(&i, 1));
}

void AddPostingItem(const ScreenBook& book, TestId test, int i, std::string reason,
                    TestResult& out) {
  AddPostingItem(book, test, i, out.AddReason(std::move(reason)), out);
}

}  // namespace

void TestRoundAmount(const ScreenBook& book, const Amount& unit, const Amount& minimum,
                     TestResult& out) {
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const ScreenPosting& p = book.postings[i];
    if (p.side == PostingSide::kNone) continue;
    const Amount amount = book.AmountOf(p);
    if (CompareAmounts(amount, minimum) < 0 || !checks::IsMultipleOf(amount, unit)) continue;
    AddPostingItem(book, TestId::kRoundAmount, static_cast<int>(i),
                   fmt::format("金额 {} 是 {} 的整数倍", amount.ToString(), unit.ToString()), out);
  }
}

void TestKeywords(const ScreenBook& book, const std::vector<std::string>& keywords,
                  TestResult& out) {
  // Summaries repeat: each distinct text is searched once. Its reason's id, or none.
  constexpr std::uint32_t kNone = UINT32_MAX;
  std::unordered_map<std::uint32_t, std::uint32_t> found;
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const ScreenPosting& p = book.postings[i];
    if (p.side == PostingSide::kNone || p.summary == 0) continue;
    auto it = found.find(p.summary);
    if (it == found.end()) {
      std::string words;
      for (const std::string& k : keywords)
        if (ContainsIgnoringAsciiCase(book.Text(p.summary), k))
          words += (words.empty() ? "" : "、") + k;
      it = found.emplace(p.summary, words.empty() ? kNone : out.AddReason("摘要含 " + words)).first;
    }
    if (it->second != kNone)
      AddPostingItem(book, TestId::kKeyword, static_cast<int>(i), it->second, out);
  }
}

void TestLargeAmount(const ScreenBook& book, const std::optional<Amount>& materiality,
                     TestResult& out) {
  const std::vector<std::int64_t>& scaled = book.scaled_amounts;
  const bool fast = scaled.size() == book.postings.size();
  Amount threshold;
  std::int64_t scaled_threshold = 0;  // with `fast`, the rank's amount at the book's scale
  if (materiality) {
    threshold = *materiality;
  } else {
    std::size_t n = 0;
    for (const ScreenPosting& p : book.postings) n += p.side != PostingSide::kNone;
    if (n == 0) return;
    const std::size_t rank = (n + 999) / 1000;  // ceil(N x 0.001)
    if (fast) {
      std::vector<std::int64_t> amounts;
      amounts.reserve(n);
      for (std::size_t i = 0; i < book.postings.size(); ++i)
        if (book.postings[i].side != PostingSide::kNone) amounts.push_back(scaled[i]);
      std::nth_element(amounts.begin(), amounts.begin() + static_cast<long>(rank - 1),
                       amounts.end(), std::greater<>());
      scaled_threshold = amounts[rank - 1];
      // The amount as the book writes it: that of its first posting.
      for (std::size_t i = 0; i < book.postings.size(); ++i) {
        if (book.postings[i].side != PostingSide::kNone && scaled[i] == scaled_threshold) {
          threshold = book.AmountOf(book.postings[i]);
          break;
        }
      }
    } else {
      std::vector<Amount> amounts;
      amounts.reserve(n);
      for (const ScreenPosting& p : book.postings)
        if (p.side != PostingSide::kNone) amounts.push_back(book.AmountOf(p));
      std::nth_element(amounts.begin(), amounts.begin() + static_cast<long>(rank - 1),
                       amounts.end(),
                       [](const Amount& a, const Amount& b) { return CompareAmounts(a, b) > 0; });
      threshold = amounts[rank - 1];
    }
    out.reason = fmt::format("金额下限为第 {} 大的金额 {}", rank, threshold.ToString());
  }
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const ScreenPosting& p = book.postings[i];
    if (p.side == PostingSide::kNone) continue;
    if (fast && !materiality ? scaled[i] < scaled_threshold
                             : CompareAmounts(book.AmountOf(p), threshold) < 0)
      continue;
    AddPostingItem(
        book, TestId::kLargeAmount, static_cast<int>(i),
        fmt::format("金额 {} 不小于 {}", book.AmountOf(p).ToString(), threshold.ToString()), out);
  }
}

void TestNegativeAmount(const ScreenBook& book, TestResult& out) {
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const ScreenPosting& p = book.postings[i];
    if (book.DebitNegative(p))
      AddPostingItem(book, TestId::kNegativeAmount, static_cast<int>(i),
                     "借方红字 " + book.Debit(p).ToString(), out);
    else if (book.CreditNegative(p))
      AddPostingItem(book, TestId::kNegativeAmount, static_cast<int>(i),
                     "贷方红字 " + book.Credit(p).ToString(), out);
  }
}

void TestBlankSummary(const ScreenBook& book, TestResult& out) {
  std::unordered_map<std::uint32_t, bool> blank;
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const ScreenPosting& p = book.postings[i];
    if (p.side == PostingSide::kNone) continue;
    bool empty = p.summary == 0;
    if (!empty) {
      auto it = blank.find(p.summary);
      if (it == blank.end())
        it = blank.emplace(p.summary, checks::TrimBlanks(book.Text(p.summary)).empty()).first;
      empty = it->second;
    }
    if (empty) AddPostingItem(book, TestId::kBlankSummary, static_cast<int>(i), "摘要为空", out);
  }
}

void TestSeldomUsedAccount(const ScreenBook& book, int below, TestResult& out) {
  std::vector<int> vouchers(book.accounts.size(), 0);
  std::vector<int> last(book.accounts.size(), -1);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    book.PrefetchPostings(v + kPrefetchVouchers);
    for (int i : book.Postings(book.vouchers[v])) {
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      if (p.side == PostingSide::kNone || p.account < 0) continue;
      const auto a = static_cast<std::size_t>(p.account);
      if (last[a] != static_cast<int>(v)) {
        last[a] = static_cast<int>(v);
        ++vouchers[a];
      }
    }
  }
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const ScreenPosting& p = book.postings[i];
    if (p.voucher < 0 || p.side == PostingSide::kNone || p.account < 0) continue;
    const int n = vouchers[static_cast<std::size_t>(p.account)];
    if (n < below)
      AddPostingItem(book, TestId::kSeldomUsedAccount, static_cast<int>(i),
                     fmt::format("科目 {} 只出现在 {} 张凭证中（少于 {} 张）",
                                 book.accounts[static_cast<std::size_t>(p.account)].code, n, below),
                     out);
  }
}

void TestDuplicateEntry(const ScreenBook& book, int days, TestResult& out) {
  // Postings in vouchers by (account, side, amount), then date and the voucher order
  // (book.voucher_postings: vouchers in order, each one's postings in file order), so
  // that neither a run's first posting nor the items' order depends on where the file
  // puts its vouchers. The amount is its value at the book's scale when every amount fits 64 bits
  // (a small key to sort), else its normalised form (scale, units): either way equal values compare
  // equal. The sorted postings with their days and where each group begins.
  struct Sorted {
    int index;
    long day;
    bool starts_group;
  };
  // Each posting's place in the voucher order (postings without a voucher take no part).
  std::vector<std::uint32_t> place(book.postings.size(), 0);
  for (std::size_t k = 0; k < book.voucher_postings.size(); ++k)
    place[static_cast<std::size_t>(book.voucher_postings[k])] = static_cast<std::uint32_t>(k);
  // The runs of `sorted` (postings of one group, each within `days` of the one before)
  // that hold two vouchers or more, as items.
  std::vector<int> run, vouchers;
  const auto add_runs = [&](const std::vector<Sorted>& sorted) {
    std::size_t start = 0;
    for (std::size_t i = 1; i <= sorted.size(); ++i) {
      const bool continues =
          i < sorted.size() && !sorted[i].starts_group && sorted[i].day - sorted[i - 1].day <= days;
      if (continues) continue;
      if (i - start < 2) {
        start = i;
        continue;
      }
      run.clear();
      vouchers.clear();
      for (std::size_t j = start; j < i; ++j) {
        run.push_back(sorted[j].index);
        vouchers.push_back(book.postings[static_cast<std::size_t>(sorted[j].index)].voucher);
      }
      std::sort(vouchers.begin(), vouchers.end());
      vouchers.erase(std::unique(vouchers.begin(), vouchers.end()), vouchers.end());
      if (vouchers.size() >= 2) {
        const ScreenPosting& p = book.postings[static_cast<std::size_t>(run.front())];
        ScreenItem item;
        item.test = TestId::kDuplicateEntry;
        item.voucher = p.voucher;
        item.date = p.date;
        item.reason = out.AddReason(
            fmt::format("{} 笔分录（{} 张凭证）科目、方向和金额相同：{} {} {}", i - start,
                        vouchers.size(), book.accounts[static_cast<std::size_t>(p.account)].code,
                        p.side == PostingSide::kDebit ? "借" : "贷", book.AmountOf(p).ToString()));
        out.Add(item, run);
      }
      start = i;
    }
  };
  const auto day_of = [](const ScreenPosting& p) {
    return DayNumber({DateYear(p.date), DateMonth(p.date), DateDay(p.date)});
  };
  if (book.scaled_amounts.size() == book.postings.size()) {
    // First by a 64-bit hash of (account, side, amount), then by day and place: a
    // small key, and enough for the many postings alone in their group. A run of equal
    // hashes that holds more than one group (a collision) is sorted again by the values.
    struct Key {
      std::uint64_t hash;
      std::uint64_t order;  // day (made non-negative) << 32 | place
      bool operator<(const Key& o) const {
        return hash != o.hash ? hash < o.hash : order < o.order;
      }
    };
    const auto index_of = [&](const Key& k) {
      return book.voucher_postings[static_cast<std::size_t>(k.order & 0xFFFFFFFFu)];
    };
    constexpr std::int64_t kDayBias = std::int64_t{1} << 31;  // a day number fits 32 bits
    const auto day_in = [](const Key& k) {
      return static_cast<long>(static_cast<std::int64_t>(k.order >> 32) - kDayBias);
    };
    const auto same_group = [&](const Key& a, const Key& b) {
      const auto i = static_cast<std::size_t>(index_of(a)),
                 j = static_cast<std::size_t>(index_of(b));
      const ScreenPosting& x = book.postings[i];
      const ScreenPosting& y = book.postings[j];
      return x.account == y.account && x.side == y.side &&
             book.scaled_amounts[i] == book.scaled_amounts[j];
    };
    std::vector<Key> keys;
    keys.reserve(book.postings.size());
    for (std::size_t i = 0; i < book.postings.size(); ++i) {
      const ScreenPosting& p = book.postings[i];
      if (p.voucher < 0 || p.side == PostingSide::kNone) continue;
      std::uint64_t h = static_cast<std::uint64_t>(book.scaled_amounts[i]) * 0x9E3779B97F4A7C15ULL;
      h ^= (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.account)) << 2 |
            static_cast<std::uint64_t>(p.side)) *
           0xC2B2AE3D27D4EB4FULL;
      h ^= h >> 29;
      h *= 0xBF58476D1CE4E5B9ULL;
      h ^= h >> 32;
      const auto day = static_cast<std::uint64_t>(std::int64_t{day_of(p)} + kDayBias);
      keys.push_back({h, day << 32 | place[i]});
    }
    SortByHash(keys, [](const Key& k) { return k.hash; });
    // Only runs of equal hashes can hold a group of two postings or more.
    std::vector<Sorted> group;
    for (std::size_t from = 0; from < keys.size();) {
      std::size_t to = from + 1;
      while (to < keys.size() && keys[to].hash == keys[from].hash) ++to;
      if (to - from < 2) {
        from = to;
        continue;
      }
      bool mixed = false;
      for (std::size_t k = from + 1; k < to && !mixed; ++k)
        mixed = !same_group(keys[from], keys[k]);
      if (mixed) {
        std::sort(keys.begin() + static_cast<std::ptrdiff_t>(from),
                  keys.begin() + static_cast<std::ptrdiff_t>(to), [&](const Key& a, const Key& b) {
                    const auto i = static_cast<std::size_t>(index_of(a));
                    const auto j = static_cast<std::size_t>(index_of(b));
                    const ScreenPosting& x = book.postings[i];
                    const ScreenPosting& y = book.postings[j];
                    return std::tie(x.account, x.side, book.scaled_amounts[i], a.order) <
                           std::tie(y.account, y.side, book.scaled_amounts[j], b.order);
                  });
      }
      group.clear();
      for (std::size_t k = from; k < to; ++k)
        group.push_back(
            {index_of(keys[k]), day_in(keys[k]), k == from || !same_group(keys[k - 1], keys[k])});
      add_runs(group);
      from = to;
    }
  } else {
    struct Key {
      int account;
      PostingSide side;
      int scale;
      Amount::Units units;
      long day;
      std::uint32_t place;
      int index;
      bool operator<(const Key& o) const {
        return std::tie(account, side, scale, units, day, place) <
               std::tie(o.account, o.side, o.scale, o.units, o.day, o.place);
      }
    };
    std::vector<Key> keys;
    for (std::size_t i = 0; i < book.postings.size(); ++i) {
      const ScreenPosting& p = book.postings[i];
      if (p.voucher < 0 || p.side == PostingSide::kNone) continue;
      const Amount amount = Normalized(book.AmountOf(p));
      keys.push_back({p.account, p.side, amount.scale(), amount.units(), day_of(p), place[i],
                      static_cast<int>(i)});
    }
    std::sort(keys.begin(), keys.end());
    std::vector<Sorted> sorted;
    sorted.reserve(keys.size());
    const auto same_group = [](const Key& a, const Key& b) {
      return a.account == b.account && a.side == b.side && a.scale == b.scale && a.units == b.units;
    };
    for (std::size_t i = 0; i < keys.size(); ++i)
      sorted.push_back({keys[i].index, keys[i].day, i == 0 || !same_group(keys[i - 1], keys[i])});
    add_runs(sorted);
  }
  std::sort(out.items.begin(), out.items.end(), [&](const ScreenItem& a, const ScreenItem& b) {
    if (a.date != b.date) return a.date < b.date;
    return place[static_cast<std::size_t>(out.postings[a.first])] <
           place[static_cast<std::size_t>(out.postings[b.first])];
  });
}

}  // namespace qoru::screening
