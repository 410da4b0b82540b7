#include "engine/FileProcedures.h"

#include <chrono>
#include <ctime>

#include "platform/Environment.h"
#include "platform/PlatformError.h"
#include "support/Locale.h"

namespace nulvane::engine {

using platform::PlatformError;

SavedFileTimes GetFileTimes(platform::FileSystem& fileSystem, const std::string& path) {
  SavedFileTimes saved;
  if (path.size() > kMaxTimesPathLength) {
    saved.status = -5;
    return saved;
  }
  platform::File file;
  try {
    file = fileSystem.OpenForReading(path);
  } catch (const PlatformError&) {
    saved.status = -1;
    return saved;
  }
  try {
    saved.times = fileSystem.Status(file).times;
    saved.status = 0;
  } catch (const PlatformError&) {
    saved.status = -2;
  }
  return saved;
}

int SetFileTimes(platform::FileSystem& fileSystem, const std::string& path,
                 const platform::FileTimes& times) {
  if (path.size() > kMaxTimesPathLength) return -5;
  platform::File file;
  try {
    // Setting times needs ownership, not write permission.
    file = fileSystem.OpenForReading(path);
  } catch (const PlatformError&) {
    return -3;
  }
  try {
    fileSystem.SetTimes(file, times);
  } catch (const PlatformError&) {
    return -4;
  }
  return 0;
}

std::string FileDateText(platform::FileSystem& fileSystem, const std::string& path, bool withTime) {
  if (path.empty()) return {};
  platform::FileStatus status;
  try {
    status = fileSystem.Status(path);
  } catch (const PlatformError&) {
    return {};
  }
  return FileDateText(status, withTime);
}

std::string FileDateText(const platform::FileStatus& status, bool withTime) {
  if (status.kind == platform::FileKind::Missing) return {};
  const std::time_t seconds = static_cast<std::time_t>(status.times.modification.seconds);
  const std::optional<std::tm> converted = platform::LocalTime(seconds);
  if (!converted) return {};
  const std::tm& local = *converted;
  const std::chrono::year_month_day day{std::chrono::year(local.tm_year + 1900),
                                        std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                        std::chrono::day(static_cast<unsigned>(local.tm_mday))};
  std::string text = support::FormatShortDate(day);
  if (text.empty() || !withTime) return text;
  return text + " " + support::FormatTimeOfDay(local.tm_hour, local.tm_min, local.tm_sec);
}

std::string FreeFileName(platform::FileSystem& fileSystem, const std::string& path) {
  // A name that cannot be examined ends the search with its error: every later number would fail alike.
  for (long number = 1;; ++number) {
    const std::string candidate = path + std::to_string(number);
    if (fileSystem.Status(candidate).kind == platform::FileKind::Missing) return candidate;
  }
}

}  // namespace nulvane::engine
