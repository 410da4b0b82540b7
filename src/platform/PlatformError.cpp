#include "platform/PlatformError.h"

#include <cerrno>
#include <cstring>

namespace nulvane::platform {

PlatformError::PlatformError(int number_, std::string description_)
    : std::runtime_error(description_), number(number_), description(std::move(description_)) {}

int ErrorNumberFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return kErrorFileNotFound;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return kErrorDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrorPermissionDenied;
    case ENOMEM:
      return kErrorOutOfMemory;
    case ENOTDIR:
      return kErrorPathNotFound;
    default:
      return kErrnoBase + error;
  }
}

PlatformError ErrorFromErrno(int error) {
  return PlatformError(ErrorNumberFromErrno(error), std::strerror(error));
}

void ThrowErrno(int error) {
  throw ErrorFromErrno(error);
}

}  // namespace nulvane::platform
