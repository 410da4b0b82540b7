#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/Locale.h"

namespace nulvane::support {
namespace {

using namespace std::chrono;

class LocaleTest : public ::testing::Test {
 protected:
  void TearDown() override { SetLocale(LocaleSettings{}); }
};

TEST_F(LocaleTest, GroupedNumbers) {
  struct Case {
    double value;
    int decimals;
    std::string english;
    std::string german;
    std::string ungrouped;
  };
  const std::vector<Case> cases = {
      {0, 0, "0", "0", "0"},
      {999, 2, "999.00", "999,00", "999.00"},
      {1234.5, 2, "1,234.50", "1.234,50", "1234.50"},
      {1234567.891, 1, "1,234,567.9", "1.234.567,9", "1234567.9"},
      {-1234.5, 0, "-1,234", "-1.234", "-1234"},
      {-0.04, 1, "0.0", "0,0", "0.0"},
      {1e15, 0, "1,000,000,000,000,000", "1.000.000.000.000.000", "1000000000000000"},
      {12.5, -1, "12", "12", "12"},
  };
  for (const auto& c : cases) {
    SetLocale({'.', ',', "%m/%d/%Y"});
    EXPECT_EQ(FormatGrouped(c.value, c.decimals), c.english) << c.value;
    SetLocale({',', '.', "%d.%m.%Y"});
    EXPECT_EQ(FormatGrouped(c.value, c.decimals), c.german) << c.value;
    SetLocale({'.', '\0', "%Y-%m-%d"});
    EXPECT_EQ(FormatGrouped(c.value, c.decimals), c.ungrouped) << c.value;
  }
}

TEST_F(LocaleTest, ShortDates) {
  const year_month_day day = 2026y / December / 7d;
  SetLocale({'.', ',', "%m/%d/%Y"});
  EXPECT_EQ(FormatShortDate(day), "12/07/2026");
  SetLocale({',', '.', "%d.%m.%Y"});
  EXPECT_EQ(FormatShortDate(day), "07.12.2026");
  SetLocale({'.', ',', "%Y-%m-%d"});
  EXPECT_EQ(FormatShortDate(1899y / December / 30d), "1899-12-30");
  EXPECT_EQ(FormatShortDate(2026y / February / 30d), "");
}

TEST_F(LocaleTest, TimeOfDay) {
  EXPECT_EQ(FormatTimeOfDay(0, 0, 0), "00:00:00");
  EXPECT_EQ(FormatTimeOfDay(9, 5, 7), "09:05:07");
  EXPECT_EQ(FormatTimeOfDay(23, 59, 59), "23:59:59");
}

#ifndef _WIN32
TEST_F(LocaleTest, SystemLocaleKeepsFourDigitYears) {
  // The C locale's date format has a two-digit year ("%m/%d/%y").
  const char* saved = std::getenv("LC_ALL");
  const std::string previous = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  const LocaleSettings settings = SystemLocale();
  if (saved) {
    setenv("LC_ALL", previous.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  EXPECT_EQ(settings.shortDateFormat, "%m/%d/%Y");
  EXPECT_EQ(settings.decimalPoint, '.');
  EXPECT_EQ(settings.thousandsSeparator, '\0');
}
#endif

}  // namespace
}  // namespace nulvane::support
