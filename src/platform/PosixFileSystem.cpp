#include "platform/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/magic.h>
#include <linux/openat2.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/uio.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/VolumeClass.h"

namespace nulvane::platform {
namespace {

FileTime ToFileTime(const timespec& time) {
  return {time.tv_sec, time.tv_nsec};
}

// The last component of a path, for the hidden attribute.
std::string NameOf(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  const std::size_t slash = path.rfind('/', end - 1);
  return path.substr(slash == std::string::npos ? 0 : slash + 1,
                     end - (slash == std::string::npos ? 0 : slash + 1));
}

FileStatus ToStatus(const struct stat& info, const std::string& path) {
  FileStatus status;
  if (S_ISREG(info.st_mode)) {
    status.kind = FileKind::Regular;
  } else if (S_ISDIR(info.st_mode)) {
    status.kind = FileKind::Directory;
  } else if (S_ISLNK(info.st_mode)) {
    status.kind = FileKind::Symlink;
  } else if (S_ISFIFO(info.st_mode)) {
    status.kind = FileKind::Pipe;
  } else if (S_ISSOCK(info.st_mode)) {
    status.kind = FileKind::Socket;
  } else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
    status.kind = FileKind::Device;
  } else {
    status.kind = FileKind::Other;
  }
  status.size = info.st_size;
  status.mode = info.st_mode & 07777;
  status.times = {ToFileTime(info.st_atim), ToFileTime(info.st_mtim)};
  status.device = info.st_dev;
  status.inode = info.st_ino;
  status.linkCount = info.st_nlink;
  status.owner = info.st_uid;
  status.group = info.st_gid;
  status.attributes.readOnly = !S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
  const std::string name = NameOf(path);
  status.attributes.hidden = !name.empty() && name[0] == '.';
  return status;
}

// A descriptor closed on destruction.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Without trailing separators: the last component is then what a call acts on, never what a link there
// points to. "/" stays the root.
std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Opens the path with each folder on the way opened relative to the one before it and refused when it is
// a link: what openat2 does in one call, for kernels (or sandboxes) without it.
int OpenComponentByComponent(const std::string& path, int flags, mode_t mode) {
  std::vector<std::string> parts;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    start = end + 1;
  }
  const bool mustBeFolder = !path.empty() && path.back() == '/';
  Descriptor folder(::open(!path.empty() && path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) return -1;
  if (parts.empty()) return ::openat(folder.get(), ".", flags | O_CLOEXEC, mode);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    const int next = ::openat(folder.get(), parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) {
      const int error = errno;
      struct stat info {};
      const bool link = error == ENOTDIR &&
                        ::fstatat(folder.get(), parts[i].c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                        S_ISLNK(info.st_mode);
      errno = link ? ELOOP : error;
      return -1;
    }
    folder.reset(next);
  }
  return ::openat(folder.get(), parts.back().c_str(),
                  flags | O_NOFOLLOW | O_CLOEXEC | (mustBeFolder ? O_DIRECTORY : 0), mode);
}

bool componentWalkOnly = false;

// How much written data WriteBack lets wait in memory behind the stretch it starts: a flush of it takes a
// fraction of a second even on a slow disk.
constexpr std::int64_t kWriteBackWindow = std::int64_t{32} << 20;

// Opens the path without following a symbolic link in any of its components. A link as the last component
// is refused (ELOOP), except with O_PATH, which opens the link itself. Only for paths that were named (typed
// by the user, a setup, the report file, the program's own files): walks open entries relative to the
// folders they hold, never by a whole path.
int OpenWithoutLinks(const std::string& path, int flags, mode_t mode = 0) {
  if (!componentWalkOnly) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_NOFOLLOW | O_CLOEXEC);
    how.mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? mode : 0;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    for (;;) {
      const long descriptor = ::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
      if (descriptor >= 0) return static_cast<int>(descriptor);
      if (errno == EINTR) continue;
      if (errno != ENOSYS) return -1;
      break;
    }
  }
  int descriptor;
  do {
    descriptor = OpenComponentByComponent(path, flags, mode);
  } while (descriptor < 0 && errno == EINTR);
  return descriptor;
}

// Free space that the file system keeps back for its own use, which no program can fill.
struct FileSystemReserve {
  double bytes = 0;
  bool estimated = false;
  bool counted = false;  // part of the free count of statvfs (ext4, btrfs), not beside it (xfs)
};

// XFS_IOC_GET_RESBLKS of the xfs headers, which are not needed for this one call.
struct XfsReserve {
  std::uint64_t resblks;
  std::uint64_t resblksAvailable;
};
constexpr unsigned long kXfsGetReserve = _IOR('X', 115, XfsReserve);
// The start of XFS_IOC_FSGEOMETRY_V1's answer, which any user may ask for.
struct XfsGeometry {
  std::uint32_t blocksize;
  std::uint32_t rtextsize;
  std::uint32_t agblocks;
  std::uint32_t agcount;
  std::uint32_t logblocks;
  std::uint8_t rest[112 - 5 * sizeof(std::uint32_t)];
};
constexpr unsigned long kXfsGeometry = _IOR('X', 100, XfsGeometry);
// Not in every kernel's headers.
constexpr unsigned long kBcachefsMagic = 0xca451a4e;
constexpr unsigned long kZfsMagic = 0x2fc12fc1;

