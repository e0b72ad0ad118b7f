#include "test_support/screen_rows.h"

#include <algorithm>

#include <fmt/format.h>

namespace qoru::test {

using namespace screening;

namespace {

ScreenColumns AllColumns() {
  ScreenColumns c;
  c.date = c.type = c.number = c.line = c.account = c.debit = c.credit = true;
  c.summary = c.preparer = c.approver = c.poster = true;
  return c;
}

std::string VoucherText(const screening::ScreenBook& book, int v) {
  if (v < 0) return "-";
  const ScreenVoucher& x = book.vouchers[static_cast<std::size_t>(v)];
  return fmt::format("{}-{} {}{}", x.year, x.month, book.Type(x), book.Number(x));
}

}  // namespace

screening::ScreenBook BuildScreenBook(const std::vector<ScreenRow>& rows, ChartAccounts chart,
                                      std::optional<int> year) {
  BookBuilder builder(AllColumns(), std::move(chart));
  std::int64_t n = 0;
  for (const ScreenRow& r : rows) {
    PostingRow p;
    p.row = ++n;
    p.date = r.date;
    p.type = r.type;
    p.number = r.number;
    p.line = r.line;
    p.account = r.account;
    p.debit = r.debit;
    p.credit = r.credit;
    p.summary = r.summary;
    p.preparer = r.preparer;
    p.approver = r.approver;
    p.void_flag = r.void_flag;
    builder.Add(p);
  }
  return builder.Finish("test", "JZPZ", year);
}

ScreenReport RunScreen(const screening::ScreenBook& book, ScreenParameters p) {
  if (p.keywords.empty()) p.keywords = DefaultKeywords();
  return RunScreening(book, p);
}

std::vector<std::vector<std::string>> DescribeItems(const screening::ScreenBook& book,
                                                    const ScreenReport& report, bool sorted) {
  std::vector<std::vector<std::string>> out;
  for (const TestResult& r : report.tests) {
    std::vector<std::string> items;
    for (const ScreenItem& item : r.items) {
      std::string text = fmt::format("{} > {} {} {}", VoucherText(book, item.voucher),
                                     VoucherText(book, item.reverses), item.date, r.Reason(item));
      for (int i : r.Postings(item)) {
        const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
        text += fmt::format(
            " | {} {} {} {} {} {}", VoucherText(book, p.voucher),
            p.account < 0 ? "" : book.accounts[static_cast<std::size_t>(p.account)].code,
            book.Debit(p).ToString(), book.Credit(p).ToString(), book.Text(p.summary),
            book.Text(p.preparer));
      }
      items.push_back(text);
    }
    const bool voucher_test = r.id == TestId::kWeekendHoliday || r.id == TestId::kApproval ||
                              r.id == TestId::kRarePreparer || r.id == TestId::kPeriodEnd ||
                              r.id == TestId::kRarePair || r.id == TestId::kReversal ||
                              r.id == TestId::kDuplicateEntry;
    if (sorted && !voucher_test) std::sort(items.begin(), items.end());
    items.insert(items.begin(), std::string(Info(r.id).word) + ": " + r.reason);
    out.push_back(std::move(items));
  }
  return out;
}

}  // namespace qoru::test
