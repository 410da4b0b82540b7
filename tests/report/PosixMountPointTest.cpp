// Mounts below the chosen folder are borders, decided by mount identity: another file system, a bind mount
// of a folder of the same file system, a file bound onto a file, a btrfs subvolume. Every mount is made in a
// child process with a mount namespace of its own; the "outside" that is mounted lies in the test's folder.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "platform/PosixFileSystem.h"
#include "report/ReportTestSupport.h"
#include "support/FolderServices.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/LoopImage.h"
#include "testsupport/PathCalls.h"

namespace nulvane::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Files with their contents, to prove afterwards that not a byte of them changed.
class Kept {
 public:
  std::string Write(const TempDir& dir, const std::string& relative, std::size_t size, unsigned seed) {
    const std::string content = SampleContent(size, seed);
    const std::string path = dir.Write(relative, content);
    files_[path] = content;
    return path;
  }
  void ExpectIntact() const {
    for (const auto& [path, content] : files_) EXPECT_EQ(ReadFile(path), content) << path;
  }

 private:
  std::map<std::string, std::string> files_;
};

// The target holds two files of its own and, once mounted, four borders: an outside folder and an outside
// file bound into it from the same file system, and a folder and a file of a memory file system.
struct MountedTarget {
  explicit MountedTarget(ReportProgram& p) : dir(p.dir) {
    own = {dir.Write("target/a.txt", SampleContent(700, 1)),
           dir.Write("target/sub/b.txt", SampleContent(800, 2))};
    outside = kept.Write(dir, "outside/f1.txt", 3000, 3);
    kept.Write(dir, "outside/deeper/f2.txt", 4000, 4);
    outsideFile = kept.Write(dir, "outside.txt", 5000, 5);
    dir.MakeFolder("target/bound");
    dir.MakeFolder("target/memory");
    // What the bound files cover, out of sight while they are bound: not purged either.
    covered.Write(dir, "target/sub/bound.txt", 100, 6);
    covered.Write(dir, "target/memory.txt", 200, 7);
    memory = dir.MakeFolder("memory");
  }

  // In the child's own mount namespace; false when a mount cannot be made.
  bool Mount() {
    if (!MountMemory(memory)) return false;
    std::ofstream(memory + "m1.txt") << SampleContent(600, 8);
    std::ofstream(memory + "m2.txt") << SampleContent(900, 9);
    return BindMount(dir / "outside", dir / "target/bound") &&
           BindMount(outsideFile, dir / "target/sub/bound.txt") && BindMount(memory, dir / "target/memory") &&
           BindMount(memory + "m2.txt", dir / "target/memory.txt");
  }
  void ExpectMemoryIntact() const {
    EXPECT_EQ(ReadFile(memory + "m1.txt"), SampleContent(600, 8));
    EXPECT_EQ(ReadFile(memory + "m2.txt"), SampleContent(900, 9));
  }

  const TempDir& dir;
  Kept kept;
  Kept covered;
  std::vector<std::string> own;
  std::string outside;
  std::string outsideFile;
  std::string memory;
};

