#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "support/DateRestriction.h"
#include "support/Locale.h"
#include "support/OperationState.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::support {
namespace {

constexpr std::int32_t kJan5th2012 = 2455932;

DateRecord Date(int year, int month, int day, int calendar = kGregorianCalendar) {
  DateRecord record;
  record.year = year;
  record.month = month;
  record.day = day;
  record.calendar = calendar;
  return record;
}

// Sets the file's modification time to noon, local time, of the given day.
void TouchLocalNoon(platform::FileSystem& fileSystem, const std::string& path, int year, int month, int day) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = 12;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  ASSERT_NE(when, static_cast<std::time_t>(-1));
  const platform::File file = fileSystem.OpenForWriting(path);
  fileSystem.SetTimes(file, {{when, 0}, {when, 0}});
}

TEST(DayNumbers, KnownDays) {
  struct Case {
    int year, month, day;
    std::int32_t jdn;
  };
  const Case cases[] = {{2000, 1, 1, 2451545},     {1899, 12, 30, 2415019}, {1970, 1, 1, 2440588},
                        {2012, 1, 5, kJan5th2012}, {1858, 11, 17, 2400001}, {2000, 2, 29, 2451604}};
  for (const auto& c : cases) {
    for (const int calendar : {0, kGregorianCalendar}) {
      DateRecord record = Date(c.year, c.month, c.day, calendar);
      EXPECT_EQ(euro_date_to_jdn(record), c.jdn) << c.year << "-" << c.month << "-" << c.day;
      EXPECT_EQ(record.jdn, c.jdn);
      EXPECT_NE(record.valid, 0);
    }
    DateRecord back;
    back.jdn = c.jdn;
    back.calendar = kGregorianCalendar;
    jdn_to_euro_date(back);
    EXPECT_EQ(back.year, c.year);
    EXPECT_EQ(back.month, c.month);
    EXPECT_EQ(back.day, c.day);
  }
}

TEST(DayNumbers, RoundTripOverCenturies) {
  DateRecord first = Date(1580, 1, 1);
  const std::int32_t start = euro_date_to_jdn(first);
  DateRecord previous;
  previous.jdn = start - 1;
  jdn_to_euro_date(previous);
  for (std::int32_t jdn = start; jdn < start + 366 * 500; ++jdn) {
    DateRecord record;
    record.jdn = jdn;
    record.calendar = kGregorianCalendar;
    jdn_to_euro_date(record);
    ASSERT_NE(record.valid, 0);
    // Consecutive day numbers are consecutive calendar days.
    const bool nextDay =
        record.year == previous.year && record.month == previous.month && record.day == previous.day + 1;
    const bool nextMonth =
        record.day == 1 && ((record.month == previous.month + 1 && record.year == previous.year) ||
                            (record.month == 1 && previous.month == 12 && record.year == previous.year + 1));
    ASSERT_TRUE(nextDay || nextMonth) << jdn;
    DateRecord again = Date(record.year, record.month, record.day);
    ASSERT_EQ(euro_date_to_jdn(again), jdn);
    previous = record;
  }
}

TEST(DayNumbers, DatesThatDoNotExistAreInvalid) {
  const DateRecord invalid[] = {Date(2012, 2, 31), Date(1900, 2, 29), Date(2011, 4, 31),
                                Date(2012, 0, 5),  Date(2012, 13, 1), Date(2012, 1, 0),
                                Date(2012, 1, 32), Date(40000, 1, 1), Date(-40000, 1, 1)};
  for (DateRecord record : invalid) {
    euro_date_to_jdn(record);
    EXPECT_EQ(record.valid, 0) << record.year << "-" << record.month << "-" << record.day;
  }
}

TEST(DayNumbers, DayNumbersBeyondTheCalendarAreInvalid) {
  for (const std::int32_t jdn : {INT32_MIN, INT32_MAX, 2000000000}) {
    DateRecord record;
    record.jdn = jdn;
    jdn_to_euro_date(record);
    EXPECT_EQ(record.valid, 0);
    EXPECT_TRUE(record.year < -30000 || record.year > 30000);
    EXPECT_EQ(LongDateText(jdn), "");
  }
  // The "no restriction" value and -1 are ordinary but far-away days.
  DateRecord none;
  none.jdn = kNoDateRestriction;
  jdn_to_euro_date(none);
  EXPECT_GT(none.year, 2999);
  DateRecord minusOne;
  minusOne.jdn = -1;
  jdn_to_euro_date(minusOne);
  EXPECT_LT(minusOne.year, 1980);
}

