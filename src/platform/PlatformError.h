#pragma once

#include <cerrno>
#include <stdexcept>
#include <string>

namespace nulvane::platform {

// A failure of the operating system that reaches the caller's error handler.
// `number` follows the program's error numbering, the same on every platform: 53 not found, 61 disk full,
// 70 permission denied, 7 out of memory, 76 path not found; any other errno value is 1000 + the value Linux
// gives it; on Windows an error code that no errno means is 2000 + the code. `description` is the system's
// text.
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
constexpr int kWin32Base = 2000;

// errno values that not every platform's C library names, as Linux numbers them.
constexpr int kLinuxEDQUOT = 122;
constexpr int kLinuxENOMEDIUM = 123;
constexpr int kLinuxEUCLEAN = 117;
constexpr int kLinuxESTALE = 116;

namespace detail {

struct ErrnoValue {
  int own;      // this platform's value
  int onLinux;  // Linux's value for the same name
};

// Every name that both Linux and the Windows C library (mingw-w64) know, with Linux's value: the two number
// them alike up to ERANGE only.
// clang-format off
inline constexpr ErrnoValue kErrnoValues[] = {
    {EPERM, 1},             {ENOENT, 2},            {ESRCH, 3},             {EINTR, 4},
    {EIO, 5},               {ENXIO, 6},             {E2BIG, 7},             {ENOEXEC, 8},
    {EBADF, 9},             {ECHILD, 10},           {EAGAIN, 11},           {ENOMEM, 12},
    {EACCES, 13},           {EFAULT, 14},           {EBUSY, 16},            {EEXIST, 17},
    {EXDEV, 18},            {ENODEV, 19},           {ENOTDIR, 20},          {EISDIR, 21},
    {EINVAL, 22},           {ENFILE, 23},           {EMFILE, 24},           {ENOTTY, 25},
    {ETXTBSY, 26},          {EFBIG, 27},            {ENOSPC, 28},           {ESPIPE, 29},
    {EROFS, 30},            {EMLINK, 31},           {EPIPE, 32},            {EDOM, 33},
    {ERANGE, 34},           {EDEADLK, 35},          {ENAMETOOLONG, 36},     {ENOLCK, 37},
    {ENOSYS, 38},           {ENOTEMPTY, 39},        {ELOOP, 40},            {EWOULDBLOCK, 11},
    {ENOMSG, 42},           {EIDRM, 43},            {ENOSTR, 60},           {ENODATA, 61},
    {ETIME, 62},            {ENOSR, 63},            {ENOLINK, 67},          {EPROTO, 71},
    {EBADMSG, 74},          {EOVERFLOW, 75},        {EILSEQ, 84},           {ENOTSOCK, 88},
    {EDESTADDRREQ, 89},     {EMSGSIZE, 90},         {EPROTOTYPE, 91},       {ENOPROTOOPT, 92},
    {EPROTONOSUPPORT, 93},  {ENOTSUP, 95},          {EOPNOTSUPP, 95},       {EAFNOSUPPORT, 97},
    {EADDRINUSE, 98},       {EADDRNOTAVAIL, 99},    {ENETDOWN, 100},        {ENETUNREACH, 101},
    {ENETRESET, 102},       {ECONNABORTED, 103},    {ECONNRESET, 104},      {ENOBUFS, 105},
    {EISCONN, 106},         {ENOTCONN, 107},        {ETIMEDOUT, 110},       {ECONNREFUSED, 111},
    {EHOSTUNREACH, 113},    {EALREADY, 114},        {EINPROGRESS, 115},     {ECANCELED, 125},
    {EOWNERDEAD, 130},      {ENOTRECOVERABLE, 131},
};
// clang-format on

}  // namespace detail

// The value Linux gives the errno name that this platform gives `error`: the same value on Linux.
constexpr int LinuxErrno(int error) {
  for (const detail::ErrnoValue& value : detail::kErrnoValues) {
    if (value.own == error) return value.onLinux;
  }
  return error;
}

// The program's number for an errno value as Linux numbers it.
constexpr int ErrorNumberFromLinuxErrno(int error) {
  switch (error) {
    case 2:  // ENOENT
      return kErrorFileNotFound;
    case 28:  // ENOSPC
    case kLinuxEDQUOT:
      return kErrorDiskFull;
    case 1:   // EPERM
    case 13:  // EACCES
    case 30:  // EROFS
      return kErrorPermissionDenied;
    case 12:  // ENOMEM
      return kErrorOutOfMemory;
    case 20:  // ENOTDIR
      return kErrorPathNotFound;
    default:
      return kErrnoBase + error;
  }
}

// The program's number for this platform's errno value `error`.
constexpr int ErrorNumberFromErrno(int error) {
  return ErrorNumberFromLinuxErrno(LinuxErrno(error));
}

// The error for this platform's errno value `error`, with the system's text.
PlatformError ErrorFromErrno(int error);

[[noreturn]] void ThrowErrno(int error);

#ifdef _WIN32
// The program's number for a Windows error code: a named number or an errno value of the same meaning where
// one exists, else 2000 + the code.
int ErrorNumberFromWin32(unsigned long error);
// The error for a Windows error code, with the system's message text.
PlatformError ErrorFromWin32(unsigned long error);
[[noreturn]] void ThrowWin32(unsigned long error);
// ThrowWin32(GetLastError()).
[[noreturn]] void ThrowLastError();
#endif

}  // namespace nulvane::platform
