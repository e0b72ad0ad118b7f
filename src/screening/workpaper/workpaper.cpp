#include "screening/workpaper/workpaper.h"

#include <xlsxwriter.h>

#include <fmt/format.h>

#include "screening/screen_output.h"
#include "screening/screen_text.h"
#include "screening/workpaper/workpaper_cover.h"

namespace qoru::screening {

std::size_t g_workpaper_rows_per_sheet = 1048575;

namespace {

using Book = workbook::Workbook;

// The sheet of a test without items: what it found, or why it did not run, and the
// parameters it ran with.
void WriteQuietTest(Book& b, const ScreenReport& report, const TestResult& r) {
  const TestInfo& t = Info(r.id);
  lxw_worksheet* s = b.Sheet(std::string(t.chinese));
  b.Width(s, 0, 0, 12);
  b.Width(s, 1, 1, 90);
  std::size_t row = 0;
  const auto pair = [&](std::string_view key, const std::string& value) {
    if (value.empty()) return;
    b.Text(s, row, 0, key, b.bold());
    b.Text(s, row++, 1, value);
  };
  pair("测试", fmt::format("{} {}", t.word, t.chinese));
  pair("结果", r.skipped ? "跳过：" + r.reason : std::string("未发现符合条件的项目"));
  pair("参数", TestParameters(report.parameters, r.id));
  if (!r.skipped) pair("说明", r.reason);
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
    if (!s) return;
    b.HeaderRow(s, row - 1, kColumns - 1);
    b.FitColumns(s, 6, 80);
  };
  const auto start = [&] {
    finish();
    ++sheets;
    s = b.Sheet(sheets == 1 ? test_name : fmt::format("{}（{}）", t.chinese, sheets));
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
        b.Digits(s, row, 4, book.Number(v));
      }
      b.Digits(s, row, 5, book.Text(p.line));
      if (p.account >= 0) {
        const ScreenAccount& a = book.accounts[static_cast<std::size_t>(p.account)];
        b.Text(s, row, 6, a.code);
        b.Text(s, row, 7, a.name);
      }
      b.Text(s, row, 8, book.Text(p.summary));
      b.Money(s, row, 9, AmountValue(book.Debit(p)));
      b.Money(s, row, 10, AmountValue(book.Credit(p)));
      b.Text(s, row, 11, book.Text(p.preparer));
      b.Text(s, row, 12, book.Text(p.approver));
      b.Number(s, row, 13, static_cast<double>(p.row));
      ++row;
    }
  }
  finish();
}

// The digit tables and their charts: the first digits' table with its chart on the
// first page, the first two digits' chart on a page of its own, then their table. A
// skipped test (too few amounts) shows its figures without a verdict.
void WriteBenford(Book& b, const ScreenReport& report) {
  const BenfordFigures& f = report.benford;
  const TestResult& test = report[TestId::kBenford];
  lxw_worksheet* s = b.Sheet("本福特");
  b.Width(s, 0, 4, 12);
  std::size_t row = 0;
  const auto table = [&](std::string_view title, const DigitTest& t) {
    const std::string verdict =
        test.skipped ? fmt::format("{}：N = {}，笔数不足，不作结论（{}）", title, t.n, test.reason)
                     : fmt::format("{}：N = {}，MAD = {:.5f}，{}", title, t.n, t.mad,
                                   ConformityChinese(t.conformity));
    b.Text(s, row++, 0, verdict, b.bold());
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
    return std::pair(first, row - 1);
  };
  const auto chart = [&](std::string_view title, std::size_t first, std::size_t last,
                         std::size_t at, double x_scale) {
    lxw_chart* c = b.Made(workbook_add_chart(b.workbook(), LXW_CHART_COLUMN), "本福特图");
    const std::string digits = fmt::format("='本福特'!$A${}:$A${}", first + 1, last + 1);
    const char* names[] = {"实际", "预期"};
    const char columns[] = {'C', 'D'};
    for (int i = 0; i < 2; ++i) {
      const std::string values =
          fmt::format("='本福特'!${}${}:${}${}", columns[i], first + 1, columns[i], last + 1);
      lxw_chart_series* series =
          b.Made(chart_add_series(c, digits.c_str(), values.c_str()), "本福特图的数据系列");
      chart_series_set_name(series, names[i]);
    }
    const std::string name(title);
    chart_title_set_name(c, name.c_str());
    chart_legend_set_position(c, LXW_CHART_LEGEND_BOTTOM);
    lxw_chart_options options{};
    options.x_scale = x_scale;
    options.y_scale = 1.6;
    b.Check(worksheet_insert_chart_opt(s, static_cast<lxw_row_t>(at), 0, c, &options), "本福特图");
  };
  // Rows of a page: the first table (12 rows) and a chart of 24 rows fit one; the
  // second table's rows are known before they are written.
  constexpr std::size_t kChartOne = 13, kPageTwo = 40, kPageThree = 68;
  const auto [f1, l1] = table("首位数字", f.first);
  chart("首位数字：实际与预期占比", f1, l1, kChartOne, 1.6);
  const std::size_t f2 = kPageThree + 2;
  chart("前两位数字：实际与预期占比", f2, f2 + f.first_two.digits.size() - 1, kPageTwo, 2.4);
  row = kPageThree;
  table("前两位数字", f.first_two);
  b.PageBreaks(s, {static_cast<lxw_row_t>(kPageTwo), static_cast<lxw_row_t>(kPageThree)});
}

}  // namespace

bool WriteWorkpaper(const std::string& path, const ScreenBook& book, const ScreenReport& report,
                    const WorkpaperInfo& info, bool overwrite) {
  return workbook::WriteWorkbook(
      path,
      [&](Book& b) {
        lxw_worksheet* cover = b.Sheet("概览");
        const std::size_t last = WriteCover(b, cover, book, report, info);
        WriteTieOutSheet(b, book);
        for (const TestResult& r : report.tests) {
          if (r.items.empty())
            WriteQuietTest(b, report, r);
          else
            WriteTest(b, book, r);
        }
        if (report.benford.computed) WriteBenford(b, report);
        WriteCutCells(b, cover, last);
      },
      overwrite, "会计分录测试工作底稿 " + book.name);
}

}  // namespace qoru::screening
