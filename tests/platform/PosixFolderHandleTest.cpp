// The seam's calls on held folders, on real folders: a held folder is the folder it was when opened,
// wherever it hangs later; names are single entries; removals hold only while a name still names what was
// held; attributes change through the file, never a link's target; mounts are borders by identity.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <map>

#include "platform/PlatformError.h"
#include "platform/PosixFileSystem.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/PathCalls.h"
#include "testsupport/Platform.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using platform::FileKind;
using platform::PlatformError;

int ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const PlatformError& error) {
    return error.number;
  }
  return 0;
}

std::map<std::string, FileKind> Kinds(platform::FileSystem& fs, const platform::Folder& folder, bool sizes) {
  std::map<std::string, FileKind> kinds;
  for (const platform::DirEntry& entry : fs.List(folder, sizes)) kinds[entry.name] = entry.kind;
  return kinds;
}

// The kinds the listing itself gives (ListNames).
std::map<std::string, FileKind> NamedKinds(platform::FileSystem& fs, const platform::Folder& folder) {
  std::map<std::string, FileKind> kinds;
  for (const platform::DirEntry& entry : fs.ListNames(folder)) kinds[entry.name] = entry.kind;
  return kinds;
}

class PosixFolderHandleTest : public ::testing::TestWithParam<bool> {
 protected:
  PosixFolderHandleTest() { platform::PosixFileSystem::UseComponentWalkOnly(GetParam()); }
  ~PosixFolderHandleTest() override { platform::PosixFileSystem::UseComponentWalkOnly(false); }

  TempDir dir;
  platform::PosixFileSystem posix;
  platform::FileSystem& fs = posix;
};

TEST_P(PosixFolderHandleTest, AHeldFolderIsTheOneOpenedWhereverItHangsNow) {
  dir.Write("chosen/mine.txt", "mine");
  const platform::FolderHandle held = fs.OpenFolder(dir / "chosen");
  EXPECT_EQ(held->Path(), dir / "chosen/");

  // Renamed away, and another folder put in its place under the same name.
  fs.Rename(dir / "chosen", dir / "moved");
  dir.Write("chosen/theirs.txt", "theirs");
  EXPECT_EQ(Kinds(fs, *held, false), (std::map<std::string, FileKind>{{"mine.txt", FileKind::Regular}}));
  EXPECT_EQ(fs.StatusAt(*held, "theirs.txt").kind, FileKind::Missing);
  platform::File file = fs.OpenForWritingAt(*held, "mine.txt");
  fs.WriteAt(file, "MINE", 4, 0);
  file.Close();
  EXPECT_EQ(ReadFile(dir / "moved/mine.txt"), "MINE");
  EXPECT_EQ(ReadFile(dir / "chosen/theirs.txt"), "theirs");
  EXPECT_TRUE(fs.RemoveFileAt(*held, "mine.txt", nullptr));
  EXPECT_FALSE(Exists(dir / "moved/mine.txt"));
}

TEST_P(PosixFolderHandleTest, NamesAreSingleEntriesAndNeverLinks) {
  dir.Write("top/sub/inner.txt", "x");
  dir.Write("top/file.txt", "x");
  dir.Write("outside/secret.txt", "secret");
  ASSERT_TRUE(MakeLink(dir / "outside", dir / "top/link"));
  ASSERT_TRUE(MakeLink(dir / "outside/secret.txt", dir / "top/filelink"));
  const platform::FolderHandle top = fs.OpenFolder(dir / "top");
  const int invalid = platform::ErrorNumberFromErrno(EINVAL);
  for (const std::string name : {"", ".", "..", "sub/inner.txt", "../outside", "/etc"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorOf([&] { fs.OpenSubfolder(*top, name); }), invalid);
    EXPECT_EQ(ErrorOf([&] { fs.OpenForWritingAt(*top, name); }), invalid);
    EXPECT_EQ(ErrorOf([&] { fs.StatusAt(*top, name); }), invalid);
    EXPECT_EQ(ErrorOf([&] { fs.RemoveFileAt(*top, name, nullptr); }), invalid);
  }
  EXPECT_NE(ErrorOf([&] { fs.OpenSubfolder(*top, "link"); }), 0);
  EXPECT_NE(ErrorOf([&] { fs.OpenSubfolder(*top, "file.txt"); }), 0);
  EXPECT_NE(ErrorOf([&] { fs.OpenForWritingAt(*top, "filelink"); }), 0);
  EXPECT_EQ(fs.StatusAt(*top, "link").kind, FileKind::Symlink);
  EXPECT_EQ(fs.OpenSubfolder(*top, "sub")->Path(), dir / "top/sub/");

  // A link's permissions are no attribute of its own: its target keeps its mode.
  const mode_t before = fs.Status(dir / "outside/secret.txt").mode;
  fs.SetAttributesAt(*top, "filelink", {true, false, false});
  EXPECT_EQ(fs.Status(dir / "outside/secret.txt").mode, before);
  EXPECT_TRUE(fs.RemoveFileAt(*top, "filelink", nullptr));
  EXPECT_EQ(ReadFile(dir / "outside/secret.txt"), "secret");
}

