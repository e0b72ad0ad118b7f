#include "checks/values/calendar_date.h"

#include "checks/values/book_text.h"

namespace qoru::checks {
namespace {

// The number of the digits text[from, from + count); -1 when one is not a digit.
int Digits(std::string_view text, std::size_t from, std::size_t count) {
  int n = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (!IsAsciiDigit(text[i])) return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::optional<CalendarDate> Valid(int year, int month, int day) {
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysIn(year, month))
    return std::nullopt;
  return CalendarDate{year, month, day};
}

}  // namespace

std::optional<CalendarDate> ParseCalendarDate(std::string_view text) {
  text = TrimBlanks(text);
  if (text.size() == 8 && Digits(text, 0, 8) >= 0)
    return Valid(Digits(text, 0, 4), Digits(text, 4, 2), Digits(text, 6, 2));
  // "yyyy-m-d" is the shortest separated form, "yyyy-mm-dd" the longest.
  if (text.size() < 8 || text.size() > 10) return std::nullopt;
  const char separator = text[4];
  if (separator != '-' && separator != '/') return std::nullopt;
  const int year = Digits(text, 0, 4);
  const std::size_t second = text.find(separator, 5);
  if (year < 0 || second == std::string_view::npos) return std::nullopt;
  const std::size_t month_digits = second - 5;
  const std::size_t day_digits = text.size() - second - 1;
  if (month_digits < 1 || month_digits > 2 || day_digits < 1 || day_digits > 2) return std::nullopt;
  const int month = Digits(text, 5, month_digits);
  const int day = Digits(text, second + 1, day_digits);
  if (month < 0 || day < 0) return std::nullopt;
  return Valid(year, month, day);
}

}  // namespace qoru::checks
