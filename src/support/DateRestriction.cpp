#include "support/DateRestriction.h"

#include <chrono>
#include <climits>
#include <ctime>

#include "platform/Environment.h"
#include "platform/PlatformError.h"
#include "support/Locale.h"
#include "support/Match.h"
#include "support/OperationState.h"

namespace nulvane::support {

namespace chr = std::chrono;

const char* const kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};

namespace {

std::int64_t JdnOf(chr::year_month_day date) {
  return chr::sys_days(date).time_since_epoch().count() + kUnixEpochJdn;
}

// The day numbers that the calendar types can hold.
const std::int64_t kFirstJdn = JdnOf(chr::year::min() / chr::January / 1);
const std::int64_t kLastJdn = JdnOf(chr::year::max() / chr::December / 31);

bool ToDate(std::int32_t jdn, chr::year_month_day& date) {
  if (jdn < kFirstJdn || jdn > kLastJdn) return false;
  date = chr::year_month_day(chr::sys_days(chr::days(static_cast<std::int64_t>(jdn) - kUnixEpochJdn)));
  return true;
}

}  // namespace

std::int32_t euro_date_to_jdn(DateRecord& record) {
  record.valid = 0;
  record.jdn = -1;
  if (record.year < static_cast<int>(chr::year::min()) || record.year > static_cast<int>(chr::year::max()) ||
      record.month < 1 || record.month > 12 || record.day < 1 || record.day > 31) {
    return record.jdn;
  }
  const chr::year_month_day date(chr::year(record.year), chr::month(static_cast<unsigned>(record.month)),
                                 chr::day(static_cast<unsigned>(record.day)));
  if (!date.ok()) return record.jdn;
  record.jdn = static_cast<std::int32_t>(JdnOf(date));
  record.valid = 1;
  return record.jdn;
}

void jdn_to_euro_date(DateRecord& record) {
  chr::year_month_day date;
  if (!ToDate(record.jdn, date)) {
    record.year = record.jdn < 0 ? INT32_MIN : INT32_MAX;
    record.month = 0;
    record.day = 0;
    record.valid = 0;
    return;
  }
  record.year = static_cast<int>(date.year());
  record.month = static_cast<std::int32_t>(static_cast<unsigned>(date.month()));
  record.day = static_cast<std::int32_t>(static_cast<unsigned>(date.day()));
  record.valid = 1;
}

std::int32_t GetFileDayNumber(platform::FileSystem& fileSystem, const std::string& path,
                              std::int16_t& errorNumber) {
  errorNumber = 0;
  platform::FileStatus status;
  try {
    status = fileSystem.Status(path);
  } catch (const platform::PlatformError& error) {
    errorNumber = static_cast<std::int16_t>(error.number);
    return -1;
  }
  return FileDayNumber(status, errorNumber);
}

std::int32_t FileDayNumber(const platform::FileStatus& status, std::int16_t& errorNumber) {
  errorNumber = 0;
  if (status.kind == platform::FileKind::Missing) {
    errorNumber = platform::kErrorFileNotFound;
    return -1;
  }
  const std::time_t seconds = static_cast<std::time_t>(status.times.modification.seconds);
  const std::optional<std::tm> converted = platform::LocalTime(seconds);
  if (!converted) {
    errorNumber = static_cast<std::int16_t>(platform::ErrorNumberFromErrno(EOVERFLOW));
    return -1;
  }
  const std::tm& local = *converted;
  DateRecord record;
  record.year = local.tm_year + 1900;
  record.month = local.tm_mon + 1;
  record.day = local.tm_mday;
  return euro_date_to_jdn(record);
}

bool SatisfiesFilespecAndDateRestriction(platform::FileSystem& fileSystem, const std::string& filePath,
                                         const std::string& spec, bool caseSensitive,
                                         std::int32_t onlyBeforeJdn) {
  // A specification without wildcards is one exact name, so that name must not be folded before matching.
  const bool fold = !caseSensitive && ContainsWildcard(spec);
  if (!MatchFilespec(FileNameOf(filePath, fold), spec, caseSensitive)) return false;
  if (onlyBeforeJdn == kNoDateRestriction) return true;
  std::int16_t errorNumber = 0;
  const std::int32_t day = GetFileDayNumber(fileSystem, filePath, errorNumber);
  if (day == -1) return false;
  return day < onlyBeforeJdn;
}

std::string LongDateText(std::int32_t jdn) {
  DateRecord record;
  record.jdn = jdn;
  record.calendar = kGregorianCalendar;
  jdn_to_euro_date(record);
  if (record.valid == 0) return {};
  const std::string year =
      record.year > 9999 || record.year < -9999 ? FormatGrouped(record.year, 0) : std::to_string(record.year);
  return std::string(kMonthNames[record.month - 1]) + " " + std::to_string(record.day) + ", " + year;
}

std::string ShortDateTextOfDay(std::int32_t jdn) {
  chr::year_month_day date;
  if (!ToDate(jdn, date)) return {};
  return FormatShortDate(date);
}

}  // namespace nulvane::support
