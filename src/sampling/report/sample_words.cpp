#include "sampling/report/sample_words.h"

#include <fmt/format.h>

#include <map>

namespace qoru::sampling {

std::string_view UnitChinese(Unit unit) {
  return unit == Unit::kPosting ? "分录" : unit == Unit::kVoucher ? "凭证" : "余额";
}

std::string_view SideChinese(Side side) {
  return side == Side::kDebit ? "借方" : "贷方";
}

std::string_view MethodChinese(Method m) {
  return m == Method::kMonetaryUnit ? "货币单元抽样（系统选取）" : "简单随机抽样（不放回）";
}

std::string UnitsText(const Sample& s, Wide units) {
  return DecimalText(units, s.population.scale);
}

std::string SizeFormula(const Sample& s) {
  if (!s.planned) return fmt::format("n = {}（--size）", s.size);
  const PlannedSize& p = *s.planned;
  const PlanRequest& r = s.request.plan;
  const std::string e = p.expansion.empty() ? "0" : p.expansion;
  return fmt::format("n = ceil(BV × R0 / (TM − EM × E)) = ceil({} × {:.4f} / ({} − {} × {})) = {}",
                     UnitsText(s, s.rest_total), p.r0, r.tolerable->ToString(),
                     r.expected.ToString(), e, s.size);
}

std::string IntervalFormula(const Sample& s) {
  return fmt::format("J = ceil(BV / n) = ceil({} / {}) = {}", UnitsText(s, s.rest_total), s.size,
                     UnitsText(s, static_cast<Wide>(s.interval)));
}

std::string AccountsText(const Population& p) {
  if (p.accounts.empty()) return "全部科目";
  std::string out;
  for (const std::string& a : p.accounts) out += (out.empty() ? "" : "、") + a;
  return out + "（含下级科目）";
}

std::vector<Stratum> Strata(const Sample& s) {
  const Population& p = s.population;
  std::vector<Stratum> out;
  std::vector<std::int64_t> selected(p.items.size(), 0);
  for (const SelectedItem& i : s.selected) selected[i.item] = 1;
  if (s.request.threshold) {
    Stratum top{
        "重大项目（金额不小于 " + s.request.threshold->ToString() + "）", 0, 0, 0, false, ""};
    for (std::size_t i : s.top) {
      ++top.items;
      top.total += p.Units(i);
      top.selected += selected[i];
    }
    out.push_back(top);
  }
  std::vector<bool> in_top(p.items.size(), false);
  for (std::size_t i : s.top) in_top[i] = true;
  const bool by_interval = s.request.plan.method == Method::kMonetaryUnit && s.interval > 0;
  Stratum large{
      "不小于抽样间隔（" + UnitsText(s, static_cast<Wide>(s.interval)) + "）", 0, 0, 0, false, ""};
  // Bands [10^k, 10^(k+1)) of the value, k from −scale up; key k + scale.
  std::map<int, Stratum> bands;
  for (std::size_t i = 0; i < p.items.size(); ++i) {
    if (in_top[i]) continue;
    const Wide u = p.Units(i);
    if (by_interval && static_cast<UWide>(u) >= s.interval) {
      ++large.items;
      large.total += u;
      large.selected += selected[i];
      continue;
    }
    int digits = 0;
    for (Wide v = u; v >= 10; v /= 10) ++digits;
    Stratum& b = bands[digits];
    ++b.items;
    b.total += u;
    b.selected += selected[i];
  }
  if (by_interval) out.push_back(large);
  for (auto it = bands.rbegin(); it != bands.rend(); ++it) {
    const int k = it->first - p.scale;  // the band's lower bound is 10^k
    const auto bound = [&](int e) {
      return e >= 0 ? IntegerText(PowerOfTen(e))
                    : DecimalText(1, -e).substr(0, static_cast<std::size_t>(2 - e));
    };
    it->second.name = fmt::format("{} 至 {}（不含）", bound(k), bound(k + 1));
    out.push_back(it->second);
  }
  for (Stratum& b : out) b.total_text = UnitsText(s, b.total);
  if (p.zero_items > 0) out.push_back({"金额为零（未抽样）", p.zero_items, 0, 0, true, "0.00"});
  if (p.negative_items > 0)
    out.push_back(
        {"金额为负数（未抽样）", p.negative_items, 0, 0, true, p.negative_total.ToString()});
  return out;
}

}  // namespace qoru::sampling
