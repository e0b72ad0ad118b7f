#include "sampling/workpaper/evaluation_report.h"

#include <cmath>

#include <fmt/format.h>

#include "sampling/report/sample_words.h"
#include "sampling/workpaper/sample_workpaper.h"
#include "sampling/workpaper/workpaper_layout.h"

namespace qoru::sampling {
namespace {

// The terms of one direction, as label, formula and figure.
struct Term {
  std::string label, formula, figure;
};

std::string Conclusion(const UpperLimit& u, const Evaluation& e) {
  if (!u.acceptable) return "未给出可容忍错报，无法得出结论";
  const int s = e.plan.scale;
  return fmt::format("错报上限 {} {} 可容忍错报 {}：{}", UnitsFigure(u.upper, s),
                     *u.acceptable ? "不大于" : "大于", DecimalText(*e.tolerable, s),
                     *u.acceptable ? "可以接受" : "不能接受");
}

// PM's reckoning: the items of at least J as they are (when any is misstated), then the
// taints times J.
std::string ProjectionFormula(const UpperLimit& u, const std::string& taints, const std::string& j,
                              int scale) {
  const std::string projected =
      u.taints.empty() ? "Σ t × J（无错报）" : "Σ t × J = (" + taints + ") × " + j;
  if (u.large == 0) return projected;
  return "不小于抽样间隔的项目的错报 " + DecimalText(u.large, scale) + " + " + projected;
}

std::vector<Term> Terms(const UpperLimit& u, const Evaluation& e) {
  const int s = e.plan.scale;
  const std::string j = e.plan.interval;
  std::string taints, allowances;
  for (std::size_t k = 0; k < u.taints.size(); ++k) {
    taints += fmt::format("{}{:.4f}", k == 0 ? "" : " + ",
                          static_cast<double>(std::fabs(u.taints[k].taint)));
    allowances +=
        fmt::format("{}{:.4f} × {:.4f}", k == 0 ? "" : " + ", u.factors[k + 1] - u.factors[k] - 1.0,
                    static_cast<double>(std::fabs(u.taints[k].taint)));
  }
  return {
      {"重大项目的错报", "实际错报，不推断", DecimalText(u.top, s)},
      {"不小于抽样间隔的项目的错报", "实际错报，不推断，计入 PM", DecimalText(u.large, s)},
      {"推断错报 PM", ProjectionFormula(u, taints, j, s), UnitsFigure(u.projected, s)},
      {"基本精确度 BP",
       fmt::format("R0 × J = {:.4f} × {}", u.factors.empty() ? 0.0 : u.factors[0], j),
       UnitsFigure(u.basic, s)},
      {"增量允许 IA",
       u.taints.empty() ? "Σ (R_k − R_(k−1) − 1) × t_(k) × J（无错报）"
                        : "Σ (R_k − R_(k−1) − 1) × t_(k) × J = (" + allowances + ") × " + j,
       UnitsFigure(u.incremental, s)},
      {"错报上限 UML", "重大项目的错报 + PM + BP + IA", UnitsFigure(u.upper, s)},
  };
}

nlohmann::ordered_json LimitJson(const UpperLimit& u, const Evaluation& e) {
  const int s = e.plan.scale;
  nlohmann::ordered_json taints = nlohmann::ordered_json::array();
  for (std::size_t k = 0; k < u.taints.size(); ++k)
    taints.push_back({{"index", u.taints[k].index},
                      {"taint", static_cast<double>(std::fabs(u.taints[k].taint))},
                      {"allowance", UnitsFigure(u.allowances[k], s)}});
  nlohmann::ordered_json j;
  j["top_stratum"] = DecimalText(u.top, s);
  j["large_items"] = DecimalText(u.large, s);
  j["taints"] = std::move(taints);
  j["factors"] = u.factors;
  j["projected"] = UnitsFigure(u.projected, s);
  j["basic_precision"] = UnitsFigure(u.basic, s);
  j["incremental_allowance"] = UnitsFigure(u.incremental, s);
  j["upper_limit"] = UnitsFigure(u.upper, s);
  j["acceptable"] = u.acceptable ? nlohmann::ordered_json(*u.acceptable) : nlohmann::ordered_json();
  return j;
}

std::string PlanLine(const PlanRecord& p) {
  std::string out =
      fmt::format("方法：{}，置信度 {}%，可容忍错报 {}，预计错报 {}\n", MethodChinese(p.method),
                  p.confidence, p.tolerable.empty() ? "未给出" : p.tolerable, p.expected);
  out += fmt::format("抽样总体 {} 个项目，金额 {}；样本量 {}", p.rest_items, p.rest_total, p.size);
  if (!p.interval.empty()) out += "，抽样间隔 " + p.interval;
  out += "，随机种子 " + p.seed;
  if (!p.threshold.empty())
    out +=
        fmt::format("；重大项目（不小于 {}）{} 个，金额 {}", p.threshold, p.top_items, p.top_total);
  return out + "\n";
}

}  // namespace

std::string EvaluationText(const Evaluation& e, const ReadWorkpaper& w, const std::string& shown) {
  const PlanRecord& p = e.plan;
  const int s = p.scale;
  std::string out = fmt::format("审计抽样评价：工作底稿 {}\n", shown);
  out += fmt::format("账套 {}（{}），{}{}，科目 {}\n", p.book_set,
                     p.year.empty() ? "年度未知" : p.year + " 年度", UnitChinese(p.unit),
                     p.unit == Unit::kBalance ? "" : fmt::format("（{}）", SideChinese(p.side)),
                     p.accounts.empty() ? "全部" : p.accounts);
  out += PlanLine(p);
  out += fmt::format("样本 {} 个项目：有错报 {} 个（高估 {} 个，低估 {} 个）\n", e.items.size(),
                     e.misstated, e.overstated, e.understated);
  if (p.method == Method::kMonetaryUnit) {
    for (const auto& [name, limit] :
         {std::pair<const char*, const UpperLimit*>{"高估", &e.over},
          std::pair<const char*, const UpperLimit*>{"低估", &e.under}}) {
      out += std::string(name) + "：\n";
      for (const Term& t : Terms(*limit, e))
        out += fmt::format("  {}：{} = {}\n", t.label, t.formula, t.figure);
      out += "  结论：" + Conclusion(*limit, e) + "\n";
    }
  } else {
    const Projection& j = e.projection;
    out += fmt::format("  样本（不含重大项目）{} 个项目，错报合计 {}，账面合计 {}\n", j.items,
                       DecimalText(j.misstatement, s), DecimalText(j.book, s));
    out += fmt::format("  比率法推断错报 = (Σd / Σ账面) × BV = {}\n", UnitsFigure(j.ratio, s));
    out += fmt::format("  差额法推断错报 = N × 平均错报 = {}\n", UnitsFigure(j.difference, s));
    out += fmt::format("  重大项目的实际错报 = {}\n", DecimalText(j.top, s));
    out += fmt::format("  合计：比率法 {}，差额法 {}（未含抽样风险的允许限度，请结合职业判断）\n",
                       UnitsFigure(j.ratio + static_cast<long double>(j.top), s),
                       UnitsFigure(j.difference + static_cast<long double>(j.top), s));
  }
  if (e.misstated > 0) {
    out += "有错报的项目：\n";
    for (std::size_t i = 0; i < e.items.size(); ++i) {
      const ItemMisstatement& m = e.items[i];
      if (m.d == 0) continue;
      out += fmt::format("  序号 {} {} 账面 {} 审定 {} 错报 {} 错报比例 {:.4f}{}{}\n", m.index,
                         w.items[i].label, DecimalText(m.book, s), DecimalText(m.audited, s),
                         DecimalText(m.d, s), static_cast<double>(m.taint),
                         m.top     ? "［重大项目］"
                         : m.large ? "［不小于抽样间隔］"
                                   : "",
                         w.items[i].remark.empty() ? "" : " 备注：" + w.items[i].remark);
    }
  }
  return out;
}

nlohmann::ordered_json EvaluationJson(const Evaluation& e, const ReadWorkpaper& w,
                                      const std::string& shown) {
  const PlanRecord& p = e.plan;
  const int s = p.scale;
  nlohmann::ordered_json j;
  j["workpaper"] = shown;
  j["book_set"] = p.book_set;
  j["unit"] = UnitWord(p.unit);
  j["method"] = MethodWord(p.method);
  j["confidence"] = p.confidence;
  j["tolerable"] =
      p.tolerable.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(p.tolerable);
  j["interval"] =
      p.interval.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(p.interval);
  const auto count = [](const std::string& text) {
    const std::optional<Wide> n = RoundedUnits(text, 0);
    return n ? nlohmann::ordered_json(static_cast<long long>(*n)) : nlohmann::ordered_json();
  };
  j["size"] = count(p.size);
  j["seed"] = p.seed;
  j["sampled_population"] = {{"items", count(p.rest_items)}, {"total", p.rest_total}};
  j["top_stratum"] = {{"items", count(p.top_items)},
                      {"total", p.top_total},
                      {"misstatement", DecimalText(e.top_misstatement, s)}};
  j["items"] = e.items.size();
  j["misstated"] = e.misstated;
  j["overstated"] = e.overstated;
  j["understated"] = e.understated;
  if (p.method == Method::kMonetaryUnit) {
    j["overstatement"] = LimitJson(e.over, e);
    j["understatement"] = LimitJson(e.under, e);
  } else {
    const Projection& r = e.projection;
    j["projection"] = {
        {"items", r.items},
        {"misstatement", DecimalText(r.misstatement, s)},
        {"book", DecimalText(r.book, s)},
        {"ratio", UnitsFigure(r.ratio, s)},
        {"difference", UnitsFigure(r.difference, s)},
        {"top_stratum", DecimalText(r.top, s)},
        {"ratio_total", UnitsFigure(r.ratio + static_cast<long double>(r.top), s)},
        {"difference_total", UnitsFigure(r.difference + static_cast<long double>(r.top), s)}};
  }
  nlohmann::ordered_json items = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < e.items.size(); ++i) {
    const ItemMisstatement& m = e.items[i];
    if (m.d == 0) continue;
    items.push_back({{"index", m.index},
                     {"item", w.items[i].label},
                     {"stratum", m.top ? "top" : "sample"},
                     {"large", m.large},
                     {"book", DecimalText(m.book, s)},
                     {"audited", DecimalText(m.audited, s)},
                     {"misstatement", DecimalText(m.d, s)},
                     {"taint", static_cast<double>(m.taint)},
                     {"remark", w.items[i].remark}});
  }
  j["misstatements"] = std::move(items);
  return j;
}

