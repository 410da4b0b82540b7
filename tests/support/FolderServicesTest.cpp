#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/PlatformError.h"
#include "support/FolderServices.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/PathCalls.h"
#include "testsupport/Platform.h"
#include "testsupport/TempDir.h"

namespace nulvane::support {
namespace {

using platform::Icon;
using testing::ErrnoText;
using testing::Exists;
using testing::NotFoundText;
using testing::ReadFile;

class FolderServicesTest : public ::testing::Test {
 protected:
  void Link(const std::string& target, const std::string& relative) {
    ASSERT_TRUE(testing::MakeLink(target, dir / relative)) << relative;
  }
  void MakeReadOnly(const std::string& path) { ASSERT_TRUE(testing::MakeReadOnly(path)); }
  bool IsLink(const std::string& path) { return fs.Status(path).kind == platform::FileKind::Symlink; }

  testing::TempDir dir;
  testing::FaultyFileSystem fs;
  testing::FakeUi ui;
  FolderServices services{fs, ui};
  std::string errText;
};

TEST_F(FolderServicesTest, CountMatchingFilesCountsAndSumsOnlyWhenAsked) {
  dir.Write("f/a.txt", std::string(10, 'a'));
  dir.Write("f/b.TXT", std::string(20, 'b'));
  dir.Write("f/c.doc", std::string(5, 'c'));
  dir.Write("f/sub/d.txt", "below");
  // A link, a pipe and a socket are nothing a purge can purge: never counted as files. (Wine lists a link to
  // a file as the file; it refuses it only when it is opened.)
  if (!testing::RunningUnderWine()) Link(dir / "f/a.txt", "f/link.txt");
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir / "f/pipe.txt").c_str(), 0600), 0);
#endif
  const std::string folder = dir / "f";

  double total = 0;
  EXPECT_EQ(services.CountMatchingFiles(folder, "*.txt", false, false, errText, total), 2);
  EXPECT_EQ(total, 0);

  total = 123;  // anything but -1 asks for no sizes, and is reset
  EXPECT_EQ(services.CountMatchingFiles(folder, "*.txt", false, false, errText, total), 2);
  EXPECT_EQ(total, 0);

  total = -1;
  EXPECT_EQ(services.CountMatchingFiles(folder + "/", "*.txt", false, false, errText, total), 2);
  EXPECT_EQ(total, 30);

  total = -1;
  EXPECT_EQ(services.CountMatchingFiles(folder, "*.*", false, false, errText, total), 3);
  EXPECT_EQ(total, 35);

  // "*.*" without sizes counts every regular file and leaves the total alone.
  total = 7;
  EXPECT_EQ(services.CountMatchingFiles(folder, "*.*", false, false, errText, total), 3);
  EXPECT_EQ(total, 7);

  total = 0;
  EXPECT_EQ(services.CountMatchingFiles(folder, "*.txt", true, false, errText, total), 1);
  EXPECT_EQ(services.CountMatchingFiles(folder, "*.xls", false, false, errText, total), 0);
  EXPECT_TRUE(errText.empty());
  EXPECT_GT(ui.yields(), 0);
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(FolderServicesTest, MissingFolderGivesMinusOneAndSpeaksOnlyWhenAsked) {
  double total = 0;
  EXPECT_EQ(services.CountMatchingFiles(dir / "none", "*.txt", false, false, errText, total), -1);
  EXPECT_EQ(errText, NotFoundText());
  EXPECT_TRUE(ui.messages().empty());

  ui.Answer(platform::Answer::Ok);
  EXPECT_EQ(services.CountMatchingFiles(dir / "none", "*.*", false, true, errText, total), -1);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.LastMessage().title, "Error");
  EXPECT_EQ(ui.LastMessage().text, NotFoundText());
  EXPECT_EQ(ui.LastMessage().icon, Icon::Warning);

  EXPECT_EQ(services.CountSubfolders(dir / "none", errText), -1);
  EXPECT_EQ(errText, "Error: " + NotFoundText());
}