FileSystemReserve FileSystemReserveOf(int folder, const std::string& type, dev_t device,
                                      const struct statvfs& info) {
  FileSystemReserve reserve;
  const double unit = static_cast<double>(info.f_frsize != 0 ? info.f_frsize : info.f_bsize);
  if (type == "ext4" || type == "ext3" || type == "ext2") {
    // ext4 keeps up to 2 % (at most 4,096 clusters) free for writes already under way when the volume is
    // full; its sysfs folder is named after the device as the kernel names it ("loop0", "dm-0").
    std::error_code error;
    const std::filesystem::path block = std::filesystem::read_symlink(
        "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device)), error);
    if (error) return reserve;
    std::ifstream in("/sys/fs/ext4/" + block.filename().string() + "/reserved_clusters");
    double clusters = 0;
    if (in >> clusters) {
      reserve.bytes = clusters * unit;
      reserve.counted = true;
    }
  } else if (type == "xfs") {
    // xfs takes its reserve pool out of the free count; only the administrator may ask how large it is.
    XfsReserve pool{};
    if (::ioctl(folder, kXfsGetReserve, &pool) == 0) {
      reserve.bytes = static_cast<double>(pool.resblksAvailable) * unit;
    } else {
      // The size xfs gives it by default: 5 % of the blocks, at most 8,192 of them.
      reserve.bytes = std::min(static_cast<double>(info.f_blocks) / 20, 8192.0) * unit;
      reserve.estimated = true;
    }
  } else if (type == "btrfs") {
    // What btrfs counts free beyond what data may fill is room for its own records (metadata), where it
    // keeps small files and every name.
    reserve.bytes =
        std::max(0.0, static_cast<double>(info.f_bfree) - static_cast<double>(info.f_bavail)) * unit;
    reserve.counted = true;
  }
  return reserve;
}

struct Parent {
  Descriptor folder;
  std::string name;
};

// The folder that holds the path's last component, opened without following links, and that component:
// calls that act on a name (unlink, mkdir, chmod, rename) act relative to the folder's descriptor.
Parent OpenParent(const std::string& path) {
  const std::string trimmed = WithoutTrailingSeparators(path);
  const std::size_t slash = trimmed.rfind('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : trimmed.substr(0, slash));
  std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  if (name.empty() || trimmed == "/") ThrowErrno(EINVAL);
  const int descriptor = OpenWithoutLinks(folder, O_PATH | O_DIRECTORY);
  if (descriptor < 0) ThrowErrno(errno);
  return {Descriptor(descriptor), std::move(name)};
}

// lstat without following a link anywhere on the way; false with errno set when it fails.
bool StatWithoutLinks(const std::string& path, struct stat& info) {
  const Descriptor entry(OpenWithoutLinks(WithoutTrailingSeparators(path), O_PATH));
  if (entry.get() < 0) return false;
  return ::fstat(entry.get(), &info) == 0;
}

// Opens a regular file without following a link, without blocking on a pipe or a device and without
// making a terminal ours. O_NONBLOCK stays set: reads and writes of a regular file ignore it.
File OpenRegular(const std::string& path, int flags) {
  const int descriptor = OpenWithoutLinks(path, flags | O_NONBLOCK | O_NOCTTY, 0666);
  if (descriptor < 0) ThrowErrno(errno);
  File file(descriptor, path);
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) ThrowErrno(errno);
  if (!S_ISREG(info.st_mode)) throw PlatformError(ErrorNumberFromErrno(EINVAL), "Not a regular file");
  return file;
}

// --- Folders held by walks

// What a look at an entry asks for: its kind, size, times, identity and links, and the mount it is on.
constexpr unsigned kStatusMask = STATX_BASIC_STATS | STATX_MNT_ID;
// A look never follows a link and never sets off an automount.
constexpr int kLookFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
// A listing reads this much of a folder at a time.
constexpr std::size_t kListingBuffer = 64 * 1024;

FileTime ToFileTime(const statx_timestamp& time) {
  return {time.tv_sec, time.tv_nsec};
}

std::uint64_t DeviceOf(const struct statx& info) {
  return makedev(info.stx_dev_major, info.stx_dev_minor);
}

std::uint64_t MountIdOf(const struct statx& info) {
  return (info.stx_mask & STATX_MNT_ID) != 0 ? info.stx_mnt_id : 0;
}

bool IsMountRoot(const struct statx& info) {
  return (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
         (info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

// The kind of an entry of a held folder: the root of a mount (by the system's own mark, or by a mount of
// its own), and a folder of another device inside the same mount (a subvolume), are borders a walk does not
// cross. A device number alone decides nothing: a bind mount of the same file system has the same one.
FileKind KindOfEntry(const struct statx& info, const Folder& folder) {
  const bool mountRoot = IsMountRoot(info) || (folder.MountId() != 0 && MountIdOf(info) != 0 &&
                                               MountIdOf(info) != folder.MountId());
  if (S_ISDIR(info.stx_mode)) {
    if (mountRoot) return FileKind::MountPoint;
    if (DeviceOf(info) != folder.Identity().device) return FileKind::Subvolume;
    return FileKind::Directory;
  }
  if (mountRoot && !S_ISLNK(info.stx_mode)) return FileKind::MountedFile;
  if (S_ISREG(info.stx_mode)) return FileKind::Regular;
  if (S_ISLNK(info.stx_mode)) return FileKind::Symlink;
  if (S_ISFIFO(info.stx_mode)) return FileKind::Pipe;
  if (S_ISSOCK(info.stx_mode)) return FileKind::Socket;
  if (S_ISCHR(info.stx_mode) || S_ISBLK(info.stx_mode)) return FileKind::Device;
  return FileKind::Other;
}

FileStatus ToStatus(const struct statx& info, const Folder& folder, const std::string& name) {
  FileStatus status;
  status.kind = KindOfEntry(info, folder);
  status.size = static_cast<std::int64_t>(info.stx_size);
  status.mode = info.stx_mode & 07777;
  status.times = {ToFileTime(info.stx_atime), ToFileTime(info.stx_mtime)};
  status.device = DeviceOf(info);
  status.inode = info.stx_ino;
  status.linkCount = info.stx_nlink;
  status.attributes.readOnly = !S_ISLNK(info.stx_mode) && (info.stx_mode & S_IWUSR) == 0;
  status.attributes.hidden = !name.empty() && name[0] == '.';
  return status;
}

// A name of the folder, looked at; false with errno set when it cannot be.
bool LookAt(const Folder& folder, const std::string& name, unsigned mask, struct statx& info) {
  if (!IsEntryName(name)) {
    errno = EINVAL;
    return false;
  }
  return ::statx(folder.Descriptor(), name.c_str(), kLookFlags, mask, &info) == 0;
}

// The open descriptor itself, looked at.
bool LookAtDescriptor(int descriptor, unsigned mask, struct statx& info) {
  return ::statx(descriptor, "", AT_EMPTY_PATH | kLookFlags, mask, &info) == 0;
}

// Opens the entry `name` of the folder, never through a link and never across into another mount: in one
// call where the system has openat2, else with O_NOFOLLOW and the mount of what was opened compared with
// the folder's. -1 with errno set (EXDEV for a mount) when it cannot.
int OpenEntry(const Folder& folder, const std::string& name, int flags, mode_t mode = 0) {
  if (!IsEntryName(name)) {
    errno = EINVAL;
    return -1;
  }
  if (!componentWalkOnly) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_NOFOLLOW | O_CLOEXEC);
    how.mode = (flags & O_CREAT) != 0 ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    for (;;) {
      const long descriptor = ::syscall(SYS_openat2, folder.Descriptor(), name.c_str(), &how, sizeof how);
      if (descriptor >= 0) return static_cast<int>(descriptor);
      if (errno == EINTR) continue;
      if (errno != ENOSYS) return -1;
      break;
    }
  }
  int descriptor;
  do {
    descriptor = ::openat(folder.Descriptor(), name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return -1;
  struct statx info {};
  if (!LookAtDescriptor(descriptor, STATX_TYPE | STATX_MNT_ID, info)) {
    const int error = errno;
    ::close(descriptor);
    errno = error;
    return -1;
  }
  if (IsMountRoot(info) ||
      (folder.MountId() != 0 && MountIdOf(info) != 0 && MountIdOf(info) != folder.MountId())) {
    ::close(descriptor);
    errno = EXDEV;
    return -1;
  }
  return descriptor;
}

// A held folder for the open descriptor (taken over), reached by `path`.
FolderHandle HoldFolder(int descriptor, std::string path) {
  Descriptor held(descriptor);
  struct statx info {};
  if (!LookAtDescriptor(held.get(), STATX_TYPE | STATX_INO | STATX_MNT_ID, info)) ThrowErrno(errno);
  if (!S_ISDIR(info.stx_mode)) ThrowErrno(ENOTDIR);
  if (path.empty() || path.back() != '/') path += '/';
  return std::make_shared<const Folder>(held.release(), std::move(path),
                                        FileIdentity{DeviceOf(info), info.stx_ino}, MountIdOf(info));
}

// fchmodat2 (Linux 6.6): changes the mode of what a descriptor opened with O_PATH names, with no need of
// /proc. The C library here does not name it yet.
constexpr long kFchmodat2 = 452;

// Gives the file the mode through a descriptor of its own, so that a name swapped for a link meanwhile
// changes nothing: fchmod where it is open for reading, fchmodat2 on the O_PATH descriptor where it cannot
// be (a file its owner may not read).
void ChangeMode(const Folder& folder, const std::string& name, bool readOnly) {
  const Descriptor entry(OpenEntry(folder, name, O_PATH));
  if (entry.get() < 0) ThrowErrno(errno);
  struct stat info {};
  if (::fstat(entry.get(), &info) != 0) ThrowErrno(errno);
  if (S_ISLNK(info.st_mode)) return;  // a link has no permissions of its own; never touch its target
  const mode_t mode = (readOnly ? (info.st_mode & ~S_IWUSR) : (info.st_mode | S_IWUSR)) & 07777;
  if (mode == (info.st_mode & 07777)) return;
  if (::syscall(kFchmodat2, entry.get(), "", mode, AT_EMPTY_PATH) == 0) return;
  if (errno != ENOSYS && errno != EINVAL && errno != EBADF) ThrowErrno(errno);
  const Descriptor opened(OpenEntry(folder, name, O_RDONLY | O_NONBLOCK | O_NOCTTY));
  if (opened.get() < 0) ThrowErrno(errno);
  struct stat now {};
  if (::fstat(opened.get(), &now) != 0) ThrowErrno(errno);
  if (now.st_dev != info.st_dev || now.st_ino != info.st_ino) ThrowErrno(ENOENT);  // replaced meanwhile
  if (::fchmod(opened.get(), mode) != 0) ThrowErrno(errno);
}

// The soft limit on open files raised to the hard one, once: a walk holds one descriptor per folder level,
// so that the deepest tree the limit allows is reached.
void RaiseOpenFileLimit() {
  static std::once_flag once;
  std::call_once(once, [] {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  });
}

// The path with the links of its longest existing beginning resolved, and the rest as given.
std::string ResolvedIfExists(const std::string& path) {
  std::string head = WithoutTrailingSeparators(path);
  std::string tail;
  while (!head.empty()) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(head.c_str(), nullptr), &std::free);
    if (resolved) {
      std::string result = resolved.get();
      if (!tail.empty()) result += (result == "/" ? "" : "/") + tail;
      return result;
    }
    const std::size_t slash = head.rfind('/');
    if (slash == std::string::npos || slash == 0) break;
    tail = head.substr(slash + 1) + (tail.empty() ? "" : "/" + tail);
    head.resize(slash);
  }
  return path;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// /proc files escape blanks and the like as \ooo.
std::string DecodeOctalEscapes(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto octal = [&](std::size_t k) { return text[k] >= '0' && text[k] <= '7'; };
    if (text[i] == '\\' && i + 3 < text.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The absolute form of a path with "." and ".." resolved by name, so "/proc/../home" is not taken for
// a path under "/proc".
std::string AbsolutePath(const std::string& path) {
  std::string absolute = path;
  if (path.empty() || path[0] != '/') {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    std::string base = cwd ? cwd.get() : "/";
    if (base.back() != '/') base += '/';
    absolute = base + path;
  }
  return std::filesystem::path(absolute).lexically_normal().string();
}

bool IsUnder(const std::string& path, const std::string& mountPoint) {
  if (mountPoint == "/") return true;
  if (path.compare(0, mountPoint.size(), mountPoint) != 0) return false;
  return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

bool IsRemovableDevice(const std::string& device) {
  if (device.rfind("/dev/", 0) != 0) return false;
  std::string name = device.substr(5);
  // A partition (sdb1, nvme0n1p2, mmcblk0p1) belongs to its whole disk.
  std::string disk = name;
  if (std::ifstream(std::string("/sys/block/") + disk + "/removable").fail()) {
    while (!disk.empty() && std::isdigit(static_cast<unsigned char>(disk.back()))) disk.pop_back();
    if (!disk.empty() && disk.back() == 'p' && disk.size() > 1 &&
        std::isdigit(static_cast<unsigned char>(disk[disk.size() - 2])))
      disk.pop_back();
  }
  std::ifstream flag(std::string("/sys/block/") + disk + "/removable");
  int removable = 0;
  return flag >> removable && removable == 1;
}

// Whether the device under a mounted file system is flash. The source names the device where the mount
// table's own device number is an anonymous one (btrfs).
bool MountIsOnFlash(const MountEntry& entry) {
  std::string number = entry.deviceNumber;
  struct stat info {};
  if (entry.device.rfind("/dev/", 0) == 0 && ::stat(entry.device.c_str(), &info) == 0 &&
      S_ISBLK(info.st_mode))
    number = std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
  return IsOnFlash("/sys", number);
}

// The options of an ext3 or ext4 file system as it runs: the mount table leaves out those that are the
// file system's own defaults (data=journal set with tune2fs), which the kernel lists here.
std::string OptionsInForce(const MountEntry& entry) {
  if (entry.fileSystemType != "ext3" && entry.fileSystemType != "ext4") return entry.options;
  char resolved[PATH_MAX];
  if (::realpath(entry.device.c_str(), resolved) == nullptr) return entry.options;
  const std::string name = std::string(resolved).substr(std::string(resolved).find_last_of('/') + 1);
  std::ifstream list("/proc/fs/ext4/" + name + "/options");
  std::string options = entry.options;
  for (std::string option; std::getline(list, option);) options += "," + option;
  return options;
}

// Only a file system that keeps its data on a device of this computer can be on flash.
bool CanBeOnFlash(const std::string& type) {
  const std::vector<ResidueKind> kinds = ResidueKindsOf(type, "", true);
  return !kinds.empty() && kinds.back() == ResidueKind::Flash;
}

std::string VolumeLabel(const std::string& device) {
  DIR* folder = ::opendir("/dev/disk/by-label");
  if (folder == nullptr) return {};
  std::string label;
  char resolvedDevice[PATH_MAX];
  if (::realpath(device.c_str(), resolvedDevice) != nullptr) {
    while (dirent* entry = ::readdir(folder)) {
      const std::string link = std::string("/dev/disk/by-label/") + entry->d_name;
      char target[PATH_MAX];
      if (entry->d_name[0] != '.' && ::realpath(link.c_str(), target) != nullptr &&
          std::string(target) == resolvedDevice) {
        label = DecodeOctalEscapes(entry->d_name);
        break;
      }
    }
  }
  ::closedir(folder);
  return label;
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(const std::string& text) {
  std::vector<MountEntry> entries;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    const auto separator = std::find(words.begin(), words.end(), "-");
    if (words.size() < 5 || std::distance(separator, words.end()) < 3) continue;
    const std::string options = std::distance(separator, words.end()) > 3 ? *(separator + 3) : "";
    entries.push_back({DecodeOctalEscapes(words[4]), *(separator + 1), DecodeOctalEscapes(*(separator + 2)),
                       words[2], options});
  }
  return entries;
}

bool IsPseudoFileSystem(const std::string& type) {
  static const std::set<std::string> kPseudo = {
      "proc",    "sysfs",           "cgroup",   "cgroup2",  "devpts",     "mqueue",  "debugfs",
      "tracefs", "securityfs",      "pstore",   "bpf",      "configfs",   "fusectl", "hugetlbfs",
      "autofs",  "binfmt_misc",     "efivarfs", "devtmpfs", "rpc_pipefs", "nsfs",    "selinuxfs",
      "ramfs",   "overlay_internal"};
  return kPseudo.count(type) > 0;
}

bool IsSystemMountPoint(const std::string& mountPoint) {
  // The system's own memory file systems (/dev/shm, /run, /sys/fs/cgroup ...) are no place for user data;
  // removable media mounted under /run/media are.
  const auto under = [&](const std::string& root) {
    return mountPoint == root || mountPoint.rfind(root + "/", 0) == 0;
  };
  if (under("/run/media")) return false;
  return under("/dev") || under("/proc") || under("/sys") || under("/run");
}

DriveType DriveTypeOf(const std::string& type, bool removableDevice) {
  if (type == "tmpfs") return DriveType::RamDisk;
  if (type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "fuse.sshfs" ||
      type == "sshfs" || type == "9p")
    return DriveType::Network;
  if (type == "iso9660" || type == "udf") return DriveType::CdRom;
  if (removableDevice) return DriveType::Removable;
  return DriveType::Fixed;
}

std::vector<std::string> ParseSwaps(const std::string& text) {
  std::vector<std::string> paths;
  std::istringstream lines(text);
  std::string line;
  bool header = true;
  while (std::getline(lines, line)) {
    if (header) {
      header = false;
      continue;
    }
    std::istringstream fields(line);
    std::string path;
    if (fields >> path) paths.push_back(DecodeOctalEscapes(path));
  }
  return paths;
}

void PosixFileSystem::UseComponentWalkOnly(bool only) {
  componentWalkOnly = only;
}

PosixFileSystem::PosixFileSystem() {
  RaiseOpenFileLimit();
}

FolderHandle PosixFileSystem::OpenFolder(const std::string& path) {
  const int descriptor = OpenWithoutLinks(WithoutTrailingSeparators(path), O_RDONLY | O_DIRECTORY);
  if (descriptor < 0) ThrowErrno(errno);
  return HoldFolder(descriptor, path);
}

FolderHandle PosixFileSystem::OpenSubfolder(const Folder& parent, const std::string& name) {
  const int descriptor = OpenEntry(parent, name, O_RDONLY | O_DIRECTORY);
  if (descriptor < 0) ThrowErrno(errno);
  FolderHandle folder = HoldFolder(descriptor, parent.PathOf(name));
  // A subvolume is a file system of its own, though no mount: as far as a walk goes, as a mount is.
  if (folder->Identity().device != parent.Identity().device) ThrowErrno(EXDEV);
  return folder;
}

namespace {

// How closely a listing looks at the entries it reads.
enum class Look {
  Unknown,  // only at entries the listing gives no kind for
  Borders,  // at every subfolder too: the root of a mount or a subvolume is a border
  Sizes,    // at every regular file as well, for its size (and whether another file is bound onto it)
};

std::vector<DirEntry> ReadEntries(const Folder& folder, Look depth) {
  const bool withSizes = depth == Look::Sizes;
  const std::lock_guard lock(folder.ListingLock());
  const int descriptor = folder.Descriptor();
  if (::lseek(descriptor, 0, SEEK_SET) < 0) ThrowErrno(errno);
  std::vector<DirEntry> entries;
  const std::unique_ptr<char[]> buffer(new char[kListingBuffer]);
  for (;;) {
    const ssize_t got = ::getdents64(descriptor, buffer.get(), kListingBuffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (got == 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer.get() + at);
      at += entry->d_reclen;
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      FileKind kind;
      switch (entry->d_type) {
        case DT_REG:
          kind = FileKind::Regular;
          break;
        case DT_DIR:
          kind = FileKind::Directory;
          break;
        case DT_LNK:
          kind = FileKind::Symlink;
          break;
        case DT_FIFO:
          kind = FileKind::Pipe;
          break;
        case DT_SOCK:
          kind = FileKind::Socket;
          break;
        case DT_CHR:
        case DT_BLK:
          kind = FileKind::Device;
          break;
        case DT_UNKNOWN:
          kind = FileKind::Missing;  // looked at below
          break;
        default:
          kind = FileKind::Other;
      }
      std::int64_t size = 0;
      // A folder may be the root of a mount or a subvolume; a file, with sizes asked for, may be bound onto
      // the name. One look relative to the folder tells.
      const bool look = kind == FileKind::Missing ||
                        (depth != Look::Unknown && kind == FileKind::Directory) ||
                        (withSizes && kind == FileKind::Regular);
      if (look) {
        struct statx info {};
        const unsigned mask = STATX_TYPE | STATX_INO | STATX_MNT_ID | (withSizes ? STATX_SIZE : 0);
        if (::statx(descriptor, entry->d_name, kLookFlags, mask, &info) != 0) {
          if (errno == ENOENT) continue;  // gone since the folder was read
          if (kind == FileKind::Missing) kind = FileKind::Other;
        } else {
          kind = KindOfEntry(info, folder);
          if (kind == FileKind::Regular && withSizes) size = static_cast<std::int64_t>(info.stx_size);
        }
      }
      entries.push_back({name, kind, size});
    }
  }
  return entries;
}

}  // namespace

std::vector<DirEntry> PosixFileSystem::List(const Folder& folder, bool withSizes) {
  return ReadEntries(folder, withSizes ? Look::Sizes : Look::Borders);
}

std::vector<DirEntry> PosixFileSystem::ListNames(const Folder& folder) {
  return ReadEntries(folder, Look::Unknown);
}

FileStatus PosixFileSystem::StatusAt(const Folder& folder, const std::string& name) {
  struct statx info {};
  if (!LookAt(folder, name, kStatusMask, info)) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    ThrowErrno(errno);
  }
  return ToStatus(info, folder, name);
}

File PosixFileSystem::OpenForWritingAt(const Folder& folder, const std::string& name) {
  const int descriptor = OpenEntry(folder, name, O_RDWR | O_NONBLOCK | O_NOCTTY);
  if (descriptor < 0) ThrowErrno(errno);
  File file(descriptor, folder.PathOf(name));
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) ThrowErrno(errno);
  if (!S_ISREG(info.st_mode)) throw PlatformError(ErrorNumberFromErrno(EINVAL), "Not a regular file");
  return file;
}

File PosixFileSystem::OpenAndLeaseAt(const Folder& folder, const std::string& name, WriteLease& lease,
                                     FileStatus& status) {
  const int descriptor = OpenEntry(folder, name, O_RDWR | O_NONBLOCK | O_NOCTTY);
  if (descriptor < 0) ThrowErrno(errno);
  File file(descriptor, folder.PathOf(name));
  // One look, after the lease, serves both the check that it is a regular file (the system grants no lease
  // on anything else) and the length that only this program can change while the lease is held.
  lease = TakeWriteLease(file);
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) ThrowErrno(errno);
  if (!S_ISREG(info.st_mode)) throw PlatformError(ErrorNumberFromErrno(EINVAL), "Not a regular file");
  status = ToStatus(info, file.Path());
  return file;
}

File PosixFileSystem::CreateNewFileAt(const Folder& folder, const std::string& name) {
  const int descriptor = OpenEntry(folder, name, O_RDWR | O_CREAT | O_EXCL | O_NOCTTY, 0666);
  if (descriptor < 0) ThrowErrno(errno);
  return File(descriptor, folder.PathOf(name));
}

File PosixFileSystem::CreateUnnamedFile(const Folder& folder) {
  int descriptor;
  do {
    descriptor = ::openat(folder.Descriptor(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) ThrowErrno(errno);
  // Named by its folder, which is all there is to name it by.
  return File(descriptor, folder.Path());
}

void PosixFileSystem::SetAttributesAt(const Folder& folder, const std::string& name,
                                      const FileAttributes& attributes) {
  // Hidden is the name's leading dot and there is no system attribute: only read-only can change.
  ChangeMode(folder, name, attributes.readOnly);
}

void PosixFileSystem::SetAttributes(const File& file, const FileAttributes& attributes) {
  struct stat info {};
  if (::fstat(file.Descriptor(), &info) != 0) ThrowErrno(errno);
  const mode_t mode = (attributes.readOnly ? (info.st_mode & ~S_IWUSR) : (info.st_mode | S_IWUSR)) & 07777;
  if (mode != (info.st_mode & 07777) && ::fchmod(file.Descriptor(), mode) != 0) ThrowErrno(errno);
}

bool PosixFileSystem::RemoveFileAt(const Folder& folder, const std::string& name,
                                   const FileIdentity* expected, File* /*open*/) {
  if (!IsEntryName(name)) ThrowErrno(EINVAL);
  if (expected != nullptr) {
    struct statx info {};
    if (!LookAt(folder, name, STATX_TYPE | STATX_INO, info)) ThrowErrno(errno);
    if (FileIdentity{DeviceOf(info), info.stx_ino} != *expected) return false;
  }
  // A file bound onto the name is refused by the system (EBUSY): it is not this folder's to remove.
  if (::unlinkat(folder.Descriptor(), name.c_str(), 0) != 0) ThrowErrno(errno);
  return true;
}

bool PosixFileSystem::RenameAt(const Folder& folder, const std::string& from, const std::string& to,
                               const FileIdentity* expected, File* /*open*/) {
  if (!IsEntryName(from) || !IsEntryName(to)) ThrowErrno(EINVAL);
  if (expected != nullptr) {
    struct statx info {};
    if (!LookAt(folder, from, STATX_TYPE | STATX_INO, info)) ThrowErrno(errno);
    if (FileIdentity{DeviceOf(info), info.stx_ino} != *expected) return false;
  }
  // The system refuses to replace anything (EEXIST); a driver that cannot promise that refuses the flag
  // (EINVAL), and then nothing is renamed: a plain rename could replace a file another program made.
  if (::renameat2(folder.Descriptor(), from.c_str(), folder.Descriptor(), to.c_str(), RENAME_NOREPLACE) != 0)
    ThrowErrno(errno);
  return true;
}

void PosixFileSystem::MakeEmptyFileAt(const Folder& folder, const std::string& name) {
  if (!IsEntryName(name)) ThrowErrno(EINVAL);
  // One call, and nothing left open; a name that is taken (a link included) is never followed.
  if (::mknodat(folder.Descriptor(), name.c_str(), S_IFREG | 0600, 0) == 0) return;
  if (errno != EPERM && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) ThrowErrno(errno);
  // A driver that makes no file through mknod makes it by opening it.
  const int descriptor = OpenEntry(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY, 0600);
  if (descriptor < 0) ThrowErrno(errno);
  ::close(descriptor);
}

bool PosixFileSystem::FreedEntriesKeepNames(const Folder& folder) {
  struct statfs info {};
  if (::fstatfs(folder.Descriptor(), &info) != 0) return true;
  switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC:  // wipes the entry of a removed name itself (kernels from 2021 on)
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case NILFS_SUPER_MAGIC:
    case kBcachefsMagic:
    case kZfsMagic:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
      return false;
    default:
      return true;
  }
}

std::optional<JournalUse> PosixFileSystem::JournalOf(const Folder& folder) {
  struct statfs info {};
  struct stat self {};
  if (::fstatfs(folder.Descriptor(), &info) != 0 || ::fstat(folder.Descriptor(), &self) != 0) return {};
  // The kernel names its counters after the device ("loop0", "dm-0", "sda1").
  std::error_code error;
  const std::string device =
      std::filesystem::read_symlink(
          "/sys/dev/block/" + std::to_string(major(self.st_dev)) + ":" + std::to_string(minor(self.st_dev)),
          error)
          .filename()
          .string();
  if (error || device.empty()) return {};
  const auto blockSize = static_cast<std::int64_t>(info.f_bsize);
  if (static_cast<unsigned long>(info.f_type) == EXT4_SUPER_MAGIC) {
    // jbd2 counts its commits and the blocks it logged per commit on average; it tells the journal's size
    // only as the longest commit it allows, which is a third of it (a quarter on older kernels).
    std::ifstream in("/proc/fs/jbd2/" + device + "-8/info");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto numberBefore = [&](const std::string& words) -> std::int64_t {
      const std::size_t at = text.find(words);
      if (at == std::string::npos) return -1;
      std::size_t start = at;
      while (start > 0 && text[start - 1] == ' ') --start;
      std::size_t digits = start;
      while (digits > 0 && std::isdigit(static_cast<unsigned char>(text[digits - 1]))) --digits;
      return digits == start ? -1 : std::stoll(text.substr(digits, start - digits));
    };
    const std::size_t upTo = text.find("each up to ");
    const std::int64_t commits = numberBefore(" transactions");
    // The averages are left out until the first commit since the volume was mounted.
    const std::int64_t logged = commits == 0 ? 0 : numberBefore(" logged blocks per transaction");
    if (upTo == std::string::npos || commits < 0 || logged < 0) return {};
    const std::int64_t longest = std::atoll(text.c_str() + upTo + std::strlen("each up to "));
    if (longest <= 0) return {};
    return JournalUse{4 * longest * blockSize, commits * logged * blockSize};
  }
  if (static_cast<unsigned long>(info.f_type) == XFS_SUPER_MAGIC) {
    // The log's head as "cycle:block" in 512-byte blocks: the cycle grows each time the log comes round.
    XfsGeometry geometry{};
    if (::ioctl(folder.Descriptor(), kXfsGeometry, &geometry) != 0 || geometry.logblocks == 0) return {};
    std::ifstream in("/sys/fs/xfs/" + device + "/log/log_head_lsn");
    std::int64_t cycle = 0;
    std::int64_t block = 0;
    char colon = 0;
    if (!(in >> cycle >> colon >> block) || colon != ':') return {};
    const std::int64_t size = static_cast<std::int64_t>(geometry.logblocks) * geometry.blocksize;
    return JournalUse{size, cycle * size + block * 512};
  }
  return {};
}

FolderHandle PosixFileSystem::MakeFolderAt(const Folder& parent, const std::string& name) {
  if (!IsEntryName(name)) ThrowErrno(EINVAL);
  if (::mkdirat(parent.Descriptor(), name.c_str(), 0777) != 0) ThrowErrno(errno);
  return OpenSubfolder(parent, name);
}

bool PosixFileSystem::RemoveFolderAt(const Folder& parent, const std::string& name,
                                     const FileIdentity* expected) {
  if (!IsEntryName(name)) ThrowErrno(EINVAL);
  if (expected != nullptr) {
    struct statx info {};
    if (!LookAt(parent, name, STATX_TYPE | STATX_INO, info)) ThrowErrno(errno);
    if (FileIdentity{DeviceOf(info), info.stx_ino} != *expected) return false;
  }
  // A mount point is refused by the system (EBUSY).
  if (::unlinkat(parent.Descriptor(), name.c_str(), AT_REMOVEDIR) != 0) ThrowErrno(errno);
  return true;
}

void PosixFileSystem::FlushVolume(const Folder& folder) {
  if (::syncfs(folder.Descriptor()) != 0) ThrowErrno(errno);
}

File PosixFileSystem::LockFolder(const Folder& folder) {
  // A description of its own: the lock goes with it when it is closed, also when the program is killed,
  // and leaves nothing behind.
  int descriptor;
  do {
    descriptor = ::openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) ThrowErrno(errno);
  File file(descriptor, folder.Path());
  while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) ThrowErrno(errno);
  }
  return file;
}

File PosixFileSystem::OpenForWriting(const std::string& path) {
  return OpenRegular(path, O_RDWR);
}

File PosixFileSystem::OpenForReading(const std::string& path) {
  return OpenRegular(path, O_RDONLY);
}

File PosixFileSystem::CreateFile(const std::string& path) {
  return OpenRegular(path, O_RDWR | O_CREAT | O_TRUNC);
}

File PosixFileSystem::CreateNewFile(const std::string& path) {
  return OpenRegular(path, O_RDWR | O_CREAT | O_EXCL);
}

std::string PosixFileSystem::RealPath(const std::string& path) {
  if (path.empty()) ThrowErrno(ENOENT);
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) ThrowErrno(errno);
  return resolved.get();
}

FileStatus PosixFileSystem::Status(const std::string& path) {
  struct stat info {};
  if (!StatWithoutLinks(path, info)) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    ThrowErrno(errno);
  }
  return ToStatus(info, path);
}

