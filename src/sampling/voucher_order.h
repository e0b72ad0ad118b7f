// The vouchers of a book set put in the one voucher order of the checks and screening
// (checks/values/voucher_order.h: date, type by code point, numbers of digits first by
// value, the rest by code point, then the first posting's position), sorted by one
// integer per voucher packing its date, its type's rank and its number's value, so that
// a million vouchers sort in a fraction of their reading; the texts are compared only
// where those agree.
#pragma once

#include "sampling/sample_book.h"

namespace qoru::sampling {

// Puts the book's vouchers, read in the order of their first postings, in voucher order
// and each one's postings in a range of SampleBook::voucher_postings (by the count each
// voucher holds of them), renumbering the postings' vouchers.
void SortVouchers(SampleBook& book);

}  // namespace qoru::sampling
