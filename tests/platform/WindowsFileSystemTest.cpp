// The Windows file system on real files: names, drives, attributes, times, reparse points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/UserLocale.h"
#include "platform/WindowsFileSystem.h"
#include "platform/WindowsText.h"
#include "testsupport/PathCalls.h"
#include "testsupport/Platform.h"
#include "testsupport/TempDir.h"

// After the program's headers: windows.h spells CreateFile as a macro.
// clang-format off
#include <windows.h>
#undef CreateFile
// clang-format on

namespace nulvane::testing {
namespace {

using platform::FileKind;
using platform::NormalisedPath;
using platform::PlatformError;
using platform::WindowsFileSystem;

TEST(WindowsFileSystemTest, PathsAreNormalisedByNameAndKeepEveryCharacterOfTheirNames) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"C:\\Data\\x.txt", "C:\\Data\\x.txt"},
      {"c:/Data//sub/../x.txt", "C:\\Data\\x.txt"},
      {"C:\\Data\\.\\x.txt\\", "C:\\Data\\x.txt"},
      {"C:", "C:\\"},
      {"C:\\..\\..", "C:\\"},
      {"\\\\?\\C:\\Data\\x.txt", "C:\\Data\\x.txt"},
      {"\\\\server\\share\\a\\..\\b", "\\\\server\\share\\b"},
      {"\\\\?\\UNC\\server\\share\\b", "\\\\server\\share\\b"},
      // The system's own clean-up would make these another file's name.
      {"C:\\Data\\name. ", "C:\\Data\\name. "},
      {"C:\\Data\\con.txt", "C:\\Data\\con.txt"},
  };
  for (const auto& [given, expected] : cases) EXPECT_EQ(NormalisedPath(given), expected) << given;
  EXPECT_THROW(NormalisedPath("\\\\.\\PhysicalDrive0"), PlatformError);
  EXPECT_THROW(NormalisedPath(""), PlatformError);
  // A volume by its identifier or a path among the system's objects is refused with a word of its own, not
  // read against the working folder.
  for (const char* unreachable :
       {"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\a.txt",
        "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\a.txt", "//?/Volume{0}/a.txt"}) {
    try {
      NormalisedPath(unreachable);
      ADD_FAILURE() << unreachable << " was taken";
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.number, platform::ErrorNumberFromErrno(EINVAL));
      EXPECT_NE(error.description.find("drive letter"), std::string::npos) << error.description;
    }
  }
}

TEST(WindowsFileSystemTest, DrivesHaveLettersTypesAndClusterSizes) {
  TempDir dir;
  WindowsFileSystem fs;
  EXPECT_EQ(fs.VolumeOf("C:\\Data\\x.txt"), "C:");
  EXPECT_EQ(fs.VolumeOf("d:\\"), "D:");
  EXPECT_EQ(fs.VolumeOf("\\\\server\\share\\x"), "\\\\server\\share");
  const std::string drive = fs.VolumeOf(dir.path());
  ASSERT_EQ(drive, dir.path().substr(0, 2));

  bool found = false;
  for (const platform::Volume& volume : fs.Volumes()) {
    ASSERT_EQ(volume.mountPoint.size(), 2u);
    EXPECT_EQ(volume.mountPoint[1], ':');
    if (volume.mountPoint != drive) continue;
    found = true;
    EXPECT_EQ(volume.type, platform::DriveType::Fixed);
    EXPECT_FALSE(volume.fileSystemType.empty());
  }
  EXPECT_TRUE(found);

  const platform::DiskSpace disk = fs.QueryDisk(drive);
  EXPECT_GE(disk.clusterSize, 512);
  EXPECT_EQ(disk.clusterSize % 512, 0);
  EXPECT_GT(disk.totalBytes, disk.freeBytes);
  // A letter with no drive behind it.
  const DWORD present = ::GetLogicalDrives();
  for (int letter = 25; letter >= 0; --letter) {
    if ((present & (1u << letter)) != 0) continue;
    EXPECT_THROW(fs.QueryDisk(std::string(1, static_cast<char>('A' + letter)) + ":"), PlatformError);
    break;
  }
}

