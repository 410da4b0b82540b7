// What the main window says about the target stays true: the date restriction in force is always shown,
// long folders keep their own name in view, and odd names read as what is on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "mainwindow/MainWindowFixture.h"
#include "support/Match.h"

namespace nulvane::testing {
namespace {

using platform::Answer;

TEST_F(MainWindowTest, TheDateLabelShowsTheRestrictionWhateverBecomesOfTheTarget) {
  RestrictDates(2012, 1, 5);
  const std::string restriction = window.lblDateRestriction.caption;
  ASSERT_EQ(restriction.rfind("Purge only files with dates before ", 0), 0u) << restriction;

  // "Subfolders?" before any folder is chosen.
  window.cmdSubdirectories_Release();
  EXPECT_EQ(window.lblDateRestriction.caption, restriction);

  // A folder that can no longer be reached.
  const std::string gone = Folder("gone");
  temp.Write("gone/a.txt", "a");
  SpecifyFolder(gone, Answer::Yes);
  std::filesystem::remove_all(gone);
  ui.Answer(Answer::Ok);
  window.cmdSubdirectories_Release();
  EXPECT_EQ(ui.LastMessage().text, "Error when attempting to access " + gone + ".");
  EXPECT_EQ(window.lblDateRestriction.caption, restriction);

  // "Folder does not exist." from the purge command.
  const std::string vanished = Folder("vanished");
  temp.Write("vanished/a.txt", "a");
  SpecifyFolder(vanished, Answer::Yes);
  std::filesystem::remove_all(vanished);
  ui.Answer(Answer::Ok);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().text, "Folder does not exist.");
  EXPECT_EQ(window.lblFiles.caption, "Not specified");
  EXPECT_EQ(window.lblDateRestriction.caption, restriction);
  EXPECT_TRUE(state.blnDateRestriction);
}

TEST_F(MainWindowTest, ALongFolderKeepsItsOwnNameInViewFromRefreshToRefresh) {
  const std::string folder =
      Folder("a-rather-long-folder-name/another-long-folder-name/yet-another-folder/final-folder");
  ASSERT_GT(folder.size(), 70u);
  ui.QueueFolder(folder);
  window.cmdSpecifyDirectory_Release(0);
  const std::string shown = window.lblDirectory.caption;
  EXPECT_LE(support::CharacterCount(shown), 70u);
  EXPECT_TRUE(shown.ends_with("/final-folder/")) << shown;
  EXPECT_NE(shown.find("..."), std::string::npos) << shown;
  for (int refresh = 0; refresh < 5; ++refresh) {
    window.UpdateTargetLabels();
    EXPECT_EQ(window.lblDirectory.caption, shown);
  }
}

TEST_F(MainWindowTest, NamesWithLineBreaksAreShownEscapedAndPurgedByTheirRealNames) {
  const std::string folder = Folder("odd\nfolder");
  temp.Write("odd\nfolder/two\nlines.txt", SampleContent(100, 1));
  SpecifyFolder(folder, Answer::Yes);
  const std::string shownFolder = temp / "odd\\nfolder/";
  EXPECT_EQ(ui.messages()[0].text, "Do you wish to purge ALL files in " + shownFolder +
                                       "\r\n(subject to any date restriction which is in effect)?");
  EXPECT_EQ(window.lblDirectory.caption, shownFolder);

  ui.OnDialog("frmPurgeConfirmation", [this](platform::Dialog&) {
    confirmationText = confirmation.lblMessage.caption;
    confirmation.ClickCheck(confirmation.chkFolderNamesOnly, false);
    confirmation.cmdDoPurge();
  });
  ui.Answer(Answer::No);  // "Delete folder ...?"
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(confirmationText, "Are you sure that you want to purge the single file in \r\n" + shownFolder +
                                  " ?\r\nThis will permanently destroy all data in this file.");
  EXPECT_EQ(ui.LastMessage().text, "Delete folder " + shownFolder + "?");
  EXPECT_NE(report.txbText.text().find("\r\ntwo\\nlines.txt (100 bytes) purged\r\n"), std::string::npos)
      << report.txbText.text();
  EXPECT_FALSE(Exists(folder + "two\nlines.txt"));
}

}  // namespace
}  // namespace nulvane::testing
