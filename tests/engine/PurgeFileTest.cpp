#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>

#include "EngineFixture.h"
#include "engine/FileProcedures.h"
#include "platform/PlatformError.h"
#include "platform/SystemFileSystem.h"
#include "testsupport/PathCalls.h"
#include "testsupport/Platform.h"

namespace nulvane::testing {
namespace {

using engine::kRandomPattern;
using platform::FileTimes;

constexpr std::size_t kCluster = 4096;
#ifdef _WIN32
// Windows keeps times to 100 ns, and the creation time as well.
const FileTimes kOldTimes{{1000000000, 123456700}, {1100000000, 987654300}, {900000000, 555555500}};
#else
const FileTimes kOldTimes{{1000000000, 123456789}, {1100000000, 987654321}};
#endif

// The times a file was given back, as far as the platform can set them: Wine cannot set a creation time on
// the file systems below it.
::testing::AssertionResult SameTimes(const FileTimes& actual, const FileTimes& expected) {
  FileTimes compared = actual;
  if (RunningUnderWine()) compared.creation = expected.creation;
  if (compared == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "access " << actual.access.seconds << " modification " << actual.modification.seconds
         << " creation " << actual.creation.seconds;
}

bool AllBytes(const std::string& content, unsigned char value) {
  return content.find_first_not_of(static_cast<char>(value)) == std::string::npos;
}

// Every cluster-sized block of `content` is `block`.
bool EveryBlockIs(const std::string& content, const std::string& block) {
  if (block.empty() || content.size() % block.size() != 0) return false;
  for (std::size_t at = 0; at < content.size(); at += block.size()) {
    if (content.compare(at, block.size(), block) != 0) return false;
  }
  return true;
}

std::string AsText(const std::vector<unsigned char>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

void SetTimesOf(platform::FileSystem& fs, const std::string& path, const FileTimes& times) {
  platform::File file = fs.OpenForReading(path);
  fs.SetTimes(file, times);
}

TEST_F(EngineTest, EachTypeWritesItsPatternsInOrderOverTheWholeFile) {
  for (const int type : {0, 1, 2}) {
    SCOPED_TRACE(type);
    fs.snapshots.clear();
    const std::string original = SampleContent(3 * kCluster + 100);
    const std::string path = dir.Write("f" + std::to_string(type) + ".dat", original);
    std::int16_t code = 99;

    ASSERT_TRUE(engine.PurgeFile(path, type, 1, false, false, false, code));
    EXPECT_EQ(code, 0);

    const std::vector<int> sequence = engine::PatternSequence(type);
    ASSERT_EQ(fs.snapshots.size(), sequence.size());
    ASSERT_EQ(static_cast<int>(sequence.size()), engine::NumOverwritesPerPass(type));
    const std::string randomBlock = AsText(engine.PatternBuffer(kRandomPattern));
    ASSERT_EQ(randomBlock.size(), kCluster);
    for (std::size_t i = 0; i < sequence.size(); ++i) {
      SCOPED_TRACE(i);
      const std::string& written = fs.snapshots[i];
      ASSERT_EQ(written.size(), 4 * kCluster);
      if (sequence[i] == kRandomPattern) {
        // One random buffer per repetition, the same in every block and in both random writes of type 2.
        EXPECT_TRUE(EveryBlockIs(written, randomBlock));
        EXPECT_FALSE(AllBytes(randomBlock, static_cast<unsigned char>(randomBlock[0])));
      } else {
        EXPECT_TRUE(AllBytes(written, static_cast<unsigned char>(sequence[i])));
      }
    }
    // Kept: back to its former length, holding the last pattern.
    const std::string after = ReadFile(path);
    ASSERT_EQ(after.size(), original.size());
    EXPECT_EQ(after, fs.snapshots.back().substr(0, original.size()));
  }
}

TEST_F(EngineTest, RepetitionsRepeatTheSequenceWithAFreshRandomBuffer) {
  const std::string path = dir.Write("r.dat", SampleContent(100));
  std::int16_t code = 99;
  ASSERT_TRUE(engine.PurgeFile(path, 0, 3, true, false, false, code));
  EXPECT_EQ(code, 0);
  ASSERT_EQ(fs.snapshots.size(), 6u);
  EXPECT_NE(fs.snapshots[0], fs.snapshots[2]);
  EXPECT_NE(fs.snapshots[2], fs.snapshots[4]);
  for (const std::size_t zeros : {1u, 3u, 5u}) EXPECT_TRUE(AllBytes(fs.snapshots[zeros], 0));
  EXPECT_FALSE(Exists(path));
}

TEST_F(EngineTest, FileIsCoveredByWholeClusters) {
  struct Case {
    std::size_t length;
    std::size_t written;
  };
  for (const Case c : {Case{0, kCluster}, Case{1, kCluster}, Case{2 * kCluster, 2 * kCluster},
                       Case{2 * kCluster + 1, 3 * kCluster}}) {
    SCOPED_TRACE(c.length);
    fs.snapshots.clear();
    const std::string path = dir.Write("len.dat", SampleContent(c.length));
    std::int16_t code = 99;
    ASSERT_TRUE(engine.PurgeFile(path, 1, 1, false, false, false, code));
    ASSERT_EQ(fs.snapshots.size(), 3u);
    for (const std::string& written : fs.snapshots) EXPECT_EQ(written.size(), c.written);
    EXPECT_EQ(ReadFile(path).size(), c.length);
  }
}

TEST_F(EngineTest, BadArgumentsWriteNothing) {
  const std::string original = SampleContent(5000);
  const std::string path = dir.Write("bad.dat", original);
  const auto purge = [&](int type) {
    std::int16_t code = 99;
    EXPECT_FALSE(engine.PurgeFile(path, type, 1, true, false, false, code));
    return code;
  };
  EXPECT_EQ(purge(3), engine::kInvalidPurgeType);
  EXPECT_EQ(purge(-1), engine::kInvalidPurgeType);
  for (const int repetitions : {0, -2}) {
    std::int16_t code = 99;
    EXPECT_FALSE(engine.PurgeFile(path, 0, repetitions, true, false, false, code)) << repetitions;
    EXPECT_EQ(code, engine::kInvalidPurgeType);
  }
  // A stored value below 512 counts as unknown and is looked up again, so only larger bad values stay.
  for (const std::int32_t size : {1000, 131072, 66048}) {
    SCOPED_TRACE(size);
    clusters.SetClusterSize(drive, size);
    EXPECT_EQ(purge(0), engine::kInvalidClusterSize);
  }
  EXPECT_EQ(engine.WritePatternPass(path, 0, 256), engine::kInvalidClusterSize);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(fs.Calls("WriteRepeated"), 0);

  std::int16_t code = 99;
  EXPECT_FALSE(engine.PurgeFile("", 7, 1, true, false, false, code));
  EXPECT_EQ(code, engine::kEmptyPath);
  EXPECT_EQ(engine.OverwriteFile("", -3, 1, true), engine::kEmptyPath);
}

TEST_F(EngineTest, SmallestAndLargestClusterSizesAreAccepted) {
  for (const std::int32_t size : {512, 65536}) {
    SCOPED_TRACE(size);
    fs.snapshots.clear();
    clusters.SetClusterSize(drive, size);
    const std::string path = dir.Write("edge.dat", SampleContent(700));
    std::int16_t code = 99;
    ASSERT_TRUE(engine.PurgeFile(path, 0, 1, false, false, false, code));
    ASSERT_EQ(fs.snapshots.size(), 2u);
    EXPECT_EQ(fs.snapshots[0].size() % static_cast<std::size_t>(size), 0u);
    EXPECT_GE(fs.snapshots[0].size(), 700u);
    EXPECT_EQ(engine.PatternBuffer(kRandomPattern).size(), static_cast<std::size_t>(size));
  }
}

TEST_F(EngineTest, KeptFileRegainsLengthAndTimes) {
  const std::string original = SampleContent(10000);
  const std::string path = dir.Write("keep.dat", original);
  SetTimesOf(fs, path, kOldTimes);

  std::int16_t code = 99;
  ASSERT_TRUE(engine.PurgeFile(path, 2, 1, false, false, false, code));

  const platform::FileStatus after = fs.Status(path);
  EXPECT_EQ(after.size, 10000);
  EXPECT_TRUE(SameTimes(after.times, kOldTimes));
  EXPECT_EQ(ReadFile(path), fs.snapshots.back().substr(0, 10000));
  EXPECT_NE(ReadFile(path), original);
}

TEST_F(EngineTest, LongPathIsPurgedButItsTimesAreNotRestored) {
  const std::string folder = dir.MakeFolder(std::string(120, 'd'));
  const std::string path = dir.Write(std::string(120, 'd') + "/long.dat", SampleContent(300));
  ASSERT_GT(path.size(), engine::kMaxTimesPathLength);
  (void)folder;
  SetTimesOf(fs, path, kOldTimes);

  std::int16_t code = 99;
  ASSERT_TRUE(engine.PurgeFile(path, 0, 1, false, false, false, code));
  const platform::FileStatus after = fs.Status(path);
  EXPECT_EQ(after.size, 300);
  EXPECT_NE(after.times.modification, kOldTimes.modification);
  EXPECT_EQ(engine::GetFileTimes(fs, path).status, -5);
  EXPECT_EQ(engine::SetFileTimes(fs, path, kOldTimes), -5);
}

TEST_F(EngineTest, SpeedTestLeavesSizeAndTimesAsThePurgeLeftThem) {
  state.blnPerformingSpeedTest = true;
  const std::string path = dir.Write("dummy.dat", SampleContent(5000));
  SetTimesOf(fs, path, kOldTimes);
  std::int16_t code = 99;
  ASSERT_TRUE(engine.PurgeFile(path, 0, 1, false, true, true, code));
  const platform::FileStatus after = fs.Status(path);
  EXPECT_EQ(after.size, static_cast<std::int64_t>(2 * kCluster));
  EXPECT_NE(after.times, kOldTimes);
}

TEST_F(EngineTest, ReadOnlyFileNeedsPermission) {
  const std::string original = SampleContent(3000);
  const std::string path = dir.Write("ro.dat", original);
  SetReadOnly(fs, path, true);
  SetTimesOf(fs, path, kOldTimes);

  std::int16_t code = 99;
  EXPECT_FALSE(engine.PurgeFile(path, 0, 1, false, false, true, code));
  EXPECT_EQ(code, engine::kReadOnlyNotPermitted);
  EXPECT_TRUE(
      SameTimes(fs.Status(path).times, kOldTimes));  // before reading, which may touch the access time
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_TRUE(Attributes(fs, path).readOnly);

  SetTimesOf(fs, path, kOldTimes);
  EXPECT_TRUE(engine.PurgeFile(path, 0, 1, false, true, false, code));
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(SameTimes(fs.Status(path).times, kOldTimes));
  EXPECT_NE(ReadFile(path), original);
  EXPECT_FALSE(Attributes(fs, path).readOnly);
}

#ifdef _WIN32

TEST_F(EngineTest, SystemFileNeedsPermission) {
  const std::string original = SampleContent(700);
  const std::string path = dir.Write("boot.dat", original);
  SetAttributes(fs, path, {false, false, true});
  std::int16_t code = 99;
  EXPECT_FALSE(engine.PurgeFile(path, 0, 1, true, true, false, code));
  EXPECT_EQ(code, engine::kSystemNotPermitted);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_TRUE(Attributes(fs, path).system);
}

// Windows deletes no read-only file, and the delete clears all three attributes first.
TEST_F(EngineTest, HiddenReadOnlySystemFileIsDeletedWhenAllowed) {
  const std::string path = dir.Write("hidden.dat", SampleContent(5000));
  SetAttributes(fs, path, {true, true, true});
  const platform::FileAttributes attributes = Attributes(fs, path);
  ASSERT_TRUE(attributes.readOnly && attributes.hidden && attributes.system);
  std::int16_t code = 99;
  EXPECT_TRUE(engine.PurgeFile(path, 1, 1, true, true, true, code));
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(Exists(path));

  // Without clearing read-only, the file stays.
  const std::string kept = dir.Write("kept.dat", "x");
  SetAttributes(fs, kept, {true, true, false});
  EXPECT_FALSE(engine.DeleteFileForced(kept, true, false, true));
  EXPECT_TRUE(Exists(kept));
  EXPECT_FALSE(Attributes(fs, kept).hidden);
  EXPECT_TRUE(Attributes(fs, kept).readOnly);
  EXPECT_TRUE(engine.DeleteFileForced(kept, false, true, false));
  EXPECT_FALSE(Exists(kept));
}

// Windows lets no one write a file that another program holds open for writing.
TEST_F(EngineTest, FileThatAnotherProgramWritesIsNotOverwritten) {
  const std::string original = SampleContent(3000);
  const std::string path = dir.Write("busy.dat", original);
  platform::SystemFileSystem other;
  platform::File held = other.OpenForWriting(path);
  std::int16_t code = 99;
  EXPECT_FALSE(engine.PurgeFile(path, 2, 1, true, true, true, code));
  EXPECT_EQ(code, engine::kCannotOpenForWriting);
  held.Close();
  EXPECT_EQ(ReadFile(path), original);
}

#else

// The system attribute does not exist here, so -54 never arises; okSystem = false changes nothing.
TEST_F(EngineTest, NoFileIsASystemFile) {
  const std::string path = dir.Write("sys.dat", SampleContent(10));
  std::int16_t code = 99;
  EXPECT_TRUE(engine.PurgeFile(path, 0, 1, true, false, false, code));
  EXPECT_EQ(code, 0);
}

TEST_F(EngineTest, HiddenReadOnlyFileIsDeleted) {
  const std::string path = dir.Write(".hidden.dat", SampleContent(5000));
  SetReadOnly(fs, path, true);
  ASSERT_TRUE(Attributes(fs, path).hidden);
  std::int16_t code = 99;
  EXPECT_TRUE(engine.PurgeFile(path, 1, 1, true, true, true, code));
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(Exists(path));
}

TEST_F(EngineTest, PipeIsNotPurged) {
  const std::string pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::int16_t code = 99;
  EXPECT_FALSE(engine.PurgeFile(pipe, 0, 1, true, true, true, code));
  EXPECT_EQ(code, engine::kCannotOpenForWriting);
  EXPECT_TRUE(Exists(pipe));
}

#endif

TEST_F(EngineTest, LinkIsNeverFollowed) {
  TempDir outside;
  const std::string original = SampleContent(6000);
  const std::string target = outside.Write("precious.dat", original);
  SetTimesOf(fs, target, kOldTimes);
  const std::string link = dir / "link.dat";
  ASSERT_TRUE(MakeLink(target, link));

  std::int16_t code = 99;
  EXPECT_FALSE(engine.PurgeFile(link, 0, 1, true, true, true, code));
  EXPECT_EQ(code, engine::kCannotOpenForWriting);
  EXPECT_TRUE(SameTimes(fs.Status(target).times, kOldTimes));
  EXPECT_EQ(ReadFile(target), original);
  EXPECT_TRUE(Exists(link));
  EXPECT_EQ(fs.Calls("WriteRepeated"), 0);
  EXPECT_THROW(engine.OverwriteFile(link, 0, 1, true), platform::PlatformError);
  EXPECT_EQ(ReadFile(target), original);
}

TEST_F(EngineTest, FileThatCannotBeOpenedForWritingIsUntouched) {
  const std::string original = SampleContent(2000);
  const std::string path = dir.Write("locked.dat", original);
  SetTimesOf(fs, path, kOldTimes);
  fs.Inject({"OpenForWriting", "locked.dat", EACCES});
  std::int16_t code = 99;
  EXPECT_FALSE(engine.PurgeFile(path, 2, 1, true, true, true, code));
  EXPECT_EQ(code, engine::kCannotOpenForWriting);
  EXPECT_TRUE(SameTimes(fs.Status(path).times, kOldTimes));
  EXPECT_EQ(ReadFile(path), original);
}

TEST_F(EngineTest, FileThatCannotBeDeletedIsReportedAfterFourAttempts) {
  const std::string path = dir.Write("stuck.dat", SampleContent(5000));
  fs.Inject({"Remove", "stuck.dat", EBUSY});
  engine::PurgeNotes name;
  EXPECT_EQ(engine.Purge(engine.Request(path, 0, 1, true, true, true), &name), engine::kNotDeleted);
  EXPECT_EQ(fs.Calls("Remove"), 4);
  EXPECT_EQ(ui.waits(), (std::vector<int>{500, 500, 500}));
  // It stays under the random name it was given before the deletion was tried.
  ASSERT_FALSE(name.renamedTo.empty());
  EXPECT_TRUE(AllBytes(ReadFile(dir / name.renamedTo), 0));
  EXPECT_EQ(ReadFile(dir / name.renamedTo).size(), 5000u);
}

TEST_F(EngineTest, DeleteThatSucceedsOnARetryCountsAsDeleted) {
  const std::string path = dir.Write("late.dat", SampleContent(10));
  fs.Inject({"Remove", "late.dat", EBUSY, 0, 2});
  EXPECT_TRUE(engine.DeleteFileForced(path, true, true, true));
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(ui.waits(), (std::vector<int>{500, 500}));
  EXPECT_TRUE(engine.DeleteFileForced(path, true, true, true));  // already gone
}

TEST_F(EngineTest, FileReplacedDuringThePurgeIsNotDeleted) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps another file from taking the name while the purge holds the file open";
#endif
  const std::string path = dir.Write("swap.dat", SampleContent(100));
  const std::string other = dir.Write("other.dat", "keep me");
  // After the last overwrite, before the rename that comes before the delete, the name is given to another
  // file: that one is neither renamed nor deleted.
  fs.SetHook([&](const std::string& operation, const std::string& at) {
    if (operation == "Rename" && at == path && fs.snapshots.size() == 2 && Exists(other))
      platform::SystemFileSystem().Rename(other, path);
  });
  engine::PurgeNotes name;
  EXPECT_EQ(engine.Purge(engine.Request(path, 0, 1, true, true, true), &name), engine::kNotDeleted);
  EXPECT_EQ(ReadFile(path), "keep me");
  EXPECT_TRUE(name.renamedTo.empty());
  EXPECT_EQ(ListFolder(fs, dir.path()).size(), 1u);
  EXPECT_EQ(fs.Calls("Remove"), 0);
}

TEST_F(EngineTest, WriteFailureReachesTheCaller) {
  const std::string path = dir.Write("full.dat", SampleContent(100));
  fs.Inject({"WriteRepeated", "full.dat", ENOSPC});
  std::int16_t code = 99;
  try {
    engine.PurgeFile(path, 0, 1, true, true, true, code);
    FAIL() << "no error";
  } catch (const platform::PlatformError& error) {
    EXPECT_EQ(error.number, platform::kErrorDiskFull);
  }
  EXPECT_TRUE(Exists(path));
}

TEST_F(EngineTest, FlushFailureEndsTheRepetitionsSequence) {
  const std::string path = dir.Write("flush.dat", SampleContent(100));
  fs.Inject({"Flush", "flush.dat", EIO});
  std::int16_t code = 99;
  EXPECT_FALSE(engine.PurgeFile(path, 1, 2, true, true, true, code));
  EXPECT_EQ(code, engine::kFlushFailed);
  // One write and one flush per repetition; the file is still deleted.
  EXPECT_EQ(fs.Calls("Flush"), 2);
  EXPECT_EQ(fs.Calls("WriteRepeated"), 2);
  EXPECT_FALSE(Exists(path));
}

TEST_F(EngineTest, MissingFileReachesTheCaller) {
  std::int16_t code = 99;
  try {
    engine.PurgeFile(dir / "gone.dat", 0, 1, true, true, true, code);
    FAIL() << "no error";
  } catch (const platform::PlatformError& error) {
    EXPECT_EQ(error.number, platform::kErrorFileNotFound);
  }
}

TEST_F(EngineTest, YieldsBeforeEveryRepetitionAndBlock) {
  const std::string path = dir.Write("y.dat", SampleContent(3 * kCluster));
  std::int16_t code = 99;
  ASSERT_TRUE(engine.PurgeFile(path, 1, 2, true, true, true, code));
  EXPECT_EQ(ui.yields(), 2 * (1 + 3 * 3));
}

// Records the blocks handed to the file system instead of writing them, so a file beyond 2^31 bytes can
// be purged in a moment.
class RecordingFileSystem : public FaultyFileSystem {
 public:
  void WriteRepeated(const platform::File&, const void*, std::size_t blockSize, std::int64_t count,
                     std::int64_t offset) override {
    writes.push_back({offset, static_cast<std::int64_t>(blockSize) * count});
  }
  void WriteBack(const platform::File&, std::int64_t offset, std::int64_t length) override {
    handedOver.push_back({offset, length, writes.empty() ? 0 : writes.back().first + writes.back().second});
  }
  std::vector<std::pair<std::int64_t, std::int64_t>> writes;
  struct Stretch {
    std::int64_t offset;
    std::int64_t length;
    std::int64_t writtenTo;  // where the writes had reached
  };
  std::vector<Stretch> handedOver;
};

TEST(EngineLargeFileTest, FileBeyond2GiBIsCoveredToItsEnd) {
  TempDir dir;
  RecordingFileSystem fs;
  FakeUi ui;
  engine::ClusterSizeTable clusters(fs);
  clusters.SetClusterSize(fs.VolumeOf(dir.path()), 65536);
  support::OperationState state;
  engine::PurgeEngine engine(fs, ui, clusters, state);

  const std::int64_t length = (std::int64_t{1} << 31) + 5;
  const std::string path = dir.Write("big.dat", "");
  {
    platform::File file = fs.OpenForWriting(path);
    fs.SetLength(file, length);  // sparse
  }
  std::int16_t code = 99;
  ASSERT_TRUE(engine.PurgeFile(path, 0, 1, false, false, false, code));
  EXPECT_EQ(code, 0);

  const std::int64_t blocks = (length + 65535) / 65536;
  std::int64_t end = 0;
  int passes = 0;
  for (const auto& [offset, size] : fs.writes) {
    if (offset == 0) {
      if (passes > 0) {
        EXPECT_EQ(end, blocks * 65536);
      }
      ++passes;
    } else {
      EXPECT_EQ(offset, end);
    }
    end = offset + size;
  }
  EXPECT_EQ(passes, 2);
  EXPECT_EQ(end, blocks * 65536);
  EXPECT_EQ(fs.Status(path).size, length);

  // Handed to the device as it is written, stretch after stretch, never ahead of the writes; the tail is
  // left to the flush.
  std::int64_t reached = 0;
  int starts = 0;
  for (const auto& stretch : fs.handedOver) {
    if (stretch.offset == 0) {
      ++starts;
    } else {
      EXPECT_EQ(stretch.offset, reached);
    }
    reached = stretch.offset + stretch.length;
    EXPECT_EQ(reached, stretch.writtenTo);
    EXPECT_LT(reached, blocks * 65536);
  }
  EXPECT_EQ(starts, 2);
  EXPECT_GT(reached, blocks * 65536 - (std::int64_t{32} << 20));
}

TEST_F(EngineTest, AStretchTheDeviceRefusesFailsThePatternAsAFlushDoes) {
  const std::string path = dir.Write("long.dat", SampleContent(std::size_t{20} << 20));
  fs.Inject({"WriteBack", "long.dat", EIO});
  std::int16_t code = 99;
  EXPECT_FALSE(engine.PurgeFile(path, 0, 1, false, false, false, code));
  EXPECT_EQ(code, engine::kFlushFailed);
  EXPECT_TRUE(fs.snapshots.empty());
  EXPECT_EQ(fs.Calls("WriteBack"), 1);
}

// Stands for a program whose console was closed after `blocks` blocks (and the yield before them).
class CuttingPacer final : public engine::Pacer {
 public:
  explicit CuttingPacer(int blocks) : blocks_(blocks) {}
  void Yield() override { ++yields_; }
  void Wait(int) override {}
  bool CutShort() override { return yields_ > blocks_; }

 private:
  int blocks_;
  int yields_ = 0;
};

TEST_F(EngineTest, APassCutShortEndsAtItsNextBlockFlushedAndKeepsTheFile) {
  const std::string original = SampleContent(300 * kCluster, 3);
  dir.Write("cut.dat", "");
  engine::PurgeRequest request = engine.Request(dir / "cut.dat", 1, 1, true, true, true);
  request.clusterSize = static_cast<std::int32_t>(kCluster);
  {
    SCOPED_TRACE("in the middle of the first pattern, after the first call's 256 blocks");
    dir.Write("cut.dat", original);
    CuttingPacer pacer(260);
    engine::Overwriter overwriter(fs, pacer);
    EXPECT_EQ(overwriter.Purge(request), engine::kCutShort);
    const std::string left = ReadFile(request.path);
    ASSERT_EQ(left.size(), original.size());
    EXPECT_TRUE(AllBytes(left.substr(0, 256 * kCluster), 170));
    EXPECT_EQ(left.substr(256 * kCluster), original.substr(256 * kCluster));
    // Flushed as it is left, before it was let go.
    ASSERT_EQ(fs.snapshots.size(), 1u);
    EXPECT_EQ(fs.snapshots[0], left);
  }
  {
    SCOPED_TRACE("before the pass began: not even opened");
    fs.snapshots.clear();
    dir.Write("cut.dat", original);
    const int opens = fs.Calls("OpenForWriting");
    CuttingPacer pacer(-1);
    engine::Overwriter overwriter(fs, pacer);
    EXPECT_EQ(overwriter.Purge(request), engine::kCutShortUnwritten);
    EXPECT_EQ(ReadFile(request.path), original);
    EXPECT_EQ(fs.Calls("OpenForWriting"), opens);
  }
  {
    SCOPED_TRACE("a flush that fails at the cut: said, and the file still kept");
    dir.Write("cut.dat", original);
    fs.Inject({"Flush", "cut.dat", EIO});
    CuttingPacer pacer(260);
    engine::Overwriter overwriter(fs, pacer);
    EXPECT_EQ(overwriter.Purge(request), engine::kFlushFailed);
    EXPECT_TRUE(Exists(request.path));
  }
}

// What a purge of a small file asks of the file system: everything is read from the open descriptor, and
// the name is looked at again only to make sure it still holds that file when it is given a random name,
// and under that name when it is deleted.
TEST(EngineCallsTest, ASmallFileIsLookedAtByNameOnlyBeforeItIsDeleted) {
  TempDir dir;
  FaultyFileSystem fs;
  FakeUi ui;
  engine::ClusterSizeTable clusters(fs);
  support::OperationState state;
  engine::PurgeEngine engine(fs, ui, clusters, state);
  clusters.SetClusterSize(fs.VolumeOf(dir.path()), 4096);
  const std::string path = dir.Write("small.dat", SampleContent(4096));
  std::int16_t code = 99;
  ASSERT_TRUE(engine.PurgeFile(path, 0, 1, true, false, false, code));
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(fs.Calls("OpenForWriting"), 1);
  EXPECT_EQ(fs.Calls("StatusOfFile"), 1);
  EXPECT_EQ(fs.Calls("Status"), 0);
  EXPECT_EQ(fs.Calls("Rename"), 1);
  EXPECT_EQ(fs.Calls("Attributes"), 0);
  EXPECT_EQ(fs.Calls("Remove"), 1);
  // A file of whole clusters keeps its length, and a file that goes keeps no times.
  EXPECT_EQ(fs.Calls("SetLength"), 0);
  EXPECT_EQ(fs.Calls("SetTimes"), 0);

  // Another file under the name the walk looked at is left alone.
  const std::string original = SampleContent(500, 2);
  const std::string named = dir.Write("named.dat", original);
  const platform::FileStatus other = fs.Status(dir.Write("other.dat", "x"));
  engine::PurgeRequest request = engine.Request(named, 0, 1, true, true, true);
  request.device = other.device;
  request.inode = other.inode;
  EXPECT_EQ(engine.Purge(request), engine::kCannotOpenForWriting);
  EXPECT_EQ(ReadFile(named), original);
}

}  // namespace
}  // namespace nulvane::testing