TEST(WindowsFileSystemTest, HiddenReadOnlyAndSystemAreTheFilesOwnAttributes) {
  TempDir dir;
  WindowsFileSystem fs;
  const std::string path = dir.Write("a.txt", "x");
  SetAttributes(fs, path, {true, true, true});
  const DWORD attributes = ::GetFileAttributesW(platform::Widen(path).c_str());
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  SetReadOnly(fs, path, false);
  const platform::FileAttributes after = Attributes(fs, path);
  EXPECT_FALSE(after.readOnly);
  EXPECT_TRUE(after.hidden);
  EXPECT_TRUE(after.system);
  // Windows deletes no read-only file.
  SetReadOnly(fs, path, true);
  try {
    fs.Remove(path);
    ADD_FAILURE() << "a read-only file was deleted";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number, platform::kErrorPermissionDenied);
  }
  SetAttributes(fs, path, {});
  fs.Remove(path);
  EXPECT_FALSE(Exists(path));
}

TEST(WindowsFileSystemTest, AllThreeTimesAreReadAndWrittenToTheTenthOfAMicrosecond) {
  TempDir dir;
  WindowsFileSystem fs;
  const std::string path = dir.Write("t.dat", "x");
  const platform::FileTimes times{{1500000000, 123456700}, {1400000000, 700}, {1300000000, 999999900}};
  {
    platform::File file = fs.OpenForReading(path);
    fs.SetTimes(file, times);
  }
  platform::FileTimes read = fs.Status(path).times;
  // Wine cannot set a creation time on the file systems below it.
  if (RunningUnderWine()) read.creation = times.creation;
  EXPECT_EQ(read, times);
  // Before 1970 too.
  {
    platform::File file = fs.OpenForReading(path);
    fs.SetTimes(file, {{-86400, 500}, {-1, 0}, {}});
  }
  EXPECT_EQ(fs.Status(path).times.access, (platform::FileTime{-86400, 500}));
  EXPECT_EQ(fs.Status(path).times.modification, (platform::FileTime{-1, 0}));
}

TEST(WindowsFileSystemTest, NothingIsReachedThroughAJunctionOrALink) {
  TempDir dir;
  TempDir outside;
  WindowsFileSystem fs;
  const std::string secret = outside.Write("folder/secret.txt", "precious");
  dir.Write("own.txt", "own");
  const std::string link = dir / "linked";
  ASSERT_TRUE(MakeLink(outside / "folder", link));
  const std::string through = link + "\\secret.txt";

  bool listed = false;
  for (const platform::DirEntry& entry : ListFolder(fs, dir.path())) {
    if (entry.name != "linked") continue;
    listed = true;
    EXPECT_EQ(entry.kind, FileKind::Symlink);
  }
  EXPECT_TRUE(listed);
  EXPECT_EQ(fs.Status(link).kind, FileKind::Symlink);
  EXPECT_EQ(fs.Status(link + "\\").kind, FileKind::Symlink);
  EXPECT_THROW(fs.Status(through), PlatformError);
  EXPECT_THROW(ListFolder(fs, link), PlatformError);
  EXPECT_THROW(fs.OpenForWriting(through), PlatformError);
  EXPECT_THROW(fs.OpenForReading(through), PlatformError);
  EXPECT_THROW(Attributes(fs, through), PlatformError);
  EXPECT_THROW(SetReadOnly(fs, through, true), PlatformError);
  EXPECT_THROW(fs.Remove(through), PlatformError);
  EXPECT_THROW(fs.CreateFile(link + "\\new.txt"), PlatformError);
  EXPECT_THROW(fs.CreateNewFile(link + "\\new.txt"), PlatformError);
  EXPECT_THROW(fs.MakeFolder(link + "\\new"), PlatformError);
  EXPECT_THROW(RemoveFolder(fs, link), PlatformError);
  // Nor through a name in a folder a walk holds.
  const platform::FolderHandle held = fs.OpenFolder(dir.path());
  EXPECT_EQ(fs.StatusAt(*held, "linked").kind, FileKind::Symlink);
  EXPECT_THROW(fs.OpenSubfolder(*held, "linked"), PlatformError);
  EXPECT_THROW(fs.OpenFolder(link), PlatformError);
  EXPECT_EQ(ReadFile(secret), "precious");
  EXPECT_FALSE(Attributes(fs, secret).readOnly);
  EXPECT_EQ(ListFolder(fs, outside / "folder").size(), 1u);
  // The link's target itself, reached by its own path, is an ordinary folder.
  EXPECT_EQ(fs.RealPath(link), fs.RealPath(outside / "folder"));
  RemoveLink(link);
}

