// What Windows keeps beside a file's main contents, through a file system that keeps it as Windows does:
// named streams overwritten with the file, compressed files decompressed first, sparse files' holes left,
// encrypted files noted, and the deletion through the handle that overwrote the file.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "engine/AllocatedBlocks.h"
#include "engine/ClusterSizeTable.h"
#include "engine/PurgeEngine.h"
#include "platform/PlatformError.h"
#include "support/OperationState.h"
#include "testsupport/FakeUi.h"
#include "testsupport/StreamFileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using engine::PurgeNotes;

class FileStorageTest : public ::testing::Test {
 protected:
  FileStorageTest() {
    clusters.SetClusterSize(fs.VolumeOf(dir.path()), 4096);
    fs.recordFlushes = true;
  }

  // One PurgeFile call per pass, the last one deleting when `deleteAfter`, as a purge run makes them: the
  // last pass's code, and what the passes met.
  std::int16_t PurgeInPasses(const std::string& path, int passes, bool deleteAfter, PurgeNotes& notes) {
    std::int16_t code = 0;
    notes = {};
    for (int pass = 1; pass <= passes; ++pass) {
      PurgeNotes met;
      code = engine.Purge(engine.Request(path, 0, 1, deleteAfter && pass == passes, true, true), &met);
      notes.Add(met);
      if (code != 0) break;
    }
    return code;
  }

  // How many flushes each path had, and whether any left `secret` in it.
  int FlushesOf(const std::string& path) const {
    // By name: the folder's path may be spelt otherwise where the file was opened.
    const std::filesystem::path name = std::filesystem::path(path).filename();
    int count = 0;
    for (const auto& [flushed, content] : fs.Flushed())
      count += std::filesystem::path(flushed).filename() == name ? 1 : 0;
    return count;
  }
  bool AnyFlushHeld(const std::string& secret) const {
    for (const auto& [flushed, content] : fs.Flushed()) {
      if (content.find(secret) != std::string::npos) return true;
    }
    return false;
  }

  TempDir dir;
  StreamFileSystem fs;
  FakeUi ui;
  engine::ClusterSizeTable clusters{fs};
  support::OperationState state;
  engine::PurgeEngine engine{fs, ui, clusters, state};
};

TEST_F(FileStorageTest, EveryNamedStreamIsOverwrittenWithItsOwnPassesAndGoesWithTheFile) {
  const std::string secret = "secret line\n";
  std::string hidden;
  while (hidden.size() < 3600) hidden += secret;
  hidden.resize(3600);
  const std::string path = dir.Write("withads.txt", "main " + secret);
  const std::string hiddenPath = fs.AddStream(path, "hidden", hidden);
  const std::string zonePath = fs.AddStream(path, "Zone.Identifier", "[ZoneTransfer]\n");
  // The walks see one file of all three streams' bytes.
  EXPECT_EQ(fs.StatusAt(*fs.OpenFolder(dir.path()), "withads.txt").storage.namedStreams, 2);

  // Two passes that keep the file: each stream gets both patterns of each pass and keeps its length.
  PurgeNotes notes;
  ASSERT_EQ(PurgeInPasses(path, 2, false, notes), 0);
  EXPECT_EQ(notes.namedStreams, 2);
  EXPECT_EQ(notes.namedStreamBytes, 3615);
  for (const std::string& stream : {path, hiddenPath, zonePath}) EXPECT_EQ(FlushesOf(stream), 4) << stream;
  EXPECT_EQ(ReadFile(hiddenPath).size(), 3600u);
  EXPECT_EQ(ReadFile(zonePath), std::string(15, '\0')) << "the last pattern of this type is zeros";
  EXPECT_FALSE(AnyFlushHeld("secret")) << "every flush of every stream held a pattern";

  // The last of three passes deletes the file, and its streams with it.
  ASSERT_EQ(PurgeInPasses(path, 3, true, notes), 0);
  for (const std::string& stream : {path, hiddenPath, zonePath}) {
    EXPECT_EQ(FlushesOf(stream), 4 + 6) << stream;
    EXPECT_FALSE(Exists(stream)) << stream;
  }
  EXPECT_EQ(notes.namedStreams, 2);
}

