#include "support/FileLength.h"

namespace nulvane::support {

std::int64_t GetFileLength(platform::FileSystem& fileSystem, const std::string& path) {
  if (path.empty()) return -platform::kErrorFileNotFound;
  try {
    const platform::FileStatus status = fileSystem.Status(path);
    switch (status.kind) {
      case platform::FileKind::Regular:
        return status.size;
      case platform::FileKind::Missing:
        return -platform::kErrorFileNotFound;
      default:
        return -kErrorNotRegularFile;
    }
  } catch (const platform::PlatformError& error) {
    return -static_cast<std::int64_t>(error.number);
  }
}

}  // namespace nulvane::support