// A walk's folder is the one it opened, wherever that hangs later: names are looked up in it through its
// handle, never in what its old path names now.
TEST(WindowsFileSystemTest, AHeldFolderIsTheOneOpenedWhereverItHangsNow) {
  TempDir dir;
  WindowsFileSystem windows;
  platform::FileSystem& fs = windows;
  dir.Write("chosen/mine.txt", "mine");
  const platform::FolderHandle held = fs.OpenFolder(dir / "chosen");
  EXPECT_EQ(held->Path(), dir / "chosen" + "\\");
  fs.Rename(dir / "chosen", dir / "moved");
  dir.Write("chosen/theirs.txt", "theirs");

  const std::vector<platform::DirEntry> entries = fs.List(*held);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "mine.txt");
  EXPECT_EQ(fs.StatusAt(*held, "theirs.txt").kind, FileKind::Missing);
  if (RunningUnderWine()) {
    // Wine opens a name in a folder by the path the folder was opened by, and refuses once that has moved.
    EXPECT_THROW(fs.OpenForWritingAt(*held, "mine.txt"), PlatformError);
  } else {
    platform::File file = fs.OpenForWritingAt(*held, "mine.txt");
    fs.WriteAt(file, "MINE", 4, 0);
    file.Close();
    EXPECT_EQ(ReadFile(dir / "moved/mine.txt"), "MINE");
  }
  EXPECT_EQ(ReadFile(dir / "chosen/theirs.txt"), "theirs");
}

// A name is removed only while it names what the walk held, checked on the handle that removes it.
TEST(WindowsFileSystemTest, ANameIsRemovedOnlyWhileItNamesWhatWasHeld) {
  TempDir dir;
  WindowsFileSystem windows;
  platform::FileSystem& fs = windows;
  dir.Write("held/mine.txt", "mine");
  const platform::FolderHandle held = fs.OpenFolder(dir / "held");
  const platform::FileIdentity mine = fs.StatusAt(*held, "mine.txt").Identity();
  fs.Rename(dir / "held/mine.txt", dir / "held/aside.txt");
  dir.Write("held/mine.txt", "another");
  EXPECT_FALSE(fs.RemoveFileAt(*held, "mine.txt", &mine));
  EXPECT_EQ(ReadFile(dir / "held/mine.txt"), "another");
  EXPECT_TRUE(fs.RemoveFileAt(*held, "aside.txt", &mine));
  EXPECT_FALSE(Exists(dir / "held/aside.txt"));

  const platform::FolderHandle made = fs.MakeFolderAt(*held, "made");
  fs.Rename(dir / "held/made", dir / "held/other");
  fs.MakeFolder(dir / "held/made");
  EXPECT_FALSE(fs.RemoveFolderAt(*held, "made", &made->Identity()));
  EXPECT_TRUE(Exists(dir / "held/made"));
  EXPECT_TRUE(fs.RemoveFolderAt(*held, "other", &made->Identity()));
  for (const std::string name : {"", ".", "..", "a\\b", "a/b", "mine.txt:stream"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(fs.OpenForWritingAt(*held, name), PlatformError);
    EXPECT_THROW(fs.OpenSubfolder(*held, name), PlatformError);
  }
}

TEST(WindowsFileSystemTest, ARenameStaysInTheHeldFolderNeverReplacesAndIsListedAtOnce) {
  TempDir dir;
  WindowsFileSystem windows;
  platform::FileSystem& fs = windows;
  dir.Write("held/mine.txt", "mine");
  dir.Write("held/taken.txt", "taken");
  const platform::FolderHandle held = fs.OpenFolder(dir / "held");
  ASSERT_EQ(fs.List(*held).size(), 2u);
  const platform::FileIdentity mine = fs.StatusAt(*held, "mine.txt").Identity();
  try {
    fs.RenameAt(*held, "mine.txt", "taken.txt", &mine);
    ADD_FAILURE() << "renamed over another file";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number, platform::ErrorNumberFromErrno(EEXIST));
  }
  EXPECT_EQ(ReadFile(dir / "held/taken.txt"), "taken");
  // Renamed in the held folder, and its listing shows the new name at once.
  EXPECT_TRUE(fs.RenameAt(*held, "mine.txt", "Xq7.txt", &mine));
  EXPECT_EQ(ReadFile(dir / "held/Xq7.txt"), "mine");
  std::vector<std::string> names;
  for (const platform::DirEntry& entry : fs.List(*held)) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Xq7.txt", "taken.txt"}));
  const platform::FileIdentity taken = fs.StatusAt(*held, "taken.txt").Identity();
  EXPECT_FALSE(fs.RenameAt(*held, "Xq7.txt", "other.txt", &taken));
}

