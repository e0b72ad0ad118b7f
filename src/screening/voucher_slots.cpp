#include "screening/voucher_slots.h"

namespace qoru::screening {

void VoucherSlots::Reserve(std::size_t vouchers) {
  std::size_t size = 16;
  while (size < vouchers * 2) size *= 2;
  if (size <= slots_.size()) return;
  slots_.assign(size, 0);
  for (std::size_t i = 0; i < hashes_.size(); ++i)
    Place(hashes_[i] >> 32 << 32 | (i + 1), hashes_[i]);
  hashes_.reserve(vouchers);
}

void VoucherSlots::Place(std::uint64_t slot, std::uint64_t hash) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = slot;
}

void VoucherSlots::Add(std::uint64_t hash, int index) {
  // Indexes are added in order, 0, 1, 2 ...
  if ((used_ + 1) * 2 > slots_.size()) Reserve(used_ + 1 > 8 ? (used_ + 1) * 2 : 8);
  hashes_.push_back(hash);
  Place(hash >> 32 << 32 | (static_cast<std::uint64_t>(index) + 1), hash);
  ++used_;
}

}  // namespace qoru::screening
