#include "screening/hash_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace qoru::screening {
namespace {

struct Record {
  std::uint64_t hash;
  std::uint32_t order;
  bool operator<(const Record& o) const { return hash != o.hash ? hash < o.hash : order < o.order; }
  bool operator==(const Record& o) const = default;
};

TEST(HashSort, SortsAsStdSortDoes) {
  // Spread hashes; hashes that share their top bits (one long run to sort at the end);
  // hashes that differ only in the top bits; many equal hashes; fewer records than the
  // counting passes are for.
  struct Case {
    const char* name;
    std::size_t count;
    std::uint64_t (*hash)(std::mt19937_64&, std::size_t);
  };
  const Case cases[] = {
      {"spread", 100'000, [](std::mt19937_64& r, std::size_t) -> std::uint64_t { return r(); }},
      {"same top bits", 20'000,
       [](std::mt19937_64& r, std::size_t) -> std::uint64_t {
         return 0xABCD'0000'0000'0000ULL | (r() >> 16);
       }},
      {"top bits only", 50'000,
       [](std::mt19937_64& r, std::size_t) -> std::uint64_t { return (r() >> 48) << 48; }},
      {"few hashes", 30'000,
       [](std::mt19937_64& r, std::size_t) -> std::uint64_t {
         return r() % 7 * 0x1111'1111'1111'1111ULL;
       }},
      {"short", 1'000, [](std::mt19937_64& r, std::size_t) -> std::uint64_t { return r(); }},
  };
  std::mt19937_64 random(11);
  for (const Case& c : cases) {
    std::vector<Record> records;
    for (std::size_t i = 0; i < c.count; ++i)
      records.push_back({c.hash(random, i), static_cast<std::uint32_t>(random())});
    std::vector<Record> expected = records;
    std::sort(expected.begin(), expected.end());
    SortByHash(records, [](const Record& r) { return r.hash; });
    EXPECT_EQ(records, expected) << c.name;
  }
}

}  // namespace
}  // namespace qoru::screening