// A purge's open: the file as OpenForWritingAt opens it, the write lease, and the status read after it.
TEST_P(PosixFolderHandleTest, APurgesOpenLeasesTheFileAndLooksAtItOnce) {
  dir.Write("top/file.txt", "twelve bytes");
  dir.Write("top/sub/inner.txt", "x");
  dir.Write("outside.txt", "secret");
  ASSERT_TRUE(MakeLink(dir / "outside.txt", dir / "top/filelink"));
  ASSERT_EQ(::mkfifo((dir / "top/pipe").c_str(), 0600), 0);
  const platform::FolderHandle top = fs.OpenFolder(dir / "top");
  platform::WriteLease lease = platform::WriteLease::Unavailable;
  platform::FileStatus status;
  {
    const platform::File file = fs.OpenAndLeaseAt(*top, "file.txt", lease, status);
    EXPECT_EQ(lease, platform::WriteLease::Held);
    EXPECT_EQ(status.kind, FileKind::Regular);
    EXPECT_EQ(status.size, 12);
    EXPECT_EQ(status.Identity(), fs.StatusAt(*top, "file.txt").Identity());
    EXPECT_FALSE(fs.LeaseBroken(file));
  }
  {
    // Another descriptor of the file: in use.
    std::ifstream reader(dir / "top/file.txt");
    const platform::File file = fs.OpenAndLeaseAt(*top, "file.txt", lease, status);
    EXPECT_EQ(lease, platform::WriteLease::InUse);
  }
  const int invalid = platform::ErrorNumberFromErrno(EINVAL);
  for (const std::string name : {"", "..", "sub/inner.txt", "pipe"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorOf([&] { fs.OpenAndLeaseAt(*top, name, lease, status); }), invalid);
  }
  EXPECT_NE(ErrorOf([&] { fs.OpenAndLeaseAt(*top, "filelink", lease, status); }), 0);
  EXPECT_NE(ErrorOf([&] { fs.OpenAndLeaseAt(*top, "sub", lease, status); }), 0);
  EXPECT_EQ(ErrorOf([&] { fs.OpenAndLeaseAt(*top, "gone", lease, status); }), platform::kErrorFileNotFound);
  EXPECT_EQ(ReadFile(dir / "outside.txt"), "secret");
}

TEST_P(PosixFolderHandleTest, ANameIsRemovedOnlyWhileItNamesWhatWasHeld) {
  dir.Write("top/file.txt", "first");
  dir.MakeFolder("top/folder");
  const platform::FolderHandle top = fs.OpenFolder(dir / "top");
  const platform::FileIdentity file = fs.StatusAt(*top, "file.txt").Identity();
  const platform::FolderHandle folder = fs.OpenSubfolder(*top, "folder");

  fs.Rename(dir / "top/file.txt", dir / "top/file.aside");
  dir.Write("top/file.txt", "second");
  fs.Rename(dir / "top/folder", dir / "top/folder.aside");
  dir.MakeFolder("top/folder");

  EXPECT_FALSE(fs.RemoveFileAt(*top, "file.txt", &file));
  EXPECT_EQ(ReadFile(dir / "top/file.txt"), "second");
  EXPECT_FALSE(fs.RemoveFolderAt(*top, "folder", &folder->Identity()));
  EXPECT_TRUE(Exists(dir / "top/folder"));
  EXPECT_TRUE(fs.RemoveFileAt(*top, "file.aside", &file));
  EXPECT_TRUE(fs.RemoveFolderAt(*top, "folder.aside", &folder->Identity()));
  EXPECT_EQ(ErrorOf([&] { fs.RemoveFileAt(*top, "file.aside", &file); }), platform::kErrorFileNotFound);
}

