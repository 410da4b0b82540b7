#include "testsupport/PathCalls.h"

#include "platform/PlatformError.h"

namespace nulvane::testing {

std::vector<platform::DirEntry> ListFolder(platform::FileSystem& fileSystem, const std::string& path,
                                           bool withSizes) {
  return fileSystem.List(*fileSystem.OpenFolder(path), withSizes);
}

std::vector<platform::DirEntry> ListFolder(platform::FileSystem&& fileSystem, const std::string& path) {
  return ListFolder(fileSystem, path);
}

platform::FileAttributes Attributes(platform::FileSystem& fileSystem, const std::string& path) {
  const auto [folder, name] = platform::OpenParentOf(fileSystem, path);
  const platform::FileStatus status = fileSystem.StatusAt(*folder, name);
  if (status.kind == platform::FileKind::Missing) platform::ThrowErrno(2);  // ENOENT
  return status.attributes;
}

void SetAttributes(platform::FileSystem& fileSystem, const std::string& path,
                   const platform::FileAttributes& attributes) {
  const auto [folder, name] = platform::OpenParentOf(fileSystem, path);
  fileSystem.SetAttributesAt(*folder, name, attributes);
}

void SetReadOnly(platform::FileSystem& fileSystem, const std::string& path, bool readOnly) {
  platform::FileAttributes attributes = Attributes(fileSystem, path);
  attributes.readOnly = readOnly;
  SetAttributes(fileSystem, path, attributes);
}

void RemoveFolder(platform::FileSystem& fileSystem, const std::string& path) {
  const auto [folder, name] = platform::OpenParentOf(fileSystem, path);
  fileSystem.RemoveFolderAt(*folder, name, nullptr);
}

}  // namespace nulvane::testing
