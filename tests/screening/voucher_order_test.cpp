// Screening finds the same items whatever the order of the file's vouchers and however
// blanks and ideographic spaces surround the keys: one voucher order (date, type, number
// with numbers of digits first by value, then the first posting's row) and one trimming.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>

#include <fmt/format.h>

#include "test_support/screen_rows.h"

namespace qoru::screening {
namespace {

using Row = test::ScreenRow;
using VoucherRows = std::vector<Row>;

VoucherRows Balanced(const std::string& date, const std::string& type, const std::string& number,
                     const std::string& debit, const std::string& credit,
                     const std::string& amount) {
  VoucherRows v = {Row(date, type, number, debit, amount, ""),
                   Row(date, type, number, credit, "", amount)};
  return v;
}

std::vector<Row> Flatten(const std::vector<VoucherRows>& vouchers) {
  std::vector<Row> rows;
  for (const VoucherRows& v : vouchers) rows.insert(rows.end(), v.begin(), v.end());
  return rows;
}

std::string Reversal(const ScreenBook& book, const ScreenReport& report) {
  const TestResult& t = report[TestId::kReversal];
  std::string out;
  for (const ScreenItem& i : t.items)
    out += std::string(book.Number(book.vouchers[static_cast<std::size_t>(i.voucher)])) +
           " reverses " +
           std::string(book.Number(book.vouchers[static_cast<std::size_t>(i.reverses)])) + ";";
  return out;
}

TEST(VoucherOrder, NineTwelveAndTwelveDashOnePairTheSameInEveryFileOrder) {
  // 9 and 12-1 are each other's negation; 12 is another voucher of the day. In the
  // voucher order (9, 12, 12-1) the later one, 12-1, reverses the earlier, 9.
  std::vector<VoucherRows> vouchers = {
      Balanced("2023-03-01", "记", "9", "1001", "6001", "100"),
      Balanced("2023-03-01", "记", "12", "1002", "6001", "70"),
      Balanced("2023-03-01", "记", "12-1", "6001", "1001", "100"),
  };
  std::vector<int> order = {0, 1, 2};
  do {
    std::vector<VoucherRows> arranged;
    for (int i : order) arranged.push_back(vouchers[static_cast<std::size_t>(i)]);
    const ScreenBook book = test::BuildScreenBook(Flatten(arranged));
    EXPECT_EQ(Reversal(book, test::RunScreen(book)), "12-1 reverses 9;")
        << order[0] << order[1] << order[2];
  } while (std::next_permutation(order.begin(), order.end()));
}

// About 400 vouchers that give every test items: numbers of digits (with leading zeros,
// past 64 bits) and others ("12-1", "A3") that share dates and types, accounts met first
// in different spellings, reversals, duplicates, round and red amounts, keywords, rare
// preparers and unapproved vouchers.
std::vector<VoucherRows> MixedBook() {
  std::mt19937 random(20230301);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::vector<std::string> accounts = {"1001", "1002", "100201", "1122",   "2202",
                                             "2241", "6001", "6602",   "660201", "1221a"};
  const std::vector<std::string> types = {"记", "付", "收"};
  const std::vector<std::string> people = {"张三", "李四", "王五", "赵六", "孙七"};
  std::vector<VoucherRows> vouchers;
  std::map<std::string, int> used;  // month, type, number
  for (int n = 0; vouchers.size() < 400; ++n) {
    const int day = 1 + pick(20);
    const std::string date = fmt::format("2023-{:02}-{:02}", 3 + pick(2), day);
    const std::string type = types[static_cast<std::size_t>(pick(3))];
    const int value = 1 + pick(60);
    const std::string forms[] = {std::to_string(value), "0" + std::to_string(value),
                                 std::to_string(value) + "-1", "A" + std::to_string(value),
                                 "1000000000000000000000" + std::to_string(value)};
    const std::string number = forms[static_cast<std::size_t>(pick(5))];
    if (used[date.substr(0, 7) + type + number]++ > 0) continue;
    const std::string amounts[] = {"100.00", "5000", "-70.5", "12345.67", "100"};
    VoucherRows v;
    const int lines = 2 + pick(3);
    for (int l = 0; l < lines; ++l) {
      std::string account = accounts[static_cast<std::size_t>(pick(10))];
      if (account == "1221a" && pick(2)) account = "1221A";  // one account, two spellings
      const std::string amount = amounts[static_cast<std::size_t>(pick(5))];
      Row r(date, type, number, account, l % 2 ? "" : amount, l % 2 ? amount : "");
      r.preparer = people[static_cast<std::size_t>(n % 150 == 0 ? 4 : pick(3))];
      r.approver = pick(10) == 0 ? "" : people[static_cast<std::size_t>(pick(4))];
      r.summary = pick(8) == 0 ? "冲回暂估" : (pick(8) == 0 ? "" : "收款");
      r.line = std::to_string(l + 1);
      r.void_flag = pick(30) == 0 ? "1" : "0";
      v.push_back(r);
    }
    vouchers.push_back(v);
    if (pick(6) == 0) {  // a reversal, on the same day or later
      VoucherRows reversed = v;
      const std::string later = fmt::format("2023-{}-{:02}", date.substr(5, 2), day + pick(3));
      for (Row& r : reversed) {
        std::swap(r.debit, r.credit);
        r.date = later;
        r.number = "R" + number;
      }
      if (used[later.substr(0, 7) + type + "R" + number]++ == 0) vouchers.push_back(reversed);
    }
  }
  return vouchers;
}

TEST(VoucherOrder, ShuffledVouchersGiveTheSameItemsVoucherForVoucher) {
  const std::vector<VoucherRows> vouchers = MixedBook();
  ScreenParameters p;
  p.round_unit = checks::Amount::FromUnits(100, 0);
  p.round_min = checks::Amount::FromUnits(100, 0);
  const ScreenBook book = test::BuildScreenBook(Flatten(vouchers));
  const ScreenReport report = test::RunScreen(book, p);
  const auto expected = test::DescribeItems(book, report, true);
  for (TestId id :
       {TestId::kWeekendHoliday, TestId::kApproval, TestId::kRarePreparer, TestId::kRoundAmount,
        TestId::kKeyword, TestId::kDuplicateEntry, TestId::kReversal, TestId::kNegativeAmount,
        TestId::kBlankSummary, TestId::kLargeAmount, TestId::kRarePair})
    EXPECT_FALSE(report[id].items.empty()) << Info(id).word;

  std::vector<VoucherRows> shuffled = vouchers;
  std::reverse(shuffled.begin(), shuffled.end());
  for (int seed = 0; seed < 4; ++seed) {
    SCOPED_TRACE(seed);
    if (seed > 0) std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(seed));
    const ScreenBook other = test::BuildScreenBook(Flatten(shuffled));
    EXPECT_EQ(test::DescribeItems(other, test::RunScreen(other, p), true), expected);
  }
}

TEST(VoucherOrder, IdeographicSpacesAroundKeysChangeNoItem) {
  // Every other posting's type, number, account, line and names wrapped in blanks, tabs
  // and U+3000: "记\u3000" and "记" are one voucher type, and so on.
  const std::vector<Row> plain = Flatten(MixedBook());
  std::vector<Row> padded = plain;
  const std::string space = "\xE3\x80\x80";
  for (std::size_t i = 0; i < padded.size(); i += 2) {
    Row& r = padded[i];
    r.type += space;
    r.number = space + " " + r.number + "\t";
    r.account = space + r.account + space;
    r.line += space;
    r.preparer = space + r.preparer;
    r.approver = r.approver.empty() ? r.approver : r.approver + space;
  }
  const ScreenBook a = test::BuildScreenBook(plain);
  const ScreenBook b = test::BuildScreenBook(padded);
  EXPECT_EQ(a.vouchers.size(), b.vouchers.size());
  EXPECT_EQ(test::DescribeItems(b, test::RunScreen(b), false),
            test::DescribeItems(a, test::RunScreen(a), false));
}

}  // namespace
}  // namespace qoru::screening
