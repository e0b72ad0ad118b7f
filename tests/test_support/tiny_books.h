// Small hand-written book sets for the tests of the checks: tables given as UTF-8 rows
// under chosen columns, converted by the library in this process, then checked.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "checks/book_checks.h"
#include "test_support/bookset.h"

namespace qoru::test {

struct TinyBooks {
  std::vector<std::string> chart_columns = {"科目编号", "科目名称", "余额方向", "辅助核算项"};
  std::vector<std::string> balance_columns = {"会计年度",   "科目编号", "期初余额",  "借方发生额",
                                              "贷方发生额", "期末余额", "辅助核算组"};
  std::vector<std::string> posting_columns = {"凭证日期", "凭证字",   "凭证号",   "科目编号",
                                              "借方金额", "贷方金额", "作废标志", "辅助核算组"};
  std::vector<std::string> book_columns = {"年度", "本位币", "科目结构"};
  Rows chart, balances, postings;
  Rows book;                 // the book table (电子账簿, DZZB.txt) when not empty
  bool departments = false;  // the auxiliary type 部门, codes 01 and 02

  // A small consistent book set of 2026: the chart 1001, 1002 (with 100201 and
  // 100202), 4001 (credit side); three vouchers in January and February.
  static TinyBooks Consistent();
};

// Converts `books` in a work area of its own and keeps it for the checks.
class ConvertedBooks {
 public:
  explicit ConvertedBooks(const TinyBooks& books);
  std::string database() const { return space_.db(); }
  std::string description() const { return space_.work() + "TemplateTemp/GSSM.txt"; }
  const Workspace& space() const { return space_; }
  bool converted() const { return converted_; }

  checks::CheckReport Check(const checks::CheckOptions& options = {}) const;

 private:
  Workspace space_;
  bool converted_ = false;
};

// Each check's count by id, for the checks that found something.
std::map<std::string, std::uint64_t> Counts(const checks::CheckReport& report);

}  // namespace qoru::test
