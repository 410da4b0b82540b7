#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/FileSystem.h"

namespace nulvane::engine {

// One cluster size per drive for the whole run of the program, found the first time a drive is asked for.
class ClusterSizeTable {
 public:
  explicit ClusterSizeTable(platform::FileSystem& fileSystem);

  // The cluster size in bytes of `drive` (a volume). When the platform is asked, `spaceInFreeClusters`
  // (if given) receives the drive's free space in bytes; otherwise it is left as it was.
  std::int32_t GetClusterSize(const std::string& drive, double* spaceInFreeClusters = nullptr);
  // Stores a value for the drive; it replaces whatever was found before.
  void SetClusterSize(const std::string& drive, std::int32_t bytes);

 private:
  // The drive's cluster size; -1 when the query fails, -2 when the answer is below 512.
  std::int32_t QueryDrive(const std::string& drive, double* spaceInFreeClusters);

  platform::FileSystem& fileSystem_;
  std::map<std::string, std::int32_t> sizes_;
};

}  // namespace nulvane::engine
