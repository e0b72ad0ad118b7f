#include "checks/voucher_book.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace qoru::checks {
namespace {

constexpr std::size_t kChunkSize = 1 << 20;
constexpr std::size_t kFirstSlots = 1 << 12;
constexpr std::uint64_t kTagMask = 0xFFFFFFFF00000000ull;
constexpr std::uint64_t kIndexMask = 0xFFFFFFFFull;
// Line numbers of up to this many digits are noted as bits, longer ones as texts.
constexpr std::size_t kMaxBitLineDigits = 5;

std::uint64_t HashOf(int year, int month, std::string_view type, std::string_view number) {
  const std::hash<std::string_view> hash;
  std::uint64_t h = hash(type) * 0x9E3779B97F4A7C15ull;
  h ^= hash(number) + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
  h ^= static_cast<std::uint64_t>(year) * 16 + static_cast<std::uint64_t>(month);
  return h * 0xBF58476D1CE4E5B9ull;
}

bool Same(const Voucher& v, int year, int month, std::string_view type, std::string_view number) {
  return v.year == year && v.month == month && v.type == type && v.number == number;
}

// The value of a number written plainly: digits without a leading zero (or "0"), at
// most nine of them.
bool PlainNumber(std::string_view text, std::size_t* value) {
  if (text.empty() || text.size() > 9 || (text[0] == '0' && text.size() > 1)) return false;
  std::size_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  *value = n;
  return true;
}

}  // namespace

std::string_view VoucherBook::Keep(std::string_view text) {
  if (text.empty()) return {};
  if (chunks_.empty() || chunk_used_ + text.size() > chunk_size_) {
    chunk_size_ = std::max(kChunkSize, text.size());
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(chunk_size_));  // not zeroed
    chunk_used_ = 0;
  }
  char* at = chunks_.back().get() + chunk_used_;
  std::memcpy(at, text.data(), text.size());
  chunk_used_ += text.size();
  return {at, text.size()};
}

VoucherBook::Group& VoucherBook::GroupOf(int year, int month, std::string_view type) {
  if (last_group_ != SIZE_MAX) {
    const Group& g = groups_[last_group_];
    if (g.year == year && g.month == month && g.type == type) return groups_[last_group_];
  }
  group_key_.assign(std::to_string(year * 100 + month)).append("-").append(type);
  const auto [it, added] = group_index_.try_emplace(group_key_, groups_.size());
  if (added) {
    Group g;
    g.year = year;
    g.month = month;
    g.type = Keep(type);
    groups_.push_back(std::move(g));
  }
  last_group_ = it->second;
  return groups_[last_group_];
}

Voucher& VoucherBook::Add(int year, int month, std::string_view type, std::string_view number,
                          std::int64_t row) {
  Voucher v;
  v.year = year;
  v.month = month;
  v.type = Keep(type);
  v.number = Keep(number);
  v.first_row = row;
  last_ = vouchers_.size();
  vouchers_.push_back(v);
  return vouchers_.back();
}

void VoucherBook::Grow() {
  std::vector<std::uint64_t> slots(slots_.empty() ? kFirstSlots : slots_.size() * 2, 0);
  const std::size_t mask = slots.size() - 1;
  for (std::uint64_t slot : slots_) {
    if (slot == 0) continue;
    // The hash is not kept with the voucher: it is worked out again from its key.
    const Voucher& v = vouchers_[(slot & kIndexMask) - 1];
    std::size_t s = HashOf(v.year, v.month, v.type, v.number) & mask;
    while (slots[s] != 0) s = (s + 1) & mask;
    slots[s] = slot;
  }
  slots_.swap(slots);
}

Voucher& VoucherBook::FindInTable(int year, int month, std::string_view type,
                                  std::string_view number, std::int64_t row) {
  if ((in_table_ + 1) * 2 > slots_.size()) Grow();
  const std::uint64_t hash = HashOf(year, month, type, number);
  const std::uint64_t tag = hash & kTagMask;
  const std::size_t mask = slots_.size() - 1;
  std::size_t s = hash & mask;
  for (; slots_[s] != 0; s = (s + 1) & mask) {
    if ((slots_[s] & kTagMask) != tag) continue;
    const std::size_t i = (slots_[s] & kIndexMask) - 1;
    if (Same(vouchers_[i], year, month, type, number)) {
      last_ = i;
      return vouchers_[i];
    }
  }
  Voucher& v = Add(year, month, type, number, row);
  slots_[s] = tag | static_cast<std::uint64_t>(last_ + 1);
  ++in_table_;
  return v;
}

Voucher& VoucherBook::Find(int year, int month, std::string_view type, std::string_view number,
                           std::int64_t row) {
  if (last_ != SIZE_MAX && Same(vouchers_[last_], year, month, type, number))
    return vouchers_[last_];
  std::size_t n = 0;
  if (!PlainNumber(number, &n)) return FindInTable(year, month, type, number, row);
  Group& g = GroupOf(year, month, type);
  if (n < g.by_number.size() && g.by_number[n] != 0) {
    last_ = g.by_number[n] - 1;
    return vouchers_[last_];
  }
  // A number far beyond the others would make the vector large and sparse: it goes to
  // the table, and from then on the group's numbers are looked for there too.
  if (g.overflowed || n >= 1024 + 8 * g.count) {
    g.overflowed = true;
    return FindInTable(year, month, type, number, row);
  }
  if (n >= g.by_number.size()) g.by_number.resize(std::max(n + 1, g.by_number.size() * 2), 0);
  Voucher& v = Add(year, month, type, number, row);
  g.by_number[n] = static_cast<std::uint32_t>(last_ + 1);
  ++g.count;
  return v;
}

void VoucherBook::NoteLine(Voucher& v, std::string_view line) {
  std::size_t lead = 0;
  bool digits = !line.empty();
  for (char c : line) digits = digits && c >= '0' && c <= '9';
  if (line.empty()) return;
  if (digits) {
    while (lead + 1 < line.size() && line[lead] == '0') ++lead;
    line.remove_prefix(lead);
    if (line.size() <= kMaxBitLineDigits) {
      std::size_t n = 0;
      for (char c : line) n = n * 10 + static_cast<std::size_t>(c - '0');
      if (n >= 1 && n <= 64) {
        const std::uint64_t bit = std::uint64_t{1} << (n - 1);
        if ((v.lines & bit) != 0) v.repeated_line = true;
        v.lines |= bit;
        return;
      }
      if (n > 64) {
        const std::size_t index = static_cast<std::size_t>(&v - vouchers_.data());
        if (index != long_voucher_) {
          long_bits_ = &long_lines_[index];
          long_voucher_ = index;
        }
        const std::size_t bit = n - 65;
        if (bit / 64 >= long_bits_->size()) long_bits_->resize(bit / 64 + 1, 0);
        std::uint64_t& word = (*long_bits_)[bit / 64];
        const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
        if ((word & mask) != 0) v.repeated_line = true;
        word |= mask;
        return;
      }
    }
  }
  line_key_.assign(std::to_string(&v - vouchers_.data())).push_back(digits ? ':' : '\'');
  line_key_.append(line);
  if (!other_lines_.try_emplace(line_key_, true).second) v.repeated_line = true;
}

}  // namespace qoru::checks
