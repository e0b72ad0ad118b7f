// Rows prepared in batches (each row after the batch's kept row before it, the hashes
// left out where that row makes them unneeded) build the same book as rows added one
// by one: void rows between a voucher's rows, dates written two ways, summaries and
// vouchers repeating across batch boundaries.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "screening/book_builder.h"

namespace qoru::screening {
namespace {

struct TextRow {
  std::string date, type, number, line, account, debit, credit, void_flag, summary, preparer,
      approver;
  PostingRow View(std::int64_t row) const {
    return {row,   date,   type,      number,  line,     account,
            debit, credit, void_flag, summary, preparer, approver};
  }
};

std::vector<TextRow> RandomRows(std::mt19937& random, std::size_t count) {
  const auto pick = [&](std::initializer_list<const char*> from) {
    return std::string(from.begin()[random() % from.size()]);
  };
  std::vector<TextRow> rows;
  TextRow r;
  for (std::size_t i = 0; i < count; ++i) {
    // Most rows continue the row before's voucher, date and summary.
    if (i == 0 || random() % 3 == 0) {
      r.date = pick({"2023-01-05", "2023-1-5", "2023-01-06", "2023-02-05", "", "bad"});
      r.type = pick({"记", " 记", "收"});
      r.number = pick({"1", "01", "2", " 2 "});
    }
    if (i == 0 || random() % 2 == 0) r.summary = pick({"收货款", "付货款", "", "收货款 "});
    r.line = std::to_string(random() % 5);
    r.account = pick({"1001", "1002", " 1001", "6001"});
    r.debit = pick({"100", "", "0.5", "x"});
    r.credit = pick({"", "100", "-3"});
    r.void_flag = random() % 6 == 0 ? "1" : "";
    r.preparer = pick({"张三", " 张三", "李四"});
    r.approver = pick({"王五", ""});
    rows.push_back(r);
  }
  return rows;
}

BookBuilder NewBuilder() {
  ScreenColumns c;
  c.date = c.type = c.number = c.line = c.account = c.debit = c.credit = true;
  c.summary = c.preparer = c.approver = true;
  return BookBuilder(c, {});
}

TEST(PreparedRows, BuildTheBookRowsAddedOneByOneBuild) {
  std::mt19937 random(5);
  for (int round = 0; round < 30; ++round) {
    const std::vector<TextRow> rows = RandomRows(random, 400);
    BookBuilder plain = NewBuilder();
    for (std::size_t i = 0; i < rows.size(); ++i)
      plain.Add(rows[i].View(static_cast<std::int64_t>(i + 1)));
    const ScreenBook expected = plain.Finish("t", "JZPZ", 2023);

    BookBuilder batched = NewBuilder();
    std::string key;
    for (std::size_t from = 0; from < rows.size();) {
      const std::size_t to = std::min(rows.size(), from + 1 + random() % 40);
      std::vector<PreparedRow> prepared(to - from);
      const PreparedRow* before = nullptr;
      for (std::size_t i = from; i < to; ++i) {
        PreparedRow& p = prepared[i - from];
        batched.Prepare(rows[i].View(0), before, p, key);
        if (!p.void_row) before = &p;
      }
      for (std::size_t i = from; i < to; ++i)
        batched.Add(static_cast<std::int64_t>(i + 1), prepared[i - from]);
      from = to;
    }
    const ScreenBook book = batched.Finish("t", "JZPZ", 2023);

    ASSERT_EQ(book.postings.size(), expected.postings.size()) << "round " << round;
    for (std::size_t i = 0; i < book.postings.size(); ++i) {
      const ScreenPosting& a = book.postings[i];
      const ScreenPosting& b = expected.postings[i];
      EXPECT_TRUE(a.row == b.row && a.date == b.date && a.voucher == b.voucher &&
                  a.account == b.account && a.summary == b.summary && a.line == b.line &&
                  a.preparer == b.preparer && a.approver == b.approver &&
                  book.Debit(a) == expected.Debit(b) && book.Credit(a) == expected.Credit(b))
          << "round " << round << ", posting " << i;
    }
    EXPECT_EQ(book.texts, expected.texts) << "round " << round;
    ASSERT_EQ(book.vouchers.size(), expected.vouchers.size()) << "round " << round;
    for (std::size_t v = 0; v < book.vouchers.size(); ++v)
      EXPECT_TRUE(book.Number(book.vouchers[v]) == expected.Number(expected.vouchers[v]) &&
                  book.vouchers[v].type == expected.vouchers[v].type &&
                  book.vouchers[v].date == expected.vouchers[v].date &&
                  book.vouchers[v].count == expected.vouchers[v].count)
          << "round " << round << ", voucher " << v;
    EXPECT_EQ(book.population.rows.count, expected.population.rows.count);
    EXPECT_EQ(book.population.void_rows.debit, expected.population.void_rows.debit);
  }
}

}  // namespace
}  // namespace qoru::screening
