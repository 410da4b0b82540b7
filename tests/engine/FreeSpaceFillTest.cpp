#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <stdexcept>

#include "engine/FreeSpaceFill.h"
#include "platform/PlatformError.h"
#include "platform/Random.h"
#include "testsupport/PathCalls.h"
#include "testsupport/Platform.h"
#include "testsupport/SmallDisk.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using engine::FreeSpaceFill;

constexpr std::int64_t kMiB = 1 << 20;

class FreeSpaceFillTest : public ::testing::Test {
 protected:
  FreeSpaceFillTest() { random.Seed(3); }

  support::FolderServices::OwnFolder NewFolder() {
    const platform::FolderHandle base = disk.OpenFolder(temp.path());
    return {base, "_nv_free1", disk.MakeFolderAt(*base, "_nv_free1")};
  }
  bool FolderGone() { return !Exists(temp / "_nv_free1"); }

  TempDir temp;
  SmallDisk disk;
  platform::Random random;
  const FreeSpaceFill::Progress forever = [](std::int64_t) { return true; };
};

TEST_F(FreeSpaceFillTest, WritesUntilFullTakesTheLastClustersWithSmallerWritesAndLeavesNothing) {
  // Whole writes only: a 1 MiB write that does not fit writes nothing, so only smaller ones reach the rest.
  disk.wholeWritesOnly = true;
  disk.capacity = 17 * kMiB + 3 * 64 * 1024 + 3 * 4096;
  FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
  const FreeSpaceFill::Result result = fill.Fill(4096, forever);
  EXPECT_EQ(result.outcome, FreeSpaceFill::Outcome::Full);
  EXPECT_EQ(result.written, disk.capacity);
  EXPECT_EQ(disk.used, disk.capacity);
  // One file per size of write: 1 MiB, 64 KiB, then single clusters; each flushed, none named.
  EXPECT_EQ(fill.files(), 3u);
  EXPECT_GE(disk.Calls("Flush"), 3);
  EXPECT_EQ(disk.Calls("CreateNewFile"), 0);
#ifdef _WIN32
  // Windows has no file without a name: each is hidden, and the system deletes it when it is closed.
  for (const platform::DirEntry& entry : ListFolder(disk, fill.folder()))
    EXPECT_TRUE(Attributes(disk, fill.folder() + platform::kPathSeparator + entry.name).hidden) << entry.name;
#else
  EXPECT_TRUE(ListFolder(disk, fill.folder()).empty());
#endif

  std::string problem;
  EXPECT_TRUE(fill.Clear(problem)) << problem;
  EXPECT_TRUE(FolderGone());
  EXPECT_EQ(disk.Calls("FlushVolume"), 1);
}

TEST_F(FreeSpaceFillTest, ShortWritesAreCountedAsFarAsTheyGot) {
  disk.capacity = 10 * kMiB + 100 * 4096;
  FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
  const FreeSpaceFill::Result result = fill.Fill(4096, forever);
  EXPECT_EQ(result.outcome, FreeSpaceFill::Outcome::Full);
  EXPECT_EQ(result.written, disk.capacity);
}

TEST_F(FreeSpaceFillTest, NamedFilesWhereUnnamedOnesCannotBeMadeAndADeleteThatFailsOnceIsRetried) {
  disk.Inject({"CreateUnnamedFile", "", EOPNOTSUPP});
  disk.Inject({"Remove", "_nv_free2", EIO, 0, 1});
  disk.wholeWritesOnly = true;
  disk.capacity = 9 * kMiB;
  FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
  EXPECT_EQ(fill.Fill(4096, forever).written, disk.capacity);
  EXPECT_EQ(fill.files(), 3u);
  EXPECT_EQ(ListFolder(disk, fill.folder()).size(), 3u);
  std::string problem;
  EXPECT_TRUE(fill.Clear(problem)) << problem;
  EXPECT_EQ(disk.Calls("Remove"), 4);
  EXPECT_TRUE(FolderGone());
}

TEST_F(FreeSpaceFillTest, ADeleteThatKeepsFailingIsNamedWithTheFolderThatHoldsIt) {
  disk.Inject({"CreateUnnamedFile", "", EOPNOTSUPP});
  disk.Inject({"Remove", Native("_nv_free1/_nv_free1"), EIO});
  disk.capacity = 2 * kMiB;
  FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
  fill.Fill(4096, forever);
  std::string problem;
  EXPECT_FALSE(fill.Clear(problem));
  EXPECT_EQ(problem,
            "The folder " + (temp / "_nv_free1") +
                " still holds 1 file of random bytes that could not be deleted (Input/output error): "
                "delete that folder to give the space back.");
  // Only what could not go is left.
  ASSERT_EQ(ListFolder(disk, fill.folder()).size(), 1u);
  EXPECT_EQ(ListFolder(disk, fill.folder()).front().name, "_nv_free1");
}

TEST_F(FreeSpaceFillTest, AWriteThatThrowsAnythingElseLeavesNothingBehind) {
  disk.Inject({"CreateUnnamedFile", "", EOPNOTSUPP});
  disk.capacity = 64 * kMiB;
  int writes = 0;
  disk.SetHook([&](const std::string& operation, const std::string&) {
    if (operation == "WriteAt" && ++writes == 3) throw std::runtime_error("the write crashed");
  });
  {
    FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
    EXPECT_THROW(fill.Fill(4096, forever), std::runtime_error);
    EXPECT_EQ(ListFolder(disk, fill.folder()).size(), 1u);
  }
  EXPECT_TRUE(FolderGone());
}

