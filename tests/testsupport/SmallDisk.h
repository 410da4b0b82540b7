#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/PlatformError.h"
#include "testsupport/FaultyFileSystem.h"

namespace nulvane::testing {

// A volume of a few megabytes inside the test's folder: writes to files whose path holds `under` take room
// from `capacity` and fail with "disk full" (ENOSPC) once it is used up, and the volume reports what is left
// as its free space. So a free-space purge is tested against a disk it can really fill, without ever
// filling the machine's own.
class SmallDisk : public FaultyFileSystem {
 public:
  std::string under = "_nv_free";
  std::int64_t capacity = 0;
  std::int64_t used = 0;
  std::int64_t clusterSize = 4096;
  // A write that does not fit writes nothing (as where space is reserved per write); otherwise it writes
  // what fits and then fails, as a real short write does.
  bool wholeWritesOnly = false;
  // Set: the free space the volume reports, whatever is used (a disk that says it is full too early).
  double reportedFree = -1;
  // Free space beyond `capacity` that the volume keeps for the administrator and for itself, as it reports
  // them; `administrator`: the program runs as one, and the administrator's part is filled too.
  double administratorReserve = 0;
  double fileSystemReserve = 0;
  bool administrator = false;
  // The volume reports no size and no free space (as some drives run by a program do).
  bool sizeUnknown = false;

  void WriteAt(const platform::File& file, const void* data, std::size_t size, std::int64_t offset) override {
    if (file.Path().find(under) == std::string::npos)
      return FaultyFileSystem::WriteAt(file, data, size, offset);
    const std::int64_t room = capacity - used;
    if (static_cast<std::int64_t>(size) > room) {
      if (!wholeWritesOnly && room > 0) {
        FaultyFileSystem::WriteAt(file, data, static_cast<std::size_t>(room), offset);
        used += room;
      }
      platform::ThrowErrno(ENOSPC);
    }
    FaultyFileSystem::WriteAt(file, data, size, offset);
    used += static_cast<std::int64_t>(size);
  }

  platform::DiskSpace QueryDisk(const std::string& volume) override {
    FaultyFileSystem::QueryDisk(volume);  // counted, and failures injected, like any other call
    platform::DiskSpace space;
    space.clusterSize = clusterSize;
    space.freeBytes = reportedFree >= 0 ? reportedFree : static_cast<double>(capacity - used);
    space.totalBytes = static_cast<double>(capacity) * 2 + 1048576;
    space.administratorReserveBytes = administratorReserve;
    space.fileSystemReserveBytes = fileSystemReserve;
    space.administrator = administrator;
    if (administrator) {
      // The administrator's part is part of what the fill takes (`capacity`): what is left of it is shown.
      space.administratorReserveBytes = std::min(administratorReserve, space.freeBytes);
      space.freeBytes -= space.administratorReserveBytes;
    }
    if (sizeUnknown) space.freeBytes = space.totalBytes = 0;
    return space;
  }

  // Gives back what a fill wrote once its files are gone (unnamed files cannot be looked at).
  void Reset() { used = 0; }
};

}  // namespace nulvane::testing
