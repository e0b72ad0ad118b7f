// The checks over whole vouchers, once the postings have been gathered: each voucher's
// non-void debits against its credits, and per numbering sequence the numbers missing
// and the numbers used twice. A sequence is a year, month and type; but where every
// month's smallest number of a year and type is larger than the previous month's
// largest (two months or more), the whole year is one sequence.
#pragma once

#include <cstddef>
#include <string>

#include "checks/check_report.h"
#include "checks/voucher_book.h"

namespace qoru::checks {

// Numbers listed at most in one voucher-numbering finding, missing and repeated each;
// its counts are complete. A group numbered up to 99999999 must not produce a list of that length.
inline constexpr std::size_t kMissingListed = 10000;

void CheckVoucherBalance(const VoucherBook& book, const std::string& table, CheckResult& out);

// Numbers of more than 18 digits leave their group out: no gap below them can be listed.
void CheckVoucherNumbering(const VoucherBook& book, const std::string& table, CheckResult& out);

}  // namespace qoru::checks
