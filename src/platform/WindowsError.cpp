#include <windows.h>

#include "platform/PlatformError.h"
#include "platform/WindowsText.h"

namespace nulvane::platform {

namespace {

// Codes that the headers of the cross compiler do not name.
constexpr unsigned long kErrorStoppedOnSymlink = 681;
constexpr unsigned long kErrorNoSuchDevice = 433;
constexpr unsigned long kErrorDiskQuotaExceeded = 1295;
constexpr unsigned long kErrorReparsePointEncountered = 4395;

int Errno(int error) {
  return ErrorNumberFromErrno(error);
}

// The program's number for the Windows errors that it can meet and that mean what a named number or an
// errno value means; 0 for the others.
int NumberOfSameMeaning(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_REM_NOT_LIST:
    case ERROR_NO_NET_OR_BAD_PATH:
      return kErrorFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return kErrorPathNotFound;
    // Only what the user's rights decide is a permission failure, which the folder walks pass over.
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
    // On its way out: nothing is lost by passing it over.
    case ERROR_DELETE_PENDING:
      return kErrorPermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kErrorDiskQuotaExceeded:
      return kErrorDiskFull;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return kErrorOutOfMemory;

    // In use by another program: not a matter of rights, and so reported where it is met.
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_NETWORK_BUSY:
      return Errno(EBUSY);
    case ERROR_USER_MAPPED_FILE:
      return Errno(ETXTBSY);

    // A drive without its disk, or whose disk the system cannot read.
    case ERROR_NOT_READY:
    case ERROR_NO_MEDIA_IN_DRIVE:
      return ErrorNumberFromLinuxErrno(kLinuxENOMEDIUM);
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case kErrorNoSuchDevice:
      return Errno(ENODEV);
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_OPEN_FAILED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_ADAP_HDW_ERR:
      return Errno(EIO);
    case ERROR_FILE_CORRUPT:
    case ERROR_DISK_CORRUPT:
      return ErrorNumberFromLinuxErrno(kLinuxEUCLEAN);
    // The volume was changed under an open file (a disk swapped, say).
    case ERROR_FILE_INVALID:
      return ErrorNumberFromLinuxErrno(kLinuxESTALE);

    // The network under a shared folder.
    case ERROR_NETNAME_DELETED:
    case ERROR_GRACEFUL_DISCONNECT:
      return Errno(ECONNRESET);
    case ERROR_BAD_NET_RESP:
      return Errno(EPROTO);
    case ERROR_NO_NETWORK:
      return Errno(ENETDOWN);
    case ERROR_NETWORK_UNREACHABLE:
      return Errno(ENETUNREACH);
    case ERROR_HOST_UNREACHABLE:
      return Errno(EHOSTUNREACH);
    case ERROR_CONNECTION_REFUSED:
    case ERROR_PORT_UNREACHABLE:
      return Errno(ECONNREFUSED);
    case ERROR_CONNECTION_ABORTED:
      return Errno(ECONNABORTED);
    case ERROR_NOT_CONNECTED:
      return Errno(ENOTCONN);
    case ERROR_SEM_TIMEOUT:
    case ERROR_TIMEOUT:
      return Errno(ETIMEDOUT);

    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return Errno(EEXIST);
    case ERROR_DIR_NOT_EMPTY:
      return Errno(ENOTEMPTY);
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return Errno(ENAMETOOLONG);
    case ERROR_NOT_SAME_DEVICE:
      return Errno(EXDEV);
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_NOT_A_REPARSE_POINT:
      return Errno(EINVAL);
    case ERROR_CANT_RESOLVE_FILENAME:
    case kErrorStoppedOnSymlink:
    case kErrorReparsePointEncountered:
      return Errno(ELOOP);
    case ERROR_TOO_MANY_OPEN_FILES:
      return Errno(EMFILE);
    case ERROR_INVALID_HANDLE:
      return Errno(EBADF);
    case ERROR_FILE_TOO_LARGE:
      return Errno(EFBIG);
    case ERROR_TOO_MANY_LINKS:
      return Errno(EMLINK);
    case ERROR_BROKEN_PIPE:
      return Errno(EPIPE);
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
      return Errno(EOPNOTSUPP);
    case ERROR_OPERATION_ABORTED:
      return Errno(ECANCELED);
    default:
      return 0;
  }
}

}  // namespace

int ErrorNumberFromWin32(unsigned long error) {
  const int same = NumberOfSameMeaning(error);
  return same != 0 ? same : kWin32Base + static_cast<int>(error);
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
