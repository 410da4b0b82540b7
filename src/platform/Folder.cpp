#include "platform/Folder.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace nulvane::platform {

Folder::Folder(File::Handle handle, std::string path, FileIdentity identity, std::uint64_t mountId)
    : handle_(handle), path_(std::move(path)), identity_(identity), mountId_(mountId) {}

Folder::~Folder() {
  if (handle_ == File::kNoHandle) return;
#ifdef _WIN32
  ::CloseHandle(handle_);
#else
  ::close(handle_);
#endif
}

bool IsEntryName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) return false;
#ifdef _WIN32
  // A colon names a stream of a file, or a drive.
  if (name.find_first_of("\\:") != std::string::npos) return false;
#endif
  return true;
}

}  // namespace nulvane::platform