TEST(WindowsFileSystemTest, AnOpenFileIsNotDeletedAndANewFileTakesNoExistingName) {
  TempDir dir;
  WindowsFileSystem fs;
  const std::string path = dir.Write("open.txt", "x");
  {
    const platform::File file = fs.OpenForWriting(path);
    EXPECT_THROW(fs.Remove(path), PlatformError);
    EXPECT_TRUE(Exists(path));
  }
  try {
    fs.CreateNewFile(path);
    ADD_FAILURE() << "an existing file was taken";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number, platform::ErrorNumberFromErrno(EEXIST));
  }
  EXPECT_EQ(ReadFile(path), "x");
  fs.Remove(path);
  EXPECT_FALSE(Exists(path));
  EXPECT_NO_THROW(fs.FlushFolder(dir.path()));
  const platform::FolderHandle folder = fs.OpenFolder(dir.path());
  EXPECT_NO_THROW(fs.FlushVolume(*folder));

  // A file without a name of its own goes when it is closed.
  {
    const platform::File scratch = fs.CreateUnnamedFile(*folder);
    fs.WriteAt(scratch, "data", 4, 0);
    EXPECT_EQ(ListFolder(fs, dir.path()).size(), 1u);
  }
  EXPECT_TRUE(ListFolder(fs, dir.path()).empty());
}

// The file being purged is held from its opening to its deletion with the right to delete it: another
// program may open it only if it lets it be deleted, and the deletion goes through the purge's own handle.
TEST(WindowsFileSystemTest, AFileIsDeletedThroughTheHandleThatWroteItWhoeverOpensItMeanwhile) {
  TempDir dir;
  WindowsFileSystem fs;
  const std::string path = dir.Write("indexed.txt", "secret");
  const std::wstring wide = platform::Widen(path);
  const platform::FolderHandle folder = fs.OpenFolder(dir.path());
  platform::File file = fs.OpenForWritingAt(*folder, "indexed.txt");
  const platform::FileStatus status = fs.Status(file);
  EXPECT_EQ(status.storage, platform::FileStorage{}) << "nothing beyond its main contents";
  fs.WriteAt(file, "xxxxxx", 6, 0);
  fs.Flush(file);

  // A reader that would keep the file (it shares no deleting) cannot open it at all.
  const HANDLE keeper = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(keeper, INVALID_HANDLE_VALUE);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (keeper != INVALID_HANDLE_VALUE) ::CloseHandle(keeper);
  // One that lets it be deleted can, and cannot keep it.
  const HANDLE reader =
      ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const platform::FileIdentity identity = status.Identity();
  EXPECT_TRUE(fs.RemoveFileAt(*folder, "indexed.txt", &identity, &file));
  EXPECT_FALSE(file.IsOpen());
  ::CloseHandle(reader);
  EXPECT_FALSE(Exists(path));
}

TEST(WindowsFileSystemTest, NamesCrossAsUtf16AndComeBackTheSame) {
  TempDir dir;
  WindowsFileSystem fs;
  const std::string name = "caf\xc3\xa9 \xe5\x90\x8d \xf0\x9f\x94\x91.txt";
  dir.Write(name, "x");
  const std::vector<platform::DirEntry> entries = ListFolder(fs, dir.path());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, name);
  EXPECT_EQ(ReadFile(dir / name), "x");

  // A lone surrogate, which NTFS allows in a name, travels as the three bytes UTF-8 would give it.
  const std::wstring lone = std::wstring(L"a") + wchar_t(0xD800) + L"b";
  EXPECT_EQ(platform::Narrow(lone),
            "a\xed\xa0\x80"
            "b");
  EXPECT_EQ(platform::Widen(platform::Narrow(lone)), lone);
  EXPECT_THROW(platform::Widen("bad\xff"), PlatformError);
  EXPECT_THROW(platform::Widen("cut\xe2\x82"), PlatformError);
}

