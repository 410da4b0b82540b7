#include "engine/AllocatedBlocks.h"

#include <algorithm>

namespace nulvane::engine {

std::vector<BlockSpan> AllocatedBlocks(const std::vector<platform::ByteRange>& ranges, std::int64_t blocks,
                                       std::int32_t clusterSize) {
  std::vector<BlockSpan> spans;
  if (clusterSize <= 0) return spans;
  for (const platform::ByteRange& range : ranges) {
    if (range.length <= 0 || range.offset < 0) continue;
    const std::int64_t first = range.offset / clusterSize;
    const std::int64_t end = std::min(blocks, (range.offset + range.length + clusterSize - 1) / clusterSize);
    if (first >= end) continue;
    spans.push_back({first, end});
  }
  std::sort(spans.begin(), spans.end(),
            [](const BlockSpan& a, const BlockSpan& b) { return a.first < b.first; });
  std::vector<BlockSpan> joined;
  for (const BlockSpan& span : spans) {
    if (!joined.empty() && span.first <= joined.back().end) {
      joined.back().end = std::max(joined.back().end, span.end);
    } else {
      joined.push_back(span);
    }
  }
  return joined;
}

}  // namespace nulvane::engine