TEST_F(FolderServicesTest, CountAndSizesComeFromOneReadingOfTheFolder) {
  const std::string first = dir.Write("v/a.txt", "12345");
  const std::string second = dir.Write("v/b.txt", "123");
  ui.OnYield([&](long) {
    std::filesystem::remove(testing::PathOf(first));
    std::filesystem::remove(testing::PathOf(second));
  });
  double total = -1;
  EXPECT_EQ(services.CountMatchingFiles(dir / "v", "*.txt", false, false, errText, total), 2);
  EXPECT_EQ(total, 8);
  EXPECT_TRUE(errText.empty());
  EXPECT_EQ(fs.Calls("Status"), 0);
}

TEST_F(FolderServicesTest, UnreadableFolderIsReportedNotFatal) {
  dir.Write("locked/a.txt", "x");
  dir.MakeFolder("locked/sub");
  fs.Inject({"ListFolder", "locked", EACCES});
  double total = -1;
  EXPECT_EQ(services.CountMatchingFiles(dir / "locked", "*.txt", false, false, errText, total), -1);
  EXPECT_EQ(errText, ErrnoText(EACCES));
  EXPECT_EQ(services.CountSubfolders(dir / "locked", errText), -1);
  EXPECT_EQ(errText, "Error: " + ErrnoText(EACCES));
  // What cannot be read is not known to be empty, so it is never removed as empty.
  EXPECT_FALSE(services.FolderIsEmpty(dir / "locked"));
  EXPECT_FALSE(services.HoldsOnlyFolders(dir / "locked"));
}

TEST_F(FolderServicesTest, SubfoldersAndEmptiness) {
  dir.MakeFolder("t/one");
  dir.MakeFolder("t/two");
  Link(dir / "t/one", "t/linked");  // a link to a folder is no subfolder
  EXPECT_EQ(services.CountSubfolders(dir / "t", errText), 2);
  EXPECT_TRUE(errText.empty());

  dir.MakeFolder("empty");
  EXPECT_TRUE(services.FolderIsEmpty(dir / "empty"));
  EXPECT_TRUE(services.FolderIsEmpty(dir / "t/one/"));
  dir.Write("hidden/.profile", "");
  SetAttributes(fs, dir / "hidden/.profile", {false, true, true});
  EXPECT_FALSE(services.FolderIsEmpty(dir / "hidden"));
  dir.MakeFolder("nested/inner");
  EXPECT_FALSE(services.FolderIsEmpty(dir / "nested"));
  EXPECT_FALSE(services.FolderIsEmpty(dir / "t"));
  dir.MakeFolder("onlylink");
  Link(dir / "t", "onlylink/link");
  EXPECT_FALSE(services.FolderIsEmpty(dir / "onlylink"));
}

TEST_F(FolderServicesTest, OnlyATreeOfEmptyFoldersIsDeletedAsEmpty) {
  dir.MakeFolder("empty/a/b");
  dir.MakeFolder("empty/c");
  dir.Write("full/a/b/kept.txt", "not purged");
  dir.MakeFolder("full/c");
  dir.MakeFolder("linked/a");
  dir.Write("outside/x", "x");
  Link(dir / "outside", "linked/a/link");
  EXPECT_TRUE(services.HoldsOnlyFolders(dir / "empty"));
  EXPECT_FALSE(services.HoldsOnlyFolders(dir / "full"));
  EXPECT_FALSE(services.HoldsOnlyFolders(dir / "linked"));

  EXPECT_FALSE(services.DeleteEmptyFolderTree(dir / "full", errText));
  EXPECT_EQ(errText, ErrnoText(ENOTEMPTY));
  EXPECT_EQ(ReadFile(dir / "full/a/b/kept.txt"), "not purged");
  EXPECT_FALSE(services.DeleteEmptyFolderTree(dir / "linked/", errText));
  EXPECT_TRUE(IsLink(dir / "linked/a/link"));
  EXPECT_TRUE(services.DeleteEmptyFolderTree(dir / "empty/", errText));
  EXPECT_FALSE(Exists(dir / "empty"));
  EXPECT_EQ(ReadFile(dir / "outside/x"), "x");
}

