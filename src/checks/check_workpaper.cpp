#include "checks/check_workpaper.h"

#include <fmt/format.h>

#include <cstdlib>
#include <vector>

#include "workbook/workbook.h"

namespace qoru::checks {

std::size_t g_check_rows_per_sheet = 1048575;

namespace {

using workbook::Workbook;
using Json = nlohmann::ordered_json;

// How a finding's field is written.
enum class Kind {
  kText,     // as it is
  kNumber,   // an integer
  kMoney,    // an amount (decimal text in the finding) as a number in the money format
  kMonth,    // a month 1..12, "全年" for the year
  kVoucher,  // {year, month, type[, number]} as "2023-03 记-15"
  kList,     // integers joined by "、"
  kWhich,    // the trial balance's sum: opening, closing, movements
};

struct Column {
  const char* pointer;  // JSON pointer into the finding's fields
  const char* header;
  Kind kind;
};

// The columns of each check's sheet between the place and the message.
const std::vector<Column>& Columns(CheckId id) {
  static const std::vector<Column> kNone;
  static const std::vector<Column> kVoucherBalance = {{"/voucher/month", "月份", Kind::kMonth},
                                                      {"/voucher", "凭证", Kind::kVoucher},
                                                      {"/debit", "借方合计", Kind::kMoney},
                                                      {"/credit", "贷方合计", Kind::kMoney}};
  static const std::vector<Column> kNumbering = {{"/month", "月份", Kind::kMonth},
                                                 {"/voucher", "凭证序列", Kind::kVoucher},
                                                 {"/missing_count", "断号个数", Kind::kNumber},
                                                 {"/duplicates_count", "重号个数", Kind::kNumber},
                                                 {"/missing", "断号", Kind::kList},
                                                 {"/duplicates", "重号", Kind::kList}};
  static const std::vector<Column> kRollForward = {{"/account", "科目", Kind::kText},
                                                   {"/month", "月份", Kind::kMonth},
                                                   {"/aux", "辅助核算", Kind::kText},
                                                   {"/expected", "期初+发生", Kind::kMoney},
                                                   {"/actual", "期末余额", Kind::kMoney}};
  static const std::vector<Column> kContinuity = {
      {"/account", "科目", Kind::kText},         {"/month", "月份", Kind::kMonth},
      {"/currency", "币种", Kind::kText},        {"/aux", "辅助核算", Kind::kText},
      {"/expected", "上月期末", Kind::kMoney},   {"/actual", "本月期初", Kind::kMoney},
      {"/previous_month", "上月", Kind::kMonth}, {"/previous_row", "上月所在行", Kind::kNumber}};
  static const std::vector<Column> kVouchersVsBalances = {
      {"/account", "科目", Kind::kText},
      {"/month", "月份", Kind::kMonth},
      {"/voucher_debit", "凭证借方", Kind::kMoney},
      {"/voucher_credit", "凭证贷方", Kind::kMoney},
      {"/balance_debit", "余额表借方", Kind::kMoney},
      {"/balance_credit", "余额表贷方", Kind::kMoney}};
  static const std::vector<Column> kAuxVsTotal = {
      {"/account", "科目", Kind::kText},
      {"/month", "月份", Kind::kMonth},
      {"/currency", "币种", Kind::kText},
      {"/fields/opening/total", "期初（总账）", Kind::kMoney},
      {"/fields/opening/aux", "期初（辅助账合计）", Kind::kMoney},
      {"/fields/debit/total", "借方（总账）", Kind::kMoney},
      {"/fields/debit/aux", "借方（辅助账合计）", Kind::kMoney},
      {"/fields/credit/total", "贷方（总账）", Kind::kMoney},
      {"/fields/credit/aux", "贷方（辅助账合计）", Kind::kMoney},
      {"/fields/closing/total", "期末（总账）", Kind::kMoney},
      {"/fields/closing/aux", "期末（辅助账合计）", Kind::kMoney}};
  static const std::vector<Column> kParentSum = {
      {"/account", "科目", Kind::kText},
      {"/month", "月份", Kind::kMonth},
      {"/fields/opening/parent", "期初（上级）", Kind::kMoney},
      {"/fields/opening/children", "期初（下级合计）", Kind::kMoney},
      {"/fields/debit/parent", "借方（上级）", Kind::kMoney},
      {"/fields/debit/children", "借方（下级合计）", Kind::kMoney},
      {"/fields/credit/parent", "贷方（上级）", Kind::kMoney},
      {"/fields/credit/children", "贷方（下级合计）", Kind::kMoney},
      {"/fields/closing/parent", "期末（上级）", Kind::kMoney},
      {"/fields/closing/children", "期末（下级合计）", Kind::kMoney}};
  static const std::vector<Column> kTrialBalance = {{"/month", "月份", Kind::kMonth},
                                                    {"/which", "项目", Kind::kWhich},
                                                    {"/debit", "借方合计", Kind::kMoney},
                                                    {"/credit", "贷方合计", Kind::kMoney}};
  static const std::vector<Column> kAccount = {{"/account", "科目", Kind::kText}};
  static const std::vector<Column> kDate = {{"/date", "日期", Kind::kText}};
  static const std::vector<Column> kBadValue = {{"/column", "列", Kind::kText},
                                                {"/value", "值", Kind::kText}};
  static const std::vector<Column> kDirection = {{"/account", "科目", Kind::kText},
                                                 {"/value", "余额方向", Kind::kText}};
  switch (id) {
    case CheckId::kVoucherBalance:
      return kVoucherBalance;
    case CheckId::kVoucherNumbering:
      return kNumbering;
    case CheckId::kBalanceRollForward:
      return kRollForward;
    case CheckId::kBalanceContinuity:
      return kContinuity;
    case CheckId::kVouchersVsBalances:
      return kVouchersVsBalances;
    case CheckId::kAuxVsTotal:
      return kAuxVsTotal;
    case CheckId::kParentSum:
      return kParentSum;
    case CheckId::kTrialBalance:
      return kTrialBalance;
    case CheckId::kUnknownAccount:
    case CheckId::kNonLeafPosting:
      return kAccount;
    case CheckId::kDateOutOfYear:
      return kDate;
    case CheckId::kBadValue:
      return kBadValue;
    case CheckId::kAccountDirection:
      return kDirection;
  }
  return kNone;
}

std::string JsonText(const Json& v) {
  if (v.is_string()) return v.get<std::string>();
  if (v.is_null()) return {};
  return v.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string VoucherText(const Json& v) {
  if (!v.is_object()) return JsonText(v);
  std::string out = JsonText(v.value("year", Json()));
  const Json month = v.value("month", Json());
  if (month.is_number_integer()) out += fmt::format("-{:02d}", month.get<int>());
  const std::string type = JsonText(v.value("type", Json()));
  if (!type.empty()) out += " " + type;
  if (v.contains("number")) out += "-" + JsonText(v["number"]);
  return out;
}

// The whole list: a cell cuts what it cannot hold and says so (workbook.h).
std::string ListText(const Json& v) {
  if (!v.is_array()) return JsonText(v);
  std::string out;
  for (const Json& x : v) out += (out.empty() ? "" : "、") + JsonText(x);
  return out;
}

void WriteCell(Workbook& b, lxw_worksheet* s, std::size_t row, int col, const Json& v, Kind kind) {
  switch (kind) {
    case Kind::kMonth:
      if (v.is_null())
        b.Text(s, row, col, "全年");
      else if (v.is_number())
        b.Number(s, row, col, v.get<double>());
      else
        b.Text(s, row, col, JsonText(v));
      return;
    case Kind::kMoney: {
      const std::string text = JsonText(v);
      char* end = nullptr;
      const double number = std::strtod(text.c_str(), &end);
      if (!text.empty() && end && *end == '\0')
        b.Money(s, row, col, number);
      else
        b.Text(s, row, col, text);
      return;
    }
    case Kind::kNumber:
      if (v.is_number())
        b.Number(s, row, col, v.get<double>());
      else
        b.Text(s, row, col, JsonText(v));
      return;
    case Kind::kVoucher:
      b.Text(s, row, col, VoucherText(v));
      return;
    case Kind::kList:
      b.Text(s, row, col, ListText(v));
      return;
    case Kind::kWhich: {
      const std::string w = JsonText(v);
      b.Text(s, row, col,
             w == "opening"     ? std::string("期初余额")
             : w == "closing"   ? std::string("期末余额")
             : w == "movements" ? std::string("借贷发生额")
                                : w);
      return;
    }
    case Kind::kText:
      if (v.is_number())
        b.Number(s, row, col, v.get<double>());
      else
        b.Text(s, row, col, JsonText(v));
      return;
  }
}

std::string StatusChinese(const CheckResult& r) {
  if (r.skipped) return "跳过";
  return r.count == 0 ? "通过" : "有问题";
}

// Writes the overview and returns the row of its last line, the cut cells, written once
// every other sheet is.
std::size_t WriteOverview(Workbook& b, lxw_worksheet* s, const CheckReport& report,
                          const CheckWorkpaperInfo& info) {
  b.Width(s, 0, 0, 22);
  b.Width(s, 1, 1, 40);
  b.Width(s, 2, 2, 12);
  b.Width(s, 3, 5, 16);
  b.Width(s, 6, 6, 60);
  std::size_t row = 0;
  b.Text(s, row++, 0, "账套检查工作底稿", b.bold());
  const auto pair = [&](std::string_view key, const std::string& value) {
    if (value.empty()) return;
    b.Text(s, row, 0, key);
    b.Text(s, row++, 1, value);
  };
  const auto number = [&](std::string_view key, double value) {
    b.Text(s, row, 0, key);
    b.Number(s, row++, 1, value);
  };
  pair("账套", info.book_set);
  pair("源目录", info.source);
  pair("数据库", info.database);
  pair("格式说明", info.description);
  pair("年度", report.year ? std::to_string(*report.year) : "未知");
  pair("编制人", info.provenance.preparer);
  number("错误", static_cast<double>(report.Errors()));
  number("警告", static_cast<double>(report.Warnings()));
  std::size_t skipped = 0;
  for (const CheckResult& r : report.results) skipped += r.skipped ? 1 : 0;
  number("跳过的检查", static_cast<double>(skipped));
  b.Text(s, row, 0, "用时（秒）");
  b.Number(s, row++, 1, report.seconds, b.share());
  pair("问题", info.problem);
  ++row;
  const char* headers[] = {"检查", "名称", "严重程度", "状态", "问题数", "列出", "说明"};
  for (int c = 0; c < 7; ++c) b.Text(s, row, c, headers[c], b.bold());
  ++row;
  for (const CheckResult& r : report.results) {
    const CheckInfo& c = Info(r.id);
    b.Text(s, row, 0, c.name);
    b.Text(s, row, 1, c.title);
    b.Text(s, row, 2, SeverityChinese(c.severity));
    b.Text(s, row, 3, StatusChinese(r));
    if (!r.skipped) {
      b.Number(s, row, 4, static_cast<double>(r.count));
      b.Number(s, row, 5, static_cast<double>(r.listed.size()));
    }
    b.Text(s, row, 6, r.reason);
    ++row;
  }
  ++row;
  row = provenance::WriteProvenance(b, s, row, info.provenance, "来源：读取的文件与运行");
  return row + 1;
}

void WriteCheck(Workbook& b, const CheckResult& r) {
  const CheckInfo& c = Info(r.id);
  const std::vector<Column>& columns = Columns(r.id);
  std::vector<Json::json_pointer> pointers;
  for (const Column& column : columns) pointers.emplace_back(column.pointer);
  const int last = static_cast<int>(columns.size()) + 3;
  lxw_worksheet* s = nullptr;
  std::size_t row = 0;
  int sheets = 0;
  const auto finish = [&] {
    b.HeaderRow(s, row - 1, last);
    b.FitColumns(s, 6, 80);
  };
  // A sheet holds Excel's rows at most; the findings go on on the next one.
  const auto start = [&] {
    if (s) finish();
    ++sheets;
    s = b.Sheet(sheets == 1 ? CheckSheetName(r.id)
                            : workbook::SheetName(fmt::format("{}（{}）", c.title, sheets)));
    b.Text(s, 0, 0, "严重程度", b.bold());
    b.Text(s, 0, 1, "表", b.bold());
    b.Text(s, 0, 2, "行", b.bold());
    for (std::size_t i = 0; i < columns.size(); ++i)
      b.Text(s, 0, static_cast<int>(i) + 3, columns[i].header, b.bold());
    b.Text(s, 0, last, "说明", b.bold());
    row = 1;
  };
  start();
  for (const Finding& f : r.listed) {
    if (row > g_check_rows_per_sheet) start();
    b.Text(s, row, 0, SeverityChinese(c.severity));
    b.Text(s, row, 1, f.table);
    if (f.row > 0) b.Number(s, row, 2, static_cast<double>(f.row));
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (f.fields.is_object() && f.fields.contains(pointers[i]))
        WriteCell(b, s, row, static_cast<int>(i) + 3, f.fields.at(pointers[i]), columns[i].kind);
    }
    const std::string place = Place(f);
    b.Text(s, row, last, place.empty() ? f.message : place + "：" + f.message);
    ++row;
  }
  finish();
  if (r.listed.size() < r.count)
    b.Text(s, row + 1, 0,
           fmt::format("共 {} 条，只列出前 {} 条（用 --max-findings 列出更多）", r.count,
                       r.listed.size()));
}

}  // namespace

std::string CheckSheetName(CheckId id) {
  return workbook::SheetName(Info(id).title);
}

bool WriteCheckWorkpaper(const std::string& path, const CheckReport& report,
                         const CheckWorkpaperInfo& info, bool overwrite) {
  return workbook::WriteWorkbook(
      path,
      [&](Workbook& b) {
        lxw_worksheet* cover = b.Sheet("概览");
        const std::size_t last = WriteOverview(b, cover, report, info);
        for (const CheckResult& r : report.results)
          if (!r.listed.empty()) WriteCheck(b, r);
        b.Text(cover, last, 0, "截断的单元格");
        b.Number(cover, last, 1, static_cast<double>(b.cut_cells()));
        b.Text(cover, last, 6,
               "单元格最多 32,767 字；更长的文字截断并注明“已截断，全文 N 字”，全文见 JSON 报告");
      },
      overwrite, "账套检查工作底稿 " + info.book_set);
}

}  // namespace qoru::checks
