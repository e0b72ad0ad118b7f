// Books for the screening tests, built in memory from posting rows given as texts, and
// the items a screening run finds, described so that two runs compare item for item.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "screening/book_builder.h"
#include "screening/screen_report.h"

namespace qoru::test {

struct ScreenRow {
  ScreenRow() = default;
  ScreenRow(std::string d, std::string t, std::string n, std::string a, std::string dr,
            std::string cr)
      : date(std::move(d)),
        type(std::move(t)),
        number(std::move(n)),
        account(std::move(a)),
        debit(std::move(dr)),
        credit(std::move(cr)) {}
  std::string date, type, number, account, debit, credit;
  std::string summary = "摘要", preparer = "张三", approver = "李四";
  std::string void_flag, line;
};

// The book of `rows` (numbered from 1 in their order), every column present.
screening::ScreenBook BuildScreenBook(const std::vector<ScreenRow>& rows,
                                      screening::ChartAccounts chart = {},
                                      std::optional<int> year = 2023);

// Screens `book`; the default keywords when `p` has none.
screening::ScreenReport RunScreen(const screening::ScreenBook& book,
                                  screening::ScreenParameters p = {});

// Each test's items as texts (voucher, voucher reversed, date, reason, and each posting
// by its content rather than its row), in their order; with `sorted`, the items of the
// posting tests sorted (they are listed in file order), so that books whose vouchers
// stand in another order compare equal.
std::vector<std::vector<std::string>> DescribeItems(const screening::ScreenBook& book,
                                                    const screening::ScreenReport& report,
                                                    bool sorted);

}  // namespace qoru::test
