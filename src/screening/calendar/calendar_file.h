// Calendar files for the weekend-holiday test (--holidays): CSV text in UTF-8 (a byte
// order mark allowed) or GBK, one day a line, "日期,类型[,名称]": the date as the books
// write dates (2027-10-01, 2027/10/1 or 20271001), the type 休 for a day off or 班 for a
// working day, and a name for the report. A first line that is no day is a header;
// blank lines are skipped; fields may be quoted. Anything else is refused with the file
// and the line, before any work.
#pragma once

#include <string>

#include "errors/errors.h"
#include "screening/calendar/holiday_calendar.h"

namespace qoru::screening {

// A calendar file that cannot be read or holds a line that is no day; the message names
// the file and the line.
class CalendarFileError : public Failure {
 public:
  using Failure::Failure;
};

// Reads the calendar file at `path` (GBK bytes). Raises CalendarFileError.
CalendarFile ReadCalendarFile(const std::string& path);

}  // namespace qoru::screening