FileStatus PosixFileSystem::Status(const File& file) {
  struct stat info {};
  if (::fstat(file.Descriptor(), &info) != 0) ThrowErrno(errno);
  return ToStatus(info, file.Path());
}

void PosixFileSystem::WriteAt(const File& file, const void* data, std::size_t size, std::int64_t offset) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::pwrite(file.Descriptor(), bytes, size, offset);
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (written == 0) ThrowErrno(ENOSPC);
    bytes += written;
    size -= static_cast<std::size_t>(written);
    offset += written;
  }
}

void PosixFileSystem::WriteRepeated(const File& file, const void* block, std::size_t blockSize,
                                    std::int64_t count, std::int64_t offset) {
  if (blockSize == 0 || count <= 0) return;
  // Many vectors on the one block keep each block exactly the buffer while saving system calls.
  constexpr std::int64_t kBlocksPerCall = 256;
  std::vector<iovec> vectors(static_cast<std::size_t>(std::min(count, kBlocksPerCall)),
                             iovec{const_cast<void*>(block), blockSize});
  const std::int64_t total = count * static_cast<std::int64_t>(blockSize);
  std::int64_t done = 0;
  while (done < total) {
    const std::int64_t inBlock = done % static_cast<std::int64_t>(blockSize);
    ssize_t written;
    if (inBlock != 0) {
      // Finish a block that an earlier short write left incomplete.
      written = ::pwrite(file.Descriptor(), static_cast<const char*>(block) + inBlock,
                         blockSize - static_cast<std::size_t>(inBlock), offset + done);
    } else {
      const std::int64_t blocks =
          std::min<std::int64_t>((total - done) / static_cast<std::int64_t>(blockSize), kBlocksPerCall);
      written = ::pwritev(file.Descriptor(), vectors.data(), static_cast<int>(blocks), offset + done);
    }
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (written == 0) ThrowErrno(ENOSPC);
    done += written;
  }
}

