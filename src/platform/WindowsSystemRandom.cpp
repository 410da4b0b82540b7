// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/PlatformError.h"
#include "platform/SystemRandom.h"

namespace nulvane::platform {

void SystemRandomBytes(void* data, std::size_t size) {
  auto* bytes = static_cast<unsigned char*>(data);
  while (size > 0) {
    const ULONG part = static_cast<ULONG>(std::min<std::size_t>(size, ULONG_MAX));
    const NTSTATUS status = ::BCryptGenRandom(nullptr, bytes, part, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (!BCRYPT_SUCCESS(status)) {
      char text[64];
      std::snprintf(text, sizeof text, "The system's random source failed (status 0x%08lx)",
                    static_cast<unsigned long>(status));
      throw PlatformError(ErrorNumberFromErrno(EIO), text);
    }
    bytes += part;
    size -= part;
  }
}

}  // namespace nulvane::platform
