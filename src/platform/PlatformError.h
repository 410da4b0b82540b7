#pragma once

#include <stdexcept>
#include <string>

namespace nulvane::platform {

// A failure of the operating system that reaches the caller's error handler.
// `number` follows the program's error numbering (53 not found, 61 disk full, 70 permission denied,
// 7 out of memory, 76 path not found, otherwise 1000 + errno); `description` is the system's text.
// Windows error codes are numbered the same way, through the errno value of the same meaning.
struct PlatformError : std::runtime_error {
  PlatformError(int number, std::string description);

  int number;
  std::string description;
};

constexpr int kErrorFileNotFound = 53;
constexpr int kErrorDiskFull = 61;
constexpr int kErrorPermissionDenied = 70;
constexpr int kErrorOutOfMemory = 7;
constexpr int kErrorPathNotFound = 76;
constexpr int kErrnoBase = 1000;

int ErrorNumberFromErrno(int error);

// The error for errno `error`; `context` (usually the path) is not part of the description.
PlatformError ErrorFromErrno(int error);

[[noreturn]] void ThrowErrno(int error);

#ifdef _WIN32
// The program's number for a Windows error code: the number of the errno value that means the same, else
// 1000 + the code itself.
int ErrorNumberFromWin32(unsigned long error);
// The error for a Windows error code, with the system's message text.
PlatformError ErrorFromWin32(unsigned long error);
[[noreturn]] void ThrowWin32(unsigned long error);
// ThrowWin32(GetLastError()).
[[noreturn]] void ThrowLastError();
#endif

}  // namespace nulvane::platform