TEST_F(FolderServicesTest, CountFilesInTreeWalksAndStopsAtTheLimit) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
    dir.Write(std::string("top/") + name, "12");
  dir.Write("top/x.doc", "1234");
  dir.Write("top/s1/f.txt", "123");
  dir.Write("top/s1/deeper/g.TXT", "1234");
  dir.Write("top/s2/h.doc", "1");

  std::int32_t count = 99;
  std::int32_t limit = 0;
  double total = 99;
  int err = 99;
  services.CountFilesInTree(true, dir / "top", "*.txt", count, limit, true, total, err);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(total, 5 * 2 + 3 + 4);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(limit, 0);

  // The limit ends the walk inside one folder, before any subfolder.
  limit = 3;
  services.CountFilesInTree(true, dir / "top/", "*.txt", count, limit, false, total, err);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(limit, -2);
  EXPECT_EQ(total, 0);

  // Not reached: the limit stays as it was.
  limit = 8;
  services.CountFilesInTree(true, dir / "top", "*.txt", count, limit, false, total, err);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(limit, 8);

  EXPECT_TRUE(services.AnyMatchingFileInTree(dir / "top", "*.doc"));
  EXPECT_TRUE(services.AnyMatchingFileInTree(dir / "top", "g.TXT"));
  // One name matches exactly, except on Windows, where names differ not by case.
  EXPECT_EQ(services.AnyMatchingFileInTree(dir / "top", "g.txt"), !platform::kCaseSensitiveNames);
  EXPECT_FALSE(services.AnyMatchingFileInTree(dir / "top", "*.xls"));
  EXPECT_FALSE(services.AnyMatchingFileInTree(dir / "missing", "*.*"));
}

TEST_F(FolderServicesTest, TreeWalkNeverFollowsLinksAndSurvivesLoops) {
  dir.Write("outside/secret.txt", "x");
  dir.Write("tree/own.txt", "x");
  dir.MakeFolder("tree/sub");
  Link(dir / "outside", "tree/sub/to_outside");
  Link("..", "tree/sub/loop");
  Link(dir / "tree", "tree/sub/loop2");

  std::int32_t count = 0;
  std::int32_t limit = 0;
  double total = 0;
  int err = 0;
  services.CountFilesInTree(true, dir / "tree", "*.txt", count, limit, true, total, err);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(err, 0);
  // Neither a link nor anything behind it is counted.
  services.CountFilesInTree(true, dir / "tree", "*.*", count, limit, false, total, err);
  EXPECT_EQ(count, 1);
  EXPECT_FALSE(services.AnyMatchingFileInTree(dir / "tree/sub", "*.txt"));
  // A link given as the top folder is not entered either.
  EXPECT_FALSE(services.AnyMatchingFileInTree(dir / "tree/sub/to_outside", "*.txt"));
}

