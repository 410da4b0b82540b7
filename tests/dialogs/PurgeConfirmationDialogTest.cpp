#include <gtest/gtest.h>

#include "dialogs/PurgeConfirmationDialog.h"
#include "engine/ClusterSizeTable.h"
#include "support/OperationState.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"

namespace nulvane::dialogs {
namespace {

using Dialog = PurgeConfirmationDialog;

class PurgeConfirmationDialogTest : public ::testing::Test {
 protected:
  PurgeConfirmationDialogTest() {
    fileSystem.OverrideDisk([this](const std::string&) {
      platform::DiskSpace disk;
      disk.clusterSize = detectedCluster;
      disk.freeBytes = 1e9;
      disk.totalBytes = 2e9;
      return disk;
    });
    dialog.strDriveLetter = "/data";
  }

  void Show(std::function<void(Dialog&)> script) {
    ui.OnDialog("frmPurgeConfirmation",
                [script](platform::Dialog& shown) { script(static_cast<Dialog&>(shown)); });
    ui.ShowModal(dialog);
  }

  std::int64_t detectedCluster = 8192;
  testing::FaultyFileSystem fileSystem;
  testing::FakeUi ui;
  engine::ClusterSizeTable clusterSizes{fileSystem};
  support::OperationState state;
  Dialog dialog{clusterSizes, state};
};

TEST_F(PurgeConfirmationDialogTest, CaptionsAndDefaults) {
  EXPECT_EQ(dialog.caption, "Purge confirmation");
  EXPECT_EQ(dialog.chkOKToPurgeSensitiveFiles.caption, "OK to purge sensitive files (exe, dll, sys, etc.)");
  EXPECT_EQ(dialog.chkDeleteEmptyFolders.caption, "Delete any folder in which all files have been deleted");
  EXPECT_EQ(dialog.cmdCancelButton.caption, "No, cancel this purge");
  EXPECT_FALSE(dialog.chkDoNotDeletePurgedFiles.checked);
  EXPECT_TRUE(dialog.chkFolderNamesOnly.checked);
  EXPECT_TRUE(dialog.chkDeleteEmptyFolders.checked);
  EXPECT_FALSE(dialog.chkConfirmFiles.checked);
  EXPECT_EQ(dialog.cboClusterSize.items.size(), 8u);
  EXPECT_EQ(dialog.cboClusterSize.SelectedText(), "4 KB");
  EXPECT_FALSE(dialog.fraClusterSizeVisible);
}

TEST_F(PurgeConfirmationDialogTest, YesCaptionFollowsSubfoldersAndFileCount) {
  struct Case {
    bool subfolders;
    std::int16_t files;
    const char* caption;
  };
  const Case cases[] = {{false, 1, "Yes, purge this file"},
                        {false, 0, "Yes, purge this file"},
                        {false, 2, "Yes, purge these files"},
                        {false, -1, "Yes, purge these files"},  // more than a thousand
                        {true, 1, "Yes, purge these files"}};
  for (const auto& c : cases) {
    state.blnSubdirectories = c.subfolders;
    state.intNumFiles = c.files;
    Show([&c](Dialog& d) {
      EXPECT_EQ(d.cmdDoPurgeButton.caption, c.caption);
      EXPECT_EQ(d.focus, Dialog::Focus::Cancel);
      d.cmdCancel();
    });
  }
}

TEST_F(PurgeConfirmationDialogTest, YesCopiesTheOptionsAndStoresTheDetectedClusterSize) {
  state.blnSubdirectories = true;
  dialog.lblMessage.caption = "Are you sure?";
  Show([](Dialog& d) {
    EXPECT_EQ(d.cboClusterSize.SelectedText(), "8 KB");
    EXPECT_TRUE(d.chkDeleteEmptyFolders.visible);
    d.ClickCheck(d.chkOKToPurgeReadOnlyFiles, true);
    d.ClickCheck(d.chkConfirmFiles, true);
    d.ClickCheck(d.chkFolderNamesOnly, false);
    EXPECT_EQ(d.focus, Dialog::Focus::Cancel);
    d.cmdDoPurge();
  });
  EXPECT_TRUE(dialog.blnConfirm);
  EXPECT_TRUE(dialog.blnOKToPurgeReadOnlyFiles);
  EXPECT_FALSE(dialog.blnOKToPurgeSystemFiles);
  EXPECT_FALSE(dialog.blnFolderNamesOnly);
  EXPECT_TRUE(dialog.blnDeleteEmptyFolders);
  EXPECT_TRUE(state.blnConfirmFiles);
  EXPECT_EQ(dialog.lblMessage.caption, "Are you sure?");
  EXPECT_EQ(clusterSizes.GetClusterSize("/data"), 8192);
}

TEST_F(PurgeConfirmationDialogTest, SizeNotInTheListKeepsThePreviousSelectionAndYesStoresIt) {
  detectedCluster = 3072;
  Show([](Dialog& d) {
    EXPECT_EQ(d.cboClusterSize.SelectedText(), "4 KB");
    d.cmdDoPurge();
  });
  EXPECT_EQ(clusterSizes.GetClusterSize("/data"), 4096);
}

TEST_F(PurgeConfirmationDialogTest, NoLeavesTheTableAndConfirmFilesAlone) {
  detectedCluster = 3072;
  state.blnConfirmFiles = false;
  Show([](Dialog& d) {
    d.ClickCheck(d.chkConfirmFiles, true);
    d.cmdCancel();
  });
  EXPECT_FALSE(dialog.blnConfirm);
  EXPECT_FALSE(state.blnConfirmFiles);
  EXPECT_EQ(clusterSizes.GetClusterSize("/data"), 3072);
}

// Without subfolders the option is hidden and off for that purge, yet the next purge with subfolders finds
// the user's last choice again, whichever it was.
TEST_F(PurgeConfirmationDialogTest, EmptyFolderDeletionIsOffWithoutSubfoldersAndKeepsTheUsersChoice) {
  for (const bool choice : {true, false}) {
    state.blnSubdirectories = true;
    Show([choice](Dialog& d) {
      d.ClickCheck(d.chkDeleteEmptyFolders, choice);
      d.cmdDoPurge();
    });
    EXPECT_EQ(dialog.blnDeleteEmptyFolders, choice);

    state.blnSubdirectories = false;
    Show([](Dialog& d) {
      EXPECT_FALSE(d.chkDeleteEmptyFolders.visible);
      d.cmdDoPurge();
    });
    EXPECT_FALSE(dialog.blnDeleteEmptyFolders);

    state.blnSubdirectories = true;
    Show([choice](Dialog& d) {
      EXPECT_TRUE(d.chkDeleteEmptyFolders.visible);
      EXPECT_EQ(d.chkDeleteEmptyFolders.checked, choice);
      d.cmdDoPurge();
    });
    EXPECT_EQ(dialog.blnDeleteEmptyFolders, choice);
  }
}

TEST_F(PurgeConfirmationDialogTest, DoNotDeleteGovernsOnlyThePurgeStartedWithIt) {
  Show([](Dialog& d) {
    d.ClickCheck(d.chkDoNotDeletePurgedFiles, true);
    d.cmdDoPurge();
  });
  EXPECT_TRUE(dialog.blnDoNotDeletePurgedFiles);
  EXPECT_FALSE(dialog.chkDoNotDeletePurgedFiles.checked);

  Show([](Dialog& d) {
    EXPECT_FALSE(d.chkDoNotDeletePurgedFiles.checked);
    d.ClickCheck(d.chkDoNotDeletePurgedFiles, true);
    d.CloseRequested();
  });
  EXPECT_FALSE(dialog.blnConfirm);
  EXPECT_FALSE(dialog.chkDoNotDeletePurgedFiles.checked);

  // A state loaded with the setup is what every showing returns to.
  dialog.chkDoNotDeletePurgedFiles.checked = true;
  Show([](Dialog& d) {
    d.ClickCheck(d.chkDoNotDeletePurgedFiles, false);
    d.cmdDoPurge();
  });
  EXPECT_FALSE(dialog.blnDoNotDeletePurgedFiles);
  EXPECT_TRUE(dialog.chkDoNotDeletePurgedFiles.checked);
}

TEST_F(PurgeConfirmationDialogTest, SetDefaultsRestoresTheStartUpStates) {
  dialog.chkOKToPurgeSystemFiles.checked = true;
  dialog.chkFolderNamesOnly.checked = false;
  dialog.SetDefaults();
  EXPECT_FALSE(dialog.chkOKToPurgeSystemFiles.checked);
  EXPECT_TRUE(dialog.chkFolderNamesOnly.checked);
  EXPECT_TRUE(dialog.chkDeleteEmptyFolders.checked);
}

}  // namespace
}  // namespace nulvane::dialogs
