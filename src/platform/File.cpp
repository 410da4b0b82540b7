#include "platform/File.h"

#include "platform/PlatformError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cerrno>
#endif

namespace nulvane::platform {

namespace {

// True when the handle was closed (or is gone anyway); the error number otherwise.
int CloseHandleOf(File::Handle handle) {
#ifdef _WIN32
  return ::CloseHandle(handle) ? 0 : static_cast<int>(::GetLastError());
#else
  return ::close(handle) == 0 || errno == EINTR ? 0 : errno;
#endif
}

}  // namespace

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (handle_ != kNoHandle) CloseHandleOf(handle_);
    handle_ = std::exchange(other.handle_, kNoHandle);
    path_ = std::move(other.path_);
  }
  return *this;
}

File::~File() {
  if (handle_ != kNoHandle) CloseHandleOf(handle_);
}

void File::Close() {
  if (handle_ == kNoHandle) return;
  const int error = CloseHandleOf(std::exchange(handle_, kNoHandle));
  if (error == 0) return;
#ifdef _WIN32
  ThrowWin32(static_cast<unsigned long>(error));
#else
  ThrowErrno(error);
#endif
}

}  // namespace nulvane::platform