TEST(DateTexts, LongAndShortForms) {
  SetLocale(LocaleSettings{});
  EXPECT_EQ(LongDateText(kJan5th2012), "January 5, 2012");
  EXPECT_EQ(LongDateText(2451545 + 365), "December 31, 2000");
  DateRecord far = Date(12345, 6, 1);
  EXPECT_EQ(LongDateText(euro_date_to_jdn(far)), "June 1, 12,345");
  DateRecord last = Date(9999, 12, 31);
  EXPECT_EQ(LongDateText(euro_date_to_jdn(last)), "December 31, 9999");
  EXPECT_EQ(ShortDateTextOfDay(kJan5th2012), "01/05/2012");
  EXPECT_EQ(ShortDateTextOfDay(INT32_MAX), "");
}

class FileDateTest : public ::testing::Test {
 protected:
  testing::TempDir folder;
  testing::FaultyFileSystem fileSystem;
};

TEST_F(FileDateTest, DayNumberInLocalTime) {
  const std::string path = folder.Write("a.txt", "x");
  TouchLocalNoon(fileSystem, path, 2012, 1, 5);
  std::int16_t error = -1;
  EXPECT_EQ(GetFileDayNumber(fileSystem, path, error), kJan5th2012);
  EXPECT_EQ(error, 0);
}

TEST_F(FileDateTest, UnreadableDateGivesMinusOneAndTheErrorNumber) {
  std::int16_t error = 0;
  EXPECT_EQ(GetFileDayNumber(fileSystem, folder / "missing.txt", error), -1);
  EXPECT_EQ(error, 53);
  const std::string path = folder.Write("a.txt", "x");
  fileSystem.Inject({"Status", "a.txt", EIO});
  EXPECT_EQ(GetFileDayNumber(fileSystem, path, error), -1);
  EXPECT_EQ(error, 1000 + EIO);
}

TEST_F(FileDateTest, LimitDayItselfIsExcludedAndTheDayBeforeIncluded) {
  const std::string onLimit = folder.Write("on.txt", "x");
  const std::string before = folder.Write("before.txt", "x");
  TouchLocalNoon(fileSystem, onLimit, 2012, 1, 5);
  TouchLocalNoon(fileSystem, before, 2012, 1, 4);
  EXPECT_FALSE(SatisfiesFilespecAndDateRestriction(fileSystem, onLimit, "*.*", false, kJan5th2012));
  EXPECT_TRUE(SatisfiesFilespecAndDateRestriction(fileSystem, before, "*.*", false, kJan5th2012));
  EXPECT_TRUE(SatisfiesFilespecAndDateRestriction(fileSystem, onLimit, "*.*", false, kJan5th2012 + 1));
  EXPECT_FALSE(SatisfiesFilespecAndDateRestriction(fileSystem, before, "*.doc", false, kJan5th2012));
}

TEST_F(FileDateTest, WithoutLimitNoDateIsRead) {
  const std::string path = folder.Write("a.txt", "x");
  fileSystem.Inject({"Status", "a.txt", EIO});
  EXPECT_TRUE(SatisfiesFilespecAndDateRestriction(fileSystem, path, "*.txt", false, kNoDateRestriction));
  EXPECT_EQ(fileSystem.Calls("Status"), 0);
  EXPECT_FALSE(SatisfiesFilespecAndDateRestriction(fileSystem, path, "*.txt", false, kJan5th2012));
}

TEST_F(FileDateTest, WildcardsFoldButAPlainNameMatchesExactly) {
  const std::string path = folder.Write("Report.TXT", "x");
  EXPECT_TRUE(SatisfiesFilespecAndDateRestriction(fileSystem, path, "*.txt", false, kNoDateRestriction));
  EXPECT_TRUE(SatisfiesFilespecAndDateRestriction(fileSystem, path, "Report.TXT", false, kNoDateRestriction));
  // The same file on Windows, whose names differ not by case.
  EXPECT_EQ(SatisfiesFilespecAndDateRestriction(fileSystem, path, "report.txt", false, kNoDateRestriction),
            !platform::kCaseSensitiveNames);
}

}  // namespace
}  // namespace nulvane::support
