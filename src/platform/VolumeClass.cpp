#include "platform/VolumeClass.h"

#ifndef _WIN32
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace nulvane::platform {
namespace {

bool HasOption(const std::string& options, const std::string& wanted) {
  std::istringstream list(options);
  for (std::string option; std::getline(list, option, ',');) {
    if (option == wanted) return true;
  }
  return false;
}

// File systems that reach their storage over the network, whether in the kernel or through fuse.
bool IsNetworkType(const std::string& type) {
  static const std::set<std::string> kNetwork = {"nfs",   "nfs4",  "cifs",      "smb3", "smbfs",
                                                 "9p",    "ceph",  "glusterfs", "afs",  "lustre",
                                                 "davfs", "sshfs", "ncpfs",     "coda", "orangefs"};
  static const std::set<std::string> kNetworkFuse = {"sshfs",  "rclone",    "s3fs",      "gcsfuse",
                                                     "davfs2", "curlftpfs", "glusterfs", "cephfs"};
  if (kNetwork.count(type) > 0) return true;
  return type.rfind("fuse.", 0) == 0 && kNetworkFuse.count(type.substr(5)) > 0;
}

#ifndef _WIN32
// The flash test reads the kernel's sysfs.

std::string ReadLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string RealPathOf(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

bool Exists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

std::vector<std::string> EntriesOf(const std::string& folder) {
  std::vector<std::string> names;
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return names;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(listing);
  return names;
}

// `device` is the device's folder in sysfs (links resolved).
bool DeviceIsOnFlash(std::string device, int depth) {
  // Stacks deeper than this are no real storage; a loop in the links must not run forever.
  if (depth > 8 || device.empty()) return false;
  if (Exists(device + "/partition")) device = device.substr(0, device.find_last_of('/'));
  const std::vector<std::string> under = EntriesOf(device + "/slaves");
  if (!under.empty()) {
    return std::any_of(under.begin(), under.end(), [&](const std::string& name) {
      return DeviceIsOnFlash(RealPathOf(device + "/slaves/" + name), depth + 1);
    });
  }
  return ReadLine(device + "/queue/rotational") == "0";
}
#endif

}  // namespace

std::vector<ResidueKind> ResidueKindsOf(const std::string& type, const std::string& options, bool flash) {
  std::vector<ResidueKind> kinds;
  if (type == "btrfs" || type == "zfs" || type == "bcachefs") {
    kinds.push_back(ResidueKind::CopyOnWrite);
  } else if (type == "f2fs" || type == "nilfs2") {
    kinds.push_back(ResidueKind::LogStructured);
  } else if ((type == "ext3" || type == "ext4") && HasOption(options, "data=journal")) {
    kinds.push_back(ResidueKind::DataJournal);
  } else if (IsNetworkType(type)) {
    return {ResidueKind::Network};
  } else if (type == "fuse" || type == "fuseblk" || type.rfind("fuse.", 0) == 0) {
    return {ResidueKind::UserSpace};
  } else if (type == "tmpfs" || type == "ramfs") {
    return {ResidueKind::Memory};
  }
  if (flash) kinds.push_back(ResidueKind::Flash);
  return kinds;
}

#ifndef _WIN32
bool IsOnFlash(const std::string& sysRoot, const std::string& majorMinor) {
  if (majorMinor.empty() || majorMinor.rfind("0:", 0) == 0) return false;  // no block device behind it
  return DeviceIsOnFlash(RealPathOf(sysRoot + "/dev/block/" + majorMinor), 0);
}

#endif

}  // namespace nulvane::platform
