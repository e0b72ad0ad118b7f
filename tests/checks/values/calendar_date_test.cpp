// Posting dates: the three forms, and only real calendar days.
#include "checks/values/calendar_date.h"

#include <gtest/gtest.h>

namespace qoru::checks {
namespace {

TEST(CalendarDate, ReadsTheThreeFormsOfRealDays) {
  const struct {
    const char* text;
    int year, month, day;  // 0: no date
  } cases[] = {
      {"2026-03-15", 2026, 3, 15},
      {"2026/3/5", 2026, 3, 5},
      {"2026-1-31", 2026, 1, 31},
      {"20260315", 2026, 3, 15},
      {" 2026-03-15\t", 2026, 3, 15},
      {"2024-02-29", 2024, 2, 29},  // leap year
      {"2000-02-29", 2000, 2, 29},  // divisible by 400
      {"1900-02-29", 0, 0, 0},      // divisible by 100 only
      {"2026-02-29", 0, 0, 0},
      {"2026-04-31", 0, 0, 0},
      {"2026-13-01", 0, 0, 0},
      {"2026-00-10", 0, 0, 0},
      {"2026-01-00", 0, 0, 0},
      {"0000-01-01", 0, 0, 0},
      {"2026-03/15", 0, 0, 0},  // two different separators
      {"2026.03.15", 0, 0, 0},
      {"26-03-15", 0, 0, 0},
      {"2026-003-15", 0, 0, 0},
      {"2026-03-15 00:00:00", 0, 0, 0},
      {"2026315", 0, 0, 0},  // compact forms have two-digit months and days
      {"", 0, 0, 0},
      {"二〇二六年三月", 0, 0, 0},
  };
  for (const auto& c : cases) {
    const auto date = ParseCalendarDate(c.text);
    if (c.year == 0) {
      EXPECT_FALSE(date.has_value()) << c.text;
      continue;
    }
    ASSERT_TRUE(date.has_value()) << c.text;
    EXPECT_EQ(date->year, c.year) << c.text;
    EXPECT_EQ(date->month, c.month) << c.text;
    EXPECT_EQ(date->day, c.day) << c.text;
  }
}

}  // namespace
}  // namespace qoru::checks
