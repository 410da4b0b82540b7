#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>

#include "platform/PlatformError.h"
#include "platform/SystemRandom.h"

namespace nulvane::platform {

namespace {

// For systems without getrandom (or a sandbox that forbids it).
void ReadDeviceRandom(unsigned char* bytes, std::size_t size) {
  const int descriptor = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (descriptor < 0) ThrowErrno(errno);
  while (size > 0) {
    const ssize_t got = ::read(descriptor, bytes, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      const int error = got < 0 ? errno : EIO;
      ::close(descriptor);
      ThrowErrno(error);
    }
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
  ::close(descriptor);
}

}  // namespace

void SystemRandomBytes(void* data, std::size_t size) {
  auto* bytes = static_cast<unsigned char*>(data);
  while (size > 0) {
    // Blocks only until the system's generator has been seeded once, early at boot.
    const ssize_t got = ::getrandom(bytes, size, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      if (errno == ENOSYS || errno == EPERM) return ReadDeviceRandom(bytes, size);
      ThrowErrno(errno);
    }
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
}

}  // namespace nulvane::platform
