#include <windows.h>

#include <cerrno>

#include "platform/PlatformError.h"
#include "platform/WindowsText.h"

namespace nulvane::platform {

namespace {

#ifndef ERROR_DISK_QUOTA_EXCEEDED
constexpr unsigned long ERROR_DISK_QUOTA_EXCEEDED = 1295;
#endif

// The errno value that means what the Windows error means, 0 when none does.
int ErrnoOf(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_DELETE_PENDING:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_QUOTA_EXCEEDED:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_CANT_RESOLVE_FILENAME:
      return ELOOP;
    case ERROR_BUSY:
      return EBUSY;
    default:
      return 0;
  }
}

}  // namespace

int ErrorNumberFromWin32(unsigned long error) {
  const int same = ErrnoOf(error);
  return same != 0 ? ErrorNumberFromErrno(same) : kErrnoBase + static_cast<int>(error);
}

PlatformError ErrorFromWin32(unsigned long error) {
  return PlatformError(ErrorNumberFromWin32(error), SystemMessage(error));
}

void ThrowWin32(unsigned long error) {
  throw ErrorFromWin32(error);
}

void ThrowLastError() {
  ThrowWin32(::GetLastError());
}

}  // namespace nulvane::platform
