#pragma once

#ifdef _WIN32
#include "platform/WindowsFileSystem.h"
#else
#include "platform/PosixFileSystem.h"
#endif

namespace nulvane::platform {

// The real file system of the platform the program is built for.
#ifdef _WIN32
using SystemFileSystem = WindowsFileSystem;
#else
using SystemFileSystem = PosixFileSystem;
#endif

}  // namespace nulvane::platform
