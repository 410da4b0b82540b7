#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace nulvane::support {

// The record exchanged with the calendar conversions. `calendar` is a selector: 71 ("G") and 0 both mean
// the Gregorian calendar, the only one used here. `valid` is non-zero when the date exists.
struct DateRecord {
  std::int32_t year = 0;
  std::int32_t month = 0;
  std::int32_t day = 0;
  std::int32_t calendar = 0;
  std::int32_t jdn = 0;
  std::int32_t valid = 0;
};

constexpr std::int32_t kGregorianCalendar = 71;
// Julian day number of 1 January 1970.
constexpr std::int32_t kUnixEpochJdn = 2440588;

// Day number (Julian day number) of year/month/day; sets `jdn` and `valid` of the record as well.
// A date that does not exist gives -1 and a zero validity flag.
std::int32_t euro_date_to_jdn(DateRecord& record);
// Fills year, month and day from `jdn`. A day number beyond the years the calendar can hold gives a zero
// validity flag and a year outside every acceptable range.
void jdn_to_euro_date(DateRecord& record);

// Day number of the file's last modification in local time, or -1 with the program's error number in
// `errorNumber` (0 on success). A symbolic link's own time is read; the link is not followed.
std::int32_t GetFileDayNumber(platform::FileSystem& fileSystem, const std::string& path,
                              std::int16_t& errorNumber);
// The same from a look already taken at the file (a walk's, relative to the folder it holds).
std::int32_t FileDayNumber(const platform::FileStatus& status, std::int16_t& errorNumber);

// The per-file test of the folder walks: the name matches `spec` and, when a limit is set (anything but
// kNoDateRestriction), the file was last modified strictly before the limit day. A file whose date cannot
// be read takes part only when no limit is set.
bool SatisfiesFilespecAndDateRestriction(platform::FileSystem& fileSystem, const std::string& filePath,
                                         const std::string& spec, bool caseSensitive,
                                         std::int32_t onlyBeforeJdn);

// "January 5, 2012"; years beyond ±9999 are grouped.
std::string LongDateText(std::int32_t jdn);
// The day in the locale's short date form.
std::string ShortDateTextOfDay(std::int32_t jdn);

extern const char* const kMonthNames[12];

}  // namespace nulvane::support