TEST_F(FileStorageTest, AStreamThatCannotBeOpenedOrWrittenStopsTheFile) {
  const std::string path = dir.Write("a.txt", "main secret");
  const std::string hiddenPath = fs.AddStream(path, "hidden", "hidden secret");
  fs.AddStream(path, "second", "second secret");

  // Refused before anything is written: the file, and every stream, stays as it was.
  fs.Inject({"OpenNamedStream", "#second", EACCES});
  try {
    engine.Purge(engine.Request(path, 0, 1, true, true, true));
    ADD_FAILURE() << "purged without its stream";
  } catch (const engine::FailedAfterWriting&) {
    ADD_FAILURE() << "written before the stream was opened";
  } catch (const platform::PlatformError& error) {
    EXPECT_EQ(error.number, platform::kErrorPermissionDenied);
  }
  EXPECT_EQ(ReadFile(path), "main secret");
  EXPECT_EQ(ReadFile(hiddenPath), "hidden secret");
  EXPECT_EQ(fs.Calls("WriteRepeated"), 0);

  // A stream that fails in its writing leaves a file that is partly overwritten, and kept.
  fs.ClearFaults();
  fs.Inject({"WriteRepeated", "#second", EIO});
  PurgeNotes notes;
  EXPECT_THROW(engine.Purge(engine.Request(path, 0, 1, true, true, true), &notes),
               engine::FailedAfterWriting);
  EXPECT_TRUE(Exists(path));
  EXPECT_NE(ReadFile(path).substr(0, 11), "main secret");
  EXPECT_EQ(notes.namedStreams, 0) << "the streams were not all overwritten";

  // Where the system cannot tell the streams, nothing is written either.
  fs.ClearFaults();
  fs.Inject({"NamedStreams", "b.txt", EIO});
  const std::string other = dir.Write("b.txt", "other secret");
  EXPECT_THROW(engine.Purge(engine.Request(other, 0, 1, true, true, true)), platform::PlatformError);
  EXPECT_EQ(ReadFile(other), "other secret");
}

TEST_F(FileStorageTest, ACompressedFileIsDecompressedBeforeItsFirstWriteOrNotPurged) {
  const std::string path = dir.Write("packed.txt", SampleContent(9000));
  fs.SetStorage(path, {.compressed = true});
  std::vector<std::string> order;
  fs.SetHook([&](const std::string& operation, const std::string&) {
    if (operation == "Decompress" || operation == "WriteRepeated") order.push_back(operation);
  });
  PurgeNotes notes;
  ASSERT_EQ(PurgeInPasses(path, 2, true, notes), 0);
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), "Decompress");
  EXPECT_EQ(std::count(order.begin(), order.end(), "Decompress"), 1)
      << "the second pass finds it decompressed";
  EXPECT_TRUE(notes.decompressed);
  EXPECT_FALSE(Exists(path));

  // Without room to decompress it, or where it cannot be, nothing is written and the file stays.
  fs.SetHook({});
  for (const auto& [error, code] :
       {std::pair{ENOSPC, engine::kCompressedNoRoom}, {EIO, engine::kNotDecompressed}}) {
    const std::string kept = dir.Write("kept.txt", "compressed secret");
    fs.SetStorage(kept, {.compressed = true});
    fs.Inject({"Decompress", "kept.txt", error});
    const int writes = fs.Calls("WriteRepeated");
    EXPECT_EQ(engine.Purge(engine.Request(kept, 0, 1, true, true, true), &notes), code);
    EXPECT_EQ(ReadFile(kept), "compressed secret");
    EXPECT_EQ(fs.Calls("WriteRepeated"), writes);
    fs.ClearFaults();
  }
}

#ifndef _WIN32
TEST_F(FileStorageTest, ASparseFilesAllocatedRangesAreOverwrittenAndItsHolesLeftHoles) {
  constexpr std::int64_t kMiB = 1 << 20;
  const std::string path = dir.Write("sparse.bin", "");
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file << "early secret";
    file.seekp(kMiB);
    file << "late secret";
  }
  ASSERT_EQ(::truncate(path.c_str(), 8 * kMiB), 0);
  fs.SetStorage(path, {.sparse = true});
  fs.SetAllocatedRanges(path, {{0, 4096}, {kMiB, 4096}});

  PurgeNotes notes;
  ASSERT_EQ(PurgeInPasses(path, 1, false, notes), 0);
  const std::string after = ReadFile(path);
  ASSERT_EQ(after.size(), static_cast<std::size_t>(8 * kMiB));
  EXPECT_EQ(after.find("secret"), std::string::npos);
  // This type ends with zeros, so the holes cannot be told from the writes by their bytes: by the room the
  // file takes, which a filled hole would have grown by megabytes.
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_LT(info.st_blocks * 512, kMiB);
}
#endif

