#include "screening/workpaper.h"

#include <xlsxwriter.h>

#include <fmt/format.h>

#include "screening/screen_output.h"
#include "screening/screen_text.h"

namespace qoru::screening {

std::size_t g_workpaper_rows_per_sheet = 1048575;

namespace {

using Book = workbook::Workbook;

double ToDouble(const Amount& a) {
  static constexpr double kScales[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                       1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
  return static_cast<double>(a.units()) / kScales[a.scale()];
}

std::string Parameters(const ScreenParameters& p, TestId id) {
  switch (id) {
    case TestId::kRoundAmount:
      return fmt::format("--round-unit {} --round-min {}", p.round_unit.ToString(),
                         p.round_min.ToString());
    case TestId::kRarePreparer:
      return fmt::format("--rare-preparer {}", p.rare_preparer);
    case TestId::kPeriodEnd:
      return fmt::format("--period-end-days {}", p.period_end_days);
    case TestId::kKeyword: {
      std::string words;
      for (const std::string& k : p.keywords) words += (words.empty() ? "" : "、") + k;
      return "关键词：" + words;
    }
    case TestId::kRarePair:
      return fmt::format("--rare-pair {}", p.rare_pair);
    case TestId::kLargeAmount:
      return p.materiality ? "--materiality " + p.materiality->ToString()
                           : std::string("前 0.1% 的金额");
    case TestId::kDuplicateEntry:
      return fmt::format("--duplicate-days {}", p.duplicate_days);
    case TestId::kSeldomUsedAccount:
      return fmt::format("--seldom {}", p.seldom);
    case TestId::kBenford:
      return "借方金额不小于 10，至少 1000 笔";
    default:
      return "";
  }
}

void WriteOverview(Book& b, const ScreenBook& book, const ScreenReport& report,
                   const WorkpaperInfo& info) {
  lxw_worksheet* s = b.Sheet("概览");
  worksheet_set_column(s, 0, 0, 22, nullptr);
  worksheet_set_column(s, 1, 1, 18, nullptr);
  worksheet_set_column(s, 2, 5, 16, nullptr);
  std::size_t row = 0;
  b.Text(s, row++, 0, "会计分录测试工作底稿", b.bold());
  const auto pair = [&](std::string_view key, const std::string& value) {
    b.Text(s, row, 0, key);
    b.Text(s, row++, 1, value);
  };
  pair("账套", book.name);
  pair("年度", book.year ? std::to_string(*book.year) : "未知");
  pair("凭证表", book.table);
  b.Text(s, row, 0, "分录");
  b.Number(s, row++, 1, static_cast<double>(report.postings));
  b.Text(s, row, 0, "凭证");
  b.Number(s, row++, 1, static_cast<double>(report.vouchers));
  pair("运行时间", info.started);
  pair("程序版本", "qoru-gbtxt " + info.version);
  ++row;
  const char* headers[] = {"测试", "名称", "状态", "项目数", "参数", "说明"};
  for (int c = 0; c < 6; ++c) b.Text(s, row, c, headers[c], b.bold());
  ++row;
  for (const TestResult& r : report.tests) {
    const TestInfo& t = Info(r.id);
    b.Text(s, row, 0, t.word);
    b.Text(s, row, 1, t.chinese);
    b.Text(s, row, 2, r.skipped ? "跳过" : (r.items.empty() ? "无" : "有项目"));
    if (!r.skipped) b.Number(s, row, 3, static_cast<double>(r.items.size()));
    b.Text(s, row, 4, Parameters(report.parameters, r.id));
    b.Text(s, row, 5, r.reason);
    ++row;
  }
}

void WriteTest(Book& b, const ScreenBook& book, const TestResult& r) {
  const TestInfo& t = Info(r.id);
  const char* headers[] = {"测试",     "原因",     "凭证日期", "凭证类型", "凭证号",
                           "行号",     "科目编号", "科目名称", "摘要",     "借方金额",
                           "贷方金额", "制单人",   "审核人",   "表中行"};
  constexpr int kColumns = 14;
  const std::string test_name(t.chinese);
  lxw_worksheet* s = nullptr;
  std::size_t row = 0;
  int sheets = 0;
  const auto finish = [&] {
    if (s && row > 1) worksheet_autofilter(s, 0, 0, static_cast<lxw_row_t>(row - 1), kColumns - 1);
  };
  const auto start = [&] {
    finish();
    ++sheets;
    s = b.Sheet(sheets == 1 ? std::string(t.chinese) : fmt::format("{}（{}）", t.chinese, sheets));
    worksheet_freeze_panes(s, 1, 0);
    worksheet_set_column(s, 1, 1, 30, nullptr);
    worksheet_set_column(s, 2, 2, 11, nullptr);
    worksheet_set_column(s, 6, 8, 16, nullptr);
    worksheet_set_column(s, 9, 10, 15, nullptr);
    for (int c = 0; c < kColumns; ++c) b.Text(s, 0, c, headers[c], b.bold());
    row = 1;
  };
  start();
  for (const ScreenItem& item : r.items) {
    for (int i : r.Postings(item)) {
      if (row > g_workpaper_rows_per_sheet) start();
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      b.Text(s, row, 0, test_name);
      b.Text(s, row, 1, r.Reason(item));
      if (p.voucher >= 0) {
        const ScreenVoucher& v = book.vouchers[static_cast<std::size_t>(p.voucher)];
        b.Date(s, row, 2, v.date);
        b.Text(s, row, 3, book.Type(v));
        b.Text(s, row, 4, book.Number(v));
      }
      b.Text(s, row, 5, book.Text(p.line));
      if (p.account >= 0) {
        const ScreenAccount& a = book.accounts[static_cast<std::size_t>(p.account)];
        b.Text(s, row, 6, a.code);
        b.Text(s, row, 7, a.name);
      }
      b.Text(s, row, 8, book.Text(p.summary));
      b.Number(s, row, 9, ToDouble(book.Debit(p)), b.money());
      b.Number(s, row, 10, ToDouble(book.Credit(p)), b.money());
      b.Text(s, row, 11, book.Text(p.preparer));
      b.Text(s, row, 12, book.Text(p.approver));
      b.Number(s, row, 13, static_cast<double>(p.row));
      ++row;
    }
  }
  finish();
}

void WriteBenford(Book& b, const BenfordFigures& f) {
  lxw_worksheet* s = b.Sheet("本福特");
  worksheet_set_column(s, 0, 5, 12, nullptr);
  std::size_t row = 0;
  const auto table = [&](std::string_view title, const DigitTest& t) {
    b.Text(s, row++, 0,
           fmt::format("{}：N = {}，MAD = {:.5f}，{}", title, t.n, t.mad,
                       ConformityChinese(t.conformity)),
           b.bold());
    const char* headers[] = {"数字", "个数", "实际占比", "预期占比", "z"};
    for (int c = 0; c < 5; ++c) b.Text(s, row, c, headers[c], b.bold());
    const std::size_t first = ++row;
    for (const DigitRow& d : t.digits) {
      b.Number(s, row, 0, d.digit);
      b.Number(s, row, 1, static_cast<double>(d.count));
      b.Number(s, row, 2, d.observed, b.share());
      b.Number(s, row, 3, d.expected, b.share());
      b.Number(s, row, 4, d.z, b.share());
      ++row;
    }
    const std::size_t last = row - 1;
    ++row;
    return std::pair(first, last);
  };
  const auto [f1, l1] = table("首位数字", f.first);
  const auto [f2, l2] = table("前两位数字", f.first_two);
  const auto chart = [&](std::string_view title, std::size_t first, std::size_t last,
                         std::size_t at) {
    lxw_chart* c = workbook_add_chart(b.workbook(), LXW_CHART_COLUMN);
    const std::string digits = fmt::format("='本福特'!$A${}:$A${}", first + 1, last + 1);
    lxw_chart_series* observed = chart_add_series(
        c, digits.c_str(), fmt::format("='本福特'!$C${}:$C${}", first + 1, last + 1).c_str());
    chart_series_set_name(observed, "实际占比");
    lxw_chart_series* expected = chart_add_series(
        c, digits.c_str(), fmt::format("='本福特'!$D${}:$D${}", first + 1, last + 1).c_str());
    chart_series_set_name(expected, "预期占比");
    const std::string name(title);
    chart_title_set_name(c, name.c_str());
    worksheet_insert_chart(s, static_cast<lxw_row_t>(at), 6, c);
  };
  chart("首位数字：实际与预期占比", f1, l1, 0);
  chart("前两位数字：实际与预期占比", f2, l2, 16);
}

}  // namespace

bool WriteWorkpaper(const std::string& path, const ScreenBook& book, const ScreenReport& report,
                    const WorkpaperInfo& info) {
  return workbook::WriteWorkbook(path, [&](Book& b) {
    WriteOverview(b, book, report, info);
    for (const TestResult& r : report.tests)
      if (!r.items.empty()) WriteTest(b, book, r);
    if (report.benford.computed) WriteBenford(b, report.benford);
  });
}

}  // namespace qoru::screening
