// The voucher book finds a voucher again however its postings interleave, whichever way
// it keeps it (by number, or in its table).
#include "checks/voucher_book.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

namespace qoru::checks {
namespace {

TEST(VoucherBook, FindsEveryVoucherAgainInTheOrderOfItsFirstPosting) {
  VoucherBook book;
  using Key = std::tuple<int, int, std::string, std::string>;
  std::map<Key, std::size_t> first;  // key -> index expected
  std::int64_t row = 0;
  const auto post = [&](int year, int month, const std::string& type, const std::string& number) {
    ++row;
    Voucher& v = book.Find(year, month, type, number, row);
    const Key key{year, month, type, number};
    const auto [it, added] = first.try_emplace(key, book.vouchers().size() - 1);
    EXPECT_EQ(&v, &book.vouchers()[it->second]) << type << number << " at row " << row;
    v.debit += Amount::FromUnits(1, 0);
  };
  // Plain numbers in order, written otherwise, far beyond the others, and not numbers.
  for (int pass = 0; pass < 2; ++pass) {
    for (int n = 1; n <= 3000; ++n) post(2026, 1 + n % 3, "记", std::to_string(n));
    for (const char* n : {"007", "7", "0", "00", "99999999", "123456789", "1234567890", "A1", ""})
      post(2026, 1, "记", n);
    post(2026, 1, "转", "7");
    post(2025, 1, "记", "7");
    post(2026, 1, "", "7");
    for (int n = 4000; n > 3000; n -= 7) post(2026, 2, "记", std::to_string(n));
  }
  EXPECT_EQ(book.vouchers().size(), first.size());
  for (const auto& [key, index] : first) {
    const Voucher& v = book.vouchers()[index];
    EXPECT_EQ(std::tuple(v.year, v.month, std::string(v.type), std::string(v.number)), key);
    EXPECT_EQ(v.debit, Amount::FromUnits(2, 0)) << std::get<3>(key);
  }
  // The first postings: voucher 1 at row 1, "007" right after the first 3000.
  EXPECT_EQ(book.vouchers()[0].first_row, 1);
  EXPECT_EQ(book.vouchers()[3000].number, "007");
  EXPECT_EQ(book.vouchers()[3000].first_row, 3001);
}

}  // namespace
}  // namespace qoru::checks
