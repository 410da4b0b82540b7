#pragma once

#include <cstddef>

namespace nulvane::platform {

// Fills `size` bytes from the operating system's cryptographic random source (getrandom on Linux,
// BCryptGenRandom on Windows); throws PlatformError when the system gives none.
void SystemRandomBytes(void* data, std::size_t size);

}  // namespace nulvane::platform
