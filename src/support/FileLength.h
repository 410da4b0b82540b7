#pragma once

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/PlatformError.h"

namespace nulvane::support {

// The error number given for a path that names a folder, a symbolic link, a device or the like: only a
// regular file has a length the program cares about (a link's own length is that of the name it holds).
constexpr int kErrorNotRegularFile = platform::ErrorNumberFromErrno(EINVAL);

// The length in bytes of the regular file at `path` (a symbolic link is not followed), or minus the
// PlatformError number when it cannot be had: -53 for a missing file.
std::int64_t GetFileLength(platform::FileSystem& fileSystem, const std::string& path);

}  // namespace nulvane::support