TEST(WindowsFileSystemTest, WindowsErrorsTakeTheNumbersOfTheSameMeaning) {
  using platform::ErrorNumberFromErrno;
  using platform::ErrorNumberFromLinuxErrno;
  using platform::ErrorNumberFromWin32;
  const std::vector<std::pair<unsigned long, int>> cases = {
      {ERROR_FILE_NOT_FOUND, platform::kErrorFileNotFound},
      {ERROR_BAD_NETPATH, platform::kErrorFileNotFound},
      {ERROR_BAD_NET_NAME, platform::kErrorFileNotFound},
      {ERROR_PATH_NOT_FOUND, platform::kErrorPathNotFound},
      {ERROR_BAD_PATHNAME, platform::kErrorPathNotFound},
      {ERROR_ACCESS_DENIED, platform::kErrorPermissionDenied},
      {ERROR_NETWORK_ACCESS_DENIED, platform::kErrorPermissionDenied},
      {ERROR_DISK_FULL, platform::kErrorDiskFull},
      {ERROR_NOT_ENOUGH_MEMORY, platform::kErrorOutOfMemory},
      // In use by another program is not a missing right: it must not be passed over as one.
      {ERROR_SHARING_VIOLATION, ErrorNumberFromErrno(EBUSY)},
      {ERROR_LOCK_VIOLATION, ErrorNumberFromErrno(EBUSY)},
      {ERROR_USER_MAPPED_FILE, ErrorNumberFromErrno(ETXTBSY)},
      {ERROR_NOT_READY, ErrorNumberFromLinuxErrno(platform::kLinuxENOMEDIUM)},
      {ERROR_FILE_EXISTS, ErrorNumberFromErrno(EEXIST)},
      {ERROR_DIR_NOT_EMPTY, ErrorNumberFromErrno(ENOTEMPTY)},
      {ERROR_CANT_RESOLVE_FILENAME, ErrorNumberFromErrno(ELOOP)},
      {ERROR_NETNAME_DELETED, ErrorNumberFromErrno(ECONNRESET)},
      {ERROR_NETWORK_UNREACHABLE, ErrorNumberFromErrno(ENETUNREACH)},
      {ERROR_SEM_TIMEOUT, ErrorNumberFromErrno(ETIMEDOUT)},
      {ERROR_CRC, ErrorNumberFromErrno(EIO)},
      // Codes that no errno value means keep their own number.
      {ERROR_NO_MORE_FILES, 2018},
      {ERROR_SHARING_PAUSED, 2070},
  };
  for (const auto& [code, number] : cases) EXPECT_EQ(ErrorNumberFromWin32(code), number) << code;
  // Once both were 1021.
  EXPECT_NE(ErrorNumberFromWin32(ERROR_NOT_READY), ErrorNumberFromErrno(EISDIR));
  EXPECT_EQ(ErrorNumberFromErrno(EISDIR), 1021);

  // Every code gets a named number, Linux's number of an errno value, or 2000 + itself: never a number
  // that an unrelated errno value has.
  std::vector<int> errnoNumbers;
  for (const platform::detail::ErrnoValue& value : platform::detail::kErrnoValues)
    errnoNumbers.push_back(ErrorNumberFromLinuxErrno(value.onLinux));
  for (const int onLinux : {platform::kLinuxENOMEDIUM, platform::kLinuxEUCLEAN, platform::kLinuxESTALE})
    errnoNumbers.push_back(ErrorNumberFromLinuxErrno(onLinux));
  for (unsigned long code = 1; code < 16000; ++code) {
    const int number = ErrorNumberFromWin32(code);
    const bool own = number == platform::kWin32Base + static_cast<int>(code);
    const bool known = std::find(errnoNumbers.begin(), errnoNumbers.end(), number) != errnoNumbers.end();
    EXPECT_TRUE(own || known) << code << " gives " << number;
  }
  EXPECT_FALSE(platform::ErrorFromWin32(ERROR_ACCESS_DENIED).description.empty());
}

