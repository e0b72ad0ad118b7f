// The order in which the vouchers of a book set are listed and sampled: by date, then
// type, then number, then the file position of the first posting. Types compare by code
// point (their UTF-8 bytes). Numbers made only of ASCII digits come first, by value
// (leading zeros carry nothing, so no length limits it), equal values by their text
// ("007" before "7"); every other number follows, by code point. The first posting's
// position decides between vouchers that agree on all of that.
#pragma once

#include <cstdint>
#include <string_view>

#include "sampling/sample_book.h"

namespace qoru::sampling {

struct VoucherKey {
  int date = 0;  // yyyymmdd of its first posting
  std::string_view type;
  std::string_view number;
  std::int64_t first_row = 0;  // the stored position of its first posting
};

// Negative, zero or positive as `a` sorts before, with or after `b` (numbers alone).
int CompareVoucherNumbers(std::string_view a, std::string_view b);

// Whether `a` comes before `b` in the voucher order.
bool VoucherBefore(const VoucherKey& a, const VoucherKey& b);

// Puts the book's vouchers, read in the order of their first postings, in voucher order
// and each one's postings in a range of SampleBook::voucher_postings (by the count each
// voucher holds of them), renumbering the postings' vouchers.
void SortVouchers(SampleBook& book);

}  // namespace qoru::sampling
