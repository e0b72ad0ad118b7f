#include "sampling/selection.h"

#include <algorithm>
#include <numeric>

#include "sampling/sample_plan.h"

namespace qoru::sampling {

UnitSelection SelectMonetaryUnits(std::span<const UWide> amounts, std::uint64_t size,
                                  std::uint64_t x0) {
  UWide total = 0;
  for (const UWide a : amounts) total += a;
  return SelectMonetaryUnits(
      amounts.size(), total, [&](std::size_t i) { return amounts[i]; }, size, x0);
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