TEST(WindowsFileSystemTest, PageFilesAreThoseTheSystemNamesAndThoseOfTheFirstFixedDrive) {
  EXPECT_EQ(platform::PageFilesOf({"C:\\pagefile.sys 1024 4096", "?:\\pagefile.sys",
                                   "D:\\My Swap\\page.sys 0 0", "E:\\pagefile.sys"},
                                  {"C:", "E:"}),
            (std::vector<std::string>{"C:\\pagefile.sys", "E:\\pagefile.sys", "D:\\My Swap\\page.sys",
                                      "C:\\swapfile.sys"}));
  EXPECT_EQ(platform::PageFilesOf({}, {"D:"}),
            (std::vector<std::string>{"D:\\pagefile.sys", "D:\\swapfile.sys"}));
  EXPECT_TRUE(platform::PageFilesOf({}, {}).empty());

  WindowsFileSystem fs;
  std::string firstFixed;
  for (const platform::Volume& volume : fs.Volumes()) {
    if (volume.type == platform::DriveType::Fixed && volume.mountPoint >= "C:") {
      firstFixed = volume.mountPoint;
      break;
    }
  }
  ASSERT_FALSE(firstFixed.empty());
  const std::vector<std::string> swapFiles = fs.SwapFiles();
  EXPECT_NE(std::find(swapFiles.begin(), swapFiles.end(), firstFixed + "\\pagefile.sys"), swapFiles.end());
}

TEST(WindowsFileSystemTest, WhatOverwritingCannotReachFollowsTheDriveTypeFileSystemAndDisk) {
  using platform::DriveType;
  using platform::ResidueKind;
  using Kinds = std::vector<ResidueKind>;
  // NTFS keeps file records on every local drive; shadow copies are counted where the service answers, and
  // on a fixed drive where it does not they may exist.
  EXPECT_EQ(platform::ResidueKindsOfDrive(DriveType::Fixed, "NTFS", false, 0),
            Kinds{ResidueKind::NtfsRecords});
  EXPECT_EQ(platform::ResidueKindsOfDrive(DriveType::Fixed, "NTFS", true, 2),
            (Kinds{ResidueKind::NtfsRecords, ResidueKind::ShadowCopies, ResidueKind::Flash}));
  EXPECT_EQ(platform::ResidueKindsOfDrive(DriveType::Fixed, "NTFS", false, -1),
            (Kinds{ResidueKind::NtfsRecords, ResidueKind::MayHaveShadowCopies}));
  EXPECT_EQ(platform::ResidueKindsOfDrive(DriveType::Removable, "NTFS", true, -1),
            (Kinds{ResidueKind::NtfsRecords, ResidueKind::Flash}));
  EXPECT_EQ(platform::ResidueKindsOfDrive(DriveType::Fixed, "ReFS", true, -1),
            (Kinds{ResidueKind::CopyOnWrite, ResidueKind::MayHaveShadowCopies, ResidueKind::Flash}));
  EXPECT_EQ(platform::ResidueKindsOfDrive(DriveType::Removable, "FAT32", true, 0), Kinds{ResidueKind::Flash});
  EXPECT_EQ(platform::ResidueKindsOfDrive(DriveType::Network, "NTFS", true, -1), Kinds{ResidueKind::Network});
  EXPECT_EQ(platform::ResidueKindsOfDrive(DriveType::RamDisk, "FAT32", false, 0), Kinds{ResidueKind::Memory});

  TempDir dir;
  WindowsFileSystem fs;
  const platform::VolumeClass volume = fs.ClassifyVolume(dir.path());
  EXPECT_EQ(volume.mountPoint, fs.VolumeOf(dir.path()));
  EXPECT_FALSE(volume.fileSystemType.empty());
}

TEST(WindowsFileSystemTest, DatePicturesBecomeStrftimeFormats) {
  EXPECT_EQ(platform::StrftimeFromDatePicture("M/d/yyyy"), "%#m/%#d/%Y");
  EXPECT_EQ(platform::StrftimeFromDatePicture("dd.MM.yy"), "%d.%m.%y");
  EXPECT_EQ(platform::StrftimeFromDatePicture("yyyy-MM-dd"), "%Y-%m-%d");
  EXPECT_EQ(platform::StrftimeFromDatePicture("dddd, d 'de' MMMM 'de' yyyy"), "%A, %#d de %B de %Y");
  EXPECT_EQ(platform::StrftimeFromDatePicture("d MMM yyyy 'o''clock' %"), "%#d %b %Y o'clock %%");
}

}  // namespace
}  // namespace nulvane::testing
