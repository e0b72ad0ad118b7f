// Drawing samples from small converted book sets: which postings, vouchers and balances
// form the population and in which order, what is left out, the top stratum, the
// selection against its positions, and the requests refused.
#include <gtest/gtest.h>

#include <random>

#include "sampling/book_reader.h"
#include "sampling/population.h"
#include "sampling/report/sample_draw.h"
#include "sampling/sample_options.h"
#include "sampling/selection.h"
#include "test_support/tiny_books.h"

namespace qoru::sampling {
namespace {

using test::ConvertedBooks;
using test::TinyBooks;

SampleRequest DrawRequest(std::vector<std::string> args) {
  SampleOptionTexts o;
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::string& k = args[i];
    const std::string& v = args[i + 1];
    if (k == "unit") o.unit = v;
    if (k == "side") o.side = v;
    if (k == "method") o.method = v;
    if (k == "account") o.accounts.push_back(v);
    if (k == "size") o.size = v;
    if (k == "tolerable") o.tolerable = v;
    if (k == "threshold") o.threshold = v;
    if (k == "seed") o.seed = v;
  }
  std::string error;
  const std::optional<SampleRequest> r = ParseSampleRequest(o, 0, &error);
  EXPECT_TRUE(r) << error;
  return r.value_or(SampleRequest{});
}

DrawnSample DrawFrom(const ConvertedBooks& books, const std::vector<std::string>& args) {
  return DrawFromDatabase(books.database(), books.description(), {}, DrawRequest(args), "测试");
}

// The rows (postings) or voucher numbers of the listed items, in order.
std::vector<std::int64_t> ListedRows(const DrawnSample& d) {
  std::vector<std::int64_t> rows;
  for (const ListedItem& l : d.items) rows.push_back(l.postings.at(0).row);
  return rows;
}

// A book set of 2026 whose vouchers are written out of order: numbers of digits and of
// other characters, types by code point, one date before the year, void and undated rows.
TinyBooks OrderBooks() {
  TinyBooks b = TinyBooks::Consistent();
  b.book = {{"2026", "人民币", "4-2"}};
  b.postings = {
      {"2026-01-05", "记", "10", "1001", "10.00", "", "0", ""},    // row 1
      {"2026-01-05", "记", "9", "1001", "20.00", "", "0", ""},     // row 2
      {"2026-01-05", "转", "1", "1001", "30.00", "", "0", ""},     // row 3
      {"2026-01-05", "记", "A1", "1001", "40.00", "", "0", ""},    // row 4
      {"2026-01-05", "记", "009", "1001", "50.00", "", "0", ""},   // row 5
      {"2026-01-05", "记", "9", "100201", "60.00", "", "0", ""},   // row 6: voucher 记-9
      {"2026-01-04", "记", "99", "1001", "70.00", "", "0", ""},    // row 7: the day before
      {"2025-12-31", "记", "1", "1001", "80.00", "", "0", ""},     // row 8: another year
      {"2026-01-06", "记", "1", "1001", "90.00", "", "1", ""},     // row 9: void
      {"2026-13-01", "记", "2", "1001", "95.00", "", "0", ""},     // row 10: no date
      {"2026-01-06", "记", "3", "1001", "0.00", "5.00", "0", ""},  // row 11: zero debit
      {"2026-01-06", "记", "4", "1001", "-3.50", "", "0", ""},     // row 12: negative
      {"2026-01-05", "记", "9", "1001", "", "", "0", ""},          // row 13: 记-9, empty
  };
  return b;
}

TEST(SampleDraw, PostingsInVoucherOrderWithTheLeftOutCounted) {
  const ConvertedBooks books(OrderBooks());
  ASSERT_TRUE(books.converted());
  // A random sample of every item lists the whole population in its order.
  const DrawnSample d = DrawFrom(books, {"method", "random", "size", "7", "seed", "1"});
  // 01-04 记-99; 01-05 记: 009 (value 9, text "009" first), 9 (rows 2, 6), 10, then A1;
  // 01-05 转-1.
  EXPECT_EQ(ListedRows(d), (std::vector<std::int64_t>{7, 5, 2, 6, 1, 4, 3}));
  const Population& p = d.sample.population;
  EXPECT_EQ(p.items.size(), 7u);
  EXPECT_EQ(DecimalText(p.total, p.scale), "280.00");
  EXPECT_EQ(p.zero_items, 2);  // row 11 (debit 0.00) and row 13 (empty)
  EXPECT_EQ(p.negative_items, 1);
  EXPECT_EQ(p.negative_total.ToString(), "-3.50");
  EXPECT_EQ(d.book.counts.rows, 13);
  EXPECT_EQ(d.book.counts.void_rows, 1);
  EXPECT_EQ(d.book.counts.no_date, 1);
  EXPECT_EQ(d.book.counts.other_year, 1);
  EXPECT_EQ(d.book.year, 2026);
}

TEST(SampleDraw, SizeBeyondThePopulationIsRefusedForRandom) {
  const ConvertedBooks books(OrderBooks());
  EXPECT_THROW(DrawFrom(books, {"method", "random", "size", "8", "seed", "1"}), SampleError);
}

TEST(SampleDraw, AccountsTakeInTheirChildrenAndUnknownOnesAreRefused) {
  const ConvertedBooks books(OrderBooks());
  const DrawnSample d =
      DrawFrom(books, {"method", "random", "size", "1", "seed", "5", "account", "1002"});
  EXPECT_EQ(ListedRows(d), (std::vector<std::int64_t>{6}));
  EXPECT_EQ(d.items[0].postings[0].account_name, "工商银行");
  EXPECT_THROW(DrawFrom(books, {"size", "1", "account", "9999"}), PopulationError);
  EXPECT_THROW(DrawFrom(books, {"size", "1", "account", "10021"}), PopulationError);
  // A parent that the chart's file leaves out is no account of the chart, and its
  // sub-accounts have no parent: it is refused, naming them.
  TinyBooks b = OrderBooks();
  b.chart.erase(b.chart.begin() + 1);  // 1002
  const ConvertedBooks without_parent(b);
  try {
    DrawFrom(without_parent, {"method", "random", "size", "1", "account", "1002"});
    ADD_FAILURE() << "1002 taken";
  } catch (const PopulationError& e) {
    EXPECT_NE(std::string(e.what()).find("100201"), std::string::npos) << e.what();
  }
}

TEST(SampleDraw, VouchersSumTheirPostingsOfTheAccountsOnOneSide) {
  const ConvertedBooks books(TinyBooks::Consistent());
  const DrawnSample debit = DrawFrom(books, {"unit", "voucher", "method", "random", "size", "3"});
  ASSERT_EQ(debit.items.size(), 3u);
  // 01-05 记-1 50.00; 01-20 记-2 40.00; 02-03 记-1 30.00.
  EXPECT_EQ(debit.items[0].amount.ToString(), "50.00");
  EXPECT_EQ(debit.items[1].amount.ToString(), "40.00");
  EXPECT_EQ(debit.items[1].postings.size(), 3u);
  EXPECT_EQ(debit.items[2].date, 20260203);
  const DrawnSample credit = DrawFrom(books, {"unit", "voucher", "side", "credit", "account",
                                              "4001", "method", "random", "size", "3"});
  ASSERT_EQ(credit.items.size(), 3u);
  EXPECT_EQ(credit.items[1].amount.ToString(), "10.00");
  EXPECT_TRUE(credit.items[1].postings[2].counted);
  EXPECT_FALSE(credit.items[1].postings[0].counted);
}

// Balances by month with a total row and aux rows, a parent beside its children, and
// a direction column.
TinyBooks BalanceBooks() {
  TinyBooks b = TinyBooks::Consistent();
  b.departments = true;
  b.chart.push_back({"1122", "应收账款", "借", "部门"});
  b.chart.push_back({"2202", "应付账款", "贷", ""});
  b.balance_columns = {"会计年度", "会计月度",     "科目编号",
                       "期末余额", "期末余额方向", "辅助核算组"};
  b.balances = {
      {"2026", "11", "1001", "999.00", "借", ""},   {"2026", "12", "1001", "120.00", "借", ""},
      {"2026", "12", "1002", "250.00", "借", ""},  // the parent of 100201 and 100202
      {"2026", "12", "100201", "170.00", "借", ""}, {"2026", "12", "100202", "80.00", "借", ""},
      {"2026", "12", "1122", "300.00", "借", ""},  // the total of its aux rows
      {"2026", "12", "1122", "200.00", "借", "02"}, {"2026", "12", "1122", "100.00", "借", "01"},
      {"2026", "12", "1122", "0.00", "平", "03"},   {"2026", "12", "2202", "40.00", "贷", ""},
      {"2026", "12", "4001", "-5.00", "借", ""},
  };
  return b;
}

TEST(SampleDraw, BalancesOfTheLastMonthByAccountThenAuxValue) {
  const ConvertedBooks books(BalanceBooks());
  ASSERT_TRUE(books.converted());
  const DrawnSample d =
      DrawFrom(books, {"unit", "balance", "method", "random", "size", "7", "seed", "2"});
  EXPECT_EQ(d.book.balance_month, 12);
  std::vector<std::string> listed;
  for (const ListedItem& l : d.items)
    listed.push_back(l.account + "|" + l.aux_code + "|" + l.amount.ToString() + "|" +
                     DirectionWord(l.balance));
  EXPECT_EQ(listed,
            (std::vector<std::string>{"1001||120.00|借", "100201||170.00|借", "100202||80.00|借",
                                      "1122|01|100.00|借", "1122|02|200.00|借", "2202||40.00|贷",
                                      "4001||5.00|贷"}));
  EXPECT_EQ(d.sample.population.zero_items, 1);  // 1122 aux 03
  EXPECT_EQ(d.items[3].aux_types, "部门");
  EXPECT_EQ(d.items[3].aux_name, "财务部");
  const DrawnSample receivables =
      DrawFrom(books, {"unit", "balance", "account", "1122", "method", "random", "size", "2"});
  EXPECT_EQ(DecimalText(receivables.sample.population.total, 2), "300.00");
}

TEST(SampleDraw, MonetaryUnitsSelectTheItemsAtThePositions) {
  TinyBooks b = TinyBooks::Consistent();
  b.postings.clear();
  std::mt19937_64 amounts(11);
  for (int i = 0; i < 60; ++i)
    b.postings.push_back(
        {"2026-03-" + std::to_string(10 + i % 18), "记", std::to_string(i + 1), "1001",
         std::to_string(1 + amounts() % 5000) + "." + std::to_string(10 + i), "", "0", ""});
  const ConvertedBooks books(b);
  ASSERT_TRUE(books.converted());
  const DrawnSample all = DrawFrom(books, {"method", "random", "size", "60", "seed", "1"});
  std::vector<UWide> units;
  for (const ListedItem& l : all.items) units.push_back(static_cast<UWide>(UnitsAt(l.amount, 2)));
  for (const std::string seed : {"1", "99", "18446744073709551615"}) {
    const DrawnSample d = DrawFrom(books, {"size", "12", "seed", seed});
    std::mt19937_64 g(std::stoull(seed));
    const UnitSelection expected = SelectMonetaryUnits(units, 12, g());
    ASSERT_EQ(d.items.size(), expected.hits.size()) << seed;
    for (std::size_t i = 0; i < d.items.size(); ++i) {
      EXPECT_EQ(d.items[i].postings[0].row, all.items[expected.hits[i].item].postings[0].row);
      EXPECT_EQ(d.items[i].hits, expected.hits[i].hits);
    }
    EXPECT_TRUE(d.sample.interval == expected.interval && d.sample.start == expected.start);
    // The same seed, the same sample.
    EXPECT_EQ(ListedRows(DrawFrom(books, {"size", "12", "seed", seed})), ListedRows(d));
  }
  // A top stratum: every item of at least 4000.00 is listed, the rest sampled.
  const DrawnSample top = DrawFrom(books, {"size", "5", "seed", "3", "threshold", "4000"});
  std::size_t large = 0;
  for (UWide u : units) large += u >= 400000 ? 1 : 0;
  EXPECT_EQ(top.sample.top.size(), large);
  EXPECT_EQ(top.sample.rest_items + large, 60u);
  std::size_t listed_top = 0;
  for (const ListedItem& l : top.items) {
    listed_top += l.top ? 1 : 0;
    if (l.top) {
      EXPECT_GE(UnitsAt(l.amount, 2), 400000);
    }
  }
  EXPECT_EQ(listed_top, large);
}

TEST(SampleDraw, PlannedSizeUsesTheSampledPopulation) {
  const ConvertedBooks books(TinyBooks::Consistent());
  // Debits 50 + 40 + 30 = 120.00; TM 10: ceil(120 × 2.9957 / 10) = 36; J = ceil(12000 / 36).
  const DrawnSample d = DrawFrom(books, {"tolerable", "10", "seed", "4"});
  EXPECT_EQ(d.sample.size, 36u);
  EXPECT_TRUE(d.sample.interval == 334);
  EXPECT_TRUE(d.sample.every_item);
  // Without a top stratum of 50.00 and more: ceil(70 × 2.9957 / 10) = 21.
  EXPECT_EQ(DrawFrom(books, {"tolerable", "10", "threshold", "50"}).sample.size, 21u);
  // Everything in the top stratum: nothing left to sample.
  const DrawnSample all_top = DrawFrom(books, {"tolerable", "10", "threshold", "1"});
  EXPECT_EQ(all_top.sample.size, 0u);
  EXPECT_EQ(all_top.items.size(), 3u);
}

TEST(SampleDraw, EmptyPopulationsAndMissingColumnsAreRefused) {
  const ConvertedBooks books(TinyBooks::Consistent());
  EXPECT_THROW(DrawFrom(books, {"size", "1", "account", "100202", "side", "credit"}), SampleError);
  TinyBooks b = TinyBooks::Consistent();
  b.posting_columns = {"凭证日期", "科目编号", "借方金额", "贷方金额", "作废标志", "辅助核算组"};
  for (auto& row : b.postings) row.erase(row.begin() + 1, row.begin() + 3);
  const ConvertedBooks no_numbers(b);
  EXPECT_THROW(DrawFrom(no_numbers, {"unit", "voucher", "size", "1"}), PopulationError);
  // Postings without voucher columns are taken in file order.
  EXPECT_EQ(ListedRows(DrawFrom(no_numbers, {"method", "random", "size", "3"})),
            (std::vector<std::int64_t>{1, 3, 6}));
}

}  // namespace
}  // namespace qoru::sampling
