#include "sampling/voucher_order.h"

#include <algorithm>

namespace qoru::sampling {
namespace {

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Sign(int c) {
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

int CompareVoucherNumbers(std::string_view a, std::string_view b) {
  const bool da = AllDigits(a), db = AllDigits(b);
  if (da != db) return da ? -1 : 1;
  if (da) {
    const std::string_view va = a.substr(std::min(a.find_first_not_of('0'), a.size()));
    const std::string_view vb = b.substr(std::min(b.find_first_not_of('0'), b.size()));
    if (va.size() != vb.size()) return va.size() < vb.size() ? -1 : 1;
    if (const int c = va.compare(vb); c != 0) return Sign(c);
  }
  return Sign(a.compare(b));
}

bool VoucherBefore(const VoucherKey& a, const VoucherKey& b) {
  if (a.date != b.date) return a.date < b.date;
  if (const int c = a.type.compare(b.type); c != 0) return c < 0;
  if (const int c = CompareVoucherNumbers(a.number, b.number); c != 0) return c < 0;
  return a.first_row < b.first_row;
}

}  // namespace qoru::sampling