bool WriteEvaluationWorkpaper(const std::string& path, const Evaluation& e, const ReadWorkpaper& w,
                              const std::string& shown, const provenance::Provenance& run,
                              bool overwrite) {
  const PlanRecord& p = e.plan;
  const int s = p.scale;
  const auto write = [&](workbook::Workbook& b) {
    lxw_worksheet* cover = StartCover(b, "审计抽样评价工作底稿");
    std::size_t row = 2;
    const auto pair = [&](const std::string& label, const std::string& value) {
      b.Text(cover, row, 0, label);
      b.Text(cover, row++, 1, value);
    };
    pair("评价的抽样工作底稿", shown);
    ++row;
    for (const auto& [label, value] : PlanPairs(p)) pair(label, value);
    WriteCoverProvenance(b, cover, row, run);

    const std::vector<std::string> columns = {kIndexColumn, kStratumColumn, "项目",
                                              kBookColumn,  kHitsColumn,    AuditedColumn(p.unit),
                                              "错报",       "错报比例",     "备注"};
    lxw_worksheet* sheet = StartTable(b, "样本", columns);
    SampleSheetWriter rows(b, sheet, columns);
    for (std::size_t i = 0; i < e.items.size(); ++i) {
      const ItemMisstatement& m = e.items[i];
      rows.Number(kIndexColumn, static_cast<double>(m.index), false);
      rows.Text(kStratumColumn, m.top ? kTopWord : kSampleWord);
      rows.Text("项目", w.items[i].label);
      rows.Money(kBookColumn, DecimalText(m.book, s));
      rows.Number(kHitsColumn, static_cast<double>(w.items[i].hits), false);
      rows.Money(AuditedColumn(p.unit), DecimalText(m.audited, s));
      rows.Money("错报", DecimalText(m.d, s));
      rows.Number("错报比例", static_cast<double>(m.taint), false);
      rows.Text("备注", w.items[i].remark);
      rows.NextRow();
    }
    rows.Finish();

    lxw_worksheet* terms = StartTable(b, "评价", {"方向", "项目", "计算", "金额"});
    std::size_t r = 1;
    const auto line = [&](const std::string& direction, const std::string& label,
                          const std::string& formula, const std::string& figure) {
      b.Text(terms, r, 0, direction);
      b.Text(terms, r, 1, label);
      b.Text(terms, r, 2, formula);
      if (ExactAsNumber(figure))
        b.Number(terms, r, 3, DecimalNumber(figure), b.money());
      else
        b.Text(terms, r, 3, figure);
      ++r;
    };
    if (p.method == Method::kMonetaryUnit) {
      for (const auto& [name, limit] :
           {std::pair<const char*, const UpperLimit*>{"高估", &e.over},
            std::pair<const char*, const UpperLimit*>{"低估", &e.under}}) {
        for (const Term& t : Terms(*limit, e)) line(name, t.label, t.formula, t.figure);
        b.Text(terms, r, 0, name);
        b.Text(terms, r, 1, "结论");
        b.Text(terms, r++, 2, Conclusion(*limit, e));
      }
    } else {
      const Projection& j = e.projection;
      line("", "样本错报合计", "Σ d（不含重大项目）", DecimalText(j.misstatement, s));
      line("", "比率法推断错报", "(Σ d / Σ 账面) × BV", UnitsFigure(j.ratio, s));
      line("", "差额法推断错报", "N × 平均错报", UnitsFigure(j.difference, s));
      line("", "重大项目的实际错报", "Σ d（重大项目）", DecimalText(j.top, s));
    }
    FinishTable(b, terms, r - 1, 4);
  };
  return workbook::WriteWorkbook(path, write, overwrite, "审计抽样评价工作底稿 " + p.book_set);
}

}  // namespace qoru::sampling
