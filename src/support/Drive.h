#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace nulvane::support {

// The "drive" of a path: on Windows its letter with a colon ("C:"), elsewhere its volume (the mount point
// that holds it). Per-drive tables are keyed by it.
inline std::string DriveOf(platform::FileSystem& fileSystem, const std::string& path) {
  return fileSystem.VolumeOf(path);
}

// The drive as messages and the settings key name it: a Windows drive by its letter ("Drive C"), a volume by
// its mount point ("Drive /home").
inline std::string DriveName(const std::string& drive) {
  const bool letter = drive.size() == 2 && drive[1] == ':' &&
                      ((drive[0] >= 'A' && drive[0] <= 'Z') || (drive[0] >= 'a' && drive[0] <= 'z'));
  return letter ? drive.substr(0, 1) : drive;
}

// Floppy drives (A: and B:) get their own limits; no volume of a POSIX system is one.
inline bool IsFloppyDrive(const std::string& drive) {
  return drive.size() >= 2 && drive[1] == ':' &&
         (drive[0] == 'A' || drive[0] == 'B' || drive[0] == 'a' || drive[0] == 'b');
}

}  // namespace nulvane::support