TEST_P(PosixFolderHandleTest, ARenameStaysInTheHeldFolderAndNeverReplacesAnything) {
  dir.Write("top/mine.txt", "mine");
  dir.Write("top/taken.txt", "taken");
  const platform::FolderHandle top = fs.OpenFolder(dir / "top");
  const platform::FileIdentity mine = fs.StatusAt(*top, "mine.txt").Identity();
  EXPECT_EQ(ErrorOf([&] { fs.RenameAt(*top, "mine.txt", "taken.txt", &mine); }),
            platform::ErrorNumberFromErrno(EEXIST));
  EXPECT_EQ(ReadFile(dir / "top/taken.txt"), "taken");
  // Nor over a link: the link stays, and what it leads to is never reached.
  ::symlink("taken.txt", (dir / "top/link").c_str());
  EXPECT_EQ(ErrorOf([&] { fs.RenameAt(*top, "mine.txt", "link", &mine); }),
            platform::ErrorNumberFromErrno(EEXIST));
  fs.Rename(dir / "top", dir / "moved");
  EXPECT_TRUE(fs.RenameAt(*top, "mine.txt", "Xq7.txt", &mine));
  EXPECT_EQ(ReadFile(dir / "moved/Xq7.txt"), "mine");
  const platform::FileIdentity taken = fs.StatusAt(*top, "taken.txt").Identity();
  EXPECT_FALSE(fs.RenameAt(*top, "Xq7.txt", "other.txt", &taken));
  EXPECT_EQ(ErrorOf([&] { fs.RenameAt(*top, "Xq7.txt", "../out.txt", nullptr); }),
            platform::ErrorNumberFromErrno(EINVAL));
}

TEST_P(PosixFolderHandleTest, ReadOnlyChangesThroughTheFileItselfEvenWithoutReadPermission) {
  const std::string path = dir.Write("top/locked.txt", "x");
  ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
  const platform::FolderHandle top = fs.OpenFolder(dir / "top");
  fs.SetAttributesAt(*top, "locked.txt", {true, false, false});
  EXPECT_EQ(fs.Status(path).mode, 0000u);
  fs.SetAttributesAt(*top, "locked.txt", {false, false, false});
  EXPECT_EQ(fs.Status(path).mode, 0200u);
  platform::File open = fs.OpenForWritingAt(*top, "locked.txt");
  fs.SetAttributes(open, {true, false, false});
  EXPECT_TRUE(fs.Status(open).attributes.readOnly);
}

TEST_P(PosixFolderHandleTest, FoldersMadeAndFilesCreatedInAHeldFolderLandThere) {
  const platform::FolderHandle top = fs.OpenFolder(dir.path());
  const platform::FolderHandle made = fs.MakeFolderAt(*top, "made");
  fs.Rename(dir / "made", dir / "renamed");
  platform::File file = fs.CreateNewFileAt(*made, "new.txt");
  fs.WriteAt(file, "new", 3, 0);
  EXPECT_EQ(ReadFile(dir / "renamed/new.txt"), "new");
  EXPECT_EQ(ErrorOf([&] { fs.CreateNewFileAt(*made, "new.txt"); }), platform::ErrorNumberFromErrno(EEXIST));
  EXPECT_EQ(ErrorOf([&] { fs.MakeFolderAt(*top, "renamed"); }), platform::ErrorNumberFromErrno(EEXIST));
}

// A bind mount of a folder of the same file system has the same device number as its parent: only the
// mount's identity tells. So does a file bound onto a file.
// A listing without looks gives the same entries as one with them, and the kinds a walk needs of all but the
// subfolders.
TEST_P(PosixFolderHandleTest, AListingOfNamesOnlyGivesEveryEntryWithItsKind) {
  dir.Write("top/file.txt", "x");
  dir.Write("top/.hidden", "y");
  dir.MakeFolder("top/sub");
  ASSERT_EQ(::symlink("file.txt", (dir / "top/link").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir / "top/pipe").c_str(), 0600), 0);
  const platform::FolderHandle top = fs.OpenFolder(dir / "top");
  const std::map<std::string, FileKind> expected = {{"file.txt", FileKind::Regular},
                                                    {".hidden", FileKind::Regular},
                                                    {"sub", FileKind::Directory},
                                                    {"link", FileKind::Symlink},
                                                    {"pipe", FileKind::Pipe}};
  EXPECT_EQ(NamedKinds(fs, *top), expected);
  EXPECT_EQ(Kinds(fs, *top, false), expected);
  // Read again from the start, as every listing of a held folder is.
  EXPECT_EQ(NamedKinds(fs, *top), expected);
}

