// The year that the balances' 会计年度 column gives a book set: the one text, trimmed,
// that every row writes, when it names a year. Fed with every row's value, or with each
// distinct value once (the result is the same), so that the checks, which see every row
// as they pass, and screening, which asks the database for the distinct values, come to
// one year by one rule.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qoru::checks {

class BalanceYear {
 public:
  void Add(std::string_view value);

  // The year; nullopt with the reason in `why` (naming the balances' table `table`) when
  // there was no value, more than one text, or one that is no year.
  std::optional<int> Year(std::string_view table, std::string* why) const;

 private:
  bool any_ = false;
  bool agree_ = true;
  std::string first_;  // trimmed
};

}  // namespace qoru::checks
