#include "platform/FileSystem.h"

#include <cerrno>

#include "platform/PlatformError.h"

namespace nulvane::platform {

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

}  // namespace

std::pair<FolderHandle, std::string> OpenParentOf(FileSystem& fileSystem, const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && IsSeparator(path[end - 1])) --end;
  std::size_t start = end;
  while (start > 0 && !IsSeparator(path[start - 1])) --start;
  std::string name = path.substr(start, end - start);
  if (!IsEntryName(name)) ThrowErrno(path.empty() ? ENOENT : EINVAL);
  std::string folder = path.substr(0, start);
  if (folder.empty()) folder = ".";
  return {fileSystem.OpenFolder(folder), std::move(name)};
}

}  // namespace nulvane::platform
