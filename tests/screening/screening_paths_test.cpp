// Results that must not depend on how they are computed: the reversal pairing against a
// plain reading of its rule on random books, the 64-bit amount keys against the amounts
// themselves, and the streamed JSON against the JSON built whole.
#include <gtest/gtest.h>

#include <random>
#include <span>

#include "screening/book_builder.h"
#include "screening/screen_output.h"
#include "screening/screen_report.h"
#include "screening/screen_tests.h"

namespace qoru::screening {
namespace {

struct Line {
  std::string account, debit, credit, summary = "摘要";
};

struct Entry {
  std::string date, number;
  std::vector<Line> lines;
};

ScreenBook Build(const std::vector<Entry>& entries, std::optional<int> year = 2023) {
  ScreenColumns c;
  c.date = c.type = c.number = c.line = c.account = c.debit = c.credit = true;
  c.summary = c.preparer = c.approver = true;
  BookBuilder builder(c, {});
  std::int64_t row = 0;
  for (const Entry& e : entries) {
    for (const Line& l : e.lines) {
      PostingRow p;
      p.row = ++row;
      p.date = e.date;
      p.type = "记";
      p.number = e.number;
      p.account = l.account;
      p.debit = l.debit;
      p.credit = l.credit;
      p.summary = l.summary;
      p.preparer = "张三";
      p.approver = "李四";
      builder.Add(p);
    }
  }
  return builder.Finish("test", "JZPZ", year);
}

// The reversal rule read plainly: vouchers in order, each pairs with the latest earlier
// voucher not yet in a pair whose multiset of (account, debit - credit) is the negation
// of its own. Pairs as (reversing, reversed) voucher indexes.
std::vector<std::pair<int, int>> PlainReversals(const ScreenBook& book) {
  const auto multiset = [&](std::size_t v, bool negate) {
    std::vector<std::pair<int, std::string>> out;
    for (int i : book.Postings(book.vouchers[v])) {
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      if (p.side == PostingSide::kNone) continue;
      const Amount value =
          Normalized(negate ? book.Credit(p) - book.Debit(p) : book.Debit(p) - book.Credit(p));
      out.emplace_back(p.account, value.ToString());
    }
    std::sort(out.begin(), out.end());
    return out;
  };
  std::vector<std::pair<int, int>> pairs;
  std::vector<bool> used(book.vouchers.size(), false);
  for (std::size_t b = 0; b < book.vouchers.size(); ++b) {
    const auto negated = multiset(b, true);
    if (negated.empty()) continue;
    for (std::size_t a = b; a-- > 0;) {
      if (used[a] || multiset(a, false) != negated) continue;
      used[a] = used[b] = true;
      pairs.emplace_back(static_cast<int>(b), static_cast<int>(a));
      break;
    }
  }
  return pairs;
}

std::vector<std::pair<int, int>> Pairs(const TestResult& r) {
  std::vector<std::pair<int, int>> out;
  for (const ScreenItem& i : r.items) out.emplace_back(i.voucher, i.reverses);
  return out;
}

TEST(ScreeningPaths, ReversalMatchesThePlainRuleOnEqualMultisets) {
  // Few shapes, many vouchers: equal multisets recur in many vouchers, their negations
  // (as red amounts or swapped sides) too, and some vouchers negate themselves.
  const std::vector<std::vector<Line>> shapes = {
      {{"1001", "100", ""}, {"6001", "", "100"}},
      {{"1001", "-100", ""}, {"6001", "", "-100.00"}},
      {{"6001", "100.0", ""}, {"1001", "", "100"}},
      {{"1001", "100", ""}, {"1001", "-100", ""}},
      {{"1001", "50", ""}, {"1001", "50", ""}, {"6001", "", "100"}},
      {{"1001", "", "50"}, {"1001", "", "50"}, {"6001", "100", ""}},
      {{"1002", "0", "0"}, {"2202", "7", ""}, {"1002", "", "7"}},
      // One account with several values: negated, their order within the account turns.
      {{"1001", "30", ""}, {"1001", "70", ""}, {"6001", "", "100"}},
      {{"1001", "", "30"}, {"6001", "100", ""}, {"1001", "", "70"}},
      {{"1001", "-30", ""}, {"1001", "-70", ""}, {"6001", "", "-100"}},
  };
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<Entry> entries;
    for (int v = 0; v < 60; ++v) {
      Entry e;
      e.date = "2023-03-0" + std::to_string(1 + random() % 3);
      e.number = std::to_string(v + 1);
      e.lines = shapes[random() % shapes.size()];
      entries.push_back(e);
    }
    // Every other round an amount beyond 64 bits at the book's scale: the values are
    // then compared whole.
    if (round % 2 == 1)
      entries.push_back(
          {"2023-03-03",
           "61",
           {{"1001", "123456789012345678901.5", ""}, {"6001", "", "123456789012345678901.5"}}});
    const ScreenBook book = Build(entries);
    TestResult r;
    TestReversal(book, r);
    EXPECT_EQ(Pairs(r), PlainReversals(book)) << "round " << round;
  }
}

TEST(ScreeningPaths, AVoucherWhoseRowsLieApartIsOneVoucher) {
  // Enough vouchers for the look-up table to grow several times; then rows of earlier
  // vouchers again, on other days of their months, with blanks around type and number.
  std::vector<Entry> entries;
  for (int v = 1; v <= 3000; ++v)
    entries.push_back({"2023-0" + std::to_string(1 + v % 3) + "-10",
                       std::to_string(v),
                       {{"1001", "1", ""}, {"6001", "", "1"}}});
  entries.push_back({"2023-03-20", " 5 ", {{"1001", "2", ""}}});
  entries.push_back({"2023-01-02", "6", {{"6001", "", "2"}}});
  entries.push_back({"2023-04-01", "7", {{"6001", "", "3"}}});  // another month: its own
  const ScreenBook book = Build(entries);
  ASSERT_EQ(book.vouchers.size(), 3001u);
  const auto find = [&](int month, const std::string& number) -> const ScreenVoucher* {
    for (const ScreenVoucher& v : book.vouchers)
      if (v.month == month && book.Number(v) == number) return &v;
    return nullptr;
  };
  const ScreenVoucher* five = find(3, "5");
  ASSERT_NE(five, nullptr);
  EXPECT_EQ(five->count, 3u);
  EXPECT_EQ(five->date, 20230310) << "the date of its first posting";
  ASSERT_NE(find(1, "6"), nullptr);
  EXPECT_EQ(find(1, "6")->count, 3u);
  EXPECT_EQ(find(1, "6")->date, 20230110);
  ASSERT_NE(find(4, "7"), nullptr);
  EXPECT_EQ(find(4, "7")->count, 1u);
}

TEST(ScreeningPaths, AmountsBeyondSixtyFourBitsKeepEveryDigit) {
  // 98765432109876543210.12 needs more than 64 bits of units; the others fit.
  const std::string wide = "98765432109876543210.12";
  ScreenBook book = Build({
      {"2023-05-08", "1", {{"1122", wide, ""}, {"6001", "", wide + "0"}}},
      {"2023-05-09", "2", {{"1122", "-" + wide, ""}, {"6001", "", "-" + wide}}},
      {"2023-05-09", "3", {{"1122", wide, ""}, {"6001", "", "0.5"}, {"6001", "", "-7.25"}}},
  });
  ASSERT_EQ(book.postings.size(), 7u);
  EXPECT_TRUE(book.scaled_amounts.empty());  // the wide amounts do not fit one scale
  EXPECT_EQ(book.Debit(book.postings[0]).ToString(), wide);
  EXPECT_EQ(book.Credit(book.postings[1]).ToString(), wide);
  EXPECT_EQ(book.AmountOf(book.postings[2]).ToString(), wide);  // the size of a red amount
  EXPECT_EQ(book.Credit(book.postings[5]).ToString(), "0.50");

  TestResult negative, reversal, duplicates, large;
  TestNegativeAmount(book, negative);
  TestReversal(book, reversal);
  TestDuplicateEntry(book, 3, duplicates);
  TestLargeAmount(book, Amount::FromUnits(1, 0), large);
  ASSERT_EQ(negative.items.size(), 3u);
  EXPECT_EQ(negative.Reason(negative.items[0]), "借方红字 -" + wide);
  EXPECT_EQ(negative.Reason(negative.items[2]), "贷方红字 -7.25");
  ASSERT_EQ(reversal.items.size(), 1u);  // 2 reverses 1: the scales differ, the values not
  EXPECT_EQ(book.Number(book.vouchers[static_cast<std::size_t>(reversal.items[0].voucher)]), "2");
  // By size: the debits of 1, 2 and 3 on 1122, the credits of 1 and 2 on 6001.
  ASSERT_EQ(duplicates.items.size(), 2u);
  EXPECT_EQ(duplicates.items[0].count + duplicates.items[1].count, 5u);
  EXPECT_EQ(large.items.size(), 6u);  // all but 0.50
}

TEST(ScreeningPaths, ThirtySixDigitsBesideEighteenDecimalsNeverLeaveTheRange) {
  // A debit of 36 digits beside a credit of 18 decimals: at one scale their difference
  // takes 54 digits. Comparing, reversing and ranking them raised AmountOverflow, which
  // ended the whole run.
  const std::string big = "100000000000000000000000000000000000";
  const std::string tiny = "0.000000000000000001", zero = "0.000000000000000000";
  ScreenBook book = Build({
      {"2023-05-08", "1", {{"1122", big, tiny}, {"6001", zero, ""}}},
      {"2023-05-09", "2", {{"1122", "-" + big, "-" + tiny}, {"6001", zero, ""}}},
      {"2023-05-10", "3", {{"6001", "", tiny}, {"6001", big, ""}}},
  });
  TestResult reversal, large, duplicates, round;
  TestReversal(book, reversal);
  TestLargeAmount(book, std::nullopt, large);
  TestDuplicateEntry(book, 3, duplicates);
  TestRoundAmount(book, Amount::FromUnits(1, 18), Amount::FromUnits(1, 18), round);
  // 2 reverses 1: 10^35 - 10^-18 against its negation, exactly.
  ASSERT_EQ(reversal.items.size(), 1u);
  EXPECT_EQ(book.Number(book.vouchers[static_cast<std::size_t>(reversal.items[0].voucher)]), "2");
  EXPECT_EQ(large.items.size(), 3u);  // the three postings of 10^35
  EXPECT_EQ(round.items.size(), 4u);
  const struct {
    std::string a, b;
    int order;
  } cases[] = {{big, tiny, 1},
               {tiny, big, -1},
               {"-" + big, tiny, -1},
               {"-" + big, "-" + tiny, -1},
               {"-" + tiny, "-" + big, 1},
               {big, big + ".000", 0},
               {zero, "0", 0},
               {"-0.5", "0.000000000000000001", -1}};
  for (const auto& c : cases) {
    Amount a, b;
    checks::ParseAmount(c.a, &a);
    checks::ParseAmount(c.b, &b);
    EXPECT_EQ(CompareAmounts(a, b), c.order) << c.a << " " << c.b;
  }
}

TEST(ScreeningPaths, AmountKeysAgreeWithTheAmounts) {
  // Equal values written at other scales, ties at the large-amount rank, red amounts,
  // dates on both sides of 1970.
  std::vector<Entry> entries;
  const char* amounts[] = {"5000", "5000.00", "5000.5", "5000.50", "-5000", "0.01", "120", "120.0"};
  for (int v = 0; v < 400; ++v) {
    const std::string a = amounts[v % 8];
    // Some dated before 1970: their day numbers are negative.
    entries.push_back({(v % 5 ? "2023-04-" : "1969-12-") + std::to_string(10 + v % 9),
                       std::to_string(v + 1),
                       {{v % 3 ? "2202" : "1122", a, ""}, {"1002", "", a}}});
  }
  ScreenBook book = Build(entries);
  ASSERT_EQ(book.scaled_amounts.size(), book.postings.size());
  const auto run = [](const ScreenBook& b) {
    TestResult large, duplicates;
    TestLargeAmount(b, std::nullopt, large);
    TestDuplicateEntry(b, 3, duplicates);
    std::vector<std::pair<std::vector<int>, std::string>> out;
    for (const TestResult* r : {&large, &duplicates}) {
      out.emplace_back(std::vector<int>{}, r->reason);
      for (const ScreenItem& i : r->items) {
        const std::span<const int> postings = r->Postings(i);
        out.emplace_back(std::vector<int>(postings.begin(), postings.end()), r->Reason(i));
      }
    }
    return out;
  };
  const auto keyed = run(book);
  book.scaled_amounts.clear();  // the amounts themselves
  EXPECT_EQ(keyed, run(book));
  EXPECT_GT(keyed.size(), 10u);

  // An amount past 64 bits at the book's scale: no keys, the same rules.
  entries.push_back(
      {"2023-04-20", "999", {{"1001", "92233720368547758.08", ""}, {"6001", "", "1"}}});
  EXPECT_TRUE(Build(entries).scaled_amounts.empty());
}

TEST(ScreeningPaths, StreamedJsonIsTheJsonBuiltWhole) {
  std::vector<Entry> entries = {
      {"2023-06-10", "1", {{"1001", "100", "", "=SUM(A1)"}, {"6001", "", "100", "bad \xff\xfe"}}},
      {"2023-06-11", "2", {{"1001", "", "100", "冲销"}, {"6001", "100", ""}}},
      {"bad date", "3", {{"1001", "-5", ""}}},
  };
  ScreenParameters p;
  p.keywords = DefaultKeywords();
  for (const auto& book : {Build(entries), Build({}, std::nullopt)}) {
    const ScreenReport report = RunScreening(book, p);
    std::string streamed;
    std::size_t pieces = 0;
    WriteScreenJson(book, report, [&](std::string_view s) {
      streamed.append(s);
      ++pieces;
    });
    EXPECT_EQ(streamed, ScreenJsonText(ScreenJson(book, report)));
    EXPECT_GE(pieces, 1u);
  }
}

TEST(ScreeningPaths, StreamedJsonWritesTextsAndAmountsAsTheDumpDoes) {
  // Postings listed (整数金额 at 0.01 from 0, red amounts): texts that need escaping, invalid
  // UTF-8 of every kind, amounts at every scale, one beyond 64 bits.
  const char* texts[] = {"引号\"和\\反斜杠/",
                         "控制\x01\x1f\t\n\r\b\f\x7f字符",
                         "过长 \xc0\xaf \xe0\x80\xaf",
                         "代理 \xed\xa0\x80",
                         "截断 \xe4\xb8",
                         "孤立 \x80\xbf",
                         "超出 \xf4\x90\x80\x80 \xf8\x88\x80\x80\x80",
                         "四字节 \xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf",
                         "",
                         "   "};
  const char* amounts[] = {"0.0001", "-0.05", "123456789012345678.90", "1.50000",
                           "100",    "0.10",  "7.123456789012345678",  "9223372036854775807",
                           "-1",     "12.340"};
  std::vector<Entry> entries;
  for (int v = 0; v < 10; ++v) {
    const std::string a = amounts[v];
    entries.push_back(
        {"2023-05-0" + std::to_string(v % 9 + 1),
         v % 2 ? "\"" + std::to_string(v) : "\xff" + std::to_string(v),
         {{v % 3 ? "1001\\" : "6001\x02", a, "", texts[v]}, {"2202", "", a, texts[9 - v]}}});
  }
  entries.push_back({"2023-05-20",
                     "99",
                     {{"1001", "92233720368547758.08", ""}, {"6001", "", "92233720368547758.08"}}});
  const ScreenBook book = Build(entries);
  ScreenParameters p;
  p.round_unit = Amount::FromUnits(1, 2);
  p.round_min = Amount::FromUnits(0, 0);
  const ScreenReport report = RunScreening(book, p);
  ASSERT_EQ(report[TestId::kRoundAmount].items.size(), 18u);  // all but 0.0001 and 7.12...678
  std::string streamed;
  WriteScreenJson(book, report, [&](std::string_view s) { streamed.append(s); });
  EXPECT_EQ(streamed, ScreenJsonText(ScreenJson(book, report)));
}

}  // namespace
}  // namespace qoru::screening
