#pragma once

#include <sys/mount.h>

#include <string>

namespace nulvane::testing {

// A small memory file system mounted on a folder for the length of a test. Mounting needs root (as in
// CI); where it is not allowed, `mounted()` is false and the test skips itself.
class MountedFolder {
 public:
  explicit MountedFolder(std::string path) : path_(std::move(path)) {
    mounted_ = ::mount("nulvane-test", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") == 0;
  }
  ~MountedFolder() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  MountedFolder(const MountedFolder&) = delete;
  MountedFolder& operator=(const MountedFolder&) = delete;

  bool mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

}  // namespace nulvane::testing
