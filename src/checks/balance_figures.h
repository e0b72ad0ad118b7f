// What the balance checks compare: the figures of balance rows (opening and closing
// debit-positive, debit and credit as written), summed per account and period, and
// the words that name a period in the findings.
//
// A period is a month (1 to 12) when the balances have a month column, else the whole
// table is one period, the year (0). A row whose sign cannot be known has no signed
// opening and closing: sums that take it in know their debit and credit only.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "checks/values/amount.h"

namespace qoru::checks {

inline constexpr int kYearPeriod = 0;
inline constexpr int kPeriods = 13;  // the year and twelve months

struct Figures {
  Amount opening, debit, credit, closing;
  bool signed_known = true;  // every row summed had a known sign
  bool present = false;      // a row was summed

  void Add(const Figures& row) {
    opening += row.opening;
    debit += row.debit;
    credit += row.credit;
    closing += row.closing;
    signed_known = signed_known && row.signed_known;
    present = true;
  }
};

// The total rows (empty aux value) and the aux rows of an account in a period.
struct AccountPeriod {
  Figures total, aux;
  // The account figures: the total rows, else the aux rows; nullptr when neither.
  const Figures* figures() const { return total.present ? &total : aux.present ? &aux : nullptr; }
};

// "2023 年 3 月", "3 月" without a year, "全年" for the year.
std::string PeriodWords(std::optional<int> year, int period);
// The JSON "month": the month, or null for the year.
nlohmann::ordered_json MonthField(int period);

}  // namespace qoru::checks
