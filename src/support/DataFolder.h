#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace nulvane::support {

// The folder that holds the program's data files (program texts, help): beside the executable in a build
// tree, else ../share/nulvane in an installed tree (/usr/bin/nulvane reads /usr/share/nulvane), else, where
// the executable's folder cannot be told, the data folder of the prefix the build installs to. With a
// trailing separator; the executable's folder when none holds the program texts, so that the message
// about missing texts names the place a build tree uses.
std::string DataFolder(platform::FileSystem& fileSystem);
// The same with the installed data folder named (empty: none).
std::string DataFolder(platform::FileSystem& fileSystem, const std::string& installedFolder);

}  // namespace nulvane::support
