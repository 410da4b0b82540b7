#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "platform/PlatformError.h"
#include "platform/PosixFileSystem.h"
#include "testsupport/PathCalls.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using platform::FileKind;
using platform::PosixFileSystem;

TEST(PosixFileSystemTest, WriteRepeatedPutsEveryBlockInPlace) {
  struct Case {
    std::size_t blockSize;
    std::int64_t count;
    std::int64_t offset;
  };
  for (const Case c : {Case{4096, 1, 0}, Case{4096, 1000, 0}, Case{4097, 300, 13}, Case{512, 20000, 4096},
                       Case{65536, 257, 65536}}) {
    SCOPED_TRACE(c.blockSize * 1000 + static_cast<std::size_t>(c.count));
    TempDir dir;
    PosixFileSystem fs;
    const std::string path = dir.Write("f", std::string(static_cast<std::size_t>(c.offset) + 5, 'p'));
    const std::string block = SampleContent(c.blockSize, 3);
    {
      platform::File file = fs.OpenForWriting(path);
      fs.WriteRepeated(file, block.data(), block.size(), c.count, c.offset);
    }
    const std::string content = ReadFile(path);
    ASSERT_EQ(content.size(),
              static_cast<std::size_t>(c.offset) + block.size() * static_cast<std::size_t>(c.count));
    EXPECT_EQ(content.substr(0, static_cast<std::size_t>(c.offset)),
              std::string(static_cast<std::size_t>(c.offset), 'p'));
    for (std::int64_t i = 0; i < c.count; ++i) {
      const std::size_t at = static_cast<std::size_t>(c.offset) + block.size() * static_cast<std::size_t>(i);
      ASSERT_EQ(content.compare(at, block.size(), block), 0) << "block " << i;
    }
  }
}

TEST(PosixFileSystemTest, WriteRepeatedWithNothingToWriteLeavesTheFile) {
  TempDir dir;
  PosixFileSystem fs;
  const std::string path = dir.Write("f", "abc");
  platform::File file = fs.OpenForWriting(path);
  fs.WriteRepeated(file, "x", 1, 0, 0);
  EXPECT_EQ(ReadFile(path), "abc");
}

TEST(PosixFileSystemTest, OnlyRegularFilesOpenAndLinksAreNotFollowed) {
  TempDir dir;
  PosixFileSystem fs;
  const std::string target = dir.Write("target", "content");
  const std::string link = dir / "link";
  const std::string pipe = dir / "pipe";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);

  EXPECT_THROW(fs.OpenForWriting(link), platform::PlatformError);
  EXPECT_THROW(fs.OpenForWriting(pipe), platform::PlatformError);  // and does not block
  EXPECT_THROW(fs.OpenForWriting(dir.path()), platform::PlatformError);
  {
    platform::File file = fs.OpenForWriting(target);  // never truncates
    EXPECT_EQ(fs.Status(file).size, 7);
  }
  EXPECT_EQ(ReadFile(target), "content");
  EXPECT_EQ(fs.Status(link).kind, FileKind::Symlink);
  EXPECT_EQ(fs.Status(dir / "none").kind, FileKind::Missing);
}

TEST(PosixFileSystemTest, ListFolderReportsEachKindWithoutFollowingLinks) {
  TempDir dir;
  PosixFileSystem fs;
  dir.Write("file", "x");
  dir.MakeFolder("sub");
  ASSERT_EQ(::symlink((dir / "sub").c_str(), (dir / "tosub").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "nowhere").c_str(), (dir / "dangling").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);

  std::map<std::string, FileKind> kinds;
  for (const platform::DirEntry& entry : ListFolder(fs, dir.path())) kinds[entry.name] = entry.kind;
  EXPECT_EQ(kinds, (std::map<std::string, FileKind>{{"file", FileKind::Regular},
                                                    {"sub", FileKind::Directory},
                                                    {"tosub", FileKind::Symlink},
                                                    {"dangling", FileKind::Symlink},
                                                    {"pipe", FileKind::Pipe}}));
  EXPECT_THROW(ListFolder(fs, dir / "tosub"), platform::PlatformError);
  EXPECT_THROW(ListFolder(fs, dir / "missing"), platform::PlatformError);
}

TEST(PosixFileSystemTest, AttributesAndReadOnly) {
  TempDir dir;
  PosixFileSystem fs;
  const std::string path = dir.Write(".hidden", "x");
  EXPECT_TRUE(Attributes(fs, path).hidden);
  EXPECT_FALSE(Attributes(fs, path).readOnly);
  EXPECT_FALSE(Attributes(fs, path).system);
  SetReadOnly(fs, path, true);
  EXPECT_TRUE(Attributes(fs, path).readOnly);
  SetReadOnly(fs, path, false);
  EXPECT_FALSE(Attributes(fs, path).readOnly);
  EXPECT_FALSE(Attributes(fs, dir.Write("plain", "x")).hidden);
}

