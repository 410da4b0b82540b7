#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "engine/ClusterSizeTable.h"
#include "gui/GuiTestSupport.h"
#include "gui/PurgeConfirmationView.h"
#include "support/OperationState.h"
#include "testsupport/FaultyFileSystem.h"

namespace {

using nulvane::dialogs::PurgeConfirmationDialog;

TEST(PurgeConfirmationViewSmoke, ShowsTheQuestionAndYesCopiesTheOptions) {
  nulvane::testing::Application();
  nulvane::testing::FaultyFileSystem fileSystem;
  fileSystem.OverrideDisk([](const std::string&) {
    nulvane::platform::DiskSpace disk;
    disk.clusterSize = 4096;
    return disk;
  });
  nulvane::engine::ClusterSizeTable clusterSizes(fileSystem);
  nulvane::support::OperationState state;
  state.intNumFiles = 1;
  PurgeConfirmationDialog dialog(clusterSizes, state);
  dialog.strDriveLetter = "/";
  dialog.lblMessage.caption = "Are you sure you want to purge\r\n/tmp/a.txt?";
  nulvane::gui::PurgeConfirmationView view(dialog);
  dialog.BeginShow();
  view.show();
  EXPECT_EQ(view.windowTitle(), QStringLiteral("Purge confirmation"));
  EXPECT_EQ(view.message()->text(), QStringLiteral("Are you sure you want to purge\n/tmp/a.txt?"));
  EXPECT_EQ(view.doPurgeButton()->text(), QStringLiteral("Yes, purge this file"));
  EXPECT_TRUE(view.clusterSizeFrame()->isHidden());
  EXPECT_TRUE(view.checkBoxFor(dialog.chkDeleteEmptyFolders)->isHidden());

  QCheckBox* doNotDelete = view.checkBoxFor(dialog.chkDoNotDeletePurgedFiles);
  EXPECT_EQ(doNotDelete->text(), QStringLiteral("Do not delete purged files"));
  doNotDelete->click();
  EXPECT_TRUE(dialog.chkDoNotDeletePurgedFiles.checked);
  EXPECT_EQ(dialog.focus, PurgeConfirmationDialog::Focus::Cancel);

  view.doPurgeButton()->click();
  EXPECT_TRUE(dialog.blnConfirm);
  EXPECT_TRUE(dialog.blnDoNotDeletePurgedFiles);
  EXPECT_FALSE(doNotDelete->isChecked());
  EXPECT_FALSE(view.isVisible());
}

}  // namespace
