#include "platform/File.h"

#include <unistd.h>

#include <cerrno>

#include "platform/PlatformError.h"

namespace nulvane::platform {

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

File::~File() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

void File::Close() {
  if (descriptor_ < 0) return;
  const int descriptor = std::exchange(descriptor_, -1);
  if (::close(descriptor) != 0 && errno != EINTR) ThrowErrno(errno);
}

}  // namespace nulvane::platform
