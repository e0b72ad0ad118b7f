// Posting dates as the checks read them: "yyyy-mm-dd", "yyyy/mm/dd" (month and day of
// one or two digits, the same separator twice) or "yyyymmdd", trimmed, naming a real
// day of the Gregorian calendar in the years 1 to 9999. Anything else is no date.
#pragma once

#include <optional>
#include <string_view>

namespace qoru::checks {

struct CalendarDate {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to the days of the month
};

std::optional<CalendarDate> ParseCalendarDate(std::string_view text);

}  // namespace qoru::checks
