// Trees deeper than the longest path the system accepts: the walks reach them through the folders they
// hold, one per level, and what lies deeper than the folders a program may hold open is reported as not
// reached, never passed over in silence.
#include <gtest/gtest.h>

#include "report/ReportTestSupport.h"
#include "testsupport/DeepTree.h"

namespace nulvane::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(Depth, AFileBeyondTheLongestPathIsCountedListedAndPurged) {
  ReportProgram p;
  const std::string top = p.dir.MakeFolder("deep");
  // 24 levels of 200-character names: about 4,850 characters below the folder.
  const DeepTree tree(top, 24, std::string(200, 'd'));
  ASSERT_GT(tree.DeepestPath().size(), 4096u);
  ASSERT_TRUE(tree.Write(24, "secret.txt", SampleContent(3000, 7)));

  EXPECT_EQ(p.Count(top, "*.*", true, 0), 1);
  p.List(top, "*.*", true, true, true);
  EXPECT_TRUE(Contains(p.report.txbText.text(), "secret.txt (")) << p.report.txbText.text();

  p.confirmation.blnDeleteEmptyFolders = true;
  p.Purge(top, "*.*", true);
  EXPECT_EQ(p.report.lngNumFilesPurged, 1) << p.report.txbText.text();
  EXPECT_EQ(p.report.lngNumFoldersNotReached, 0);
  EXPECT_TRUE(p.ui.messages().empty()) << p.ui.LastMessage().text;
  EXPECT_FALSE(tree.Exists(0, std::string(200, 'd'))) << "the emptied folders are removed";
  EXPECT_EQ(p.report.intNumFoldersRemoved, 24);
}

// Beyond the deepest level a walk holds open (as where the system lets it hold no more folders open) the
// rest of the tree is not reached, and the report says so.
TEST(Depth, WhatLiesDeeperThanTheFoldersAWalkHoldsIsNotReachedAndSaysSo) {
  ReportProgram p;
  const std::string top = p.dir.MakeFolder("deep");
  const int levels = platform::kDeepestWalk + 2;
  const DeepTree tree(top, levels, "l");
  ASSERT_TRUE(tree.Write(0, "top.txt", "top"));
  ASSERT_TRUE(tree.Write(levels, "secret.txt", "secret"));

  p.List(top, "*.*", true, true, true);
  EXPECT_EQ(p.report.lngNumFoldersNotReached, 1);
  EXPECT_TRUE(Contains(p.report.txbText.text(), "Number of folders not reached: 1\r\n"));

  p.confirmation.blnDeleteEmptyFolders = true;
  p.Purge(top, "*.*", true);
  const std::string report = p.report.txbText.text();
  EXPECT_TRUE(Contains(report,
                       "/l/: not reached (deeper than the folders the program can hold open), "
                       "not purged.\r\n"));
  EXPECT_TRUE(Contains(report, "Number of folders not reached: 1\r\n"));
  EXPECT_EQ(p.report.lngNumFilesPurged, 1);
  EXPECT_FALSE(tree.Exists(0, "top.txt"));
  EXPECT_TRUE(tree.Exists(levels, "secret.txt"));
}

}  // namespace
}  // namespace nulvane::testing
