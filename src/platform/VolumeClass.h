#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace nulvane::platform {

// What overwriting in place may not reach on a mounted file system of this type with these mount options,
// on a flash device or not. Flash is left out where the bytes do not land on a local device of the
// computer (network, user-space and memory file systems), and comes last otherwise.
std::vector<ResidueKind> ResidueKindsOf(const std::string& fileSystemType, const std::string& options,
                                        bool flash);

#ifndef _WIN32
// Whether the block device numbered `majorMinor` ("8:2") lies on flash, by the kernel's queue/rotational
// flag of the disk behind it: a partition is taken as its disk, and a device-mapper or RAID device as the
// disks under it (flash when any of them is). `sysRoot` is "/sys" except in tests.
bool IsOnFlash(const std::string& sysRoot, const std::string& majorMinor);
#endif

}  // namespace nulvane::platform
