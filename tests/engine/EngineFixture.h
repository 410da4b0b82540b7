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
    snapshots.push_back(ContentOf(file));
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
