#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace nulvane::support {

// Sets the file's length to `size`, cutting or extending it. With size -1 the file is left as it is and
// only tested for opening for writing. 0 on success, minus the platform's error number on failure.
std::int32_t change_filesize(platform::FileSystem& fileSystem, const std::string& path, std::int64_t size);

// Forces the file's written data to the disk. 0 on success, minus the platform's error number on failure.
std::int32_t flush_file(platform::FileSystem& fileSystem, const std::string& path);

}  // namespace nulvane::support
