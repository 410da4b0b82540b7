#pragma once

#include <cstdint>
#include <vector>

#include "platform/FileStorage.h"

namespace nulvane::engine {

// A run of whole blocks of a pass: blocks [first, end) of the file's cluster-sized blocks.
struct BlockSpan {
  std::int64_t first = 0;
  std::int64_t end = 0;
  friend bool operator==(const BlockSpan&, const BlockSpan&) = default;
};

// The blocks of a pass over `blocks` cluster-sized blocks that hold data: each block that any of `ranges`
// touches, in order and joined where they meet. A sparse file's holes take no room on the disk and hold
// nothing to overwrite, so writing them would only fill the disk.
std::vector<BlockSpan> AllocatedBlocks(const std::vector<platform::ByteRange>& ranges, std::int64_t blocks,
                                       std::int32_t clusterSize);

}  // namespace nulvane::engine
