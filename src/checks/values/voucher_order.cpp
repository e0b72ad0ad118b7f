#include "checks/values/voucher_order.h"

#include <algorithm>

#include "checks/values/book_text.h"

namespace qoru::checks {
namespace {

int Sign(int c) {
  return (c > 0) - (c < 0);
}

}  // namespace

bool IsDigitNumber(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!IsAsciiDigit(c)) return false;
  return true;
}

int CompareVoucherNumbers(std::string_view a, std::string_view b) {
  const bool a_digits = IsDigitNumber(a), b_digits = IsDigitNumber(b);
  if (a_digits != b_digits) return a_digits ? -1 : 1;
  if (a_digits) {
    // By value without converting: leading zeros dropped, a shorter number is smaller,
    // numbers of one length compare as their digits. Any length works.
    const std::string_view va = a.substr(std::min(a.find_first_not_of('0'), a.size()));
    const std::string_view vb = b.substr(std::min(b.find_first_not_of('0'), b.size()));
    if (va.size() != vb.size()) return va.size() < vb.size() ? -1 : 1;
    if (const int c = va.compare(vb); c != 0) return Sign(c);
  }
  // std::string_view compares as unsigned bytes: UTF-8 in code point order.
  return Sign(a.compare(b));
}

bool VoucherBefore(const VoucherPlace& a, const VoucherPlace& b) {
  if (a.date != b.date) return a.date < b.date;
  if (const int c = a.type.compare(b.type); c != 0) return c < 0;
  if (const int c = CompareVoucherNumbers(a.number, b.number); c != 0) return c < 0;
  return a.first_row < b.first_row;
}

}  // namespace qoru::checks