TEST_F(FreeSpaceFillTest, AFileAtItsSizeLimitIsFollowedByAnother) {
  disk.capacity = 40 * kMiB;
  disk.Inject({"WriteAt", "_nv_free", EFBIG, 2, 1});
  FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
  const auto result = fill.Fill(4096, forever);
  EXPECT_EQ(result.outcome, FreeSpaceFill::Outcome::Full);
  EXPECT_EQ(result.written, disk.capacity);
}

TEST_F(FreeSpaceFillTest, NoTwoSectorsAreAlike) {
  disk.Inject({"CreateUnnamedFile", "", EOPNOTSUPP});
  disk.capacity = 2 * kMiB;
  FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
  fill.Fill(4096, forever);
  const std::string bytes = ReadFile(fill.folder() + "/_nv_free1");
  ASSERT_EQ(bytes.size(), static_cast<std::size_t>(2 * kMiB));
  std::set<std::string> sectors;
  for (std::size_t at = 0; at < bytes.size(); at += 512) sectors.insert(bytes.substr(at, 512));
  EXPECT_EQ(sectors.size(), bytes.size() / 512);
}

// A journal of `size` bytes whose count grows by `step` at each look after the first.
struct ScriptedJournal {
  std::int64_t size = 0;
  std::int64_t step = 0;
  std::int64_t written = 0;
  int looks = 0;
  std::optional<platform::JournalUse> operator()(const platform::Folder&) {
    if (looks++ > 0) written += step;
    return platform::JournalUse{size, written};
  }
};

TEST_F(FreeSpaceFillTest, TheJournalIsWrittenOverInRoundsUntilItHasComeRoundOnce) {
  disk.capacity = 2 * kMiB;
  ScriptedJournal journal{10 * kMiB, 3 * kMiB};
  disk.OverrideJournal([&](const platform::Folder& folder) { return journal(folder); });
  FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
  ASSERT_EQ(fill.Fill(4096, forever).outcome, FreeSpaceFill::Outcome::Full);
  fill.ReleaseSpace();
  EXPECT_TRUE(ListFolder(disk, fill.folder()).empty());
  std::vector<double> shares;
  const FreeSpaceFill::JournalResult result = fill.CycleJournal(60, [&](double share) {
    shares.push_back(share);
    return true;
  });
  EXPECT_TRUE(result.known);
  EXPECT_TRUE(result.complete);
  EXPECT_EQ(result.size, 10 * kMiB);
  EXPECT_GE(result.written, result.size);
  // The fill's own look, the first count, then one look per round.
  EXPECT_EQ(shares.size(), 2u);
  EXPECT_EQ(disk.Calls("CreateNewFile"), FreeSpaceFill::kJournalFiles);
  // Every file's times change in every round, and each round is forced through the journal.
  EXPECT_EQ(disk.Calls("SetTimes"), 3 * FreeSpaceFill::kJournalFiles);
  std::string problem;
  EXPECT_TRUE(fill.Clear(problem)) << problem;
  EXPECT_TRUE(FolderGone());
}

TEST_F(FreeSpaceFillTest, AJournalTheFillWroteOverOrOneNotToldOfTakesNoRounds) {
  disk.capacity = 2 * kMiB;
  // As with data=journal: the fill's own writes went through the journal.
  ScriptedJournal journal{kMiB, 4 * kMiB};
  disk.OverrideJournal([&](const platform::Folder& folder) { return journal(folder); });
  FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
  fill.Fill(4096, forever);
  fill.ReleaseSpace();
  EXPECT_TRUE(fill.CycleJournal(60, [](double) { return true; }).complete);
  EXPECT_EQ(disk.Calls("SetTimes"), 0);

  FreeSpaceFill untold(disk, random, {}, "_nv_free");
  EXPECT_FALSE(untold.CycleJournal(60, [](double) { return true; }).known);
}

TEST_F(FreeSpaceFillTest, AJournalRoundCutShortByTimeOrAStopSaysHowFarItCame) {
  disk.capacity = 2 * kMiB;
  ScriptedJournal journal{100 * kMiB, kMiB};
  disk.OverrideJournal([&](const platform::Folder& folder) { return journal(folder); });
  FreeSpaceFill fill(disk, random, NewFolder(), "_nv_free");
  fill.Fill(4096, forever);
  fill.ReleaseSpace();
  const FreeSpaceFill::JournalResult timed = fill.CycleJournal(0, [](double) { return true; });
  EXPECT_TRUE(timed.known);
  EXPECT_FALSE(timed.complete);
  EXPECT_FALSE(timed.stopped);
  EXPECT_EQ(timed.written, 2 * kMiB);
  const FreeSpaceFill::JournalResult stopped = fill.CycleJournal(60, [](double) { return false; });
  EXPECT_TRUE(stopped.stopped);
  EXPECT_FALSE(stopped.complete);
  std::string problem;
  EXPECT_TRUE(fill.Clear(problem)) << problem;
  EXPECT_TRUE(FolderGone());
}

}  // namespace
}  // namespace nulvane::testing
