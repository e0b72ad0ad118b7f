#include "sampling/sample_run.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "sampling/selection.h"

namespace qoru::sampling {

std::uint64_t ClockSeed() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

Sample DrawSample(Population population, const SampleRequest& request) {
  Sample s;
  s.request = request;
  s.population = std::move(population);
  const Population& p = s.population;
  if (p.items.empty())
    throw SampleError("总体中没有可抽取的项目（金额大于 0 的" +
                      std::string(p.request.unit == Unit::kBalance   ? "余额"
                                  : p.request.unit == Unit::kVoucher ? "凭证"
                                                                     : "分录") +
                      "）：请检查 --account、--side 和 --unit");

  // The top stratum, and the rest in population order with their amounts in units.
  Wide threshold = 0;
  if (request.threshold) {
    if (request.threshold->units() <= 0)
      throw SampleError("--threshold 的值 " + request.threshold->ToString() + " 必须大于 0");
    // Compared at the finer of the two scales.
    const int scale = std::max(p.scale, request.threshold->scale());
    threshold = UnitsAt(*request.threshold, scale);
    for (std::size_t i = 0; i < p.items.size(); ++i)
      if (UnitsAt(p.AmountOf(i), scale) >= threshold) s.top.push_back(i);
  }
  // The rest is every item when there is no top stratum; else the items between the
  // top ones. Its amounts are read from the population where they are.
  std::vector<std::size_t> rest;
  for (const std::size_t i : s.top) s.top_total += p.Units(i);
  s.rest_total = p.total - s.top_total;
  if (!s.top.empty()) {
    rest.reserve(p.items.size() - s.top.size());
    std::size_t t = 0;
    for (std::size_t i = 0; i < p.items.size(); ++i) {
      if (t < s.top.size() && s.top[t] == i)
        ++t;
      else
        rest.push_back(i);
    }
  }
  const auto rest_item = [&](std::size_t k) { return s.top.empty() ? k : rest[k]; };
  s.rest_items = s.top.empty() ? p.items.size() : rest.size();

  const PlanRequest& plan = request.plan;
  if (const std::string problem = RequestProblem(plan); !problem.empty())
    throw SampleError(problem);
  std::mt19937_64 generator(request.seed);
  std::vector<SelectedItem> chosen;
  if (s.rest_items > 0) {
    if (plan.size) {
      s.size = *plan.size;
    } else {
      std::string error;
      s.planned = PlanSize(plan, static_cast<UWide>(s.rest_total), p.scale, &error);
      if (!s.planned) throw SampleError(error);
      s.size = s.planned->size;
    }
    if (plan.method == Method::kMonetaryUnit) {
      s.x0 = generator();
      const UnitSelection u = SelectMonetaryUnits(
          s.rest_items, static_cast<UWide>(s.rest_total),
          [&](std::size_t k) { return static_cast<UWide>(p.Units(rest_item(k))); }, s.size, s.x0);
      s.interval = u.interval;
      s.start = u.start;
      s.positions = u.positions;
      chosen.reserve(u.hits.size() + s.top.size());
      for (const Hit& h : u.hits) chosen.push_back({rest_item(h.item), h.hits, false});
      s.every_item = u.hits.size() == s.rest_items;
    } else {
      if (s.size > s.rest_items)
        throw SampleError("样本量 " + std::to_string(s.size) + " 大于可抽取的项目数 " +
                          std::to_string(s.rest_items) +
                          (s.top.empty() ? "" : "（重大项目已单独列出）") + "：请减小 --size");
      for (std::size_t i : SelectRandom(s.rest_items, static_cast<std::size_t>(s.size), generator))
        chosen.push_back({rest_item(i), 1, false});
      s.every_item = s.size == s.rest_items;
    }
  }
  // Top items and sampled ones together, in population order.
  for (std::size_t i : s.top) chosen.push_back({i, 1, true});
  std::sort(chosen.begin(), chosen.end(),
            [](const SelectedItem& a, const SelectedItem& b) { return a.item < b.item; });
  s.selected = std::move(chosen);
  return s;
}

}  // namespace qoru::sampling