TEST(MountPoint, BindMountsAndFilesBoundOntoFilesAreBordersOfEveryWalk) {
  for (const bool componentWalk : {false, true}) {
    SCOPED_TRACE(componentWalk ? "without openat2" : "with openat2");
    ReportProgram p;
    MountedTarget target(p);
    const std::string top = p.dir / "target/";
    p.dir.MakeFolder("holder/mounted");
    const ChildOutcome outcome = RunInChild(
        [&] {
          if (!target.Mount() || !BindMount(target.memory, p.dir / "holder/mounted"))
            SkipChild("mounting needs root");
          platform::PosixFileSystem::UseComponentWalkOnly(componentWalk);

          p.List(top, "*.*", true, true, true);
          const std::string listing = p.report.txbText.text();
          EXPECT_TRUE(Contains(listing, "\r\nbound (a mount point, not purged)")) << listing;
          EXPECT_TRUE(Contains(listing, "\r\nmemory (a mount point, not purged)")) << listing;
          EXPECT_TRUE(Contains(listing, "\r\nbound.txt (a file mounted from elsewhere, not purged)"))
              << listing;
          EXPECT_TRUE(Contains(listing, "\r\nmemory.txt (a file mounted from elsewhere, not purged)"));
          EXPECT_EQ(p.report.lngNumFilesProcessed, 2);
          EXPECT_FALSE(Contains(listing, "f1.txt") || Contains(listing, "m1.txt")) << listing;

          p.confirmation.blnDeleteEmptyFolders = true;
          p.Purge(top, "*.*", true);
          const std::string report = p.report.txbText.text();
          EXPECT_TRUE(Contains(report, "\r\nbound: a mount point, not purged.\r\n")) << report;
          EXPECT_TRUE(Contains(report, "\r\nmemory: a mount point, not purged.\r\n")) << report;
          EXPECT_TRUE(Contains(report, "\r\nbound.txt: a file mounted from elsewhere, not purged.\r\n"));
          EXPECT_TRUE(Contains(report, "\r\nmemory.txt: a file mounted from elsewhere, not purged.\r\n"));
          EXPECT_EQ(p.report.lngNumFilesProcessed, 2);
          EXPECT_EQ(p.report.lngNumFilesPurged, 2);
          for (const std::string& own : target.own) EXPECT_FALSE(Exists(own)) << own;
          target.kept.ExpectIntact();
          target.ExpectMemoryIntact();

          // Counting, and deleting the folder, stop at the borders as well.
          support::FolderServices folders(p.fs, p.ui);
          std::int32_t count = 0;
          std::int32_t limit = 0;
          double total = 0;
          int error = 0;
          folders.CountFilesInTree(true, top, "f1.txt", count, limit, true, total, error);
          EXPECT_EQ(count, 0);
          folders.CountFilesInTree(true, top, "f1.txt", count, limit, false, total, error);
          EXPECT_EQ(count, 0);
          EXPECT_EQ(error, 0);
          // "sub" alone is a subfolder a walk enters; a folder that holds nothing but a mount holds more
          // than folders, and is not empty.
          std::string errorText;
          EXPECT_EQ(folders.CountSubfolders(top, errorText), 1);
          EXPECT_EQ(folders.CountSubfolders(top, errorText, 1), 1);
          EXPECT_EQ(folders.CountSubfolders(top + "bound/", errorText), 1) << "the mount's own subfolder";
          EXPECT_FALSE(folders.HoldsOnlyFolders(p.dir / "holder"));
          EXPECT_FALSE(folders.FolderIsEmpty(p.dir / "holder"));
          EXPECT_EQ(folders.CountSubfolders(p.dir / "holder", errorText), 0);
          EXPECT_FALSE(folders.DeleteFolder(top, errorText, true));
          target.kept.ExpectIntact();
          target.ExpectMemoryIntact();
        },
        true);
    if (outcome == ChildOutcome::Skipped) GTEST_SKIP() << "mounting needs root";
    EXPECT_EQ(outcome, ChildOutcome::Passed);
    // With the child's mounts gone, everything outside, and everything they covered, is as it was.
    target.kept.ExpectIntact();
    target.covered.ExpectIntact();
    EXPECT_TRUE(Exists(p.dir / "target/bound"));
  }
}

// The chosen folder may itself be the root of a mount; a btrfs subvolume inside it is a file system of its
// own within that mount, and is passed over and named as such, as `rm --one-file-system` and `find -xdev`
// pass it over.
TEST(MountPoint, TheChosenFolderMayBeAMountAndASubvolumeInsideIsPassedOver) {
  TempDir temp;
  const ChildOutcome outcome = RunInChild(
      [&] {
        LoopImage image(temp.path(), "btrfs", 160, "");
        if (!image.mounted()) SkipChild("mkfs.btrfs (btrfs-progs), a loop device and root are needed");
        const std::string root = image.mountPoint() + "/";
        if (LoopImage::Run({"btrfs", "subvolume", "create", root + "volume"}) != 0)
          SkipChild("btrfs cannot make a subvolume");
        std::ofstream(root + "mine.txt") << SampleContent(5000, 1);
        std::ofstream(root + "volume/theirs.txt") << SampleContent(6000, 2);

        ReportProgram p;
        std::map<std::string, platform::FileKind> kinds;
        for (const platform::DirEntry& entry : ListFolder(p.fs, root)) kinds[entry.name] = entry.kind;
        EXPECT_EQ(kinds["volume"], platform::FileKind::Subvolume);
        p.confirmation.blnDeleteEmptyFolders = true;
        p.Purge(root, "*.*", true);
        const std::string report = p.report.txbText.text();
        EXPECT_TRUE(Contains(report, "\r\nvolume: a subvolume, not purged.\r\n")) << report;
        EXPECT_EQ(p.report.lngNumFilesPurged, 1);
        EXPECT_FALSE(Exists(root + "mine.txt"));
        EXPECT_EQ(ReadFile(root + "volume/theirs.txt"), SampleContent(6000, 2));
      },
      true);
  if (outcome == ChildOutcome::Skipped) GTEST_SKIP() << "a btrfs image needs root and btrfs-progs";
  EXPECT_EQ(outcome, ChildOutcome::Passed);
}

}  // namespace
}  // namespace nulvane::testing
