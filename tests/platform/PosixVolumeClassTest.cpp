#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/PosixFileSystem.h"
#include "platform/VolumeClass.h"
#include "testsupport/MountNamespace.h"
#include "testsupport/PathCalls.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using platform::ResidueKind;
using Kinds = std::vector<ResidueKind>;

TEST(VolumeClassTest, MountInfoKeepsTheDeviceNumberAndTheFileSystemsOwnOptions) {
  const auto entries = platform::ParseMountInfo(
      "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard\n"
      "45 27 7:1 / /mnt/j rw,relatime - ext4 /dev/loop1 rw,nodelalloc,data=journal\n"
      "46 27 0:40 / /mnt/b rw - btrfs /dev/loop0 rw,space_cache=v2,subvolid=5\n"
      "47 27 0:41 / /mnt/short rw - tmpfs tmpfs\n");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].deviceNumber, "254:0");
  EXPECT_EQ(entries[1].options, "rw,nodelalloc,data=journal");
  EXPECT_EQ(entries[2].deviceNumber, "0:40");
  EXPECT_EQ(entries[3].options, "");
}

TEST(VolumeClassTest, KindsByFileSystemOptionsAndDevice) {
  struct Case {
    const char* type;
    const char* options;
    bool flash;
    Kinds kinds;
  };
  const Case cases[] = {
      {"btrfs", "rw", false, {ResidueKind::CopyOnWrite}},
      {"zfs", "rw", false, {ResidueKind::CopyOnWrite}},
      {"bcachefs", "rw", true, {ResidueKind::CopyOnWrite, ResidueKind::Flash}},
      {"f2fs", "rw", true, {ResidueKind::LogStructured, ResidueKind::Flash}},
      {"nilfs2", "rw", false, {ResidueKind::LogStructured}},
      {"ext4", "rw,nodelalloc,data=journal", false, {ResidueKind::DataJournal}},
      {"ext3", "rw,data=journal", true, {ResidueKind::DataJournal, ResidueKind::Flash}},
      {"ext4", "rw,data=ordered", false, {}},
      {"ext4", "rw,journal_data_writeback", false, {}},
      {"xfs", "rw", false, {}},
      {"xfs", "rw", true, {ResidueKind::Flash}},
      {"vfat", "rw", true, {ResidueKind::Flash}},
      // Where the bytes land is not this computer's to say: no flash there.
      {"nfs4", "rw", true, {ResidueKind::Network}},
      {"cifs", "rw", false, {ResidueKind::Network}},
      {"smb3", "rw", false, {ResidueKind::Network}},
      {"fuse.sshfs", "rw", true, {ResidueKind::Network}},
      {"fuse.encfs", "rw", true, {ResidueKind::UserSpace}},
      {"fuseblk", "rw", true, {ResidueKind::UserSpace}},
      {"tmpfs", "rw", false, {ResidueKind::Memory}},
      {"ramfs", "rw", true, {ResidueKind::Memory}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::ResidueKindsOf(c.type, c.options, c.flash), c.kinds) << c.type << " " << c.options;
  }
}

// A sysfs of the test's own: /sys/dev/block/M:m links to the device's folder, a partition's folder lies in
// its disk's, and a device-mapper device lists the devices under it in slaves/.
class FakeSysfs {
 public:
  FakeSysfs() { temp.MakeFolder("sys/dev/block"); }

  void Disk(const std::string& name, const std::string& number, bool rotational) {
    temp.Write("sys/devices/" + name + "/queue/rotational", rotational ? "1\n" : "0\n");
    Link("../../devices/" + name, "sys/dev/block/" + number);
  }
  void Partition(const std::string& disk, const std::string& name, const std::string& number) {
    temp.Write("sys/devices/" + disk + "/" + name + "/partition", "1\n");
    Link("../../devices/" + disk + "/" + name, "sys/dev/block/" + number);
  }
  void Mapper(const std::string& name, const std::string& number, const std::vector<std::string>& under) {
    temp.Write("sys/devices/" + name + "/queue/rotational", "0\n");  // what device-mapper claims of itself
    temp.MakeFolder("sys/devices/" + name + "/slaves");
    for (const std::string& device : under)
      Link("../../" + device, "sys/devices/" + name + "/slaves/" + device);
    Link("../../devices/" + name, "sys/dev/block/" + number);
  }
  std::string root() const { return temp / "sys"; }

 private:
  void Link(const std::string& target, const std::string& at) {
    ASSERT_EQ(::symlink(target.c_str(), (temp / at).c_str()), 0) << at;
  }
  TempDir temp;
};

TEST(VolumeClassTest, FlashIsTheRotationalFlagOfTheDisksBehindPartitionsAndMappedDevices) {
  FakeSysfs sys;
  sys.Disk("nvme0n1", "259:0", false);
  sys.Partition("nvme0n1", "nvme0n1p2", "259:2");
  sys.Disk("sda", "8:0", true);
  sys.Partition("sda", "sda1", "8:1");
  sys.Mapper("dm-0", "253:0", {"sda"});
  sys.Mapper("dm-1", "253:1", {"sda", "nvme0n1"});
  sys.Mapper("dm-2", "253:2", {"dm-1"});

  EXPECT_TRUE(platform::IsOnFlash(sys.root(), "259:0"));
  EXPECT_TRUE(platform::IsOnFlash(sys.root(), "259:2"));
  EXPECT_FALSE(platform::IsOnFlash(sys.root(), "8:1"));
  EXPECT_FALSE(platform::IsOnFlash(sys.root(), "253:0"));
  EXPECT_TRUE(platform::IsOnFlash(sys.root(), "253:1"));
  EXPECT_TRUE(platform::IsOnFlash(sys.root(), "253:2"));
  // No block device behind it (btrfs, tmpfs), or none that sysfs knows.
  EXPECT_FALSE(platform::IsOnFlash(sys.root(), "0:40"));
  EXPECT_FALSE(platform::IsOnFlash(sys.root(), "9:9"));
  EXPECT_FALSE(platform::IsOnFlash(sys.root(), ""));
}

TEST(VolumeClassTest, AnUnnamedFileLeavesNoEntryInItsFolder) {
  TempDir dir;
  platform::PosixFileSystem fs;
  const platform::FolderHandle folder = fs.OpenFolder(dir.path());
  platform::File file = fs.CreateUnnamedFile(*folder);
  fs.WriteAt(file, "secret", 6, 0);
  fs.Flush(file);
  EXPECT_EQ(fs.Status(file).size, 6);
  EXPECT_EQ(fs.Status(file).linkCount, 0u);
  EXPECT_TRUE(ListFolder(fs, dir.path()).empty());
  fs.FlushVolume(*folder);
}

TEST(VolumeClassTest, AMemoryFileSystemIsClassifiedFromTheMountTable) {
  TempDir dir;
  const std::string mountPath = dir.MakeFolder("shm");
  const bool ran = InOwnMountNamespace([&] {
    if (!MountMemory(mountPath)) SkipChild("mounting a file system needs root");
    platform::PosixFileSystem fs;
    const platform::VolumeClass volume = fs.ClassifyVolume(mountPath + "inner/file");
    EXPECT_EQ(volume.mountPoint + "/", mountPath);
    EXPECT_EQ(volume.fileSystemType, "tmpfs");
    EXPECT_EQ(volume.kinds, Kinds{ResidueKind::Memory});
  });
  if (!ran) GTEST_SKIP() << "a mount namespace of its own needs root";
}

}  // namespace
}  // namespace nulvane::testing
