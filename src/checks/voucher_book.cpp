#include "checks/voucher_book.h"

namespace qoru::checks {

namespace {

constexpr std::size_t kTypeAt = 7;  // year (2 bytes), month (1), length of the type (4)

}  // namespace

// The key: year, month and the type's length as fixed bytes, then type and number.
void VoucherBook::MakeKey(int year, int month, std::string_view type, std::string_view number) {
  key_.clear();
  key_.push_back(static_cast<char>(year >> 8));
  key_.push_back(static_cast<char>(year & 0xFF));
  key_.push_back(static_cast<char>(month));
  const auto length = static_cast<std::uint32_t>(type.size());
  for (int shift = 24; shift >= 0; shift -= 8) key_.push_back(static_cast<char>(length >> shift));
  key_.append(type);
  key_.append(number);
}

Voucher& VoucherBook::Find(int year, int month, std::string_view type, std::string_view number,
                           std::int64_t row) {
  MakeKey(year, month, type, number);
  if (last_ != SIZE_MAX && key_ == last_key_) return vouchers_[last_];
  auto [it, inserted] = index_.try_emplace(key_, vouchers_.size());
  if (inserted) {
    // The node's key stays where it is for the life of the map.
    const std::string_view k = it->first;
    Voucher v;
    v.year = year;
    v.month = month;
    v.type = k.substr(kTypeAt, type.size());
    v.number = k.substr(kTypeAt + type.size());
    v.first_row = row;
    vouchers_.push_back(v);
  }
  last_ = it->second;
  last_key_ = key_;
  return vouchers_[last_];
}

}  // namespace qoru::checks
