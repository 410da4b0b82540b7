// Where the names of deleted files stay: on each file system this machine can mount (in the kernel or
// through a FUSE driver), one file is deleted with a plain unlink (the control) and one is purged, and the
// raw image is searched for each name, as bytes and as UTF-16 (as NTFS, exFAT and VFAT's long names store
// it), and listed with sleuthkit's `fls -rd` where it reads the file system. The table is printed. Purging
// does not yet rename a file before it deletes it, so nothing is asserted of the purged name here.
// Mounting needs root (as in CI); without it this test skips.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "testsupport/LoopImage.h"
#include "testsupport/MountNamespace.h"

namespace nulvane::testing {
namespace {

std::string Utf16(const std::string& ascii) {
  std::string wide;
  for (const char c : ascii) wide += std::string{c, '\0'};
  return wide;
}

std::size_t CountIn(const std::string& image, const std::string& pattern) {
  std::ifstream in(image, std::ios::binary);
  std::vector<char> block(8 << 20);
  std::string carry;
  std::size_t count = 0;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    const std::string text = carry + std::string(block.data(), static_cast<std::size_t>(in.gcount()));
    for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + 1))
      ++count;
    // A name cut at the block's end is found with the next block; one found whole is not found again.
    carry = text.substr(text.size() - std::min(text.size(), pattern.size() - 1));
  }
  return count;
}

struct Finding {
  std::size_t bytes = 0;
  std::size_t utf16 = 0;
  int listed = -1;  // -1: fls does not read this file system
};

Finding Find(const std::string& image, const std::string& name, bool flsReads) {
  Finding finding;
  finding.bytes = CountIn(image, name);
  finding.utf16 = CountIn(image, Utf16(name));
  if (flsReads) {
    std::string listing;
    if (LoopImage::Run({"fls", "-rd", image}, &listing) == 0) {
      finding.listed = 0;
      for (std::size_t at = listing.find(name); at != std::string::npos; at = listing.find(name, at + 1))
        ++finding.listed;
    }
  }
  return finding;
}

struct FileSystemCase {
  std::string type;
  int megabytes;
  std::vector<std::string> make;   // the command that makes it, the image's path appended
  std::vector<std::string> mount;  // empty: the kernel mounts it from a loop device; else a FUSE driver
  bool fuseNeedsDevice = false;    // the driver takes a block device, not an image file
  bool flsReads = false;
};

std::string Cell(const Finding& f) {
  char cell[48];
  std::snprintf(cell, sizeof cell, "%3zu %3zu %4s", f.bytes, f.utf16,
                f.listed < 0 ? "-" : std::to_string(f.listed).c_str());
  return cell;
}

TEST(NameResidueImage, NamesFoundAfterAPlainDeleteAndAfterAPurge) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting an image needs root";
  const std::vector<FileSystemCase> cases = {
      {"ext4", 64, {"mkfs.ext4", "-q"}, {}, false, true},
      {"xfs", 300, {"mkfs.xfs", "-q"}, {}, false, false},
      {"btrfs", 160, {"mkfs.btrfs", "-q"}, {}, false, false},
      {"exfat", 64, {"mkfs.exfat"}, {"mount.exfat-fuse"}, true, true},
      {"ntfs", 64, {"mkfs.ntfs", "-F", "-Q"}, {"ntfs-3g"}, false, true},
      {"vfat", 64, {"mkfs.vfat"}, {"fusefat", "-o", "rw+"}, false, true},
  };
  std::vector<std::string> rows;
  TempDir temp;
  const bool ran = InOwnMountNamespace([&] {
    for (const FileSystemCase& c : cases) {
      const std::string image = temp / (c.type + ".img");
      const std::string mount = temp.MakeFolder(c.type);
      const int file = ::open(image.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ASSERT_EQ(::ftruncate(file, static_cast<off_t>(c.megabytes) << 20), 0);
      ::close(file);
      std::vector<std::string> make = c.make;
      make.push_back(image);
      if (LoopImage::Run(make) != 0) {
        rows.push_back(c.type + ": cannot be made here (" + make.front() + ")");
        continue;
      }
      std::string device;
      if (c.mount.empty() || c.fuseNeedsDevice) {
        ASSERT_EQ(LoopImage::Run({"losetup", "--find", "--show", image}, &device), 0);
        while (!device.empty() && (device.back() == '\n' || device.back() == ' ')) device.pop_back();
      }
      std::vector<std::string> mountCommand = c.mount.empty() ? std::vector<std::string>{"mount"} : c.mount;
      mountCommand.push_back(device.empty() ? image : device);
      mountCommand.push_back(mount);
      if (LoopImage::Run(mountCommand) != 0) {
        rows.push_back(c.type + ": cannot be mounted here (" + mountCommand.front() + ")");
        if (!device.empty()) LoopImage::Run({"losetup", "-d", device});
        continue;
      }
      // Names as a user might give them, unlike anything else on the image.
      const std::string control = "NvControlSettlementDraft.txt";
      const std::string purged = "NvPurgedSettlementDraft.txt";
      for (const std::string& name : {control, purged}) {
        std::ofstream(mount + "/" + name) << std::string(3000, 'x');
      }
      ::sync();
      EXPECT_EQ(::unlink((mount + "/" + control).c_str()), 0);
      CliRunner cli(temp);
      const CliRunner::Result result =
          cli.Run({"purge", "--yes", "--type", "0", "--passes", "1", mount + "/" + purged});
      EXPECT_EQ(result.status, 0) << c.type << result.out << result.err;
      ::sync();
      EXPECT_EQ(LoopImage::Run({"umount", mount}), 0) << c.type;
      if (!device.empty()) LoopImage::Run({"losetup", "-d", device});
      rows.push_back(c.type + std::string(6 - c.type.size(), ' ') + "| " +
                     Cell(Find(image, control, c.flsReads)) + " | " + Cell(Find(image, purged, c.flsReads)));
      ::unlink(image.c_str());
    }
    std::printf(
        "[ names    ] copies of a deleted file's name: bytes, UTF-16, fls -rd (- where fls cannot read "
        "it)\n");
    std::printf("[ names    ] type  | plain unlink  | purged\n");
    for (const std::string& row : rows) std::printf("[ names    ] %s\n", row.c_str());
  });
  if (!ran) GTEST_SKIP() << "no mount namespace of its own";
}

}  // namespace
}  // namespace nulvane::testing
