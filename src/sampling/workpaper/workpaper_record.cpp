#include "sampling/workpaper/workpaper_record.h"

#include <fmt/format.h>

#include "provenance/sha256.h"
#include "sampling/report/sample_words.h"

namespace qoru::sampling {
std::vector<std::pair<std::string, std::string>> PlanPairs(const PlanRecord& r) {
  return {
      {"账套", r.book_set},
      {"年度", r.year},
      {"表", r.table},
      {"抽样单位", std::string(UnitWord(r.unit))},
      {"方向", r.unit == Unit::kBalance ? std::string() : std::string(SideWord(r.side))},
      {"科目", r.accounts},
      {"余额月份", r.balance_month},
      {"可抽样项目数", r.items},
      {"可抽样金额", r.total},
      {"最小单位的小数位数", std::to_string(r.scale)},
      {"金额为零的项目数", r.zero_items},
      {"金额为负数的项目数", r.negative_items},
      {"金额为负数的合计", r.negative_total},
      {"抽样方法", std::string(MethodWord(r.method))},
      {"置信度（%）", r.confidence},
      {"可容忍错报", r.tolerable},
      {"预计错报", r.expected},
      {"重大项目下限", r.threshold},
      {"重大项目数", r.top_items},
      {"重大项目金额", r.top_total},
      {"抽样总体项目数", r.rest_items},
      {"抽样总体金额", r.rest_total},
      {"样本量", r.size},
      {"R0", r.r0},
      {"扩张系数", r.expansion},
      {"抽样间隔", r.interval},
      {"起点", r.start},
      {"选取位置数", r.positions},
      {"随机种子", r.seed},
      {"选中项目数", r.selected},
      {"程序", r.program},
      {"运行时间", r.started},
      {"校验值", r.digest},
  };
}

std::size_t DigestedPairs() {
  return PlanPairs(PlanRecord()).size() - 1;  // all but the digest itself, the last
}

std::optional<PlanRecord> PlanFromPairs(
    const std::vector<std::pair<std::string, std::string>>& pairs, std::string* error) {
  PlanRecord r;
  const auto value = [&](const std::string& label) -> std::optional<std::string> {
    for (const auto& [l, v] : pairs)
      if (l == label) return v;
    return std::nullopt;
  };
  // Every label of the record must be there.
  for (const auto& [label, unused] : PlanPairs(r)) {
    if (!value(label)) {
      *error = "概览表中没有“" + label + "”一行";
      return std::nullopt;
    }
  }
  const auto text = [&](const char* label) { return *value(label); };
  r.book_set = text("账套");
  r.year = text("年度");
  r.table = text("表");
  const std::optional<Unit> unit = ParseUnit(text("抽样单位"));
  const std::optional<Method> method = ParseMethod(text("抽样方法"));
  const std::string side = text("方向");
  if (!unit || !method || (*unit != Unit::kBalance && !ParseSide(side))) {
    *error = "概览表中的抽样单位、方向或抽样方法无法识别";
    return std::nullopt;
  }
  r.unit = *unit;
  r.method = *method;
  if (*unit != Unit::kBalance) r.side = *ParseSide(side);
  r.accounts = text("科目");
  r.balance_month = text("余额月份");
  r.items = text("可抽样项目数");
  r.total = text("可抽样金额");
  const std::string scale = text("最小单位的小数位数");
  if (scale.empty() || scale.size() > 2 ||
      scale.find_first_not_of("0123456789") != std::string::npos || std::stoi(scale) > 18) {
    *error = "概览表中的最小单位的小数位数“" + scale + "”无法识别";
    return std::nullopt;
  }
  r.scale = std::stoi(scale);
  r.zero_items = text("金额为零的项目数");
  r.negative_items = text("金额为负数的项目数");
  r.negative_total = text("金额为负数的合计");
  r.confidence = text("置信度（%）");
  r.tolerable = text("可容忍错报");
  r.expected = text("预计错报");
  r.threshold = text("重大项目下限");
  r.top_items = text("重大项目数");
  r.top_total = text("重大项目金额");
  r.rest_items = text("抽样总体项目数");
  r.rest_total = text("抽样总体金额");
  r.size = text("样本量");
  r.r0 = text("R0");
  r.expansion = text("扩张系数");
  r.interval = text("抽样间隔");
  r.start = text("起点");
  r.positions = text("选取位置数");
  r.seed = text("随机种子");
  r.selected = text("选中项目数");
  r.program = text("程序");
  r.started = text("运行时间");
  r.digest = text("校验值");
  return r;
}

std::string WorkpaperDigest(const PlanRecord& plan, const std::vector<ItemRecord>& items) {
  provenance::Sha256 h;
  h.Update("qoru-gbtxt sample workpaper 1\n");
  const std::vector<std::pair<std::string, std::string>> pairs = PlanPairs(plan);
  for (std::size_t i = 0; i < DigestedPairs(); ++i)
    h.Update(pairs[i].first + "=" + pairs[i].second + "\n");
  for (const ItemRecord& item : items)
    h.Update(fmt::format("{}|{}|{}|{}|{}\n", item.index, item.top ? 1 : 0, item.hits, item.identity,
                         DecimalText(item.book, plan.scale)));
  return provenance::Sha256::Hex(h.Finish());
}

}  // namespace qoru::sampling
