#include "support/FileServices.h"

#include "platform/PlatformError.h"

namespace nulvane::support {

std::int32_t change_filesize(platform::FileSystem& fileSystem, const std::string& path, std::int64_t size) {
  try {
    platform::File file = fileSystem.OpenForWriting(path);
    if (size == -1) return 0;
    // No negative length but the test value.
    if (size < 0) return -platform::ErrorNumberFromErrno(EINVAL);
    fileSystem.SetLength(file, size);
    file.Close();
    return 0;
  } catch (const platform::PlatformError& error) {
    return -error.number;
  }
}

std::int32_t flush_file(platform::FileSystem& fileSystem, const std::string& path) {
  try {
    platform::File file = fileSystem.OpenForWriting(path);
    fileSystem.Flush(file);
    file.Close();
    return 0;
  } catch (const platform::PlatformError& error) {
    return -error.number;
  }
}

}  // namespace nulvane::support
