// The vouchers of the postings, gathered as the postings stream by: a voucher is the
// postings of one (year and month of the date, type, number), type and number trimmed.
// Each keeps the sums of its non-void debits and credits and the row of its first
// posting; vouchers are listed in the order of their first postings.
//
// Postings of one voucher usually follow one another, so the voucher of the previous
// posting is tried before the hash look-up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checks/amount.h"

namespace qoru::checks {

struct Voucher {
  int year = 0;
  int month = 0;
  std::string_view type;    // trimmed; points into the book's own key
  std::string_view number;  // trimmed
  std::int64_t first_row = 0;
  Amount debit, credit;  // non-void postings only
};

class VoucherBook {
 public:
  // The voucher of a posting (inserted on its first posting at `row`).
  Voucher& Find(int year, int month, std::string_view type, std::string_view number,
                std::int64_t row);

  const std::vector<Voucher>& vouchers() const { return vouchers_; }

 private:
  void MakeKey(int year, int month, std::string_view type, std::string_view number);

  std::unordered_map<std::string, std::size_t> index_;
  std::vector<Voucher> vouchers_;
  std::string key_;              // scratch key of the current look-up
  std::string last_key_;         // key of the previous look-up
  std::size_t last_ = SIZE_MAX;  // its voucher
};

}  // namespace qoru::checks
