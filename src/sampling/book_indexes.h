// The look-ups that reading a million postings makes a million times, kept flat (one
// array of slots, open addressing) rather than a node per entry: texts to their ids (the
// accounts as written, the voucher types) and the vouchers by year, month, type and
// number.
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
  std::vector<std::uint64_t> hashes_;
  std::vector<std::uint32_t> slots_;  // id + 1, 0 for an empty slot
};

// The vouchers by key; `same(index)` tells whether voucher `index` has the key looked up.
class VoucherIndex {
 public:
  static std::uint64_t Hash(int year_month, int type, std::string_view number);
  // The index stored for `hash` that `same` accepts, or -1.
  template <typename Same>
  int Find(std::uint64_t hash, const Same& same) const {
    if (slots_.empty()) return -1;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const std::uint32_t s = slots_[i];
      if (s == 0) return -1;
      if (hashes_[s - 1] == hash && same(static_cast<int>(s) - 1)) return static_cast<int>(s) - 1;
    }
  }
  void Add(std::uint64_t hash, int index);

 private:
  void Grow();
  std::vector<std::uint64_t> hashes_;  // by index
  std::vector<std::uint32_t> slots_;   // index + 1, 0 for an empty slot
  std::size_t count_ = 0;
};

}  // namespace qoru::sampling
