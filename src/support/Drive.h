#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace nulvane::support {

// The "drive" of a path: its volume (the mount point that holds it). Per-drive tables are keyed by it and
// messages name it ("Drive /home").
inline std::string DriveOf(platform::FileSystem& fileSystem, const std::string& path) {
  return fileSystem.VolumeOf(path);
}

// Floppy drives (A: and B:) get their own limits; no volume here is one.
inline bool IsFloppyDrive(const std::string& drive) {
  return drive.size() >= 2 && drive[1] == ':' &&
         (drive[0] == 'A' || drive[0] == 'B' || drive[0] == 'a' || drive[0] == 'b');
}

}  // namespace nulvane::support
