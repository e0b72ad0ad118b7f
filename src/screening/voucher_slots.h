// The vouchers of a book being built, found by the hash of their key (year and month,
// type, number) in an open-addressing table: a slot holds the upper half of the hash and
// the voucher's index, so that a look-up touches a voucher only when it is likely the
// one, and no node is allocated per voucher (a million postings make a quarter of a
// million vouchers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "screening/prefetch.h"

namespace qoru::screening {

class VoucherSlots {
 public:
  void Reserve(std::size_t vouchers);
  // The index added under `hash` for which `same(index)` holds, or -1.
  template <typename Same>
  int Find(std::uint64_t hash, Same&& same) const {
    if (slots_.empty()) return -1;
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t tag = hash >> 32;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const std::uint64_t slot = slots_[i];
      if (slot == 0) return -1;
      const int index = static_cast<int>((slot & 0xFFFFFFFFu) - 1);
      if ((slot >> 32) == tag && same(index)) return index;
    }
  }
  void Add(std::uint64_t hash, int index);
  // Asks the processor for the slot where a look-up of `hash` begins, ahead of the look-up:
  // a table of a quarter of a million vouchers is far larger than the caches.
  [[gnu::always_inline]] void Prefetch(std::uint64_t hash) const {
    if (slots_.empty()) return;
    PrefetchLine(slots_.data() + (hash & (slots_.size() - 1)));
  }

 private:
  void Place(std::uint64_t slot, std::uint64_t hash);

  std::vector<std::uint64_t> slots_;   // tag << 32 | index + 1; 0 for an empty slot
  std::vector<std::uint64_t> hashes_;  // by index, to place them again when growing
  std::size_t used_ = 0;
};

}  // namespace qoru::screening
