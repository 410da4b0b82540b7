// A file that another program has open, or opens or extends while it is overwritten, is never called
// purged: the other program is a thread here with a descriptor of its own, which the kernel treats as it
// treats another process.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "EngineFixture.h"

namespace nulvane::testing {
namespace {

constexpr const char* kTheirs = "written by the other program\n";
constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::size_t kCluster = 4096;  // as the fixture's table has it

// Appends `text` through a descriptor of its own; false when the file could not be opened.
bool Append(const std::string& path, const std::string& text) {
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (descriptor < 0) return false;
  const bool written = ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(descriptor);
  return written;
}

TEST_F(EngineTest, AFileAnotherProgramHoldsOpenIsLeftUntouched) {
  const std::string original = SampleContent(20000);
  const std::string path = dir.Write("held.log", original);
  const int held = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_GE(held, 0);

  std::int16_t code = 0;
  EXPECT_FALSE(engine.PurgeFile(path, 2, 1, true, true, true, code));

  EXPECT_EQ(code, engine::kCannotOpenForWriting);
  EXPECT_EQ(engine::PurgeResultText(code, "log"), ": unable to open file for writing.");
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(fs.Calls("WriteRepeated"), 0);

  // Once the other program has closed it, the file is the purge's alone.
  ::close(held);
  EXPECT_TRUE(engine.PurgeFile(path, 2, 1, true, true, true, code));
  EXPECT_EQ(code, engine::kPurged);
  EXPECT_FALSE(Exists(path));
}

// The file system of a purge that another program opens during its first write: every look at the lease
// waits (boundedly) until the kernel has seen that open, so the test does not race the opener's thread.
class OpenedMidPurge : public SnapshotFileSystem {
 public:
  bool LeaseBroken(const platform::File& file) override {
    if (opening) {
      const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (!SnapshotFileSystem::LeaseBroken(file) && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return SnapshotFileSystem::LeaseBroken(file);
  }
  std::atomic<bool> opening = false;
};

TEST(InUseTest, AnotherProgramsOpenStopsTheWritingAtTheNextBlockAndTheFileStays) {
  TempDir dir;
  OpenedMidPurge fs;
  FakeUi ui;
  engine::ClusterSizeTable clusters{fs};
  support::OperationState state;
  engine::PurgeEngine engine{fs, ui, clusters, state};
  clusters.SetClusterSize(fs.VolumeOf(dir.path()), kCluster);
  // Three runs of writes: the open comes during the first.
  const std::string original = SampleContent(3 * kMiB);
  const std::string path = dir.Write("grow.log", original);
  std::thread opener;
  std::atomic<bool> appended = false;
  fs.SetHook([&](const std::string& operation, const std::string&) {
    if (operation != "WriteRepeated" || opener.joinable()) return;
    fs.opening = true;
    opener = std::thread([&] { appended = Append(path, kTheirs); });
  });

  std::int16_t code = 0;
  EXPECT_FALSE(engine.PurgeFile(path, 0, 1, true, true, true, code));
  ASSERT_TRUE(opener.joinable());
  opener.join();

  EXPECT_EQ(code, engine::kInUseDuringPurge);
  EXPECT_EQ(fs.Calls("WriteRepeated"), 1) << "stopped at the next block";
  EXPECT_EQ(fs.Calls("ReleaseLease"), 1);
  EXPECT_TRUE(fs.snapshots.empty()) << "nothing flushed as if the pattern were complete";
  // What the other program wrote is there, after the whole original length: the file was not deleted and
  // not cut. Only the first run was overwritten.
  ASSERT_TRUE(appended);
  const std::string now = ReadFile(path);
  ASSERT_EQ(now.size(), original.size() + std::string(kTheirs).size());
  EXPECT_EQ(now.substr(original.size()), kTheirs);
  // (Compared as truth values: a failure would print megabytes.)
  EXPECT_FALSE(now.compare(0, kMiB, original, 0, kMiB) == 0);
  EXPECT_TRUE(now.compare(kMiB, original.size() - kMiB, original, kMiB) == 0);
  EXPECT_EQ(engine::PurgeResultText(code, "log"),
            ": partly overwritten, not deleted: another program opened or extended the file during the "
            "purge.");
  EXPECT_EQ(engine::PartlyOverwrittenText(1, 3, code, "log"),
            ": partly overwritten (1 of 3 passes), not deleted: another program opened or extended the file "
            "during the purge.");
}

TEST_F(EngineTest, WithoutALeaseALengthChangedByAnotherProgramStopsThePurge) {
  // Another owner's file without the right to lease it, or a network file system: only the length tells.
  fs.Inject({"TakeWriteLease", "", EACCES});
  const std::string original = SampleContent(100);
  const std::string path = dir.Write("grow.log", original);
  fs.SetHook([&](const std::string& operation, const std::string&) {
    if (operation == "Flush" && fs.Calls("Flush") == 0) {
      ASSERT_TRUE(Append(path, kTheirs));
    }
  });

  std::int16_t code = 0;
  EXPECT_FALSE(engine.PurgeFile(path, 0, 1, true, true, true, code));

  EXPECT_EQ(code, engine::kInUseDuringPurge);
  EXPECT_EQ(fs.Calls("WriteRepeated"), 1) << "the second pattern is not written";
  // Neither deleted nor cut back to its length before the purge, which would cut what was appended.
  const std::string now = ReadFile(path);
  ASSERT_EQ(now.size(), kCluster + std::string(kTheirs).size());
  EXPECT_EQ(now.substr(kCluster), kTheirs);

  // Nobody else writing: the same file system purges as ever.
  fs.SetHook(nullptr);
  const std::string quiet = dir.Write("quiet.log", original);
  EXPECT_TRUE(engine.PurgeFile(quiet, 0, 1, true, true, true, code));
  EXPECT_EQ(code, engine::kPurged);
  EXPECT_FALSE(Exists(quiet));
}

}  // namespace
}  // namespace nulvane::testing
