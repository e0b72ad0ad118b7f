#include "sampling/book_indexes.h"

namespace qoru::sampling {
namespace {

std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  return h ^ (h >> 33);
}

std::uint64_t TextHash(std::string_view s) {
  std::uint64_t h = 1469598103934665603ULL;  // FNV-1a
  for (const char c : s) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  return Mix(h);
}

// Puts index + 1 with the hash's high half into the first empty slot of its probe.
void Place(std::vector<std::uint64_t>& slots, std::uint64_t slot) {
  const std::size_t mask = slots.size() - 1;
  std::size_t i = (slot >> 32) & mask;
  while (slots[i] != 0) i = (i + 1) & mask;
  slots[i] = slot;
}

// Slots are placed by the hash's high half: the low half is not kept in them.
std::uint64_t SlotHash(std::uint64_t hash) {
  return hash >> 32;
}

}  // namespace

std::pair<int, bool> TextIds::Find(std::string_view text) {
  if (slots_.empty()) slots_.assign(64, 0);
  const std::uint64_t h = SlotHash(TextHash(text));
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = h & mask;; i = (i + 1) & mask) {
    const std::uint64_t s = slots_[i];
    if (s == 0) {
      texts_.emplace_back(text);
      slots_[i] = h << 32 | texts_.size();
      if (texts_.size() * 2 > slots_.size()) Grow();
      return {static_cast<int>(texts_.size()) - 1, true};
    }
    const std::size_t id = (s & 0xFFFFFFFF) - 1;
    if ((s >> 32) == h && texts_[id] == text) return {static_cast<int>(id), false};
  }
}

void TextIds::Grow() {
  std::vector<std::uint64_t> old;
  old.swap(slots_);
  slots_.assign(old.size() * 2, 0);
  for (const std::uint64_t s : old)
    if (s != 0) Place(slots_, s);
}

std::uint64_t VoucherIndex::Hash(int year_month, int type, std::string_view number) {
  return Mix(TextHash(number) ^ (static_cast<std::uint64_t>(year_month) << 20) ^
             static_cast<std::uint64_t>(type));
}

void VoucherIndex::Reserve(std::size_t count) {
  std::size_t size = 1024;
  while (size * 3 < count * 4) size *= 2;
  if (size <= slots_.size()) return;
  std::vector<std::uint64_t> old;
  old.swap(slots_);
  slots_.assign(size, 0);
  for (const std::uint64_t s : old)
    if (s != 0) Place(slots_, s);
}

void VoucherIndex::Add(std::uint64_t hash, int index) {
  // Filled to three quarters at most: the slots of a few hundred thousand vouchers stay
  // a few megabytes, and a probe still ends within a cache line or two.
  if ((count_ + 1) * 4 > slots_.size() * 3) Reserve(slots_.empty() ? 512 : slots_.size() * 3 / 2);
  Place(slots_, (hash >> 32 << 32) | static_cast<std::uint64_t>(index + 1));
  ++count_;
}

}  // namespace qoru::sampling
