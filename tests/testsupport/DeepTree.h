#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace nulvane::testing {

// A chain of `levels` folders of one name below `top`, deeper than the longest path the system accepts when
// the name is long: made, looked into and emptied from descriptors, never by a path.
class DeepTree {
 public:
  DeepTree(std::string top, int levels, std::string name)
      : top_(std::move(top)), levels_(levels), name_(std::move(name)) {
    int fd = ::open(top_.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < levels_ && fd >= 0; ++level) {
      ::mkdirat(fd, name_.c_str(), 0755);
      const int next = ::openat(fd, name_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
      ::close(fd);
      fd = next;
    }
    if (fd >= 0) ::close(fd);
  }
  // What is left of it (the whole folder `top`) is removed.
  ~DeepTree() { Empty(::open(top_.c_str(), O_RDONLY | O_DIRECTORY)); }
  DeepTree(const DeepTree&) = delete;
  DeepTree& operator=(const DeepTree&) = delete;

  // Writes a file into the folder `level` levels down (0: top itself).
  bool Write(int level, const std::string& file, const std::string& content) const {
    const int fd = Open(level);
    if (fd < 0) return false;
    const int out = ::openat(fd, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::close(fd);
    if (out < 0) return false;
    const bool written = ::write(out, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    ::close(out);
    return written;
  }
  bool Exists(int level, const std::string& entry) const {
    const int fd = Open(level);
    if (fd < 0) return false;
    struct stat info {};
    const bool found = ::fstatat(fd, entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    ::close(fd);
    return found;
  }
  // The path of the deepest folder, longer than any call takes.
  std::string DeepestPath() const {
    std::string path = top_;
    for (int level = 0; level < levels_; ++level) path += name_ + "/";
    return path;
  }

 private:
  int Open(int level) const {
    int fd = ::open(top_.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < level && fd >= 0; ++i) {
      const int next = ::openat(fd, name_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
      ::close(fd);
      fd = next;
    }
    return fd;
  }
  // Removes everything in the folder open at `fd` (which it closes), folders from their descriptors.
  static void Empty(int fd) {
    if (fd < 0) return;
    DIR* folder = ::fdopendir(::dup(fd));
    std::vector<std::pair<std::string, bool>> entries;
    if (folder != nullptr) {
      while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") entries.emplace_back(name, entry->d_type == DT_DIR);
      }
      ::closedir(folder);
    }
    for (const auto& [name, isFolder] : entries) {
      if (isFolder) Empty(::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
      ::unlinkat(fd, name.c_str(), isFolder ? AT_REMOVEDIR : 0);
    }
    ::close(fd);
  }

  std::string top_;
  int levels_;
  std::string name_;
};

}  // namespace nulvane::testing
