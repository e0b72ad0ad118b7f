// Calendar files (--holidays): the days they name, and only those, change the
// weekend-holiday test; a year a file covers is no longer reported as missing; what is
// not a day is refused with the file and the line.
#include <gtest/gtest.h>

#include <set>

#include "screening/book_builder.h"
#include "screening/calendar/calendar_file.h"
#include "screening/screen_report.h"
#include "test_support/temp_dir.h"

namespace qoru::screening {
namespace {

// A voucher of two postings on each day from `first` for `days` days.
ScreenBook DailyVouchers(int year, int month, int first, int days) {
  ScreenColumns c;
  c.date = c.type = c.number = c.line = c.account = c.debit = c.credit = true;
  BookBuilder builder(c, {});
  std::int64_t row = 0;
  for (int d = 0; d < days; ++d) {
    const std::string date = std::to_string(year * 10000 + month * 100 + first + d);
    PostingRow p;
    p.date = date;
    p.type = "记";
    const std::string number = std::to_string(d + 1);
    p.number = number;
    p.account = "1001";
    p.debit = "10.00";
    p.row = ++row;
    builder.Add(p);
    p.account = "6001";
    p.debit = "";
    p.credit = "10.00";
    p.row = ++row;
    builder.Add(p);
  }
  return builder.Finish("t", "JZPZ", year);
}

std::set<int> FlaggedDays(const ScreenBook& book, const HolidayCalendar& calendar) {
  ScreenParameters p;
  p.keywords = DefaultKeywords();
  p.calendar = calendar;
  const ScreenReport r = RunScreening(book, p);
  std::set<int> days;
  for (const ScreenItem& item : r[TestId::kWeekendHoliday].items) days.insert(item.date);
  return days;
}

TEST(CalendarFile, ChangesExactlyTheDaysItNames) {
  // 2023-06-05 (Monday) to 2023-06-18 (Sunday): weekends 10, 11, 17, 18.
  const ScreenBook book = DailyVouchers(2023, 6, 5, 14);
  const std::set<int> builtin = FlaggedDays(book, HolidayCalendar());
  EXPECT_EQ(builtin, (std::set<int>{20230610, 20230611, 20230617, 20230618}));

  test::TempDir dir;
  // A day off on a Wednesday (GBK, with a header and blank lines), a working Saturday.
  test::WriteFile(dir.path() + "c.csv",
                  "\xC8\xD5\xC6\xDA,\xC0\xE0\xD0\xCD,\xC3\xFB\xB3\xC6\r\n"  // 日期,类型,名称
                  "2023-06-07,\xD0\xDD,\xB9\xAB\xCB\xBE\xC8\xD5\r\n"        // 休,公司日
                  "\r\n"
                  "20230617,\xB0\xE0\r\n");  // 班
  const CalendarFile file = ReadCalendarFile(dir.path() + "c.csv");
  EXPECT_EQ(file.encoding, "GBK");
  ASSERT_EQ(file.days.size(), 2u);
  HolidayCalendar calendar;
  calendar.Add(file);
  EXPECT_EQ(FlaggedDays(book, calendar), (std::set<int>{20230607, 20230610, 20230611, 20230618}));
  EXPECT_EQ(calendar.Classify({2023, 6, 7}).reason, "公司日");
}

TEST(CalendarFile, AYearAFileNamesIsCoveredAndALaterFileWins) {
  test::TempDir dir;
  test::WriteFile(dir.path() + "a.csv",
                  "\xEF\xBB\xBF"
                  "2027-10-01,休,国庆节\n2027/10/9,班\n");
  test::WriteFile(dir.path() + "b.csv", "\"2027-10-01\",\"班\"\n");
  HolidayCalendar calendar;
  EXPECT_FALSE(calendar.Covers(2027));
  calendar.Add(ReadCalendarFile(dir.path() + "a.csv"));
  EXPECT_TRUE(calendar.Covers(2027));
  EXPECT_FALSE(calendar.Covers(2028));
  EXPECT_TRUE(calendar.Classify({2027, 10, 1}).rest);
  EXPECT_FALSE(calendar.Classify({2027, 10, 9}).rest) << "a working Saturday";
  calendar.Add(ReadCalendarFile(dir.path() + "b.csv"));
  EXPECT_FALSE(calendar.Classify({2027, 10, 1}).rest);
  EXPECT_EQ(calendar.Describe().size(), 3u) << "the table and two files";

  // A 2027 book: covered by the file, the test no longer says the year is missing.
  const ScreenBook book = DailyVouchers(2027, 10, 1, 3);
  ScreenParameters p;
  p.calendar = calendar;
  const ScreenReport without = RunScreening(book, {});
  EXPECT_NE(without[TestId::kWeekendHoliday].reason.find("2027"), std::string::npos);
  const ScreenReport with = RunScreening(book, p);
  EXPECT_EQ(with[TestId::kWeekendHoliday].reason, "");
}

TEST(CalendarFile, RefusesWhatIsNoDayNamingTheFileAndTheLine) {
  test::TempDir dir;
  const struct {
    std::string text, expected;
  } cases[] = {
      {"2027-10-01,休\n2027-13-01,休\n", "第 2 行"},
      {"2027-10-01,休\n2027-10-02,假\n", "第 2 行"},
      {"2027-10-01\n", "第 1 行"},
      {"日期,类型\n明天,休\n", "第 2 行"},
      {"2027-10-01,休\n2027-10-01,班\n", "与第 1 行"},
      {"日期,类型\n", "没有日期"},
      {"\xFF\xFF\xFF\n", "既不是 UTF-8 也不是 GBK"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = dir.path() + "bad" + std::to_string(++n) + ".csv";
    test::WriteFile(path, c.text);
    try {
      ReadCalendarFile(path);
      ADD_FAILURE() << c.text;
    } catch (const CalendarFileError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.expected), std::string::npos) << c.text << ": " << message;
      EXPECT_NE(message.find("bad" + std::to_string(n) + ".csv"), std::string::npos) << message;
    }
  }
  EXPECT_THROW(ReadCalendarFile(dir.path() + "none.csv"), CalendarFileError);
}

}  // namespace
}  // namespace qoru::screening
