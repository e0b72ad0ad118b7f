#include "sampling/voucher_order.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "checks/values/voucher_order.h"

namespace qoru::sampling {

void SortVouchers(SampleBook& book) {
  // The vouchers in voucher order, each one's postings a range of one list. Sorted by
  // keys: the date, the type's rank, and for numbers of at most 18 digits their value
  // (else -1); the rest of the order only where those agree.
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
  struct SortKey {
    int date, type;
    std::int64_t value;  // a number of digits alone, at most 18 of them; else -1
    int index;
  };
  std::vector<SortKey> keys(book.vouchers.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const SampleVoucher& v = book.vouchers[i];
    const std::string_view n = book.Number(v);
    std::int64_t value = 0;
    if (n.empty() || n.size() > 18) value = -1;
    for (const char c : value < 0 ? std::string_view() : n) {
      if (c < '0' || c > '9') {
        value = -1;
        break;
      }
      value = value * 10 + (c - '0');
    }
    keys[i] = {v.date, type_rank[v.type], value, static_cast<int>(i)};
  }
  std::sort(keys.begin(), keys.end(), [&](const SortKey& x, const SortKey& y) {
    if (x.date != y.date) return x.date < y.date;
    if (x.type != y.type) return x.type < y.type;
    if (x.value >= 0 && y.value >= 0 && x.value != y.value) return x.value < y.value;
    const SampleVoucher& a = book.vouchers[static_cast<std::size_t>(x.index)];
    const SampleVoucher& b = book.vouchers[static_cast<std::size_t>(y.index)];
    if (const int c = checks::CompareVoucherNumbers(book.Number(a), book.Number(b)); c != 0)
      return c < 0;
    return a.first_row < b.first_row;
  });
  std::vector<int> order(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].index;
  std::vector<int> position(order.size());
  std::vector<SampleVoucher> sorted;
  sorted.reserve(order.size());
  std::uint32_t at = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    position[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    SampleVoucher v = book.vouchers[static_cast<std::size_t>(order[i])];
    v.first = at;
    at += v.count;
    v.count = 0;
    sorted.push_back(v);
  }
  book.vouchers = std::move(sorted);
  book.voucher_postings.assign(at, 0);
  for (std::size_t i = 0; i < book.postings.size(); ++i) {
    SamplePosting& p = book.postings[i];
    if (p.voucher < 0) continue;
    p.voucher = position[static_cast<std::size_t>(p.voucher)];
    SampleVoucher& v = book.vouchers[static_cast<std::size_t>(p.voucher)];
    book.voucher_postings[v.first + v.count++] = static_cast<int>(i);
  }
}

}  // namespace qoru::sampling
