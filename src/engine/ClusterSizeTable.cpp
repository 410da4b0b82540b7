#include "engine/ClusterSizeTable.h"

#include "platform/PlatformError.h"
#include "support/Drive.h"

namespace nulvane::engine {

namespace {
constexpr std::int32_t kSmallestCluster = 512;
constexpr std::int32_t kLargestCluster = 65536;
}  // namespace

ClusterSizeTable::ClusterSizeTable(platform::FileSystem& fileSystem) : fileSystem_(fileSystem) {}

std::int32_t ClusterSizeTable::GetClusterSize(const std::string& drive, double* spaceInFreeClusters) {
  if (const auto found = sizes_.find(drive); found != sizes_.end() && found->second >= kSmallestCluster) {
    return found->second;
  }
  std::int32_t size = QueryDrive(drive, spaceInFreeClusters);
  if (size < 0) size = support::IsFloppyDrive(drive) ? 512 : 4096;
  if (size > kLargestCluster) size = kLargestCluster;
  sizes_[drive] = size;
  return size;
}

void ClusterSizeTable::SetClusterSize(const std::string& drive, std::int32_t bytes) {
  sizes_[drive] = bytes;
}

std::int32_t ClusterSizeTable::QueryDrive(const std::string& drive, double* spaceInFreeClusters) {
  platform::DiskSpace disk;
  try {
    disk = fileSystem_.QueryDisk(drive);
  } catch (const platform::PlatformError&) {
    return -1;
  }
  if (disk.clusterSize < kSmallestCluster) return -2;
  if (spaceInFreeClusters != nullptr) *spaceInFreeClusters = disk.freeBytes;
  // Anything above the largest accepted cluster is cut to it by the caller; keep it inside 32 bits here.
  return disk.clusterSize > kLargestCluster ? kLargestCluster + 1
                                            : static_cast<std::int32_t>(disk.clusterSize);
}

}  // namespace nulvane::engine