TEST(MountInfoTest, ParsesMountPointsTypesAndDevices) {
  const std::string text =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"
      "23 22 0:5 / /proc rw,nosuid - proc proc rw\n"
      "40 22 8:17 / /media/usb\\040stick rw shared:5 master:2 - vfat /dev/sdb1 rw\n"
      "41 22 0:40 / /home/user/my\\134dir rw - tmpfs tmpfs rw\n"
      "garbage line\n";
  const std::vector<platform::MountEntry> entries = platform::ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].mountPoint, "/");
  EXPECT_EQ(entries[0].fileSystemType, "ext4");
  EXPECT_EQ(entries[0].device, "/dev/sda1");
  EXPECT_EQ(entries[1].fileSystemType, "proc");
  EXPECT_EQ(entries[2].mountPoint, "/media/usb stick");
  EXPECT_EQ(entries[2].fileSystemType, "vfat");
  EXPECT_EQ(entries[2].device, "/dev/sdb1");
  EXPECT_EQ(entries[3].mountPoint, "/home/user/my\\dir");
  EXPECT_TRUE(platform::IsPseudoFileSystem("proc"));
  EXPECT_FALSE(platform::IsPseudoFileSystem("ext4"));
  EXPECT_EQ(platform::DriveTypeOf("tmpfs", false), platform::DriveType::RamDisk);
  EXPECT_EQ(platform::DriveTypeOf("nfs4", false), platform::DriveType::Network);
  EXPECT_EQ(platform::DriveTypeOf("iso9660", true), platform::DriveType::CdRom);
  EXPECT_EQ(platform::DriveTypeOf("vfat", true), platform::DriveType::Removable);
  EXPECT_EQ(platform::DriveTypeOf("ext4", false), platform::DriveType::Fixed);
}

TEST(MountInfoTest, SystemMountPointsAreNoDrives) {
  for (const char* system : {"/dev/shm", "/run", "/run/user/1000", "/sys/fs/cgroup", "/proc"}) {
    EXPECT_TRUE(platform::IsSystemMountPoint(system)) << system;
  }
  for (const char* user : {"/", "/home", "/run/media/ann/STICK", "/media/usb", "/devices", "/srv/run"}) {
    EXPECT_FALSE(platform::IsSystemMountPoint(user)) << user;
  }
}

TEST(VolumesTest, ListsRootFirstAndNoSystemMounts) {
  platform::PosixFileSystem fs;
  const auto volumes = fs.Volumes();
  ASSERT_FALSE(volumes.empty());
  EXPECT_EQ(volumes.front().mountPoint, "/");
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    EXPECT_FALSE(platform::IsSystemMountPoint(volumes[i].mountPoint)) << volumes[i].mountPoint;
    if (i > 0) {
      EXPECT_LT(volumes[i - 1].mountPoint, volumes[i].mountPoint);
    }
  }
}

TEST(SwapsTest, ParsesThePathsAfterTheHeader) {
  const std::string text =
      "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n"
      "/swapfile                               file\t\t2097148\t\t0\t\t-2\n"
      "/dev/sda2                               partition\t8388604\t\t0\t\t-3\n"
      "/var/my\\040swap                         file\t\t1024\t\t0\t\t-4\n";
  EXPECT_EQ(platform::ParseSwaps(text), (std::vector<std::string>{"/swapfile", "/dev/sda2", "/var/my swap"}));
  EXPECT_TRUE(platform::ParseSwaps("Filename Type Size Used Priority\n").empty());
  EXPECT_TRUE(platform::ParseSwaps("").empty());
}

TEST(VolumeTest, VolumeIsTheLongestMountPointHoldingThePath) {
  PosixFileSystem fs;
  EXPECT_EQ(fs.VolumeOf("/"), "/");
  EXPECT_EQ(fs.VolumeOf("/proc/self/status"), "/proc");
  EXPECT_EQ(fs.VolumeOf("/proc"), "/proc");
  EXPECT_EQ(fs.VolumeOf("/processes-that-do-not-exist"), "/");
  EXPECT_EQ(fs.VolumeOf("/proc/../etc/hostname"), fs.VolumeOf("/etc/hostname"));
  EXPECT_EQ(fs.VolumeOf("/etc/../proc/./self"), "/proc");
  TempDir dir;
  const std::string volume = fs.VolumeOf(dir.path());
  EXPECT_EQ(dir.path().rfind(volume == "/" ? "/" : volume + "/", 0), 0u);
  const platform::DiskSpace disk = fs.QueryDisk(volume);
  EXPECT_GE(disk.clusterSize, 512);
  EXPECT_GT(disk.totalBytes, 0);
  EXPECT_THROW(fs.QueryDisk("/no/such/volume"), platform::PlatformError);
}

}  // namespace
}  // namespace nulvane::testing
