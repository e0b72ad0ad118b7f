#include "screening/workpaper/workpaper_cover.h"

#include <fmt/format.h>

#include "screening/population.h"
#include "screening/screen_output.h"

namespace qoru::screening {
namespace {

using Book = workbook::Workbook;

// A line of a table of counts and totals: label, scope, count, debit, credit.
void TallyRow(Book& b, lxw_worksheet* s, std::size_t& row, std::string_view label,
              std::string_view scope, const Tally& t) {
  b.Text(s, row, 0, label);
  b.Text(s, row, 1, scope);
  b.Number(s, row, 2, static_cast<double>(t.count));
  b.Money(s, row, 3, AmountValue(t.debit));
  b.Money(s, row, 4, AmountValue(t.credit));
  ++row;
}

void Headers(Book& b, lxw_worksheet* s, std::size_t& row,
             std::initializer_list<std::string_view> headers) {
  int c = 0;
  for (std::string_view h : headers) b.Text(s, row, c++, h, b.bold());
  ++row;
}

void WritePopulation(Book& b, lxw_worksheet* s, std::size_t& row, const ScreenBook& book) {
  b.Text(s, row++, 0, "一、总体：测试的分录是凭证表的全部分录", b.bold());
  const Population& p = book.population;
  if (!p.counted) {
    b.Text(s, row++, 0, "凭证表不存在或没有可读的列，没有分录可测");
    return;
  }
  Headers(b, s, row, {"项目", "范围", "分录", "借方合计", "贷方合计"});
  TallyRow(b, s, row, "凭证表 " + book.table + " 的全部行", "总体", p.rows);
  TallyRow(b, s, row, "剔除：作废", "不参加任何测试", p.void_rows);
  TallyRow(b, s, row, "测试的分录", "全部行减去作废的行", p.tested);
  TallyRow(b, s, row, "  其中：日期无法识别", "无法归入凭证，不参加按凭证的测试", p.undated);
  TallyRow(b, s, row, "  其中：借贷均为零", "没有金额，按金额的测试不会标出", p.no_amount);
  TallyRow(b, s, row, "  其中：不在账套年度内", book.year ? "照常测试" : "账套年度未知，无从判断",
           p.outside_year);
  b.Text(s, row, 0, "测试的凭证");
  b.Text(s, row, 1, "凭证日期的年、月，凭证类型和凭证号相同的分录为一张凭证");
  b.Number(s, row++, 2, static_cast<double>(p.vouchers));
  ++row;
}

void WriteTieOutSummary(Book& b, lxw_worksheet* s, std::size_t& row, const ScreenBook& book) {
  b.Text(s, row++, 0, "二、与余额表核对（完整性）", b.bold());
  const TieOut& t = book.tie_out;
  if (!t.done) {
    b.Text(s, row, 0, "核对");
    b.Text(s, row++, 1, TieOutWords(t));
    ++row;
    return;
  }
  b.Text(s, row, 0, "余额表");
  b.Text(s, row++, 1, t.balances_table + (t.by_month ? "（按月）" : "（全年）"));
  b.Text(s, row, 0, "口径");
  b.Text(s, row++, 1,
         std::string("与 check 的 vouchers-vs-balances 相同：测试的分录按末级科目") +
             (t.by_month ? "和凭证日期的月份" : "") +
             "合计借方、贷方，与余额表该科目的借方、贷方发生额（有总账行用总账行，否则用辅助核算"
             "行）比较");
  Headers(b, s, row, {"项目", "说明", "分录", "借方合计", "贷方合计"});
  TallyRow(b, s, row, "参加核对的分录", "", t.tied);
  TallyRow(b, s, row, "未参加：科目不是末级科目", "科目表中没有该科目，或它有下级科目", t.off_leaf);
  if (t.by_month) TallyRow(b, s, row, "未参加：日期无法识别", "无法归入月份", t.undated);
  b.Text(s, row, 0, "相符的科目");
  b.Number(s, row++, 2, static_cast<double>(t.accounts_agree));
  b.Text(s, row, 0, "不符的科目");
  b.Text(s, row, 1,
         t.differences.empty()
             ? std::string("无")
             : fmt::format("{} 处差异，见工作表“完整性核对”", t.differences.size()));
  b.Number(s, row++, 2, static_cast<double>(t.accounts_differ));
  ++row;
}

void WriteTests(Book& b, lxw_worksheet* s, std::size_t& row, const ScreenReport& report) {
  b.Text(s, row++, 0, "三、测试：每项测试一张工作表", b.bold());
  Headers(b, s, row,
          {"测试", "名称", "状态", "单位", "项目数", "涉及分录", "涉及金额", "金额口径", "参数",
           "说明"});
  for (const TestResult& r : report.tests) {
    const TestInfo& t = Info(r.id);
    b.Text(s, row, 0, t.word);
    b.Text(s, row, 1, t.chinese);
    b.Text(s, row, 2, r.skipped ? "跳过" : (r.items.empty() ? "无" : "有项目"));
    b.Text(s, row, 3, t.unit);
    if (!r.skipped) {
      b.Number(s, row, 4, static_cast<double>(r.items.size()));
      b.Number(s, row, 5, static_cast<double>(r.listed_postings));
      b.Money(s, row, 6, AmountValue(r.amount));
      b.Text(s, row, 7, AmountBasis(t));
    }
    b.Text(s, row, 8, TestParameters(report.parameters, r.id));
    b.Text(s, row, 9, r.reason);
    ++row;
  }
  ++row;
}

}  // namespace

std::string TestParameters(const ScreenParameters& p, TestId id) {
  switch (id) {
    case TestId::kWeekendHoliday: {
      std::string calendars;
      for (const std::string& c : p.calendar.Describe())
        calendars += (calendars.empty() ? "" : "；") + c;
      return "节假日：" + calendars;
    }
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

std::size_t WriteCover(Book& b, lxw_worksheet* s, const ScreenBook& book,
                       const ScreenReport& report, const WorkpaperInfo& info) {
  const double widths[] = {26, 40, 10, 18, 18, 12, 18, 18, 34, 50};
  for (int c = 0; c < 10; ++c) b.Width(s, c, c, widths[c]);
  std::size_t row = 0;
  b.Text(s, row++, 0, "会计分录测试工作底稿", b.bold());
  const auto pair = [&](std::string_view key, const std::string& value) {
    if (value.empty()) return;
    b.Text(s, row, 0, key);
    b.Text(s, row++, 1, value);
  };
  pair("账套", book.name);
  pair("年度", book.year ? std::to_string(*book.year) : "未知");
  pair("凭证表", book.table);
  pair("编制人", info.provenance.preparer);
  pair("说明", info.note);
  ++row;
  WritePopulation(b, s, row, book);
  WriteTieOutSummary(b, s, row, book);
  WriteTests(b, s, row, report);
  row = provenance::WriteProvenance(b, s, row, info.provenance, "四、来源：读取的文件与运行");
  b.Text(s, row, 0, "节假日表");
  std::string calendars;
  for (const std::string& c : report.parameters.calendar.Describe())
    calendars += (calendars.empty() ? "" : "；") + c;
  b.Text(s, row++, 1, calendars);
  return row + 1;
}

void WriteCutCells(Book& b, lxw_worksheet* s, std::size_t row) {
  b.Text(s, row, 0, "截断的单元格");
  b.Number(s, row, 2, static_cast<double>(b.cut_cells()));
  b.Text(s, row, 3,
         "单元格最多 32,767 字；更长的文字截断并注明“已截断，全文 N 字”，全文见 JSON 报告");
}

void WriteTieOutSheet(Book& b, const ScreenBook& book) {
  lxw_worksheet* s = b.Sheet("完整性核对");
  const TieOut& t = book.tie_out;
  const char* headers[] = {"科目编号",   "科目名称",   "月份",     "分录借方", "分录贷方",
                           "余额表借方", "余额表贷方", "借方差额", "贷方差额", "说明"};
  constexpr int kColumns = 10;
  for (int c = 0; c < kColumns; ++c) b.Text(s, 0, c, headers[c], b.bold());
  std::size_t row = 1;
  if (!t.done || t.differences.empty()) {
    b.Text(s, row++, 0,
           t.done ? fmt::format("各科目各{}均相符（{} 个科目）", t.by_month ? "月" : "期",
                                t.accounts_agree)
                  : TieOutWords(t));
  }
  for (const TieOutDifference& d : t.differences) {
    b.Text(s, row, 0, d.account);
    b.Text(s, row, 1, d.name);
    if (d.month == 0)
      b.Text(s, row, 2, "全年");
    else
      b.Number(s, row, 2, d.month);
    b.Money(s, row, 3, AmountValue(d.postings_debit));
    b.Money(s, row, 4, AmountValue(d.postings_credit));
    b.Money(s, row, 5, AmountValue(d.balance_debit));
    b.Money(s, row, 6, AmountValue(d.balance_credit));
    b.Money(s, row, 7, AmountValue(d.postings_debit - d.balance_debit));
    b.Money(s, row, 8, AmountValue(d.postings_credit - d.balance_credit));
    if (!d.balance_row) b.Text(s, row, 9, "余额表无该科目");
    ++row;
  }
  b.HeaderRow(s, row - 1, kColumns - 1);
  b.FitColumns(s, 8, 60);
}

}  // namespace qoru::screening
