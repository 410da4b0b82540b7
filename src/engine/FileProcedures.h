#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace nulvane::engine {

// Paths longer than this are neither asked for their times nor given them back.
constexpr std::size_t kMaxTimesPathLength = 128;

// A file's times with how they were read: 0 read, -1 file cannot be opened, -2 times cannot be read,
// -5 path too long.
struct SavedFileTimes {
  platform::FileTimes times;
  int status = -1;
};

SavedFileTimes GetFileTimes(platform::FileSystem& fileSystem, const std::string& path);
// 0 success, -3 file cannot be opened, -4 times cannot be written, -5 path too long.
int SetFileTimes(platform::FileSystem& fileSystem, const std::string& path, const platform::FileTimes& times);

// The file's last-modified date (and, with `withTime`, its time "hh:mm:ss") in local time; empty for an
// empty path, a missing file or an error.
std::string FileDateText(platform::FileSystem& fileSystem, const std::string& path, bool withTime);
// The same from a look already taken at the file (a walk's, relative to the folder it holds).
std::string FileDateText(const platform::FileStatus& status, bool withTime);

// `path` followed by the smallest number 1, 2, 3, ... for which nothing of that name exists. Throws
// PlatformError when the names cannot be examined.
std::string FreeFileName(platform::FileSystem& fileSystem, const std::string& path);

}  // namespace nulvane::engine
