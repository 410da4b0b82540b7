#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/ClusterSizeTable.h"
#include "engine/PurgeEngine.h"
#include "support/OperationState.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {

// Captures the whole content of a file at each flush, so every overwrite can be seen before the next one
// replaces it. Snapshots are read through the descriptor being flushed.
class SnapshotFileSystem : public FaultyFileSystem {
 public:
  void Flush(const platform::File& file) override {
    const std::int64_t size = Status(file).size;
    std::string content(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
      const std::size_t got =
          ReadAt(file, content.data() + done, content.size() - done, static_cast<std::int64_t>(done));
      if (got == 0) break;
      done += got;
    }
    snapshots.push_back(content);
    FaultyFileSystem::Flush(file);
    if (afterFlush) afterFlush();
  }

  std::vector<std::string> snapshots;
  std::function<void()> afterFlush;
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() { clusters.SetClusterSize(drive, 4096); }

  TempDir dir;
  SnapshotFileSystem fs;
  std::string drive = fs.VolumeOf(dir.path());
  FakeUi ui;
  engine::ClusterSizeTable clusters{fs};
  support::OperationState state;
  engine::PurgeEngine engine{fs, ui, clusters, state};
};

}  // namespace nulvane::testing
