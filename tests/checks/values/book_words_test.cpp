// Side words, balance directions, months, years and code structures as the checks read
// them.
#include "checks/values/book_words.h"

#include <gtest/gtest.h>

namespace qoru::checks {
namespace {

TEST(BookWords, Sides) {
  for (const char* w : {"借", "借方", "D", "dr", " DEBIT ", "Debit"})
    EXPECT_EQ(ParseSide(w), Side::kDebit) << w;
  for (const char* w : {"贷", " 贷方", "c", "CR", "credit"})
    EXPECT_EQ(ParseSide(w), Side::kCredit) << w;
  for (const char* w : {"", "平", "借贷", "1", "DB", "借 方"})
    EXPECT_EQ(ParseSide(w), Side::kOther) << w;
}

TEST(BookWords, BalanceDirections) {
  EXPECT_EQ(ParseDirection("借"), Direction::kDebit);
  EXPECT_EQ(ParseDirection("CR"), Direction::kCredit);
  EXPECT_EQ(ParseDirection(" 平 "), Direction::kZero);
  EXPECT_EQ(ParseDirection("  "), Direction::kZero);
  EXPECT_EQ(ParseDirection("0"), Direction::kUnreadable);
  EXPECT_EQ(ParseDirection("X"), Direction::kUnreadable);
}

TEST(BookWords, Months) {
  const struct {
    const char* text;
    std::optional<int> month;
  } cases[] = {{"3", 3}, {"03", 3},   {" 12 ", 12}, {"003", 3},  {"0", {}},           {"13", {}},
               {"", {}}, {"3月", {}}, {"+3", {}},   {"1 2", {}}, {"000000000012", 12}};
  for (const auto& c : cases) EXPECT_EQ(ParseMonth(c.text), c.month) << c.text;
  EXPECT_EQ(ParseYear(" 2023 "), 2023);
  EXPECT_EQ(ParseYear("0"), std::nullopt);
  EXPECT_EQ(ParseYear("20231"), std::nullopt);
  EXPECT_EQ(ParseYear("二〇二三"), std::nullopt);
}

TEST(BookWords, CodeStructures) {
  const struct {
    const char* text;
    std::vector<int> levels;
  } cases[] = {{"4-2-2", {4, 2, 2}},
               {"4/2/2", {4, 2, 2}},
               {"4222", {4, 2, 2, 2}},
               {"4", {4}},
               {"4-0-2", {}},
               {"4202", {}},
               {"", {}},
               {"无", {}},
               {" 4 - 2 ", {4, 2}},
               {"10-2", {10, 2}}};
  for (const auto& c : cases) EXPECT_EQ(ParseCodeStructure(c.text), c.levels) << c.text;
}

}  // namespace
}  // namespace qoru::checks
