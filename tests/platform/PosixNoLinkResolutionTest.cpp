#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/PosixFileSystem.h"
#include "testsupport/PathCalls.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using platform::FileKind;
using platform::PlatformError;
using platform::PosixFileSystem;

// Every test runs twice: with openat2 resolving a whole path in one call, and folder by folder as on a
// kernel without it.
class NoLinkResolutionTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    PosixFileSystem::UseComponentWalkOnly(GetParam());
    precious_ = dir_.Write("outside/precious.txt", "the only copy");
    dir_.Write("inside/a.txt", "a");
    dir_.MakeFolder("inside/sub");
    ASSERT_EQ(::symlink("../outside", (dir_ / "inside/alias").c_str()), 0);
  }
  void TearDown() override { PosixFileSystem::UseComponentWalkOnly(false); }

  void ExpectOutsideUntouched() {
    EXPECT_EQ(ReadFile(precious_), "the only copy");
    struct stat info {};
    ASSERT_EQ(::stat(precious_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(ListFolder(fs_, dir_ / "outside").size(), 1u);
  }

  TempDir dir_;
  PosixFileSystem fs_;
  std::string precious_;
};

TEST_P(NoLinkResolutionTest, NoSpellingOfAPathReachesThroughALinkedFolder) {
  ::chmod(precious_.c_str(), 0644);
  for (const std::string relative :
       {"inside/alias/precious.txt", "inside//alias/precious.txt", "inside/./alias/precious.txt",
        "inside/sub/../alias/precious.txt", "inside/alias/./precious.txt", "inside/alias/precious.txt/"}) {
    SCOPED_TRACE(relative);
    const std::string path = dir_ / relative;
    EXPECT_THROW(fs_.OpenForWriting(path), PlatformError);
    EXPECT_THROW(fs_.OpenForReading(path), PlatformError);
    EXPECT_THROW(fs_.Status(path), PlatformError);
    EXPECT_THROW(Attributes(fs_, path), PlatformError);
    EXPECT_THROW(SetReadOnly(fs_, path, true), PlatformError);
    EXPECT_THROW(fs_.Remove(path), PlatformError);
    EXPECT_THROW(fs_.Rename(path, dir_ / "inside/taken.txt"), PlatformError);
    EXPECT_THROW(fs_.CreateFile(path + ".new"), PlatformError);
    EXPECT_THROW(fs_.MakeFolder(path + ".dir"), PlatformError);
    ExpectOutsideUntouched();
  }
  EXPECT_THROW(ListFolder(fs_, dir_ / "inside/alias/"), PlatformError);
  EXPECT_THROW(ListFolder(fs_, dir_ / "inside/sub/../alias"), PlatformError);
  EXPECT_THROW(RemoveFolder(fs_, dir_ / "inside/alias/"), PlatformError);
  EXPECT_FALSE(Exists(dir_ / "inside/taken.txt"));
  ExpectOutsideUntouched();
}

TEST_P(NoLinkResolutionTest, ALinkAsTheLastComponentIsTheLinkItselfEvenWithATrailingSeparator) {
  EXPECT_EQ(fs_.Status(dir_ / "inside/alias").kind, FileKind::Symlink);
  EXPECT_EQ(fs_.Status(dir_ / "inside/alias/").kind, FileKind::Symlink);
  EXPECT_FALSE(Attributes(fs_, dir_ / "inside/alias/").readOnly);
  fs_.Remove(dir_ / "inside/alias/");
  EXPECT_EQ(fs_.Status(dir_ / "inside/alias").kind, FileKind::Missing);
  ExpectOutsideUntouched();
}

TEST_P(NoLinkResolutionTest, PathsWithoutLinksWorkWhateverTheirSpelling) {
  EXPECT_EQ(fs_.Status(dir_ / "inside/sub/../a.txt").kind, FileKind::Regular);
  EXPECT_EQ(fs_.Status(dir_ / "inside//sub/").kind, FileKind::Directory);
  EXPECT_EQ(ListFolder(fs_, dir_ / "inside/./sub//").size(), 0u);
  fs_.MakeFolder(dir_ / "inside/sub/new/");
  RemoveFolder(fs_, dir_ / "inside/sub/new");
  {
    platform::File file = fs_.CreateFile(dir_ / "inside/sub/../b.txt");
    fs_.WriteAt(file, "bb", 2, 0);
  }
  fs_.Rename(dir_ / "inside/b.txt", dir_ / "inside//a.txt");
  EXPECT_EQ(ReadFile(dir_ / "inside/a.txt"), "bb");
  fs_.Remove(dir_ / "inside/./a.txt");
  EXPECT_FALSE(Exists(dir_ / "inside/a.txt"));
  EXPECT_EQ(fs_.Status(dir_ / "inside/nothing/deeper").kind, FileKind::Missing);
}

TEST_P(NoLinkResolutionTest, RealPathResolvesTheLinksOfAChosenPath) {
  const std::string outside = dir_.path() + "outside";
  EXPECT_EQ(fs_.RealPath(dir_ / "inside/alias"), outside);
  EXPECT_EQ(fs_.RealPath(dir_ / "inside/alias/"), outside);
  EXPECT_EQ(fs_.RealPath(dir_ / "inside/sub/../alias/precious.txt"), precious_);
  // Below the resolved path everything is reachable without links.
  EXPECT_EQ(fs_.Status(fs_.RealPath(dir_ / "inside/alias") + "/precious.txt").kind, FileKind::Regular);
  EXPECT_THROW(fs_.RealPath(dir_ / "inside/missing"), PlatformError);
  EXPECT_THROW(fs_.RealPath(""), PlatformError);
}

TEST_P(NoLinkResolutionTest, LinkCountTellsAFileWithOtherNames) {
  EXPECT_EQ(fs_.Status(precious_).linkCount, 1u);
  ASSERT_EQ(::link(precious_.c_str(), (dir_ / "inside/second-name").c_str()), 0);
  EXPECT_EQ(fs_.Status(dir_ / "inside/second-name").linkCount, 2u);
  platform::File file = fs_.OpenForReading(precious_);
  EXPECT_EQ(fs_.Status(file).linkCount, 2u);
}

INSTANTIATE_TEST_SUITE_P(Resolution, NoLinkResolutionTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "FolderByFolder" : "Openat2"; });

}  // namespace
}  // namespace nulvane::testing
