#include "checks/values/balance_year.h"

#include "checks/values/book_text.h"
#include "checks/values/book_words.h"

namespace qoru::checks {

void BalanceYear::Add(std::string_view value) {
  const std::string_view year = TrimBlanks(value);
  if (!any_) {
    any_ = true;
    first_.assign(year);
  } else if (agree_ && year != first_) {
    agree_ = false;
  }
}

std::optional<int> BalanceYear::Year(std::string_view table, std::string* why) const {
  const std::string name(table);
  if (!any_) {
    *why = "余额表 " + name + " 没有行，无从确定账套年度";
    return std::nullopt;
  }
  if (!agree_) {
    *why = "余额表 " + name + " 的会计年度不止一个";
    return std::nullopt;
  }
  const std::optional<int> year = ParseYear(first_);
  if (!year) *why = "余额表 " + name + " 的会计年度“" + first_ + "”不是年份";
  return year;
}

}  // namespace qoru::checks
