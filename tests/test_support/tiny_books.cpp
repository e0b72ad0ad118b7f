#include "test_support/tiny_books.h"

namespace qoru::test {
namespace {

std::string GssmSection(const std::string& name, const std::string& file,
                        const std::vector<std::string>& columns) {
  std::string s = "[" + name + "]\n" + file + "\n";
  for (const std::string& c : columns) s += c + ",文本,40\n";
  return s + "\n";
}

}  // namespace

TinyBooks TinyBooks::Consistent() {
  TinyBooks b;
  b.chart = {{"1001", "库存现金", "借", ""},
             {"1002", "银行存款", "借", ""},
             {"100201", "工商银行", "借", ""},
             {"100202", "建设银行", "借", ""},
             {"4001", "实收资本", "贷", ""}};
  b.balances = {{"2026", "1001", "100.00", "50.00", "30.00", "120.00", ""},
                {"2026", "1002", "200.00", "70.00", "20.00", "250.00", ""},
                {"2026", "100201", "150.00", "40.00", "20.00", "170.00", ""},
                {"2026", "100202", "50.00", "30.00", "", "80.00", ""},
                {"2026", "4001", "300.00", "0", "70.00", "370.00", ""}};
  b.postings = {{"2026-01-05", "记", "1", "1001", "50.00", "", "0", ""},
                {"2026-01-05", "记", "1", "4001", "", "50.00", "0", ""},
                {"2026-01-20", "记", "2", "100201", "40.00", "0.00", "0", ""},
                {"2026-01-20", "记", "2", "1001", "0.00", "30.00", "0", ""},
                {"2026-01-20", "记", "2", "4001", "0.00", "10.00", "0", ""},
                {"2026-02-03", "记", "1", "100202", "30.00", "", "0", ""},
                {"2026-02-03", "记", "1", "100201", "", "20.00", "0", ""},
                {"2026-02-03", "记", "1", "4001", "", "10.00", "0", ""}};
  return b;
}

ConvertedBooks::ConvertedBooks(const TinyBooks& books) {
  std::string gssm = GssmSection("会计科目", "KJKM.txt", books.chart_columns) +
                     GssmSection("科目余额及发生额", "KMYE.txt", books.balance_columns) +
                     GssmSection("记账凭证", "JZPZ.txt", books.posting_columns);
  if (!books.book.empty()) {
    gssm += GssmSection("电子账簿", "DZZB.txt", books.book_columns);
    space_.WriteTable("DZZB.txt", books.book);
  }
  if (books.departments) {
    gssm +=
        "[辅助核算项档案]\n部门\n\n" + GssmSection("部门", "BMDA.txt", {"部门编号", "部门名称"});
    space_.WriteTable("BMDA.txt", {{"01", "财务部"}, {"02", "销售部"}});
  }
  space_.WriteSource("GSSM.txt", gssm);
  space_.WriteTable("KJKM.txt", books.chart);
  space_.WriteTable("KMYE.txt", books.balances);
  space_.WriteTable("JZPZ.txt", books.postings);
  converted_ = RunDoIt(space_.work(), space_.source()).result != u"0";
}

checks::CheckReport ConvertedBooks::Check(const checks::CheckOptions& options) const {
  return checks::RunChecks(database(), description(), options);
}

std::map<std::string, std::uint64_t> Counts(const checks::CheckReport& report) {
  std::map<std::string, std::uint64_t> counts;
  for (const checks::CheckResult& r : report.results)
    if (r.count != 0) counts[std::string(checks::Info(r.id).name)] = r.count;
  return counts;
}

}  // namespace qoru::test
