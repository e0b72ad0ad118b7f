#include "sampling/workpaper/sample_workpaper.h"

#include <xlsxwriter.h>

#include <fmt/format.h>

#include "sampling/report/sample_words.h"
#include "sampling/workpaper/workpaper_layout.h"
#include "workbook/workbook.h"

namespace qoru::sampling {
namespace {

using Book = workbook::Workbook;

std::string PostingIdentity(std::int64_t row) {
  return "row " + std::to_string(row);
}

// The cover's note beside a value: how it came about.
std::string NoteOf(const std::string& label, const SampleBook& book, const Sample& s) {
  const Population& p = s.population;
  if (label == "抽样单位") return std::string(UnitChinese(p.request.unit));
  if (label == "方向" && p.request.unit != Unit::kBalance)
    return std::string(SideChinese(p.request.side));
  if (label == "科目") return AccountsText(p);
  if (label == "年度" && !book.year) return "无法确定：凭证日期不按年度筛选";
  if (label == "抽样方法") return std::string(MethodChinese(s.request.plan.method));
  if (label == "金额为零的项目数" || label == "金额为负数的项目数") return "未抽样，请另行测试";
  if (label == "样本量" && s.rest_items > 0) return SizeFormula(s);
  if (label == "抽样间隔" && s.interval > 0) return IntervalFormula(s);
  if (label == "起点" && s.interval > 0)
    return "s = 1 + (((x0 >> 11) × J) >> 53)，x0 为 mt19937_64 的第一个输出";
  if (label == "随机种子") return s.request.seed_given ? "--seed" : "由时钟取得";
  if (label == "选中项目数" && s.every_item) return "样本包含抽样总体的全部项目（100% 测试）";
  if (label == "校验值") return "抽样计划与样本的 SHA-256：只填写审定金额和备注，其余不要改动";
  return {};
}

}  // namespace

std::vector<std::string> SampleColumns(Unit unit) {
  switch (unit) {
    case Unit::kPosting:
      return {kIndexColumn, kStratumColumn, kDateColumn,         kTypeColumn,    kNumberColumn,
              kLineColumn,  kAccountColumn, kAccountNameColumn,  kSummaryColumn, kBookColumn,
              kHitsColumn,  kRowColumn,     AuditedColumn(unit), kRemarkColumn};
    case Unit::kVoucher:
      return {kIndexColumn,   kStratumColumn, kDateColumn,         kTypeColumn,
              kNumberColumn,  kLineColumn,    kAccountColumn,      kAccountNameColumn,
              kSummaryColumn, kDebitColumn,   kCreditColumn,       kBookColumn,
              kHitsColumn,    kRowColumn,     AuditedColumn(unit), kRemarkColumn};
    case Unit::kBalance:
      break;
  }
  return {kIndexColumn,   kStratumColumn,      kAccountColumn, kAccountNameColumn, kAuxTypeColumn,
          kAuxCodeColumn, kAuxNameColumn,      kBalanceColumn, kDirectionColumn,   kBookColumn,
          kHitsColumn,    AuditedColumn(unit), kRemarkColumn};
}

const char* AuditedColumn(Unit unit) {
  return unit == Unit::kBalance ? "回函金额" : "审定金额";
}

PlanRecord RecordPlan(const SampleBook& book, const Sample& s, const std::vector<ListedItem>& items,
                      const WorkpaperInfo& info) {
  const Population& p = s.population;
  const PlanRequest& r = s.request.plan;
  PlanRecord c;
  c.book_set = book.name;
  c.year = book.year ? std::to_string(*book.year) : "";
  c.table = p.request.unit == Unit::kBalance ? book.balances_table : book.postings_table;
  c.unit = p.request.unit;
  c.side = p.request.side;
  for (const std::string& a : p.accounts) c.accounts += (c.accounts.empty() ? "" : " ") + a;
  c.balance_month = book.balance_month ? std::to_string(*book.balance_month) : "";
  c.items = std::to_string(p.items.size());
  c.total = UnitsText(s, p.total);
  c.scale = p.scale;
  c.zero_items = std::to_string(p.zero_items);
  c.negative_items = std::to_string(p.negative_items);
  c.negative_total = p.negative_total.ToString();
  c.method = r.method;
  c.confidence = PlainDecimal(r.confidence);
  c.tolerable = r.tolerable ? r.tolerable->ToString() : "";
  c.expected = r.expected.ToString();
  c.threshold = s.request.threshold ? s.request.threshold->ToString() : "";
  c.top_items = std::to_string(s.top.size());
  c.top_total = UnitsText(s, s.top_total);
  c.rest_items = std::to_string(s.rest_items);
  c.rest_total = UnitsText(s, s.rest_total);
  c.size = std::to_string(s.size);
  if (s.planned) {
    c.r0 = fmt::format("{:.17g}", s.planned->r0);
    c.expansion = s.planned->expansion;
  }
  if (s.interval > 0) {
    c.interval = UnitsText(s, static_cast<Wide>(s.interval));
    c.start = UnitsText(s, static_cast<Wide>(s.start));
    c.positions = std::to_string(s.positions);
  }
  c.seed = std::to_string(s.request.seed);
  c.selected = std::to_string(items.size());
  c.program = info.provenance.program + " " + info.provenance.version;
  c.started = info.provenance.started;
  c.files = info.provenance.files;
  c.digest = WorkpaperDigest(c, RecordItems(s, items));
  return c;
}

std::vector<ItemRecord> RecordItems(const Sample& s, const std::vector<ListedItem>& items) {
  std::vector<ItemRecord> out;
  for (const ListedItem& l : items) {
    ItemRecord r;
    r.index = l.index;
    r.top = l.top;
    r.hits = l.hits;
    r.book = UnitsAt(l.amount, s.population.scale);
    switch (s.population.request.unit) {
      case Unit::kPosting:
        r.identity = PostingIdentity(l.postings[0].row);
        break;
      case Unit::kVoucher:
        r.identity = fmt::format("{}|{}|{}", l.date, l.type, l.number);
        break;
      case Unit::kBalance:
        r.identity = l.account + "|" + l.aux_code;
        break;
    }
    out.push_back(std::move(r));
  }
  return out;
}

bool WriteSampleWorkpaper(const std::string& path, const SampleBook& book, const Sample& s,
                          const std::vector<ListedItem>& items, const WorkpaperInfo& info,
                          bool overwrite) {
  const PlanRecord plan = RecordPlan(book, s, items, info);
  return workbook::WriteWorkbook(
      path,
      [&](Book& b) {
        lxw_worksheet* cover = StartCover(b, "审计抽样工作底稿");
        std::size_t row = 2;
        for (const auto& [label, value] : PlanPairs(plan)) {
          b.Text(cover, row, 0, label);
          b.Text(cover, row, 1, value);
          b.Text(cover, row, 2, NoteOf(label, book, s));
          ++row;
        }
        WriteCoverProvenance(b, cover, row, info.provenance);

        const Unit unit = s.population.request.unit;
        const std::vector<std::string> columns = SampleColumns(unit);
        lxw_worksheet* sheet = StartTable(b, kSampleSheet, columns);
        SampleSheetWriter w(b, sheet, columns);
        for (const ListedItem& l : items) {
          w.Item(l, unit);
          if (unit == Unit::kVoucher)
            for (const ListedPosting& p : l.postings) w.VoucherPosting(p);
        }
        w.Finish();
        WriteStrata(b, Strata(s));
      },
      overwrite, "审计抽样工作底稿 " + book.name);
}

}  // namespace qoru::sampling
