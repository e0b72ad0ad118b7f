// Reads the amounts, dates and months of a scanned row for the checks. A value that cannot be
// read is a bad-value finding (table, row, column and the value as stored) and counts
// as 0, or as no date, everywhere else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "checks/check_report.h"
#include "checks/tables/book_database.h"
#include "checks/values/amount.h"
#include "checks/values/calendar_date.h"

namespace qoru::checks {

class ValueReader {
 public:
  // Findings go to `bad`; `table` names the table scanned.
  ValueReader(CheckResult& bad, std::string table) : bad_(bad), table_(std::move(table)) {}

  // Value `i` of `values` (row `row`, column `column`) as an amount; 0 when empty or bad.
  Amount ReadAmount(const ScanRow& values, int i, std::int64_t row, const std::string& column);
  // Value `i` as a date; nullopt when it is not one.
  std::optional<CalendarDate> ReadDate(const ScanRow& values, int i, std::int64_t row,
                                       const std::string& column);
  // Value `i` as a balance month (1 to 12); nullopt when it is not one.
  std::optional<int> ReadMonth(const ScanRow& values, int i, std::int64_t row,
                               const std::string& column);

  // A bad-value finding of `value` in row `row`, column `column`; `why` follows the value.
  void Record(std::int64_t row, const std::string& column, std::string_view value, std::string why);

 private:
  CheckResult& bad_;
  std::string table_;
};

}  // namespace qoru::checks
