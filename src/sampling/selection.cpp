#include "sampling/selection.h"

#include <algorithm>
#include <numeric>

#include "sampling/sample_plan.h"

namespace qoru::sampling {

UnitSelection SelectMonetaryUnits(std::span<const UWide> amounts, std::uint64_t size,
                                  std::uint64_t x0) {
  UnitSelection s;
  for (const UWide a : amounts) s.total += a;
  if (s.total == 0 || size == 0) return s;
  s.interval = Interval(s.total, size);
  s.start = 1 + MulShift53(x0 >> 11, s.interval);
  s.positions = static_cast<std::uint64_t>((s.total - s.start) / s.interval + 1);
  // One walk over the items and the positions together.
  UWide cumulative = 0;
  UWide next = s.start;
  for (std::size_t i = 0; i < amounts.size() && next <= s.total; ++i) {
    cumulative += amounts[i];
    if (next > cumulative) continue;
    const UWide hits = (cumulative - next) / s.interval + 1;
    s.hits.push_back({i, static_cast<std::uint64_t>(hits)});
    next += hits * s.interval;
  }
  return s;
}

std::vector<std::size_t> SelectRandom(std::size_t items, std::size_t size,
                                      std::mt19937_64& generator) {
  std::vector<std::size_t> order(items);
  std::iota(order.begin(), order.end(), std::size_t{0});
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint64_t x = generator();
    const std::size_t j =
        i + static_cast<std::size_t>(MulShift53(x >> 11, static_cast<UWide>(items - i)));
    std::swap(order[i], order[j]);
  }
  order.resize(size);
  std::sort(order.begin(), order.end());
  return order;
}

}  // namespace qoru::sampling
