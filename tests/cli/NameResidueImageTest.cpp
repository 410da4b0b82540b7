// Where the names of deleted files stay: on each file system this machine can mount (in the kernel or
// through a FUSE driver), one file is deleted with a plain unlink (the control) and one is purged, each in a
// folder of its own among other files, and the raw image is searched for each name, as bytes and as UTF-16
// (as NTFS, exFAT and VFAT's long names store it), and listed with sleuthkit's `fls -rd` where it reads the
// file system. Where the file system keeps a journal (ext4, xfs), "free-space" then writes it over, and the
// image is searched again. The table is printed.
//
// What the purge guarantees is asserted: no copy of the purged name is left where the freed entries of its
// folder hold names (exFAT, NTFS, VFAT), nor, once the journal has been written over, anywhere on ext4 and
// xfs. btrfs keeps old copies of its records that nothing but new records reach: printed only.
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

  bool None() const { return bytes == 0 && utf16 == 0 && listed <= 0; }
};

std::string FlsListing(const std::string& image) {
  std::string listing;
  if (LoopImage::Run({"fls", "-rd", image}, &listing) != 0) return {};
  return listing;
}

Finding Find(const std::string& image, const std::string& name, bool flsReads, const std::string& listing) {
  Finding finding;
  finding.bytes = CountIn(image, name);
  finding.utf16 = CountIn(image, Utf16(name));
  if (flsReads) {
    finding.listed = 0;
    for (std::size_t at = listing.find(name); at != std::string::npos; at = listing.find(name, at + 1))
      ++finding.listed;
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
  bool journal = false;        // "free-space" writes its journal over
  bool entriesFilled = false;  // the purge's name is gone from the folder's entries at once
  // NTFS keeps a folder's entries sorted in index blocks: the filling entry lands in the block its random
  // name sorts into, so the tail of the block that held the purged name (when it sorted last there) may
  // keep a copy of it. Only the file's own record (what fls lists) is sure to be written over.
  bool indexTailMayKeep = false;
};

std::string Cell(const Finding& f) {
  char cell[48];
  std::snprintf(cell, sizeof cell, "%3zu %3zu %4s", f.bytes, f.utf16,
                f.listed < 0 ? "-" : std::to_string(f.listed).c_str());
  return cell;
}

// A folder of the volume with `others` small files and the file `name` beside them.
void MakeFolder(const std::string& folder, const std::string& name, int others) {
  ::mkdir(folder.c_str(), 0755);
  for (int i = 0; i < others; ++i) std::ofstream(folder + "/kept" + std::to_string(i) + ".txt") << "kept";
  std::ofstream(folder + "/" + name) << std::string(3000, 'x');
}

TEST(NameResidueImage, NamesFoundAfterAPlainDeleteAndAfterAPurge) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting an image needs root";
  const std::vector<FileSystemCase> cases = {
      {"ext4", 64, {"mkfs.ext4", "-q", "-b", "4096"}, {}, false, true, true, false},
      {"xfs", 300, {"mkfs.xfs", "-q"}, {}, false, false, true, false},
      {"btrfs", 160, {"mkfs.btrfs", "-q"}, {}, false, false, false, false},
      {"exfat", 64, {"mkfs.exfat"}, {"mount.exfat-fuse"}, true, true, false, true},
      {"ntfs", 64, {"mkfs.ntfs", "-F", "-Q"}, {"ntfs-3g"}, false, true, false, true, true},
      {"vfat", 64, {"mkfs.vfat"}, {"fusefat", "-o", "rw+"}, false, true, false, true},
  };
  // Names as a user might give them, unlike anything else on the image.
  const std::string control = "NvControlSettlementDraft.txt";
  const std::string purged = "NvPurgedSettlementDraft.txt";
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
      // Folders of a few dozen files: xfs keeps them in blocks of their own, as it does most folders.
      MakeFolder(mount + "/control", control, 40);
      MakeFolder(mount + "/purged", purged, 40);
      ::sync();
      EXPECT_EQ(::unlink((mount + "/control/" + control).c_str()), 0);
      CliRunner cli(temp);
      const CliRunner::Result result =
          cli.Run({"purge", "--yes", "--type", "0", "--passes", "1", mount + "/purged/" + purged});
      EXPECT_EQ(result.status, 0) << c.type << result.out << result.err;
      ::sync();
      EXPECT_EQ(LoopImage::Run({"umount", mount}), 0) << c.type;
      std::string listing = c.flsReads ? FlsListing(image) : std::string();
      const Finding controlFound = Find(image, control, c.flsReads, listing);
      const Finding purgedFound = Find(image, purged, c.flsReads, listing);
      std::string row = c.type + std::string(6 - c.type.size(), ' ') + "| " + Cell(controlFound) + " | " +
                        Cell(purgedFound);
      if (c.entriesFilled && c.indexTailMayKeep) {
        EXPECT_EQ(purgedFound.bytes, 0u) << c.type;
        EXPECT_EQ(purgedFound.listed, 0) << c.type;
      } else if (c.entriesFilled) {
        EXPECT_TRUE(purgedFound.None()) << c.type << ": " << Cell(purgedFound);
      }
      if (c.journal) {
        EXPECT_EQ(LoopImage::Run(mountCommand), 0) << c.type;
        const CliRunner::Result freeSpace = cli.Run({"free-space", "--yes", mount});
        // The reserves that no program may fill make it 1 on ext4 and xfs; what matters here is the
        // journal's line.
        EXPECT_NE(freeSpace.out.find("has been written over"), std::string::npos)
            << c.type << freeSpace.out << freeSpace.err;
        ::sync();
        EXPECT_EQ(LoopImage::Run({"umount", mount}), 0) << c.type;
        listing = c.flsReads ? FlsListing(image) : std::string();
        const Finding controlLater = Find(image, control, c.flsReads, listing);
        const Finding purgedLater = Find(image, purged, c.flsReads, listing);
        row += " | " + Cell(controlLater) + " | " + Cell(purgedLater);
        EXPECT_TRUE(purgedLater.None()) << c.type << ": " << Cell(purgedLater);
      }
      if (!device.empty()) LoopImage::Run({"losetup", "-d", device});
      rows.push_back(row);
      ::unlink(image.c_str());
    }
    std::printf(
        "[ names    ] copies of a deleted file's name: bytes, UTF-16, fls -rd (- where fls cannot read "
        "it)\n");
    std::printf(
        "[ names    ] type  | plain unlink  | purged        | after free-space: unlink, purged (journals "
        "only)\n");
    for (const std::string& row : rows) std::printf("[ names    ] %s\n", row.c_str());
  });
  if (!ran) GTEST_SKIP() << "no mount namespace of its own";
}

}  // namespace
}  // namespace nulvane::testing
