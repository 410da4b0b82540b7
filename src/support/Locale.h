#pragma once

#include <chrono>
#include <string>

namespace nulvane::support {

// How numbers and dates are shown. The program starts with the user's settings (SystemLocale); tests set
// their own so that texts are predictable.
struct LocaleSettings {
  char decimalPoint = '.';
  char thousandsSeparator = ',';  // '\0': digits are not grouped
  // strftime-like; the year always has four digits so that a date cannot be misread.
  std::string shortDateFormat = "%m/%d/%Y";
};

const LocaleSettings& CurrentLocale();
void SetLocale(const LocaleSettings& settings);
// The user's settings from the environment (LANG, LC_NUMERIC, LC_TIME ...), read without changing the
// process's own locale; the defaults above where the environment names no usable locale.
LocaleSettings SystemLocale();

// The value with `decimals` decimals and grouped thousands: "1,234.50".
std::string FormatGrouped(double value, int decimals);
// The date in the current short date format; empty text for a date that does not exist.
std::string FormatShortDate(std::chrono::year_month_day date);
// "hh:mm:ss", each field with two digits.
std::string FormatTimeOfDay(int hours, int minutes, int seconds);

}  // namespace nulvane::support