TEST_F(FileStorageTest, AnEncryptedFileIsPurgedAndNoted) {
  const std::string path = dir.Write("efs.txt", "encrypted secret");
  fs.SetStorage(path, {.encrypted = true});
  PurgeNotes notes;
  ASSERT_EQ(PurgeInPasses(path, 1, true, notes), 0);
  EXPECT_TRUE(notes.encrypted);
  EXPECT_FALSE(notes.decompressed);
  EXPECT_FALSE(Exists(path));
}

// Windows deletes no file by name while another program holds it without sharing its deletion; the purge
// holds the file from its opening to its deletion, so nobody can take it in between.
TEST_F(FileStorageTest, TheFileIsDeletedThroughTheHandleThatOverwroteIt) {
  const std::string path = dir.Write("indexed.txt", "indexed secret");
  fs.AddStream(path, "hidden", "hidden secret");
  fs.TakeWhenClosed(path);
  PurgeNotes notes;
  EXPECT_EQ(PurgeInPasses(path, 2, true, notes), 0);
  EXPECT_FALSE(Exists(path));
  EXPECT_FALSE(Exists(StreamFileSystem::StreamPath(path, "hidden")));

  // By name, once closed, the other program keeps it.
  const std::string kept = dir.Write("kept.txt", "x");
  fs.TakeWhenClosed(kept);
  EXPECT_FALSE(engine.DeleteFileForced(kept, true, true, true));
  EXPECT_TRUE(Exists(kept));
}

TEST(AllocatedBlocksTest, TheBlocksThatAnyRangeTouchesInOrderAndJoined) {
  using engine::BlockSpan;
  using Spans = std::vector<BlockSpan>;
  EXPECT_EQ(engine::AllocatedBlocks({{0, 65536}, {1048576, 65536}}, 512, 4096), (Spans{{0, 16}, {256, 272}}));
  // A range that ends inside a block takes that block; ranges that meet are one run; the file's end cuts.
  EXPECT_EQ(engine::AllocatedBlocks({{8192, 1}, {0, 4096}, {4096, 4097}}, 100, 4096), (Spans{{0, 3}}));
  EXPECT_EQ(engine::AllocatedBlocks({{4000, 10000}}, 2, 4096), (Spans{{0, 2}}));
  EXPECT_EQ(engine::AllocatedBlocks({{0, 0}, {99999, 5}}, 3, 4096), Spans{});
}

TEST(PurgeNotesTest, TheReportSaysWhatWentWithTheFileAndWhatTheFreeSpaceHolds) {
  EXPECT_EQ(engine::NamedStreamsText({}), "");
  EXPECT_EQ(engine::NamedStreamsText({.namedStreams = 1, .namedStreamBytes = 15}),
            ", with its named stream (15 bytes)");
  EXPECT_EQ(engine::NamedStreamsText({.namedStreams = 2, .namedStreamBytes = 3615}),
            ", with its 2 named streams (3,615 bytes)");
  EXPECT_EQ(engine::StorageNotesText({}), "");
  EXPECT_EQ(
      engine::StorageNotesText({.decompressed = true, .encrypted = true}),
      " It was stored compressed and was decompressed first: the clusters that held it compressed are "
      "free space now, which \"Purge free space\" overwrites. It is encrypted (EFS): what it held before "
      "it was encrypted may remain in the free space, which \"Purge free space\" overwrites.");
  EXPECT_EQ(engine::PurgeResultText(engine::kCompressedNoRoom, ""),
            ": a compressed file, and the drive has no room to decompress it for overwriting, not purged.");
  EXPECT_EQ(engine::PurgeResultText(engine::kNotDecompressed, ""),
            ": a compressed file that could not be decompressed for overwriting, not purged.");

  // A later pass adds what it met; the streams are those it overwrote.
  PurgeNotes notes{.namedStreams = 2, .namedStreamBytes = 30, .decompressed = true};
  notes.Add({.namedStreams = 2, .namedStreamBytes = 30, .encrypted = true});
  EXPECT_EQ(notes, (PurgeNotes{2, 30, true, true}));
}

}  // namespace
}  // namespace nulvane::testing
