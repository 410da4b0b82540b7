// Where overwriting in place cannot reach every copy, end to end: the warning on the command line, and
// real copy-on-write and data=journal file systems in loop-mounted images, searched byte by byte after a
// purge and after the free-space purge. Mounting needs root (as in CI); without it these tests skip.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

#include "cli/CliRunner.h"
#include "testsupport/LoopImage.h"
#include "testsupport/MountNamespace.h"

namespace nulvane::testing {
namespace {

constexpr const char* kMarker = "NULVANE-RESIDUE-MARKER";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A file of marker lines, forced to the device, so that the image holds it before the purge.
std::string WriteMarkers(const std::string& folder, int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) {
    char line[80];
    std::snprintf(line, sizeof line, "%s %06d the secret that must not survive\n", kMarker, i);
    text += line;
  }
  const std::string path = folder + "/secret.txt";
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  EXPECT_EQ(::write(file, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  EXPECT_EQ(::fsync(file), 0);
  ::close(file);
  ::sync();
  return path;
}

double FreeBytes(const std::string& folder) {
  struct statvfs info {};
  ::statvfs(folder.c_str(), &info);
  return static_cast<double>(info.f_bavail) * static_cast<double>(info.f_frsize);
}

// Purges the marker file with one pass, shows that the image still holds it, purges the free space and
// shows that nothing of it is left, and that the result names the free space that stayed out of reach.
void PurgeAndSearch(LoopImage& image, const TempDir& temp, const std::string& kind,
                    const std::string& unreached) {
  const std::string secret = WriteMarkers(image.mountPoint(), 20000);
  const std::size_t written = 20000;
  CliRunner cli(temp);
  const CliRunner::Result purged = cli.Run({"purge", "--yes", "--type", "0", "--passes", "1", secret});
  ASSERT_EQ(purged.status, 0) << purged.out << purged.err;
  EXPECT_TRUE(Contains(purged.err, "Drive " + image.mountPoint() + " is " + kind)) << purged.err;
  EXPECT_TRUE(Contains(purged.err, "nulvane-cli free-space " + image.mountPoint())) << purged.err;
  EXPECT_FALSE(Exists(secret));

  // The scan finds what one pass could not reach: it would find what the free-space purge left too.
  image.Unmount();
  ASSERT_FALSE(image.mounted());
  EXPECT_GT(image.Count(kMarker), written / 10);
  ASSERT_TRUE(image.Mount());

  const double freeBefore = FreeBytes(image.mountPoint());
  const CliRunner::Result filled = cli.Run({"free-space", "--yes", image.mountPoint()});
  // Both keep free space back that no program may fill (btrfs for its records, ext4 its reserve): the
  // result names it and is no success, though the purged file's old copies are gone.
  ASSERT_EQ(filled.status, 1) << filled.out << filled.err;
  EXPECT_TRUE(Contains(filled.out, unreached)) << filled.out;
  EXPECT_TRUE(
      Contains(filled.out, " of the free space of Drive " + image.mountPoint() + " was not overwritten"))
      << filled.out;
  EXPECT_FALSE(Contains(filled.out, "has been purged")) << filled.out;
  // Nothing of it is left, and the space is free again at once.
  EXPECT_FALSE(Exists(image.mountPoint() + "/_nv_free1"));
  EXPECT_GE(FreeBytes(image.mountPoint()), freeBefore * 0.98);

  image.Unmount();
  ASSERT_FALSE(image.mounted());
  EXPECT_EQ(image.Count(kMarker), 0u);
}

// The control case, and the promise of the program: on a file system that overwrites in place, one pass
// leaves nothing of the file anywhere on the device, and nobody is warned.
TEST(ResidueImage, AnInPlaceFileSystemKeepsNothingOfAPurgedFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "loop-mounting an image needs root";
  TempDir temp;
  InOwnMountNamespace([&] {
    LoopImage image(temp.path(), "ext4", 64, "");
    ASSERT_TRUE(image.mounted()) << "mkfs.ext4 (e2fsprogs) and a loop device are needed";
    const std::string secret = WriteMarkers(image.mountPoint(), 20000);
    // A second file whose length is no whole number of clusters, in a subfolder.
    ASSERT_EQ(::mkdir((image.mountPoint() + "/sub").c_str(), 0700), 0);
    const std::string odd = WriteMarkers(image.mountPoint() + "/sub", 77);
    CliRunner cli(temp);
    const CliRunner::Result purged =
        cli.Run({"purge", "--yes", "--subfolders", "--type", "0", "--passes", "1", image.mountPoint()});
    ASSERT_EQ(purged.status, 0) << purged.out << purged.err;
    EXPECT_FALSE(Contains(purged.err, "free-space")) << purged.err;
    EXPECT_FALSE(Exists(secret));
    EXPECT_FALSE(Exists(odd));
    image.Unmount();
    ASSERT_FALSE(image.mounted());
    EXPECT_EQ(image.Count(kMarker), 0u);
  });
}

TEST(ResidueImage, CopyOnWriteKeepsAPurgedFileUntilTheFreeSpaceIsPurged) {
  if (::geteuid() != 0) GTEST_SKIP() << "loop-mounting an image needs root";
  TempDir temp;
  InOwnMountNamespace([&] {
    LoopImage image(temp.path(), "btrfs", 160, "");
    ASSERT_TRUE(image.mounted()) << "mkfs.btrfs (btrfs-progs) and a loop device are needed";
    PurgeAndSearch(image, temp, "a copy-on-write file system (btrfs)",
                   "is room that btrfs keeps for its own records");
  });
}

TEST(ResidueImage, DataJournalKeepsAPurgedFileUntilTheFreeSpaceIsPurged) {
  if (::geteuid() != 0) GTEST_SKIP() << "loop-mounting an image needs root";
  TempDir temp;
  InOwnMountNamespace([&] {
    LoopImage image(temp.path(), "ext4", 128, "data=journal");
    ASSERT_TRUE(image.mounted()) << "mkfs.ext4 (e2fsprogs) and a loop device are needed";
    PurgeAndSearch(image, temp, "an ext4 file system mounted with data=journal",
                   "is the reserve that ext4 keeps free");
  });
}

TEST(ResidueCli, TheWarningIsPrintedAndOnlyAcceptResidueGoesOnWithoutATerminal) {
  TempDir temp;
  const std::string folder = temp.MakeFolder("memory");
  const bool ran = InOwnMountNamespace([&] {
    if (!MountMemory(folder)) SkipChild("mounting a file system needs root");
    const std::string volume = folder.substr(0, folder.size() - 1);
    const std::string file = temp.Write("memory/secret.txt", SampleContent(3000));
    CliRunner cli(temp);
    CliRunner::Options asIs;
    asIs.acceptResidue = false;

    const CliRunner::Result refused = cli.Run({"purge", "--yes", file}, asIs);
    EXPECT_EQ(refused.status, 3) << refused.err;
    EXPECT_TRUE(Contains(refused.err, "Purge files: Overwriting may not reach all of the data on Drive " +
                                          volume + ".\nDrive " + volume +
                                          " is a memory file system (tmpfs).\n"))
        << refused.err;
    EXPECT_TRUE(Contains(refused.err, "(No terminal to answer on: No.)")) << refused.err;
    EXPECT_TRUE(Contains(refused.err, "nulvane-cli: nothing was purged in " + file)) << refused.err;
    EXPECT_EQ(ReadFile(file), SampleContent(3000));

    // At a terminal the user is asked; No there is the same refusal.
    CliRunner::Options terminal = asIs;
    terminal.terminalInput = true;
    terminal.input = "n\n";
    EXPECT_EQ(cli.Run({"purge", "--yes", file}, terminal).status, 3);
    EXPECT_EQ(ReadFile(file), SampleContent(3000));

    const CliRunner::Result accepted = cli.Run({"purge", "--yes", "--accept-residue", file}, asIs);
    EXPECT_EQ(accepted.status, 0) << accepted.err;
    EXPECT_TRUE(Contains(accepted.err, "is a memory file system (tmpfs).")) << accepted.err;
    // The free space of memory holds no old files: nothing is offered for it.
    EXPECT_FALSE(Contains(accepted.err, "free-space")) << accepted.err;
    EXPECT_FALSE(Exists(file));

    const CliRunner::Result fill = cli.Run({"free-space", "--yes", folder});
    EXPECT_EQ(fill.status, 1) << fill.err;
    EXPECT_TRUE(Contains(fill.err, "is a memory file system: its free space is memory")) << fill.err;
  });
  if (!ran) GTEST_SKIP() << "a mount namespace of its own needs root";
}

TEST(ResidueCli, FreeSpaceWantsAVolumeAndAnAnswer) {
  TempDir temp;
  CliRunner cli(temp);
  EXPECT_EQ(cli.Run({"free-space"}).status, 2);
  EXPECT_EQ(cli.Run({"free-space", temp / "missing"}).status, 2);
  // Nobody to answer the question: nothing is written.
  const CliRunner::Result unanswered = cli.Run({"free-space", temp.path()});
  EXPECT_EQ(unanswered.status, 3) << unanswered.err;
  EXPECT_TRUE(Contains(unanswered.err, "Do you wish to proceed?\n(No terminal to answer on: No.)"))
      << unanswered.err;
  EXPECT_FALSE(Contains(unanswered.out, "Purging the free space"));
}

}  // namespace
}  // namespace nulvane::testing
