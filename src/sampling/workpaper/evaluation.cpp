#include "sampling/workpaper/evaluation.h"

#include <algorithm>
#include <cmath>

#include "sampling/poisson_factors.h"
#include "sampling/sample_run.h"

namespace qoru::sampling {
namespace {

Wide PlanUnits(const std::string& text, int scale, const char* what) {
  const std::optional<Wide> u = RoundedUnits(text, scale);
  if (!u) throw SampleError(std::string("工作底稿概览中的") + what + "“" + text + "”不是金额");
  return *u;
}

// One direction: `sign` 1 for overstatements, −1 for understatements.
UpperLimit Limit(const std::vector<ItemMisstatement>& items, int sign, Wide interval,
                 long double risk, const std::optional<Wide>& tolerable, bool mus) {
  UpperLimit u;
  for (const ItemMisstatement& m : items) {
    const Wide d = sign * m.d;
    if (d <= 0) continue;
    if (m.top)
      u.top += d;
    else if (m.large)
      u.large += d;
    else if (mus)
      u.taints.push_back(m);
  }
  if (!mus) return u;
  std::stable_sort(u.taints.begin(), u.taints.end(),
                   [&](const ItemMisstatement& a, const ItemMisstatement& b) {
                     return sign * a.taint > sign * b.taint;
                   });
  const long double j = static_cast<long double>(interval);
  u.factors = UpperFactors(static_cast<int>(u.taints.size()), risk);
  // The items of at least J are in the projection with their misstatement itself.
  u.projected = static_cast<long double>(u.large);
  for (const ItemMisstatement& m : u.taints) u.projected += sign * m.taint * j;
  u.basic = static_cast<long double>(u.factors[0]) * j;
  for (std::size_t k = 1; k <= u.taints.size(); ++k) {
    const long double step = static_cast<long double>(u.factors[k]) - u.factors[k - 1] - 1.0L;
    const long double a = step * sign * u.taints[k - 1].taint * j;
    u.allowances.push_back(a);
    u.incremental += a;
  }
  u.upper = static_cast<long double>(u.top) + u.projected + u.basic + u.incremental;
  if (tolerable) u.acceptable = u.upper <= static_cast<long double>(*tolerable);
  return u;
}

}  // namespace

std::string UnitsFigure(long double units, int scale) {
  const long double r = std::round(units);
  if (!(std::fabs(r) < 1e36L)) return "—";
  return DecimalText(static_cast<Wide>(r), scale);
}

Evaluation Evaluate(const PlanRecord& plan, const std::vector<ItemRecord>& items) {
  Evaluation e;
  e.plan = plan;
  const int scale = plan.scale;
  PlanRequest request;
  const bool confidence_read =
      checks::ParseAmount(plan.confidence, &request.confidence) == checks::AmountText::kValue;
  request.size = 1;  // the ranges of the confidence alone are checked
  if (!confidence_read || !RequestProblem(request).empty())
    throw SampleError("工作底稿概览中的置信度“" + plan.confidence + "”无法识别");
  e.risk = RiskOf(request);
  if (!plan.tolerable.empty()) e.tolerable = PlanUnits(plan.tolerable, scale, "可容忍错报");
  const bool mus = plan.method == Method::kMonetaryUnit;
  const Wide interval =
      mus && !plan.interval.empty() ? PlanUnits(plan.interval, scale, "抽样间隔") : 0;
  const Wide bv = PlanUnits(plan.rest_total, scale, "抽样总体金额");
  const std::optional<Wide> n_items = RoundedUnits(plan.rest_items, 0);
  if (!n_items)
    throw SampleError("工作底稿概览中的抽样总体项目数“" + plan.rest_items + "”无法识别");

  for (const ItemRecord& r : items) {
    ItemMisstatement m;
    m.index = r.index;
    m.top = r.top;
    m.book = r.book;
    m.audited = r.audited.value_or(r.book);
    m.d = m.book - m.audited;
    m.large = mus && !r.top && interval > 0 && m.book >= interval;
    m.taint = m.book != 0 ? static_cast<long double>(m.d) / static_cast<long double>(m.book) : 0;
    if (m.d != 0) ++e.misstated;
    if (m.d > 0) ++e.overstated;
    if (m.d < 0) ++e.understated;
    if (m.top) e.top_misstatement += m.d;
    e.items.push_back(m);
  }
  e.over = Limit(e.items, 1, interval, e.risk, e.tolerable, mus);
  e.under = Limit(e.items, -1, interval, e.risk, e.tolerable, mus);
  if (!mus) {
    Projection& p = e.projection;
    p.top = e.top_misstatement;
    for (const ItemMisstatement& m : e.items) {
      if (m.top) continue;
      ++p.items;
      p.misstatement += m.d;
      p.book += m.book;
    }
    if (p.book != 0)
      p.ratio = static_cast<long double>(p.misstatement) / static_cast<long double>(p.book) *
                static_cast<long double>(bv);
    if (p.items > 0)
      p.difference = static_cast<long double>(*n_items) * static_cast<long double>(p.misstatement) /
                     static_cast<long double>(p.items);
  }
  return e;
}

}  // namespace qoru::sampling