TEST_F(FolderServicesTest, TreeWalkFailures) {
  dir.Write("tree/a.txt", "x");
  dir.Write("tree/gone/b.txt", "x");
  dir.Write("tree/locked/c.txt", "x");

  // A subfolder that vanished after its parent was listed is passed over.
  fs.Inject({"OpenSubfolder", "gone", ENOENT});
  std::int32_t count = 0;
  std::int32_t limit = 0;
  double total = 0;
  int err = 0;
  services.CountFilesInTree(true, dir / "tree", "*.txt", count, limit, false, total, err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(count, 2);

  // An unreadable one ends the walk with its error number.
  fs.Inject({"ListFolder", "locked", EACCES});
  services.CountFilesInTree(true, dir / "tree", "*.txt", count, limit, false, total, err);
  EXPECT_EQ(err, platform::kErrorPermissionDenied);

  // Sizes come with the listing of each folder.
  fs.ClearFaults();
  services.CountFilesInTree(true, dir / "tree", "*.txt", count, limit, true, total, err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(total, 3);

  services.CountFilesInTree(true, dir / "nothing", "*.txt", count, limit, false, total, err);
  EXPECT_EQ(err, platform::kErrorFileNotFound);
}

TEST_F(FolderServicesTest, OddNamesAreOrdinaryFiles) {
#ifdef _WIN32
  // Names that Windows reserves for devices, and characters beyond the first 65,536.
  dir.Write("odd/con.txt", "x");
  dir.Write("odd/nul", "x");
  dir.Write("odd/\xf0\x9f\x94\x91 key.txt", "x");
  dir.Write("odd/two  blanks.txt", "x");
#else
  dir.Write("odd/\xff\xfe.txt", "x");
  dir.Write("odd/line\nbreak.txt", "x");
  dir.Write("odd/tab\t\x01.txt", "x");
#endif
  dir.Write("odd/\xc3\xa9t\xc3\xa9/x.txt", "x");
  double total = -1;
  EXPECT_EQ(services.CountMatchingFiles(dir / "odd", "*.txt", false, false, errText, total), 3);
  EXPECT_EQ(total, 3);
  EXPECT_TRUE(services.AnyMatchingFileInTree(dir / "odd/\xc3\xa9t\xc3\xa9", "x.txt"));
  EXPECT_TRUE(services.DeleteFolder(dir / "odd", errText, false)) << errText;
  EXPECT_FALSE(Exists(dir / "odd"));
}

TEST_F(FolderServicesTest, ExistenceChecks) {
  dir.Write("f/file.txt", "x");
  Link(dir / "f", "folderlink");
  // Wine shows no link that leads nowhere.
  const bool dangling = !testing::RunningUnderWine();
  if (dangling) Link(dir / "nowhere", "dangling");
  EXPECT_TRUE(services.FolderExists(dir / "f"));
  EXPECT_TRUE(services.FolderExists(dir / "f/"));
  EXPECT_FALSE(services.FolderExists(dir / "f/file.txt"));
  EXPECT_FALSE(services.FolderExists(dir / "folderlink"));
  EXPECT_FALSE(services.FolderExists(dir / "folderlink/"));
  EXPECT_FALSE(services.FolderExists(""));
  EXPECT_TRUE(services.FileExists(dir / "f/file.txt"));
  EXPECT_EQ(services.FileExists(dir / "dangling"), dangling);
  EXPECT_FALSE(services.FileExists(dir / "f"));
  EXPECT_FALSE(services.FileExists(dir / "f/none"));
  EXPECT_FALSE(services.FileExists(""));
}

TEST_F(FolderServicesTest, CreateFolderPath) {
  EXPECT_TRUE(services.CreateFolderPath(dir / "a/b//c/"));
  EXPECT_TRUE(services.FolderExists(dir / "a/b/c"));
  EXPECT_TRUE(services.CreateFolderPath(dir / "a/b/c"));  // already there
  dir.Write("file", "x");
  EXPECT_FALSE(services.CreateFolderPath(dir / "file/below"));
  fs.Inject({"MakeFolder", "denied", EACCES});
  EXPECT_FALSE(services.CreateFolderPath(dir / "denied/x"));
  EXPECT_FALSE(services.CreateFolderPath(""));
}

TEST_F(FolderServicesTest, NewNumberedFolderSkipsWhatIsThereAndIsRemovedOnlyWhileItIsItself) {
  dir.Write("_nv_dummy1", "a file");
  dir.MakeFolder("_nv_dummy2");
  const std::string drive = dir.path().substr(0, dir.path().size() - 1);  // no trailing separator
  FolderServices::OwnFolder created = services.NewNumberedFolder(drive, "_nv_dummy");
  ASSERT_TRUE(created);
  EXPECT_EQ(created.folder->Path(), dir / "_nv_dummy3" + platform::kPathSeparator);
  EXPECT_TRUE(services.FolderExists(dir / "_nv_dummy3"));
  FolderServices::OwnFolder next = services.NewNumberedFolder(dir.path(), "_nv_dummy");
  EXPECT_EQ(next.name, "_nv_dummy4");

  fs.Inject({"MakeFolder", "_nv_dummy5", EACCES});
  EXPECT_FALSE(services.NewNumberedFolder(dir.path(), "_nv_dummy"));
  EXPECT_FALSE(Exists(dir / "_nv_dummy6"));

  // Another folder put in the place of the one made is not the program's to remove.
  fs.Rename(dir / "_nv_dummy4", dir / "aside");
  dir.MakeFolder("_nv_dummy4");
  EXPECT_FALSE(services.RemoveOwnFolder(next));
  EXPECT_TRUE(Exists(dir / "_nv_dummy4"));
  EXPECT_TRUE(services.RemoveOwnFolder(created));
  created = {};  // Windows removes a folder once nothing holds it open any more
  EXPECT_FALSE(Exists(dir / "_nv_dummy3"));
}

TEST_F(FolderServicesTest, UserDataFilePathCreatesItsFolderOnce) {
  fs.OverrideUserDataFolder(dir / "data/share/");
  EXPECT_EQ(services.SpecialFolderPath(), dir / "data/share");
  const std::string path = services.UserDataFilePath("nulvane.usr", "Nulvane Software");
  EXPECT_EQ(path, dir / "data/share/Nulvane Software/nulvane.usr");
  EXPECT_TRUE(services.FolderExists(dir / "data/share/Nulvane Software"));
  EXPECT_FALSE(Exists(path));

  const int made = fs.Calls("MakeFolder");
  EXPECT_EQ(services.UserDataFilePath("other.usr", "Nulvane Software"),
            dir / "data/share/Nulvane Software/other.usr");
  EXPECT_EQ(fs.Calls("MakeFolder"), made);
}

TEST_F(FolderServicesTest, BrowseForFolderAsksTheUi) {
  ui.QueueFolder(dir / "chosen");
  EXPECT_EQ(services.BrowseForFolder("Choose\r\na folder"), dir / "chosen");
  ASSERT_EQ(ui.folderPrompts().size(), 1u);
  EXPECT_EQ(ui.folderPrompts()[0], "Choose\r\na folder");
}

TEST_F(FolderServicesTest, DeleteFolderHonoursReadOnlyAndNeverLeavesTheTree) {
  dir.Write("outside/keep.txt", "precious");
  dir.Write("victim/a.txt", "a");
  dir.Write("victim/sub/ro.txt", "read only");
  dir.Write("victim/rosub/b.txt", "b");
  // Links are removed as links. Wine cannot remove a link without following it; the file system refuses
  // there, and DeleteFolderRefusals shows that nothing behind the link is touched.
  if (!testing::RunningUnderWine()) {
    Link(dir / "outside/keep.txt", "victim/sub/to_file");
    Link(dir / "outside", "victim/to_folder");
  }
  MakeReadOnly(dir / "victim/sub/ro.txt");
  MakeReadOnly(dir / "outside/keep.txt");
  MakeReadOnly(dir / "victim/rosub");

  EXPECT_FALSE(services.DeleteFolder(dir / "victim", errText, false));
  EXPECT_EQ(errText, ErrnoText(EACCES));
  EXPECT_TRUE(Exists(dir / "victim/sub/ro.txt"));
  EXPECT_EQ(ReadFile(dir / "outside/keep.txt"), "precious");

  EXPECT_TRUE(services.DeleteFolder(dir / "victim///", errText, true)) << errText;
  EXPECT_TRUE(errText.empty());
  EXPECT_FALSE(Exists(dir / "victim"));
  EXPECT_EQ(ReadFile(dir / "outside/keep.txt"), "precious");
  EXPECT_TRUE(Exists(dir / "outside"));
  EXPECT_TRUE(Attributes(fs, dir / "outside/keep.txt").readOnly);  // the target was not made writable
}

TEST_F(FolderServicesTest, DeleteFolderRefusals) {
  dir.Write("outside/keep.txt", "precious");
  Link(dir / "outside", "link");
  EXPECT_FALSE(services.DeleteFolder(dir / "link", errText, true));
  EXPECT_FALSE(errText.empty());
  EXPECT_EQ(ReadFile(dir / "outside/keep.txt"), "precious");
  EXPECT_TRUE(Exists(dir / "link"));

  EXPECT_FALSE(services.DeleteFolder(dir / "missing", errText, true));
  EXPECT_EQ(errText, ErrnoText(ENOENT));

  // Links inside go as links, never what they lead to; Wine cannot remove a link without following it, so
  // there the whole deletion is refused.
  dir.Write("holder/own.txt", "own");
  Link(dir / "outside/keep.txt", "holder/to_file");
  Link(dir / "outside", "holder/to_folder");
  EXPECT_EQ(services.DeleteFolder(dir / "holder", errText, true), !testing::RunningUnderWine()) << errText;
  EXPECT_EQ(ReadFile(dir / "outside/keep.txt"), "precious");

  // A volume's root keeps everything in it.
  fs.OverrideVolumes({platform::Volume{dir / "outside", "", "ext4", "", platform::DriveType::Fixed}});
  EXPECT_FALSE(services.DeleteFolder(dir / "outside/", errText, true));
  EXPECT_EQ(ReadFile(dir / "outside/keep.txt"), "precious");

  fs.Inject({"RemoveFolder", "busy", EBUSY});
  dir.Write("busy/x", "x");
  EXPECT_FALSE(services.DeleteFolder(dir / "busy", errText, true));
  EXPECT_EQ(errText, ErrnoText(EBUSY));
}

#ifndef _WIN32
// Removes a tree too deep for path names, working from descriptors.
void RemoveDeep(int parent, const std::string& name) {
  const int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) return;
  RemoveDeep(fd, "level_____");
  ::unlinkat(fd, "file.txt", 0);
  ::close(fd);
  ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
}

TEST_F(FolderServicesTest, TreesDeeperThanAPathNameAreWalkedAndDeletedThroughTheirFolders) {
  const std::string top = dir.MakeFolder("deep");
  int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int level = 0; level < 500; ++level) {  // about 5,500 characters
    ASSERT_EQ(::mkdirat(fd, "level_____", 0777), 0);
    const int next = ::openat(fd, "level_____", O_RDONLY | O_DIRECTORY);
    ::close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    const int file = ::openat(fd, "file.txt", O_CREAT | O_WRONLY, 0644);
    ::close(file);
  }
  ::close(fd);

  std::int32_t count = 0;
  std::int32_t limit = 0;
  double total = 0;
  int err = 0;
  services.CountFilesInTree(true, top, "*.txt", count, limit, false, total, err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(count, 500);
  EXPECT_TRUE(services.DeleteFolder(top, errText, true)) << errText;
  EXPECT_FALSE(Exists(top));
  if (Exists(top)) {  // what the test left is not left for the temporary folder to choke on
    const int root = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    RemoveDeep(root, "deep");
    ::close(root);
  }
}
#endif

TEST_F(FolderServicesTest, DeepButValidTreeIsWalkedAndDeleted) {
  std::string relative = "deep";
  for (int level = 0; level < 300; ++level) relative += "/d" + std::to_string(level % 10);
  dir.Write(relative + "/bottom.txt", "x");
  EXPECT_TRUE(services.AnyMatchingFileInTree(dir / "deep", "bottom.txt"));
  EXPECT_TRUE(services.DeleteFolder(dir / "deep", errText, false)) << errText;
  EXPECT_FALSE(Exists(dir / "deep"));
}

}  // namespace
}  // namespace nulvane::support
