#include "checks/balance_figures.h"

namespace qoru::checks {

std::string PeriodWords(std::optional<int> year, int period) {
  if (period == kYearPeriod) return "全年";
  const std::string month = std::to_string(period) + " 月";
  return year ? std::to_string(*year) + " 年 " + month : month;
}

nlohmann::ordered_json MonthField(int period) {
  if (period == kYearPeriod) return nullptr;
  return period;
}

}  // namespace qoru::checks
