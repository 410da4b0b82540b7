#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/File.h"

namespace nulvane::platform {

// What names one file or folder whatever path reaches it: on POSIX systems its device and inode, on Windows
// its volume's serial number and its index on that volume.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// An open folder: what a walk holds while it works in it (a descriptor, or a HANDLE on Windows). Every name
// the walk acts on is looked up in this folder, wherever it hangs by then: a rename or an exchange of the
// folder, or of any folder above or below it, while a run goes on cannot move the run anywhere else. Shared
// by the walk and the worker threads that purge its files (FolderHandle), and closed when the last of them
// lets go.
class Folder {
 public:
  Folder(File::Handle handle, std::string path, FileIdentity identity, std::uint64_t mountId);
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  File::Handle NativeHandle() const { return handle_; }
#ifndef _WIN32
  int Descriptor() const {
    return handle_;
  }
#endif
  // The path the folder was reached by, with a trailing separator: for the user's eyes only. The folder is
  // never looked up by it again.
  const std::string& Path() const {
    return path_;
  }
  // The path of an entry of the folder, for display.
  std::string PathOf(const std::string& name) const {
    return path_ + name;
  }
  const FileIdentity& Identity() const {
    return identity_;
  }
  // The mount the folder belongs to; 0 where the system does not tell.
  std::uint64_t MountId() const {
    return mountId_;
  }
  // A listing reads through the folder's own position in its entries: one listing at a time.
  std::mutex& ListingLock() const {
    return listing_;
  }

 private:
  File::Handle handle_;
  std::string path_;
  FileIdentity identity_;
  std::uint64_t mountId_;
  mutable std::mutex listing_;
};

using FolderHandle = std::shared_ptr<const Folder>;

// Whether `name` is a single entry name, as the calls that act on a name in a folder take it: not empty, not
// "." or "..", without a separator (nor, on Windows, a colon).
bool IsEntryName(const std::string& name);

}  // namespace nulvane::platform
