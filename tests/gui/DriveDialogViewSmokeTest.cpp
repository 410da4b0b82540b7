#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "gui/DriveDialogView.h"
#include "gui/GuiTestSupport.h"
#include "gui/QtUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/TempDir.h"

namespace {

using nulvane::platform::DriveType;

TEST(DriveDialogViewSmoke, ShowsTheDrivesAndAcceptsTheOneChosen) {
  nulvane::testing::Application();
  nulvane::testing::TempDir temp;
  temp.MakeFolder("a");
  temp.MakeFolder("b");
  const std::string first = temp / "a";
  const std::string second = temp / "b";
  nulvane::testing::FaultyFileSystem fileSystem;
  fileSystem.OverrideVolumes({{first, "/dev/sda1", "ext4", "SYSTEM", DriveType::Fixed},
                              {second, "/dev/sdb1", "vfat", "", DriveType::Removable}});
  nulvane::mainwindow::DriveDialog dialog(fileSystem);
  nulvane::gui::DriveDialogView view(dialog);
  nulvane::gui::QtUi ui;
  ui.RegisterDialogView(dialog, &view);
  dialog.caption = "Test purge speed on which drive?";
  dialog.strDrive = first;

  QTimer::singleShot(0, [&] {
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Test purge speed on which drive?"));
    ASSERT_EQ(view.driveList()->count(), 2);
    EXPECT_EQ(view.driveList()->itemText(0), QString::fromStdString(first + " [SYSTEM]"));
    EXPECT_EQ(view.driveList()->currentIndex(), 0);
    EXPECT_EQ(view.cancelButton()->text(), QStringLiteral("Cancel"));
    view.driveList()->setCurrentIndex(1);
    view.acceptButton()->click();
  });
  ui.ShowModal(dialog);
  EXPECT_FALSE(view.isVisible());
  EXPECT_TRUE(dialog.blnAccept);
  EXPECT_EQ(dialog.strDrive, second);
  EXPECT_EQ(dialog.intDriveType, 1);

  QTimer::singleShot(0, [&] { view.reject(); });
  ui.ShowModal(dialog);
  EXPECT_FALSE(dialog.blnAccept);
  EXPECT_EQ(dialog.strDrive, "");
}

}  // namespace
