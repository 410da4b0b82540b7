#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace nulvane::testing {

// Tests stage and check folders by path; the program reaches them only through folders it holds. Each of
// these opens the folder the path names (or the one that holds it) and acts there.
std::vector<platform::DirEntry> ListFolder(platform::FileSystem& fileSystem, const std::string& path,
                                           bool withSizes = false);
std::vector<platform::DirEntry> ListFolder(platform::FileSystem&& fileSystem, const std::string& path);
platform::FileAttributes Attributes(platform::FileSystem& fileSystem, const std::string& path);
void SetAttributes(platform::FileSystem& fileSystem, const std::string& path,
                   const platform::FileAttributes& attributes);
void SetReadOnly(platform::FileSystem& fileSystem, const std::string& path, bool readOnly);
void RemoveFolder(platform::FileSystem& fileSystem, const std::string& path);

}  // namespace nulvane::testing
