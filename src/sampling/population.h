// The population a sample is drawn from, in its order, each item with its amount:
//   posting  the postings of the accounts on one side (its amount as written), vouchers
//            in voucher order, postings within a voucher in file order;
//   voucher  the vouchers with at least one such posting, in voucher order; its amount is
//            the sum of that side over those postings;
//   balance  the last month's closing balance of each account (and each aux value where
//            the account has aux rows), by account code, then aux value, by code point;
//            its amount is the balance's absolute value. An account whose sub-accounts
//            have balances of their own is left to them (its balance sums theirs).
// An account given takes in every account whose code begins with it (its children by
// code structure). Items of zero or negative amount are not sampled: they are counted,
// with their total, for the auditor to test apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "errors/errors.h"
#include "sampling/exact_units.h"
#include "sampling/sample_book.h"

namespace qoru::sampling {

enum class Unit { kPosting, kVoucher, kBalance };

// The population cannot be formed (an account not in the chart, no voucher columns, no
// item to sample); the message says why and what to do.
class PopulationError : public Failure {
 public:
  using Failure::Failure;
};

struct PopulationRequest {
  Unit unit = Unit::kPosting;
  Side side = Side::kDebit;
  std::vector<std::string> accounts;  // codes as given; empty: every account
};

// An item, compactly: its amount as 64-bit units at a scale, or (rarely) an index into
// Population::wide_amounts.
struct PopulationItem {
  std::int64_t units = 0;  // > 0
  int ref = 0;             // index into the book's postings, vouchers or balances by the unit
  std::int8_t scale = 0;   // of `units`, or kWideAmount
};

struct Population {
  PopulationRequest request;
  std::vector<std::string> accounts;  // the codes given, trimmed
  std::vector<PopulationItem> items;  // in population order
  int scale = 0;                      // decimals of the smallest unit: the most any item has
  Wide total = 0;                     // BV, in units
  std::int64_t zero_items = 0;        // left out: amount 0
  std::int64_t negative_items = 0;    // left out: amount below 0
  Amount negative_total;              // their sum
  // Vouchers: which postings are of the accounts (by posting index); empty otherwise.
  std::vector<bool> counted_postings;
  std::vector<Amount> wide_amounts;  // the items' amounts beyond 64 bits

  Amount AmountOf(std::size_t item) const {
    const PopulationItem& i = items[item];
    return i.scale == kWideAmount ? wide_amounts[static_cast<std::size_t>(i.units)]
                                  : Amount::FromUnits(i.units, i.scale);
  }
  // The item's amount in the population's units.
  Wide Units(std::size_t item) const {
    const PopulationItem& i = items[item];
    if (i.scale == kWideAmount || i.scale > 18 || scale - i.scale > 18)
      return UnitsAt(AmountOf(item), scale);
    return static_cast<Wide>(i.units) * static_cast<Wide>(PowerOfTen(scale - i.scale));
  }
};

// Forms the population; raises PopulationError.
Population BuildPopulation(const SampleBook& book, const PopulationRequest& request);

}  // namespace qoru::sampling
