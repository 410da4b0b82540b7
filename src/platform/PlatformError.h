#pragma once

#include <stdexcept>
#include <string>

namespace nulvane::platform {

// A failure of the operating system that reaches the caller's error handler.
// `number` follows the program's error numbering (53 not found, 61 disk full, 70 permission denied,
// 7 out of memory, 76 path not found, otherwise 1000 + errno); `description` is the system's text.
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

}  // namespace nulvane::platform
