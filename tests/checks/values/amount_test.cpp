// Exact amounts: what reads as an amount, and sums that binary floating point gets wrong.
#include "checks/values/amount.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qoru::checks {
namespace {

Amount A(const std::string& text) {
  Amount a;
  EXPECT_EQ(ParseAmount(text, &a), AmountText::kValue) << text;
  return a;
}

TEST(Amount, ReadsSignDigitsAndAnOptionalFractionAfterTrimming) {
  const struct {
    const char* text;
    AmountText outcome;
    const char* shown;  // ToString of the value read; 0.00 for every other outcome
  } cases[] = {
      {"1234.5", AmountText::kValue, "1234.50"},
      {"  -0.05\t", AmountText::kValue, "-0.05"},
      {"\xE3\x80\x80"
       "12.5\x7F\xE3\x80\x80",
       AmountText::kValue, "12.50"},  // U+3000, DEL
      {"\xE3\x80\x80", AmountText::kEmpty, "0.00"},
      {"+7", AmountText::kValue, "7.00"},
      {"000012.3400", AmountText::kValue, "12.34"},
      {"0.0001", AmountText::kValue, "0.0001"},
      {"-0", AmountText::kValue, "0.00"},
      // Either side of eighteen digits, where a cheaper reading takes over.
      {"999999999999999999", AmountText::kValue, "999999999999999999.00"},
      {"-9999999999999999999", AmountText::kValue, "-9999999999999999999.00"},
      {"-1234567890123456.78", AmountText::kValue, "-1234567890123456.78"},
      {"12345678901234567.895", AmountText::kValue, "12345678901234567.895"},
      {"+.5", AmountText::kInvalid, "0.00"},
      {"12a", AmountText::kInvalid, "0.00"},
      {"", AmountText::kEmpty, "0.00"},
      {"   ", AmountText::kEmpty, "0.00"},
      {".5", AmountText::kInvalid, "0.00"},
      {"5.", AmountText::kInvalid, "0.00"},
      {"-", AmountText::kInvalid, "0.00"},
      {"1,000.00", AmountText::kInvalid, "0.00"},
      {"1 000", AmountText::kInvalid, "0.00"},
      {"1e3", AmountText::kInvalid, "0.00"},
      {"--1", AmountText::kInvalid, "0.00"},
      {"1.2.3", AmountText::kInvalid, "0.00"},
      {"零", AmountText::kInvalid, "0.00"},
      {"１２", AmountText::kInvalid, "0.00"},  // full-width digits
      {"1234567890123456789012345678901234567", AmountText::kOutOfRange, "0.00"},  // 37 digits
      {"0.0000000000000000001", AmountText::kOutOfRange, "0.00"},                  // 19 decimals
  };
  for (const auto& c : cases) {
    Amount a = Amount::FromUnits(99, 0);
    EXPECT_EQ(ParseAmount(c.text, &a), c.outcome) << c.text;
    EXPECT_EQ(a.ToString(), c.shown) << c.text;
  }
  // Trailing zeros beyond the range are dropped rather than refused.
  EXPECT_EQ(A("1.50000000000000000000000").ToString(), "1.50");
  EXPECT_EQ(A("123456789012345678901234567890123456").ToString(),
            "123456789012345678901234567890123456.00");
}

TEST(Amount, SumsTenthsExactly) {
  Amount sum;
  for (int i = 0; i < 10; ++i) sum += A("0.1");
  EXPECT_EQ(sum, A("1"));
  EXPECT_EQ(A("0.10") + A("0.20"), A("0.30"));
  EXPECT_EQ(A("0.3") - A("0.1") - A("0.2"), Amount());
}

TEST(Amount, KeepsEveryDigitOfEighteenDigitAmounts) {
  const Amount big = A("123456789012345678.91");
  const Amount half = A("61728394506172839.45");
  EXPECT_EQ(half + A("61728394506172839.46"), big);
  EXPECT_FALSE(half + half == big);
  Amount sum;
  for (int i = 0; i < 1000; ++i) sum += big;
  EXPECT_EQ(sum.ToString(), "123456789012345678910.00");
  EXPECT_EQ((sum - big).ToString(), "123333332223333333231.09");
}

TEST(Amount, MixesScalesAndSigns) {
  EXPECT_EQ(A("1.2345") + A("2.0001"), A("3.2346"));
  EXPECT_EQ((A("1.2345") + A("2.0001")).ToString(), "3.2346");
  EXPECT_EQ(A("1.5"), A("1.50000"));
  EXPECT_FALSE(A("1.5") == A("1.5001"));
  EXPECT_EQ((A("-50") + A("20.005")).ToString(), "-29.995");
  EXPECT_EQ((-A("0.01")).ToString(), "-0.01");
  EXPECT_EQ((A("100") - A("100.00")).ToString(), "0.00");
}

TEST(Amount, OverflowIsReportedNeverWrapped) {
  const Amount big = A("900000000000000000000000000000000000");  // 36 digits
  Amount sum = big;
  for (int i = 0; i < 100; ++i) sum += big;  // 9.09e37 still fits
  EXPECT_THROW(
      {
        for (int i = 0; i < 200; ++i) sum += big;
      },
      AmountOverflow);
  // A sum or a difference of one scale that would leave the range leaves the amount as
  // it was.
  Amount top = big;
  for (int i = 0; i < 100; ++i) top += big;
  const Amount kept = top;
  EXPECT_THROW(top += kept, AmountOverflow);
  EXPECT_EQ(top, kept);
  Amount bottom = -kept;
  EXPECT_THROW(bottom -= kept, AmountOverflow);
  EXPECT_EQ(bottom, -kept);
  // A zero or a value with trailing zeros beside it takes no room: the sum keeps the
  // least scale that holds both.
  EXPECT_EQ((big + A("0.000000000000000000")).ToString(),
            "900000000000000000000000000000000000.00");
  EXPECT_EQ((big - A("0.100000000000000000")).ToString(),
            "899999999999999999999999999999999999.90");
  // Aligning a large whole number to a value with 18 decimals leaves the range too.
  Amount whole = A("100000000000000000000000000000");
  EXPECT_THROW(whole += A("0.000000000000000001"), AmountOverflow);
  EXPECT_FALSE(whole == A("0.000000000000000001"));
}

TEST(Amount, WholeMultiplesAreExactForEveryAmountTheReaderAccepts) {
  const struct {
    const char* amount;
    const char* unit;
    bool multiple;
  } cases[] = {
      {"50000.00", "1000", true},
      {"50000.50", "1000", false},
      {"-30000", "1000", true},
      {"0", "1000", true},
      {"12.5", "0.25", true},
      {"12.6", "0.25", false},
      {"1000", "0", false},
      // Near 1.8e20 with an 18-decimal unit: scaling the amount to 18 decimals would take
      // 39 digits, past 128 bits.
      {"180000000000000000000", "0.000000000000000001", true},
      {"180000000000000000000.5", "0.000000000000000003", false},
      {"180000000000000000.000000000000000003", "0.000000000000000003", true},
      {"180000000000000000.000000000000000003", "0.000000000000000002", false},
      {"123456789012345678901234567890123456", "0.000000000000000001", true},
      {"123456789012345678901234567890123456", "0.000000000000000007", false},
      {"123456789012345678901234567890123456", "2", true},
      // A unit with more decimals than fit beside the amount's digits.
      {"0.000000000000000001", "123456789012345678901234567890123456", false},
      {"999999999999999999.999999999999999999", "0.000000000000000001", true},
      {"999999999999999999.999999999999999999", "999999999999999999.999999999999999999", true},
      {"999999999999999999.999999999999999998", "999999999999999999.999999999999999999", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsMultipleOf(A(c.amount), A(c.unit)), c.multiple) << c.amount << " / " << c.unit;
    EXPECT_EQ(IsMultipleOf(-A(c.amount), A(c.unit)), c.multiple) << c.amount << " / " << c.unit;
  }
  // Sums reach past what the reader accepts: the whole 128-bit range is exact too.
  Amount sum = A("170000000000000000000000000000000000");
  for (int i = 0; i < 999; ++i) sum += A("170000000000000000000000000000000000");
  EXPECT_TRUE(IsMultipleOf(sum, A("0.000000000000000017")));
  EXPECT_FALSE(IsMultipleOf(sum, A("0.000000000000000013")));
}

}  // namespace
}  // namespace qoru::checks