std::size_t PosixFileSystem::ReadAt(const File& file, void* data, std::size_t size, std::int64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(file.Descriptor(), data, size, offset);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) ThrowErrno(errno);
  }
}

void PosixFileSystem::Flush(const File& file) {
  if (::fsync(file.Descriptor()) != 0) ThrowErrno(errno);
}

void PosixFileSystem::WriteBack(const File& file, std::int64_t offset, std::int64_t length) {
  if (length <= 0) return;
  const auto call = [&](std::int64_t from, std::int64_t bytes, unsigned int flags) {
    while (::sync_file_range(file.Descriptor(), from, bytes, flags) != 0) {
      if (errno == EINTR) continue;
      // A file system that cannot do it: the Flush at the end does all the work, as without this call.
      if (errno == EINVAL || errno == ESPIPE || errno == ENOSYS || errno == EOPNOTSUPP) return false;
      ThrowErrno(errno);
    }
    return true;
  };
  if (!call(offset, length, SYNC_FILE_RANGE_WRITE)) return;
  // The stretch a window behind is waited for, so the data the device has not yet taken stays bounded
  // while the device always has the next stretch queued.
  const std::int64_t end = offset + length - kWriteBackWindow;
  if (end <= 0) return;
  const std::int64_t start = std::max<std::int64_t>(0, offset - kWriteBackWindow);
  call(start, end - start, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
}

void PosixFileSystem::FlushFolder(const std::string& path) {
  const Descriptor folder(OpenWithoutLinks(WithoutTrailingSeparators(path), O_RDONLY | O_DIRECTORY));
  if (folder.get() < 0) ThrowErrno(errno);
  if (::fsync(folder.get()) != 0) ThrowErrno(errno);
}

void PosixFileSystem::SetLength(const File& file, std::int64_t length) {
  if (::ftruncate(file.Descriptor(), length) != 0) ThrowErrno(errno);
}

void PosixFileSystem::SetTimes(const File& file, const FileTimes& times) {
  const timespec values[2] = {
      {static_cast<time_t>(times.access.seconds), static_cast<long>(times.access.nanoseconds)},
      {static_cast<time_t>(times.modification.seconds), static_cast<long>(times.modification.nanoseconds)}};
  if (::futimens(file.Descriptor(), values) != 0) ThrowErrno(errno);
}

namespace {

// File systems whose lease calls answer for this computer alone, or refuse a lease for reasons of their
// own (no delegation from the server, no oplock): "busy" there says nothing about other programs.
bool IsNetworkFileSystem(int descriptor) {
  struct statfs info {};
  if (::fstatfs(descriptor, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case CEPH_SUPER_MAGIC:
    case CODA_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case V9FS_MAGIC:
    case NCP_SUPER_MAGIC:
      return true;
    default:
      return false;
  }
}

}  // namespace

WriteLease PosixFileSystem::TakeWriteLease(const File& file) {
  // A broken lease signals its holder, with SIGIO unless told otherwise, and SIGIO ends the program. SIGURG
  // is ignored unless a handler is set, and the purge looks at LeaseBroken between its writes instead: the
  // signal could reach any thread. Set before the lease, so no break can come first.
  if (::fcntl(file.Descriptor(), F_SETSIG, SIGURG) != 0) return WriteLease::Unavailable;
  if (::fcntl(file.Descriptor(), F_SETLEASE, F_WRLCK) == 0) return WriteLease::Held;
  // EAGAIN: another descriptor has the file open (for reading too, where the kernel counts readers).
  // EACCES: another owner's file, without CAP_LEASE. EINVAL, ENOLCK: no leases on this file system.
  const bool busy = errno == EAGAIN || errno == EBUSY;
  return busy && !IsNetworkFileSystem(file.Descriptor()) ? WriteLease::InUse : WriteLease::Unavailable;
}

bool PosixFileSystem::LeaseBroken(const File& file) {
  // During a break the kernel reports the type the lease is to become: no longer a write lease.
  const int lease = ::fcntl(file.Descriptor(), F_GETLEASE);
  return lease != F_WRLCK;
}

void PosixFileSystem::ReleaseLease(const File& file) {
  // Fails only where no lease is held: nothing to release then.
  (void)::fcntl(file.Descriptor(), F_SETLEASE, F_UNLCK);
}

void PosixFileSystem::SetPermissions(const File& file, std::uint32_t mode, std::uint32_t owner,
                                     std::uint32_t group) {
  struct stat info {};
  if (::fstat(file.Descriptor(), &info) != 0) ThrowErrno(errno);
  if ((info.st_uid != owner || info.st_gid != group) && ::fchown(file.Descriptor(), owner, group) != 0)
    ThrowErrno(errno);
  // After the owner: a change of owner clears the set-user-ID and set-group-ID bits.
  if (::fchmod(file.Descriptor(), static_cast<mode_t>(mode & 07777)) != 0) ThrowErrno(errno);
}

File PosixFileSystem::OpenNamedStream(const File&, const std::string&) {
  // NamedStreams names none here.
  ThrowErrno(ENOENT);
}

std::vector<ByteRange> PosixFileSystem::AllocatedRanges(const File&, std::int64_t length) {
  if (length <= 0) return {};
  return {{0, length}};
}

void PosixFileSystem::Remove(const std::string& path) {
  const Parent parent = OpenParent(path);
  if (::unlinkat(parent.folder.get(), parent.name.c_str(), 0) != 0) ThrowErrno(errno);
}

void PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  const Parent source = OpenParent(from);
  const Parent target = OpenParent(to);
  if (::renameat(source.folder.get(), source.name.c_str(), target.folder.get(), target.name.c_str()) != 0)
    ThrowErrno(errno);
}

void PosixFileSystem::MakeFolder(const std::string& path) {
  const Parent parent = OpenParent(path);
  if (::mkdirat(parent.folder.get(), parent.name.c_str(), 0777) != 0) ThrowErrno(errno);
}

PosixFileSystem::~PosixFileSystem() {
  if (mountInfoDescriptor_ >= 0) ::close(mountInfoDescriptor_);
}

const std::vector<MountEntry>& PosixFileSystem::Mounts() {
  if (mountInfoDescriptor_ < 0) mountInfoDescriptor_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (mountInfoDescriptor_ < 0) {
    mounts_ = ParseMountInfo(ReadWholeFile("/proc/self/mountinfo"));
    return mounts_;
  }
  bool stale = !mountsRead_;
  if (!stale) {
    // The kernel flags the open table with a priority event after a mount or an unmount.
    pollfd watch{mountInfoDescriptor_, POLLPRI, 0};
    stale = ::poll(&watch, 1, 0) != 0;
  }
  if (stale) {
    std::string text;
    char buffer[16384];
    std::int64_t offset = 0;
    for (;;) {
      const ssize_t got = ::pread(mountInfoDescriptor_, buffer, sizeof buffer, offset);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      text.append(buffer, static_cast<std::size_t>(got));
      offset += got;
    }
    mounts_ = ParseMountInfo(text);
    mountsRead_ = true;
  }
  return mounts_;
}

std::string PosixFileSystem::VolumeOf(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  std::string best = "/";
  for (const MountEntry& entry : Mounts()) {
    if (IsUnder(absolute, entry.mountPoint) && entry.mountPoint.size() > best.size()) best = entry.mountPoint;
  }
  return best;
}

std::vector<Volume> PosixFileSystem::Volumes() {
  std::vector<Volume> volumes;
  std::set<std::string> seen;
  for (const MountEntry& entry : Mounts()) {
    if (IsPseudoFileSystem(entry.fileSystemType) || IsSystemMountPoint(entry.mountPoint) ||
        !seen.insert(entry.mountPoint).second)
      continue;
    Volume volume;
    volume.mountPoint = entry.mountPoint;
    volume.device = entry.device;
    volume.fileSystemType = entry.fileSystemType;
    volume.type = DriveTypeOf(entry.fileSystemType, IsRemovableDevice(entry.device));
    volume.volumeName = VolumeLabel(entry.device);
    volume.options = OptionsInForce(entry);
    volume.flash = CanBeOnFlash(entry.fileSystemType) && MountIsOnFlash(entry);
    volumes.push_back(std::move(volume));
  }
  // In the order a user looks for them, "/" first, rather than the order of mounting.
  std::sort(volumes.begin(), volumes.end(),
            [](const Volume& a, const Volume& b) { return a.mountPoint < b.mountPoint; });
  return volumes;
}

DiskSpace PosixFileSystem::QueryDisk(const std::string& volume) {
  const int descriptor = OpenWithoutLinks(WithoutTrailingSeparators(volume), O_RDONLY | O_DIRECTORY);
  if (descriptor < 0) ThrowErrno(errno);
  const Descriptor folder(descriptor);
  struct statvfs info {};
  if (::fstatvfs(folder.get(), &info) != 0) ThrowErrno(errno);
  struct stat identity {};
  if (::fstat(folder.get(), &identity) != 0) ThrowErrno(errno);
  DiskSpace space;
  const auto unit = static_cast<std::int64_t>(info.f_frsize != 0 ? info.f_frsize : info.f_bsize);
  space.clusterSize = unit;
  space.freeBytes = static_cast<double>(info.f_bavail) * static_cast<double>(unit);
  space.totalBytes = static_cast<double>(info.f_blocks) * static_cast<double>(unit);
  space.administrator = ::geteuid() == 0;
  const double allFree = static_cast<double>(info.f_bfree) * static_cast<double>(unit);
  const double withheld = std::max(0.0, allFree - space.freeBytes);
  // By the mount table, as the volume's kind is told: btrfs gives its files device numbers of their own.
  const std::string type = ClassifyVolume(volume).fileSystemType;
  const FileSystemReserve reserve = FileSystemReserveOf(folder.get(), type, identity.st_dev, info);
  space.fileSystemReserveBytes = reserve.bytes;
  space.fileSystemReserveEstimated = reserve.estimated;
  // What the free count holds beyond what this user may fill: the administrator's part, and (on ext4 and
  // btrfs) the file system's own, which the free count includes.
  space.administratorReserveBytes = std::max(0.0, withheld - (reserve.counted ? reserve.bytes : 0.0));
  return space;
}

VolumeClass PosixFileSystem::ClassifyVolume(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  const MountEntry* best = nullptr;
  // The last of equally long mount points is the one on top.
  for (const MountEntry& entry : Mounts()) {
    if (IsUnder(absolute, entry.mountPoint) &&
        (best == nullptr || entry.mountPoint.size() >= best->mountPoint.size()))
      best = &entry;
  }
  if (best == nullptr) return {"/", "", "", {}};
  const bool flash = CanBeOnFlash(best->fileSystemType) && MountIsOnFlash(*best);
  return {best->mountPoint, best->fileSystemType, best->device,
          ResidueKindsOf(best->fileSystemType, OptionsInForce(*best), flash)};
}

std::vector<std::string> PosixFileSystem::SwapFiles() {
  return ParseSwaps(ReadWholeFile("/proc/swaps"));
}

std::string PosixFileSystem::ProgramFolder() {
  if (!programFolder_.empty()) return programFolder_;
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return {};
  std::string path(buffer, static_cast<std::size_t>(length));
  programFolder_ = path.substr(0, path.find_last_of('/') + 1);
  return programFolder_;
}

// The program's own folders are resolved like a folder the user chooses, since they are often reached
// through a link (/home -> /data/home).
std::string PosixFileSystem::HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return ResolvedIfExists(home);
  if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
    return ResolvedIfExists(user->pw_dir);
  return {};
}

std::string PosixFileSystem::UserDataFolder() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
    return ResolvedIfExists(data);
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : ResolvedIfExists(home + "/.local/share");
}

}  // namespace nulvane::platform
