// The look-ups that reading a million postings makes a million times, kept flat (one
// array of slots, open addressing) rather than a node per entry: texts to their ids (the
// accounts as written, the voucher types) and the vouchers by year, month, type and
// number. Each slot holds the entry's hash beside its index, so that a probe touches
// one cache line and an entry only when the hashes agree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qoru::sampling {

// Ids of texts, 0, 1, 2 ... in the order they are first seen.
class TextIds {
 public:
  // The id of `text`, and whether it was added now.
  std::pair<int, bool> Find(std::string_view text);
  const std::string& Text(int id) const { return texts_[static_cast<std::size_t>(id)]; }
  int size() const { return static_cast<int>(texts_.size()); }

 private:
  void Grow();
  std::vector<std::string> texts_;
  std::vector<std::uint64_t> slots_;  // hash in the high 32 bits, id + 1 in the low; 0 empty
};

// The vouchers by key; `same(index)` tells whether voucher `index` has the key looked up.
class VoucherIndex {
 public:
  // Room for about `count` vouchers without growing.
  void Reserve(std::size_t count);
  static std::uint64_t Hash(int year_month, int type, std::string_view number);
  // The index stored for `hash` that `same` accepts, or -1.
  template <typename Same>
  int Find(std::uint64_t hash, const Same& same) const {
    if (slots_.empty()) return -1;
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t high = hash >> 32;
    for (std::size_t i = high & mask;; i = (i + 1) & mask) {
      const std::uint64_t s = slots_[i];
      if (s == 0) return -1;
      if ((s >> 32) == high && same(static_cast<int>(s & 0xFFFFFFFF) - 1))
        return static_cast<int>(s & 0xFFFFFFFF) - 1;
    }
  }
  void Add(std::uint64_t hash, int index);

 private:
  std::vector<std::uint64_t> slots_;  // hash in the high 32 bits, index + 1 in the low
  std::size_t count_ = 0;
};

}  // namespace qoru::sampling
