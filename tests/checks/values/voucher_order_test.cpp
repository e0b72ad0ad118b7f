// The one voucher order and the one trimming that the checks and screening share.
#include "checks/values/voucher_order.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "checks/values/balance_year.h"
#include "checks/values/book_text.h"

namespace qoru::checks {
namespace {

TEST(Trimming, BlanksControlsAndTheIdeographicSpaceAtBothEndsOnly) {
  const struct {
    const char* text;
    const char* trimmed;
  } cases[] = {
      {"记\xE3\x80\x80", "记"},
      {"\xE3\x80\x80\xE3\x80\x80 1001\t", "1001"},
      {"\x01\x7F 借 \r\n", "借"},
      {"张\xE3\x80\x80三", "张\xE3\x80\x80三"},  // inside: kept
      {"a b", "a b"},
      {"\xE3\x80\x80 \xE3\x80\x80", ""},
      {"\xE3\x80", "\xE3\x80"},  // part of a character: not a blank
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimBlanks(c.text), c.trimmed) << c.text;
  EXPECT_EQ(AccountKey("\xE3\x80\x80"
                       "1001A "),
            "1001a");
  EXPECT_TRUE(IsVoidFlag("1\xE3\x80\x80"));
}

TEST(VoucherOrder, DigitsFirstByValueThenOtherNumbersByCodePoint) {
  // Each before the next.
  const std::vector<std::string> ordered = {
      "0",
      "007",
      "07",
      "7",
      "9",
      "12",
      "99999999999999999999",  // 20 digits: past 64 bits, still by value
      "000000000000000000000100000000000000000000",
      "-1",
      "12-1",
      "9-1",
      "A1",
      "a1",
      "记1",
  };
  for (std::size_t i = 0; i < ordered.size(); ++i) {
    EXPECT_EQ(CompareVoucherNumbers(ordered[i], ordered[i]), 0) << ordered[i];
    for (std::size_t j = i + 1; j < ordered.size(); ++j) {
      EXPECT_LT(CompareVoucherNumbers(ordered[i], ordered[j]), 0)
          << ordered[i] << " " << ordered[j];
      EXPECT_GT(CompareVoucherNumbers(ordered[j], ordered[i]), 0)
          << ordered[j] << " " << ordered[i];
    }
  }
}

TEST(VoucherOrder, SortsTheSameWhateverTheStartingOrder) {
  // 9 < 12 < 12-1 and not 12-1 < 9: the order that compared digits as integers and the
  // rest as text made a cycle of these three.
  std::vector<VoucherPlace> places = {
      {20230301, "记", "12-1", 30}, {20230301, "记", "9", 10},  {20230301, "记", "12", 20},
      {20230301, "付", "12", 40},   {20230228, "记", "99", 50}, {20230301, "记", "12-1", 5},
  };
  std::vector<std::string> first;
  std::sort(places.begin(), places.end(),
            [](const VoucherPlace& a, const VoucherPlace& b) { return a.first_row < b.first_row; });
  do {
    std::vector<VoucherPlace> sorted = places;
    std::sort(sorted.begin(), sorted.end(), VoucherBefore);
    std::vector<std::string> shown;
    for (const VoucherPlace& p : sorted)
      shown.push_back(std::string(p.type) + std::string(p.number) + "@" +
                      std::to_string(p.first_row));
    if (first.empty()) first = shown;
    ASSERT_EQ(shown, first);
  } while (std::next_permutation(
      places.begin(), places.end(),
      [](const VoucherPlace& a, const VoucherPlace& b) { return a.first_row < b.first_row; }));
  // 付 (U+4ED8) before 记 (U+8BB0); equal vouchers by their first rows.
  EXPECT_EQ(first, (std::vector<std::string>{"记99@50", "付12@40", "记9@10", "记12@20", "记12-1@5",
                                             "记12-1@30"}));
}

TEST(BalanceYear, OneTrimmedTextOfEveryRow) {
  const struct {
    std::vector<const char*> values;
    std::optional<int> year;
    const char* why;
  } cases[] = {
      {{"2023", " 2023\t", "2023\xE3\x80\x80"}, 2023, ""},
      {{"2023", "2024"}, std::nullopt, "余额表 KMYE 的会计年度不止一个"},
      {{"2023", "02023"}, std::nullopt, "余额表 KMYE 的会计年度不止一个"},
      {{"二〇二三"}, std::nullopt, "余额表 KMYE 的会计年度“二〇二三”不是年份"},
      {{}, std::nullopt, "余额表 KMYE 没有行，无从确定账套年度"},
  };
  for (const auto& c : cases) {
    BalanceYear years;
    for (const char* v : c.values) years.Add(v);
    std::string why;
    EXPECT_EQ(years.Year("KMYE", &why), c.year) << c.why;
    EXPECT_EQ(why, c.why);
  }
}

}  // namespace
}  // namespace qoru::checks
