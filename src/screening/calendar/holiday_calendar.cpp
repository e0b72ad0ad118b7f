#include "screening/calendar/holiday_calendar.h"

#include <algorithm>

namespace qoru::screening {

long DayNumber(const checks::CalendarDate& date) {
  // Days from civil (proleptic Gregorian), shifted so that 1970-01-01 is 0.
  const int y = date.year - (date.month <= 2 ? 1 : 0);
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned mp = static_cast<unsigned>(date.month + (date.month > 2 ? -3 : 9));
  const unsigned doy = (153 * mp + 2) / 5 + static_cast<unsigned>(date.day) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

checks::CalendarDate FromDayNumber(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  checks::CalendarDate d;
  d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  d.year = static_cast<int>(static_cast<long>(yoe) + era * 400 + (d.month <= 2 ? 1 : 0));
  return d;
}

int Weekday(const checks::CalendarDate& date) {
  const long n = DayNumber(date);        // 1970-01-01 was a Thursday
  const long w = ((n % 7) + 7 + 3) % 7;  // 0 = Monday
  return static_cast<int>(w) + 1;
}

bool CalendarCovers(int year) {
  return year >= kHolidayFirstYear && year <= kHolidayLastYear;
}

RestDay ClassifyDay(const checks::CalendarDate& date) {
  const int key = date.year * 10000 + date.month * 100 + date.day;
  const HolidayDay* begin = kHolidayDays;
  const HolidayDay* end = kHolidayDays + kHolidayDayCount;
  const HolidayDay* it =
      std::lower_bound(begin, end, key, [](const HolidayDay& d, int k) { return d.date < k; });
  if (it != end && it->date == key) {
    if (it->rest) return {true, kHolidayNames[it->name]};
    return {false, {}};  // an adjusted working day
  }
  const int weekday = Weekday(date);
  if (weekday == 6) return {true, "周六"};
  if (weekday == 7) return {true, "周日"};
  return {};
}

}  // namespace qoru::screening

namespace qoru::screening {

void HolidayCalendar::Add(const CalendarFile& file) {
  std::set<int> years;
  for (const CalendarEntry& e : file.days) {
    Day& d = days_[e.date];
    d.rest = e.rest;
    d.reason = e.rest ? (e.name.empty() ? std::string("休息日") : e.name) : std::string();
    years.insert(e.date / 10000);
  }
  years_.insert(years.begin(), years.end());
  files_.push_back(file.path);
  std::string covered;
  for (int y : years) covered += (covered.empty() ? "" : "、") + std::to_string(y);
  descriptions_.push_back(file.path + "（" + file.encoding + "，" +
                          std::to_string(file.days.size()) + " 天" +
                          (covered.empty() ? "" : "：" + covered + " 年") + "）");
}

RestDay HolidayCalendar::Classify(const checks::CalendarDate& date) const {
  if (!days_.empty()) {
    const auto it = days_.find(date.year * 10000 + date.month * 100 + date.day);
    if (it != days_.end()) return {it->second.rest, it->second.reason};
  }
  return ClassifyDay(date);
}

bool HolidayCalendar::Covers(int year) const {
  return CalendarCovers(year) || years_.count(year) != 0;
}

std::vector<std::string> HolidayCalendar::Describe() const {
  std::vector<std::string> out = {"内置节假日表（" + std::to_string(kHolidayFirstYear) + " 至 " +
                                  std::to_string(kHolidayLastYear) + " 年）"};
  out.insert(out.end(), descriptions_.begin(), descriptions_.end());
  return out;
}

}  // namespace qoru::screening
