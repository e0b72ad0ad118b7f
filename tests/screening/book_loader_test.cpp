// The postings as the loader reads them from a database: in stored order whatever the
// spread of the rowids, so that the blocks the table is read in (by two threads when
// there are several) never show through.
#include "screening/book_loader.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include <fmt/format.h>

#include "test_support/tiny_books.h"

namespace qoru::screening {
namespace {

// Everything the tests read of a book, one line per posting and per voucher.
std::vector<std::string> Describe(const ScreenBook& book) {
  std::vector<std::string> out;
  for (const ScreenPosting& p : book.postings)
    out.push_back(fmt::format(
        "posting {} {} v{} a{} {} {} {} {} {} {} {}", p.row, p.date, p.voucher, p.account,
        book.Debit(p).ToString(), book.Credit(p).ToString(), book.Text(p.summary),
        book.Text(p.line), book.Text(p.preparer), book.Text(p.approver), static_cast<int>(p.side)));
  for (const ScreenVoucher& v : book.vouchers) {
    std::string postings;
    for (int i : book.Postings(v)) postings += " " + std::to_string(i);
    out.push_back(fmt::format("voucher {}-{} {} {} {} {} {}:{}", v.year, v.month, v.date,
                              book.Type(v), book.Number(v), book.Text(v.preparer),
                              book.Text(v.approver), postings));
  }
  return out;
}

void Execute(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

TEST(BookLoader, RowsReadInBlocksKeepTheirStoredOrder) {
  // Forty postings of twenty vouchers, the rows of voucher 7 apart from one another.
  test::TinyBooks b = test::TinyBooks::Consistent();
  b.posting_columns = {"凭证日期", "凭证种类", "凭证编号", "行号",     "摘要",     "科目编号",
                       "借方金额", "贷方金额", "作废标志", "制单人员", "审核人员", "辅助核算组"};
  b.postings.clear();
  for (int v = 1; v <= 20; ++v) {
    const std::string number = std::to_string(v), amount = std::to_string(v * 10) + ".00";
    const std::string date = fmt::format("202601{:02}", v);
    const std::string who = v % 3 ? "张三" : "李四";
    b.postings.push_back(
        {date, "记", number, "1", "摘要" + number, "1001", amount, "", "0", who, "王五"});
    b.postings.push_back(
        {date, "记", number, "2", "", "4001", "", amount, v == 5 ? "1" : "0", "赵六", "王五"});
  }
  std::swap(b.postings[13], b.postings[30]);  // voucher 7's second row among voucher 16's
  const test::ConvertedBooks books(b);
  ASSERT_TRUE(books.converted());
  const ScreenBook plain = LoadScreenBook(books.database(), books.description(), {}, "t");
  ASSERT_EQ(plain.postings.size(), 39u);  // one void

  const struct {
    const char* name;
    const char* rowids;  // a new rowid for each row, in the same order
    const char* journal = "DELETE";
  } cases[] = {
      {"a block each", "rowid * 40000"},
      {"spread over thousands of blocks", "rowid * 100000000"},
      {"two rows a block, from a high first rowid", "rowid * 16384 + 5000000000"},
      {"negative rowids", "rowid * 40000 - 2000000"},
      {"write-ahead log, read by one thread", "rowid * 40000", "WAL"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // A file of its own for each case: the Windows build's copy_file does not overwrite.
    const std::string copy = books.database() + ".spread" + std::to_string(++n);
    std::filesystem::copy_file(books.database(), copy);
    Execute(copy,
            fmt::format("PRAGMA journal_mode = {}; UPDATE JZPZ SET rowid = {} WHERE rowid > 0;",
                        c.journal, c.rowids));
    EXPECT_EQ(Describe(LoadScreenBook(copy, books.description(), {}, "t")), Describe(plain));
  }
}

}  // namespace
}  // namespace qoru::screening
