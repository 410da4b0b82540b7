// "Purge free space" after a plain delete, the case it exists for, on real file systems in loop-mounted
// images searched byte by byte afterwards: what the fill leaves is either nothing of the deleted files, or
// named in the result with its amount and cause, and the exit status is then 1. Mounting needs root (as in
// CI); without it these tests skip.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/CliRunner.h"
#include "testsupport/LoopImage.h"
#include "testsupport/MountNamespace.h"

namespace nulvane::testing {
namespace {

constexpr const char* kLargeMarker = "NULVANE-DELETED-LARGE";
constexpr const char* kSmallMarker = "NULVANE-DELETED-SMALL";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

void WriteFlushed(const std::string& path, const std::string& marker, std::size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "%s %06d what a deleted file held\n", marker.c_str(), i);
    text += line;
  }
  text.resize(bytes);
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(file, 0) << path;
  EXPECT_EQ(::write(file, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  EXPECT_EQ(::fsync(file), 0);
  ::close(file);
}

struct FillCase {
  const char* type;
  int megabytes;
  bool asNobody;
  // What the result names as out of reach when it does not call the free space purged.
  const char* cause;
};

class FreeSpaceAfterDelete : public ::testing::TestWithParam<FillCase> {};

TEST_P(FreeSpaceAfterDelete, DeletedFilesAreGoneOrTheRestIsNamedAndTheExitStatusIsOne) {
  if (::geteuid() != 0) GTEST_SKIP() << "loop-mounting an image needs root";
  const FillCase& c = GetParam();
  const passwd* nobody = ::getpwnam("nobody");
  if (c.asNobody && nobody == nullptr) GTEST_SKIP() << "no user nobody";
  TempDir temp;
  const bool ran = InOwnMountNamespace([&] {
    LoopImage image(temp.path(), c.type, c.megabytes, "");
    ASSERT_TRUE(image.mounted()) << "mkfs." << c.type << " and a loop device are needed";
    const std::string mount = image.mountPoint();
    // A large file and a small one (3 KiB), each on the device before it is deleted with a plain unlink.
    WriteFlushed(mount + "/large.txt", kLargeMarker, 1 << 20);
    WriteFlushed(mount + "/small.txt", kSmallMarker, 3072);
    ::sync();
    ASSERT_EQ(::unlink((mount + "/large.txt").c_str()), 0);
    ASSERT_EQ(::unlink((mount + "/small.txt").c_str()), 0);
    ::sync();

    CliRunner cli(temp);
    CliRunner::Options options;
    if (c.asNobody) {
      // An ordinary user may write to the volume, and reach the program's folders on the way.
      ::chmod(mount.c_str(), 01777);
      ::chmod(temp.path().c_str(), 0755);
      ::chmod(cli.configFolder().c_str(), 0777);
      ::chmod((temp / "cli-data").c_str(), 0777);
      options.user = static_cast<int>(nobody->pw_uid);
      options.group = static_cast<int>(nobody->pw_gid);
    }
    const CliRunner::Result filled = cli.Run({"free-space", "--yes", mount}, options);
    image.Unmount();
    ASSERT_FALSE(image.mounted());
    const std::size_t large = image.Count(kLargeMarker);
    const std::size_t small = image.Count(kSmallMarker);
    std::printf("[ image    ] %-5s %-6s exit %d, lines left of the large file %zu, of the small one %zu\n",
                c.type, c.asNobody ? "nobody" : "root", filled.status, large, small);
    const std::size_t so = filled.out.find("\nSo ");
    if (so != std::string::npos)
      std::printf("[ image    ] %s\n",
                  filled.out.substr(so + 1, filled.out.find('\n', so + 1) - so - 1).c_str());

    if (filled.status == 0) {
      EXPECT_TRUE(Contains(filled.out, "The free space of Drive " + mount + " has been purged.\n"))
          << filled.out;
      EXPECT_EQ(large, 0u);
      EXPECT_EQ(small, 0u);
    } else {
      EXPECT_EQ(filled.status, 1) << filled.out << filled.err;
      EXPECT_FALSE(Contains(filled.out, "has been purged")) << filled.out;
      EXPECT_TRUE(Contains(filled.out, c.cause)) << filled.out;
      EXPECT_TRUE(Contains(filled.out, " of the free space of Drive " + mount + " was not overwritten"))
          << filled.out;
    }
    // Whatever the outcome, the fill left nothing of its own.
    ASSERT_TRUE(image.Mount());
    EXPECT_FALSE(Exists(mount + "/_nv_free1"));
  });
  if (!ran) GTEST_SKIP() << "no mount namespace of its own";
}

INSTANTIATE_TEST_SUITE_P(
    Images, FreeSpaceAfterDelete,
    ::testing::Values(FillCase{"ext4", 200, false, "is the reserve that ext4 keeps free"},
                      FillCase{"xfs", 300, false, "is the reserve pool that xfs keeps"},
                      // mkfs.ext4 keeps 5 % for the administrator.
                      FillCase{"ext4", 200, true,
                               "is kept for the administrator: purging the free space as "
                               "administrator (root) overwrites that too."}),
    [](const ::testing::TestParamInfo<FillCase>& info) {
      return std::string(info.param.type) + (info.param.asNobody ? "AsAnOrdinaryUser" : "AsAdministrator");
    });

}  // namespace
}  // namespace nulvane::testing
