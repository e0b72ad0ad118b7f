#include "sampling/voucher_order.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "checks/values/voucher_order.h"

namespace qoru::sampling {
namespace {

// A number's place among the numbers of its date and type: the value of a number of
// digits alone when it has at most 18 digits besides leading zeros; else kOther, after
// every such value (a longer number of digits is larger than all of them, and other
// numbers come after numbers of digits).
constexpr std::uint64_t kOther = 1'000'000'000'000'000'000ULL;

std::uint64_t NumberKey(std::string_view n) {
  if (n.empty()) return kOther;
  std::uint64_t value = 0;
  int digits = 0;
  for (const char c : n) {
    if (c < '0' || c > '9') return kOther;
    if (digits == 0 && c == '0') continue;
    if (++digits > 18) return kOther;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

// A voucher's date, type rank and number key packed into one integer whose order is
// theirs, with the voucher's index beside it; where two keys agree the numbers' texts
// and the first postings decide.
template <typename Key>
struct Packed {
  Key key;
  std::uint32_t index;
};

// Sorts by key alone, stably (equal keys stay in the order of their indexes): 11 bits
// at a time from the lowest, as many passes as the keys' `bits` need.
void RadixSort(std::vector<Packed<std::uint64_t>>& keys, int bits) {
  constexpr int kDigit = 11;
  constexpr std::uint64_t kMask = (1u << kDigit) - 1;
  std::vector<Packed<std::uint64_t>> other(keys.size());
  std::vector<std::uint32_t> count(std::size_t{1} << kDigit);
  for (int shift = 0; shift < bits; shift += kDigit) {
    std::fill(count.begin(), count.end(), 0);
    for (const Packed<std::uint64_t>& k : keys) ++count[(k.key >> shift) & kMask];
    std::uint32_t at = 0;
    for (std::uint32_t& c : count) at += std::exchange(c, at);
    for (const Packed<std::uint64_t>& k : keys) other[count[(k.key >> shift) & kMask]++] = k;
    keys.swap(other);
  }
}

template <typename Key>
std::vector<std::uint32_t> Order(const SampleBook& book, const std::vector<int>& type_rank,
                                 int first_date, int number_bits, int rank_bits, int bits) {
  std::vector<Packed<Key>> keys(book.vouchers.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const SampleVoucher& v = book.vouchers[i];
    Key k = static_cast<Key>(static_cast<std::uint32_t>(v.date - first_date));
    k = (k << rank_bits) | static_cast<Key>(type_rank[v.type]);
    k = (k << number_bits) | static_cast<Key>(NumberKey(book.Number(v)));
    keys[i] = {k, static_cast<std::uint32_t>(i)};
  }
  const auto before = [&](const Packed<Key>& x, const Packed<Key>& y) {
    if (x.key != y.key) return x.key < y.key;
    const SampleVoucher& a = book.vouchers[x.index];
    const SampleVoucher& b = book.vouchers[y.index];
    if (const int c = checks::CompareVoucherNumbers(book.Number(a), book.Number(b)); c != 0)
      return c < 0;
    return a.first_row < b.first_row;
  };
  if constexpr (std::is_same_v<Key, std::uint64_t>) {
    // By the keys in a few linear passes; then the texts decide among equal keys (the
    // same number written apart, numbers that are not digits alone).
    RadixSort(keys, bits);
    for (std::size_t i = 0; i < keys.size();) {
      std::size_t j = i + 1;
      while (j < keys.size() && keys[j].key == keys[i].key) ++j;
      if (j - i > 1)
        std::sort(keys.begin() + static_cast<std::ptrdiff_t>(i),
                  keys.begin() + static_cast<std::ptrdiff_t>(j), before);
      i = j;
    }
  } else {
    std::sort(keys.begin(), keys.end(), before);
  }
  std::vector<std::uint32_t> order(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].index;
  return order;
}

}  // namespace

void SortVouchers(SampleBook& book) {
  // The vouchers in voucher order, each one's postings a range of one list. Sorted by
  // one key per voucher: the date, the type's rank and the number's key, in 64 bits
  // when they fit there (as a year's dates, a few types and numbers do), else in 128.
  std::vector<int> type_rank(book.types.size());
  {
    std::vector<int> by_text(book.types.size());
    for (std::size_t i = 0; i < by_text.size(); ++i) by_text[i] = static_cast<int>(i);
    std::sort(by_text.begin(), by_text.end(), [&](int a, int b) {
      return book.types[static_cast<std::size_t>(a)] < book.types[static_cast<std::size_t>(b)];
    });
    for (std::size_t r = 0; r < by_text.size(); ++r)
      type_rank[static_cast<std::size_t>(by_text[r])] = static_cast<int>(r);
  }
  int first_date = 0, last_date = 0;
  std::uint64_t last_number = 0;
  for (std::size_t i = 0; i < book.vouchers.size(); ++i) {
    const SampleVoucher& v = book.vouchers[i];
    first_date = i == 0 ? v.date : std::min(first_date, v.date);
    last_date = i == 0 ? v.date : std::max(last_date, v.date);
    last_number = std::max(last_number, NumberKey(book.Number(v)));
  }
  const int date_bits = std::bit_width(static_cast<std::uint32_t>(last_date) -
                                       static_cast<std::uint32_t>(first_date));
  const int rank_bits = std::bit_width(static_cast<std::uint32_t>(type_rank.size()));
  const int number_bits = std::bit_width(last_number);
  const int bits = date_bits + rank_bits + number_bits;
  const std::vector<std::uint32_t> order =
      bits <= 64 ? Order<std::uint64_t>(book, type_rank, first_date, number_bits, rank_bits, bits)
                 : Order<unsigned __int128>(book, type_rank, first_date, 64, 32, 128);

  // Each voucher's new place kept in its `first` (unused until now), the postings
  // renumbered by it, the vouchers moved to their places along the permutation's cycles,
  // then each one's range of postings laid out.
  for (std::size_t i = 0; i < order.size(); ++i)
    book.vouchers[order[i]].first = static_cast<std::uint32_t>(i);
  for (SamplePosting& p : book.postings)
    if (p.voucher >= 0)
      p.voucher = static_cast<int>(book.vouchers[static_cast<std::size_t>(p.voucher)].first);
  for (std::size_t i = 0; i < book.vouchers.size(); ++i)
    while (book.vouchers[i].first != i)
      std::swap(book.vouchers[i], book.vouchers[book.vouchers[i].first]);
  std::uint32_t at = 0;
  for (SampleVoucher& v : book.vouchers) {
    v.first = at;
    at += v.count;
    v.count = 0;
  }
  book.voucher_postings.assign(at, 0);
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    const SamplePosting& p = book.postings[i];
    if (p.voucher < 0) continue;
    SampleVoucher& v = book.vouchers[static_cast<std::size_t>(p.voucher)];
    book.voucher_postings[v.first + v.count++] = static_cast<int>(i);
  }
}

}  // namespace qoru::sampling
