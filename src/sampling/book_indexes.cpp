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

}  // namespace

std::pair<int, bool> TextIds::Find(std::string_view text) {
  if (slots_.empty()) slots_.assign(64, 0);
  const std::uint64_t h = TextHash(text);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = h & mask;; i = (i + 1) & mask) {
    const std::uint32_t s = slots_[i];
    if (s == 0) {
      texts_.emplace_back(text);
      hashes_.push_back(h);
      slots_[i] = static_cast<std::uint32_t>(texts_.size());
      if (texts_.size() * 2 > slots_.size()) Grow();
      return {static_cast<int>(texts_.size()) - 1, true};
    }
    if (hashes_[s - 1] == h && texts_[s - 1] == text) return {static_cast<int>(s) - 1, false};
  }
}

void TextIds::Grow() {
  slots_.assign(slots_.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t id = 0; id < hashes_.size(); ++id) {
    std::size_t i = hashes_[id] & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = static_cast<std::uint32_t>(id + 1);
  }
}

std::uint64_t VoucherIndex::Hash(int year_month, int type, std::string_view number) {
  return Mix(TextHash(number) ^ (static_cast<std::uint64_t>(year_month) << 20) ^
             static_cast<std::uint64_t>(type));
}

void VoucherIndex::Add(std::uint64_t hash, int index) {
  if (hashes_.size() <= static_cast<std::size_t>(index))
    hashes_.resize(static_cast<std::size_t>(index) + 1);
  hashes_[static_cast<std::size_t>(index)] = hash;
  if ((count_ + 1) * 2 > slots_.size()) Grow();
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = static_cast<std::uint32_t>(index + 1);
  ++count_;
}

void VoucherIndex::Grow() {
  slots_.assign(slots_.empty() ? 1024 : slots_.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t index = 0; index < count_; ++index) {
    std::size_t i = hashes_[index] & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = static_cast<std::uint32_t>(index + 1);
  }
}

}  // namespace qoru::sampling