TEST_P(PosixFolderHandleTest, MountsAreBordersByIdentityNotByDeviceNumber) {
  dir.Write("outside/secret.txt", SampleContent(400, 1));
  const std::string outsideFile = dir.Write("outside.txt", SampleContent(500, 2));
  dir.MakeFolder("top/bound");
  const std::string covered = dir.Write("top/covered.txt", SampleContent(600, 3));
  dir.Write("top/plain.txt", "plain");
  const ChildOutcome outcome = RunInChild(
      [&] {
        if (!BindMount(dir / "outside", dir / "top/bound") || !BindMount(outsideFile, covered))
          SkipChild("mounting needs root");
        const platform::FolderHandle top = fs.OpenFolder(dir / "top");
        EXPECT_EQ(Kinds(fs, *top, false)["bound"], FileKind::MountPoint);
        EXPECT_EQ(Kinds(fs, *top, true)["covered.txt"], FileKind::MountedFile);
        EXPECT_EQ(Kinds(fs, *top, true)["plain.txt"], FileKind::Regular);
        EXPECT_EQ(fs.StatusAt(*top, "bound").kind, FileKind::MountPoint);
        // The listing alone cannot tell a mount's root from a folder: entering it is what refuses it.
        EXPECT_EQ(NamedKinds(fs, *top)["bound"], FileKind::Directory);
        EXPECT_EQ(fs.StatusAt(*top, "covered.txt").kind, FileKind::MountedFile);
        const int crossing = platform::ErrorNumberFromErrno(EXDEV);
        EXPECT_EQ(ErrorOf([&] { fs.OpenSubfolder(*top, "bound"); }), crossing);
        EXPECT_EQ(ErrorOf([&] { fs.OpenForWritingAt(*top, "covered.txt"); }), crossing);
        platform::WriteLease lease = platform::WriteLease::Unavailable;
        platform::FileStatus status;
        EXPECT_EQ(ErrorOf([&] { fs.OpenAndLeaseAt(*top, "covered.txt", lease, status); }), crossing);
        EXPECT_NE(ErrorOf([&] { fs.RemoveFileAt(*top, "covered.txt", nullptr); }), 0);
        EXPECT_NE(ErrorOf([&] { fs.RemoveFolderAt(*top, "bound", nullptr); }), 0);
        EXPECT_NE(ErrorOf([&] { fs.SetAttributesAt(*top, "covered.txt", {true, false, false}); }), 0);
        // The folder the user chose may itself be a mount.
        const platform::FolderHandle bound = fs.OpenFolder(dir / "top/bound");
        EXPECT_EQ(Kinds(fs, *bound, true)["secret.txt"], FileKind::Regular);
      },
      true);
  if (outcome == ChildOutcome::Skipped) GTEST_SKIP() << "mounting needs root";
  EXPECT_EQ(outcome, ChildOutcome::Passed);
  EXPECT_EQ(ReadFile(dir / "outside/secret.txt"), SampleContent(400, 1));
  EXPECT_EQ(ReadFile(outsideFile), SampleContent(500, 2));
  EXPECT_EQ(ReadFile(covered), SampleContent(600, 3));
  EXPECT_EQ(fs.Status(outsideFile).mode & 0200u, 0200u);
}

INSTANTIATE_TEST_SUITE_P(OpenAt2AndComponentWalk, PosixFolderHandleTest, ::testing::Bool());

TEST(PosixFileSystemLimits, TheSoftLimitOnOpenFilesIsRaisedToTheHardOne) {
  const platform::PosixFileSystem fs;
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  EXPECT_EQ(limit.rlim_cur, limit.rlim_max);
}

}  // namespace
}  // namespace nulvane::testing
