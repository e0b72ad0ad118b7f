// The generator's own PRNG (splitmix64). The standard distributions are avoided on
// purpose: their output differs between library versions, and a data set must be the
// same bytes for a seed everywhere.
#pragma once

#include <cstdint>
#include <iterator>

namespace qoru::gen {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in [0, n); 0 when n is 0. The modulo bias is irrelevant for test data.
  std::uint64_t Below(std::uint64_t n) { return n == 0 ? 0 : Next() % n; }
  // A number in [lo, hi].
  std::int64_t Between(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(hi - lo) + 1));
  }
  // True with the given chance in percent.
  bool Percent(int percent) { return Below(100) < static_cast<std::uint64_t>(percent); }

  // A random element of a non-empty array or vector.
  template <typename Container>
  const auto& Pick(const Container& items) {
    return items[Below(std::size(items))];
  }

 private:
  std::uint64_t state_;
};

}  // namespace qoru::gen
