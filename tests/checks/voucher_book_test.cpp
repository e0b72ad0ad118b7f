// The voucher book finds a voucher again however its postings interleave, whichever way
// it keeps it (by number, or in its table).
#include "checks/voucher_book.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

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

// A line number repeats within a voucher when the same number comes again, however it
// is written ("007" is 7) and whichever way the book keeps it (a bit up to 64, bits for
// the long vouchers beyond, text for the rest); interleaved vouchers keep theirs apart.
TEST(VoucherBook, TellsARepeatedLineNumberWithinItsVoucher) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    bool repeated;
  };
  std::vector<std::string> long_voucher;
  for (int n = 1; n <= 300; ++n) long_voucher.push_back(std::to_string(n));
  std::vector<std::string> long_repeated = long_voucher;
  long_repeated.push_back("0250");
  const Case cases[] = {
      {"1 to 300", long_voucher, false},
      {"250 again, written 0250", long_repeated, true},
      {"7 and 007", {"7", "007"}, true},
      {"64 twice", {"64", "1", "64"}, true},
      {"65 twice", {"65", "66", "65"}, true},
      {"65 and 99 and 100", {"65", "99", "100"}, false},
      {"99999 twice", {"99999", "99999"}, true},
      {"100000 twice, kept as text", {"100000", "0100000"}, true},
      {"0 twice", {"0", "00"}, true},
      {"A1 twice", {"A1", "A1"}, true},
      {"A1 and a1", {"A1", "a1"}, false},
      {"empty twice", {"", ""}, false},
  };
  for (const Case& c : cases) {
    VoucherBook book;
    std::int64_t row = 0;
    for (const std::string& line : c.lines) {
      // Another voucher's posting in between, with the same line number.
      book.NoteLine(book.Find(2026, 1, "记", "2", ++row), line);
      book.NoteLine(book.Find(2026, 1, "记", "1", ++row), line);
    }
    ASSERT_EQ(book.vouchers().size(), 2u) << c.name;
    EXPECT_EQ(book.vouchers()[0].repeated_line, c.repeated) << c.name;
    EXPECT_EQ(book.vouchers()[1].repeated_line, c.repeated) << c.name;
  }
}

}  // namespace
}  // namespace qoru::checks
