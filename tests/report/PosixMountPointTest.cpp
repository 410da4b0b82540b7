#include <gtest/gtest.h>

#include <fstream>

#include "report/ReportTestSupport.h"
#include "support/FolderServices.h"
#include "testsupport/MountedFolder.h"

namespace nulvane::testing {
namespace {

// Another file system mounted inside the target (a stick, a network share) is not part of the folder the
// user chose: walks meet its mount point as an entry that is never entered and never purged.
TEST(MountPoint, PurgeOfATreeNeverEntersAFileSystemMountedInIt) {
  ReportProgram p;
  p.dir.Write("a.txt", "aaa");
  const std::string mountPath = p.dir.MakeFolder("stick");
  MountedFolder mount(mountPath);
  if (!mount.mounted()) GTEST_SKIP() << "mounting a file system needs root";
  const std::string inside = mountPath + "data.txt";
  std::ofstream(inside) << SampleContent(300);

  const auto entries = p.fs.ListFolder(p.dir.path());
  const auto stick =
      std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e.name == "stick"; });
  ASSERT_NE(stick, entries.end());
  EXPECT_EQ(stick->kind, platform::FileKind::MountPoint);

  p.confirmation.blnDeleteEmptyFolders = true;
  p.Purge(p.dir.path(), "*.*", true);
  EXPECT_EQ(ReadFile(inside), SampleContent(300));
  EXPECT_FALSE(Exists(p.dir / "a.txt"));
  EXPECT_NE(p.report.txbText.text().find("\r\nstick: a mount point, not purged.\r\n"), std::string::npos);
  EXPECT_EQ(p.report.lngNumFilesPurged, 1);

  // Counting and deleting the folder stop at the mount point as well.
  support::FolderServices folders(p.fs, p.ui);
  std::int32_t count = 0;
  std::int32_t limit = 0;
  double total = 0;
  int error = 0;
  folders.CountFilesInTree(true, p.dir.path(), "data.txt", count, limit, false, total, error);
  EXPECT_EQ(count, 0);
  std::string errorText;
  EXPECT_FALSE(folders.DeleteFolder(p.dir.path(), errorText, true));
  EXPECT_EQ(ReadFile(inside), SampleContent(300));
}

}  // namespace
}  // namespace nulvane::testing
