// The command line end to end where walks must hold their folders: a tree deeper than the longest path the
// system accepts, and mounts below the chosen folder (made in a child with a mount namespace of its own,
// which the program run for the test inherits).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "cli/CliRunner.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/DeepTree.h"

namespace nulvane::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class HeldFolderCliTest : public ::testing::Test {
 protected:
  HeldFolderCliTest() { ::setenv("LC_ALL", "C", 1); }

  TempDir temp;
  CliRunner cli{temp};
};

TEST_F(HeldFolderCliTest, AFileDeeperThanTheLongestPathIsPurgedNotOverlooked) {
  const std::string top = temp.MakeFolder("deep");
  const DeepTree tree(top, 24, std::string(200, 'd'));
  ASSERT_TRUE(tree.Write(24, "secret.txt", SampleContent(3000, 5)));

  const CliRunner::Result list = cli.Run({"list", "--subfolders", top});
  EXPECT_EQ(list.status, 0) << list.out << list.err;
  EXPECT_TRUE(Contains(list.out, "secret.txt (")) << list.out;

  const CliRunner::Result run = cli.Run({"purge", "--subfolders", "--file-names", "--yes", top});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_FALSE(Contains(run.out + run.err, "There are no files")) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "secret.txt (3000 bytes) purged")) << run.out;
  EXPECT_FALSE(tree.Exists(24, "secret.txt"));
}

TEST_F(HeldFolderCliTest, AFolderAndAFileBoundIntoTheTargetAreNamedAndLeftWhole) {
  const std::string top = temp.MakeFolder("target");
  temp.Write("target/mine.txt", SampleContent(2000, 1));
  temp.MakeFolder("target/bound");
  const std::string covered = temp.Write("target/covered.txt", SampleContent(300, 2));
  const std::string secret = temp.Write("outside/secret.txt", SampleContent(4000, 3));
  const std::string outsideFile = temp.Write("outside.txt", SampleContent(5000, 4));
  const ChildOutcome outcome = RunInChild(
      [&] {
        if (!BindMount(temp / "outside", top + "bound") || !BindMount(outsideFile, covered))
          SkipChild("mounting needs root");
        const CliRunner::Result run = cli.Run({"purge", "--subfolders", "--file-names", "--yes", top});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_TRUE(Contains(run.out, "\nbound: a mount point, not purged.\n")) << run.out;
        EXPECT_TRUE(Contains(run.out, "\ncovered.txt: a file mounted from elsewhere, not purged.\n"))
            << run.out;
        EXPECT_TRUE(Contains(run.out, "mine.txt (2000 bytes) purged")) << run.out;
        EXPECT_EQ(ReadFile(secret), SampleContent(4000, 3));
        EXPECT_EQ(ReadFile(outsideFile), SampleContent(5000, 4));
      },
      true);
  if (outcome == ChildOutcome::Skipped) GTEST_SKIP() << "mounting needs root";
  EXPECT_EQ(outcome, ChildOutcome::Passed);
  EXPECT_EQ(ReadFile(secret), SampleContent(4000, 3));
  EXPECT_EQ(ReadFile(outsideFile), SampleContent(5000, 4));
  EXPECT_EQ(ReadFile(covered), SampleContent(300, 2));
  EXPECT_FALSE(Exists(top + "mine.txt"));
}

}  // namespace
}  // namespace nulvane::testing
