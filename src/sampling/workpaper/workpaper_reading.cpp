#include "sampling/workpaper/workpaper_reading.h"

#include <charconv>
#include <map>

#include <fmt/format.h>

#include "checks/values/written_amount.h"
#include "sampling/sample_run.h"
#include "sampling/workpaper/sample_workpaper.h"
#include "sampling/workpaper/workpaper_layout.h"
#include "workbook/xlsx_reader.h"

namespace qoru::sampling {
namespace {

using workbook::Cell;

std::string CellText(const Cell& c) {
  return c.kind == Cell::Kind::kEmpty ? std::string() : c.text;
}

// A whole number from a cell; nullopt when it is none.
std::optional<std::uint64_t> CellCount(const Cell& c) {
  const std::optional<Wide> u = RoundedUnits(c.text, 0);
  if (c.kind != Cell::Kind::kNumber && c.kind != Cell::Kind::kText) return std::nullopt;
  if (!u || *u < 0 || RoundedUnits(c.text, 6) != *u * 1000000) return std::nullopt;
  return static_cast<std::uint64_t>(*u);
}

// A date cell as yyyymmdd: a serial day, or the text "yyyy-mm-dd" written for dates
// before 1900; 0 for none.
int CellDate(const Cell& c) {
  if (c.kind == Cell::Kind::kNumber) {
    double serial = 0;
    std::from_chars(c.text.data(), c.text.data() + c.text.size(), serial);
    return workbook::SerialDate(serial);
  }
  if (c.kind == Cell::Kind::kText && c.text.size() == 10 && c.text[4] == '-' && c.text[7] == '-') {
    const std::string digits = c.text.substr(0, 4) + c.text.substr(5, 2) + c.text.substr(8, 2);
    if (digits.find_first_not_of("0123456789") == std::string::npos) return std::stoi(digits);
  }
  return 0;
}

// An amount the auditor typed: a number, or a text such as "1,234.56".
std::optional<Wide> CellAmount(const Cell& c, int scale) {
  if (c.kind == Cell::Kind::kNumber) return RoundedUnits(c.text, scale);
  if (c.kind != Cell::Kind::kText) return std::nullopt;
  // A text as an auditor writes an amount: 1,234.50, full-width digits, 5万.
  const std::optional<Amount> a = checks::ParseWrittenAmount(c.text);
  return a ? RoundedUnits(a->ToString(), scale) : std::nullopt;
}

std::string DateLabel(int d) {
  return d == 0 ? std::string()
                : fmt::format("{:04}-{:02}-{:02}", d / 10000, d / 100 % 100, d % 100);
}

}  // namespace

ReadWorkpaper ReadSampleWorkpaper(const std::string& path, const std::string& shown) {
  const workbook::XlsxReader book(path, shown);
  const std::string not_ours = "工作底稿 " + shown + " 不是由 qoru-gbtxt sample 生成的";
  if (!book.HasSheet(kCoverSheet) || !book.HasSheet(kSampleSheet))
    throw SampleError(not_ours + "（没有工作表“概览”和“样本”）");
  ReadWorkpaper out;

  // The cover: label and value pairs, then the provenance block with its table of files
  // (用途, 文件, 大小（字节）, SHA-256).
  const workbook::SheetCells cover = book.Sheet(kCoverSheet);
  std::vector<std::pair<std::string, std::string>> pairs;
  std::size_t row = 0;
  for (; row < cover.RowCount(); ++row) {
    const std::string label = CellText(cover.At(row, 0));
    if (label == kProvenanceTitle) break;
    if (!label.empty()) pairs.emplace_back(label, CellText(cover.At(row, 1)));
  }
  std::string error;
  std::optional<PlanRecord> plan = PlanFromPairs(pairs, &error);
  if (!plan) throw SampleError(not_ours + "（" + error + "）");
  while (row < cover.RowCount() && CellText(cover.At(row, 0)) != "用途") ++row;
  for (++row; row < cover.RowCount(); ++row) {
    provenance::FileRecord f;
    f.role = CellText(cover.At(row, 0));
    f.path = CellText(cover.At(row, 1));
    if (f.path.empty()) break;
    const std::optional<std::uint64_t> size = CellCount(cover.At(row, 2));
    // A size that cannot be read never matches a file's.
    f.size = size ? *size : ~std::uint64_t{0};
    f.sha256 = CellText(cover.At(row, 3));
    plan->files.push_back(std::move(f));
  }
  out.plan = std::move(*plan);
  const PlanRecord& p = out.plan;

  // The sample: its columns by their header names.
  const workbook::SheetCells sheet = book.Sheet(kSampleSheet);
  std::map<std::string, std::size_t> columns;
  for (std::size_t c = 0; c < 64; ++c) {
    const std::string name = CellText(sheet.At(0, c));
    if (!name.empty()) columns.emplace(name, c);
  }
  for (const std::string& name : SampleColumns(p.unit))
    if (!columns.count(name))
      throw SampleError("工作底稿 " + shown + " 的“样本”表缺少“" + name +
                        "”列：只能填写审定金额和备注，不要改动其他列");
  const auto cell = [&](std::size_t r, const char* name) -> const Cell& {
    return sheet.At(r, columns.at(name));
  };
  const std::string audited_column = AuditedColumn(p.unit);
  std::vector<std::size_t> missing;
  std::vector<std::string> unreadable;
  for (std::size_t r = 1; r < sheet.RowCount(); ++r) {
    if (cell(r, kIndexColumn).kind == Cell::Kind::kEmpty) continue;
    ItemRecord item;
    const std::optional<std::uint64_t> index = CellCount(cell(r, kIndexColumn));
    const std::optional<std::uint64_t> hits = CellCount(cell(r, kHitsColumn));
    const std::optional<Wide> book_value = CellAmount(cell(r, kBookColumn), p.scale);
    const std::string stratum = CellText(cell(r, kStratumColumn));
    if (!index || !hits || !book_value || (stratum != kTopWord && stratum != kSampleWord))
      throw SampleError("工作底稿 " + shown + " 的“样本”表第 " + std::to_string(r + 1) +
                        " 行已被改动（序号、层、账面金额或命中次数无法识别）：请用原始工作底稿");
    item.index = static_cast<std::size_t>(*index);
    item.hits = *hits;
    item.book = *book_value;
    item.top = stratum == kTopWord;
    const int date = p.unit == Unit::kBalance ? 0 : CellDate(cell(r, kDateColumn));
    const std::string type = p.unit == Unit::kBalance ? "" : CellText(cell(r, kTypeColumn));
    const std::string number = p.unit == Unit::kBalance ? "" : CellText(cell(r, kNumberColumn));
    switch (p.unit) {
      case Unit::kPosting: {
        const std::optional<std::uint64_t> table_row = CellCount(cell(r, kRowColumn));
        item.identity =
            "row " + (table_row ? std::to_string(*table_row) : CellText(cell(r, kRowColumn)));
        item.label =
            fmt::format("{} {}-{} {} {}", DateLabel(date), type, number,
                        CellText(cell(r, kAccountColumn)), CellText(cell(r, kAccountNameColumn)));
        break;
      }
      case Unit::kVoucher:
        item.identity = fmt::format("{}|{}|{}", date, type, number);
        item.label = fmt::format("{} {}-{}", DateLabel(date), type, number);
        break;
      case Unit::kBalance: {
        const std::string account = CellText(cell(r, kAccountColumn));
        const std::string aux = CellText(cell(r, kAuxCodeColumn));
        item.identity = account + "|" + aux;
        item.label = account + " " + CellText(cell(r, kAccountNameColumn)) +
                     (aux.empty() ? "" : " " + aux + " " + CellText(cell(r, kAuxNameColumn)));
        break;
      }
    }
    const Cell& audited = sheet.At(r, columns.at(audited_column));
    if (audited.kind == Cell::Kind::kEmpty ||
        (audited.kind == Cell::Kind::kText &&
         audited.text.find_first_not_of(" ") == std::string::npos)) {
      missing.push_back(item.index);
    } else if (const std::optional<Wide> a = CellAmount(audited, p.scale)) {
      item.audited = *a;
    } else {
      unreadable.push_back(fmt::format("序号 {} 的“{}”", item.index, audited.text));
    }
    item.remark = CellText(sheet.At(r, columns.at(kRemarkColumn)));
    out.items.push_back(std::move(item));
  }
  if (WorkpaperDigest(p, out.items) != p.digest)
    throw SampleError("工作底稿 " + shown +
                      " 中的抽样计划或样本与它的校验值不符：它不是由 qoru-gbtxt sample 生成的，"
                      "或者除" +
                      audited_column + "和备注以外的内容已被改动。请在原始工作底稿中只填写" +
                      audited_column + "和备注");
  if (!unreadable.empty()) {
    std::string list;
    for (const std::string& u : unreadable) list += (list.empty() ? "" : "、") + u;
    throw SampleError("工作底稿 " + shown + " 中的" + audited_column + "不是金额：" + list);
  }
  if (!missing.empty()) {
    std::string list;
    for (std::size_t i = 0; i < missing.size() && i < 50; ++i)
      list += (i == 0 ? "" : "、") + std::to_string(missing[i]);
    if (missing.size() > 50) list += " 等";
    throw SampleError("工作底稿 " + shown + " 中有 " + std::to_string(missing.size()) +
                      " 个项目没有" + audited_column + "（序号 " + list +
                      "）：每个选中的项目都要填写" + audited_column +
                      "（没有错报时填账面金额）后再评价");
  }
  return out;
}

}  // namespace qoru::sampling
