// The one order of vouchers, in which the checks list their voucher findings and
// screening lists its vouchers (the reversal test's "latest earlier voucher" means it):
// by date; then type, by code point; then number: numbers of ASCII digits only come
// first, by value (equal values by their text: "07" before "7"), every other number
// after them, by code point; then by the row of the first posting. It is a strict weak
// order over any texts (UTF-8 compared byte by byte is code point order), so the
// findings do not depend on the order of the file's vouchers.
#pragma once

#include <cstdint>
#include <string_view>

namespace qoru::checks {

// Whether `text` is one or more ASCII digits.
bool IsDigitNumber(std::string_view text);

// Below, equal to or above zero as voucher number `a` comes before, with or after `b`.
int CompareVoucherNumbers(std::string_view a, std::string_view b);

// What places a voucher in the order: its date (yyyymmdd, 0 when unreadable), type and
// number (trimmed), and the row of its first posting.
struct VoucherPlace {
  int date = 0;
  std::string_view type;
  std::string_view number;
  std::int64_t first_row = 0;
};

// Whether voucher `a` comes before voucher `b`.
bool VoucherBefore(const VoucherPlace& a, const VoucherPlace& b);

}  // namespace qoru::checks
