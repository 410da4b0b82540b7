#include <gtest/gtest.h>

#include <cerrno>

#include "engine/ClusterSizeTable.h"
#include "platform/PlatformError.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/TempDir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace nulvane::testing {
namespace {

platform::DiskSpace Disk(std::int64_t clusterSize) {
  platform::DiskSpace disk;
  disk.clusterSize = clusterSize;
  disk.freeBytes = 1e9;
  disk.totalBytes = 2e9;
  return disk;
}

TEST(ClusterSizeTableTest, DriveAnswerIsTakenWithinLimits) {
  struct Case {
    std::int64_t answer;
    std::int32_t expected;
  };
  for (const Case c : {Case{4096, 4096}, Case{512, 512}, Case{65536, 65536}, Case{131072, 65536},
                       Case{std::int64_t{1} << 40, 65536}, Case{256, 4096}, Case{0, 4096}}) {
    SCOPED_TRACE(c.answer);
    FaultyFileSystem fs;
    fs.OverrideDisk([&](const std::string&) { return Disk(c.answer); });
    engine::ClusterSizeTable table(fs);
    EXPECT_EQ(table.GetClusterSize("/data"), c.expected);
  }
}

TEST(ClusterSizeTableTest, FailedQueryGives4096AndFloppyLetters512) {
  FaultyFileSystem fs;
  fs.Inject({"QueryDisk", "", EIO});
  engine::ClusterSizeTable table(fs);
  EXPECT_EQ(table.GetClusterSize("/mnt/gone"), 4096);
  EXPECT_EQ(table.GetClusterSize("A:"), 512);
  EXPECT_EQ(table.GetClusterSize("b:"), 512);
}

TEST(ClusterSizeTableTest, EachDriveIsAskedOnce) {
  FaultyFileSystem fs;
  int asked = 0;
  fs.OverrideDisk([&](const std::string& drive) {
    ++asked;
    return Disk(drive == "/" ? 4096 : 16384);
  });
  engine::ClusterSizeTable table(fs);
  double space = -1;
  EXPECT_EQ(table.GetClusterSize("/home", &space), 16384);
  EXPECT_EQ(space, 1e9);
  space = -1;
  EXPECT_EQ(table.GetClusterSize("/home", &space), 16384);
  EXPECT_EQ(space, -1);  // not asked again, so left as it was
  EXPECT_EQ(table.GetClusterSize("/"), 4096);
  EXPECT_EQ(asked, 2);
}

#ifdef _WIN32
// Real drive letters: the letters A and B with no drive (or no disk) behind them take 512 bytes, any other
// letter 4096, and a drive that answers its own size.
TEST(ClusterSizeTableTest, RealDrivesAndTheFloppyLetters) {
  FaultyFileSystem fs;
  engine::ClusterSizeTable table(fs);
  const DWORD present = ::GetLogicalDrives();
  for (const char letter : {'A', 'B'}) {
    if ((present & (1u << (letter - 'A'))) == 0) {
      EXPECT_EQ(table.GetClusterSize(std::string(1, letter) + ":"), 512);
    }
  }
  for (char letter = 'Z'; letter > 'C'; --letter) {
    if ((present & (1u << (letter - 'A'))) != 0) continue;
    EXPECT_EQ(table.GetClusterSize(std::string(1, letter) + ":"), 4096) << letter;
    break;
  }
  TempDir dir;
  const std::string drive = fs.VolumeOf(dir.path());
  EXPECT_EQ(table.GetClusterSize(drive), fs.QueryDisk(drive).clusterSize);
}
#endif

TEST(ClusterSizeTableTest, StoredValueWins) {
  FaultyFileSystem fs;
  fs.OverrideDisk([&](const std::string&) { return Disk(4096); });
  engine::ClusterSizeTable table(fs);
  EXPECT_EQ(table.GetClusterSize("/home"), 4096);
  table.SetClusterSize("/home", 32768);
  table.SetClusterSize("/srv", 8192);
  EXPECT_EQ(table.GetClusterSize("/home"), 32768);
  EXPECT_EQ(table.GetClusterSize("/srv"), 8192);
  EXPECT_EQ(fs.Calls("QueryDisk"), 1);
}

}  // namespace
}  // namespace nulvane::testing
