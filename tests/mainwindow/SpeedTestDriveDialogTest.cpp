#include <gtest/gtest.h>

#include <cerrno>

#include "mainwindow/DriveDialog.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::mainwindow {
namespace {

using platform::DriveType;
using platform::Volume;

class DriveDialogTest : public ::testing::Test {
 protected:
  DriveDialogTest() {
    first = temp.MakeFolder("first");
    second = temp.MakeFolder("second");
    third = temp.MakeFolder("third");
    if (first.back() == '/') first.pop_back();
    if (second.back() == '/') second.pop_back();
    if (third.back() == '/') third.pop_back();
    temp.Write("file", "x");
    fileSystem.OverrideVolumes({{first, "/dev/sda1", "ext4", "SYSTEM", DriveType::Fixed},
                                {first, "/dev/sda1", "ext4", "SYSTEM", DriveType::Fixed},
                                {temp / "file", "/dev/sda2", "ext4", "", DriveType::Fixed},
                                {second, "/dev/sdb1", "vfat", "", DriveType::Removable},
                                {third, "server:/x", "nfs", "", DriveType::Network}});
  }

  nulvane::testing::TempDir temp;
  nulvane::testing::FaultyFileSystem fileSystem;
  nulvane::testing::FakeUi ui;
  std::string first, second, third;
};

TEST_F(DriveDialogTest, ListsFolderVolumesOnceEachWithTheirNamesAndSelectsTheGivenDrive) {
  DriveDialog dialog(fileSystem);
  dialog.strDrive = second;
  ui.OnDialog("frmSpecifyDrive2", [&](platform::Dialog&) {
    EXPECT_TRUE(dialog.blnDrivesPresent);
    EXPECT_EQ(dialog.cboDrives.items, (std::vector<std::string>{first + " [SYSTEM]", second, third}));
    EXPECT_EQ(dialog.EntryTypes(), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(dialog.cboDrives.selected, 1);
    EXPECT_EQ(dialog.focusedControl, "cmdCancel");
    dialog.cboDrives.selected = 2;
    dialog.Accept();
  });
  ui.ShowModal(dialog);
  EXPECT_TRUE(dialog.blnAccept);
  EXPECT_EQ(dialog.strDrive, third);
  EXPECT_EQ(dialog.intDriveType, 3);
}

TEST_F(DriveDialogTest, UnknownDriveSelectsTheFirstAndCancelOrCloseClearTheAnswer) {
  DriveDialog dialog(fileSystem);
  dialog.strDrive = "/nowhere";
  ui.OnDialog("frmSpecifyDrive2", [&](platform::Dialog&) {
    EXPECT_EQ(dialog.cboDrives.selected, 0);
    dialog.Cancel();
  });
  ui.OnDialog("frmSpecifyDrive2", [&](platform::Dialog& shown) { shown.CloseRequested(); });
  for (int i = 0; i < 2; ++i) {
    dialog.strDrive = first;
    ui.ShowModal(dialog);
    EXPECT_FALSE(dialog.blnAccept);
    EXPECT_EQ(dialog.strDrive, "");
    EXPECT_EQ(dialog.intDriveType, -1);
  }
}

TEST_F(DriveDialogTest, MountPointThatCannotBeExaminedLeavesTheOthersListed) {
  fileSystem.Inject({"Status", second, ESTALE});
  std::vector<std::string> listed;
  for (const Volume& volume : ListDrives(fileSystem)) listed.push_back(volume.mountPoint);
  EXPECT_EQ(listed, (std::vector<std::string>{first, first, third}));
}

TEST_F(DriveDialogTest, NoDrivesWhenTheSystemCannotListThem) {
  fileSystem.Inject({"Volumes", "", 5});
  EXPECT_TRUE(ListDrives(fileSystem).empty());
  DriveDialog dialog(fileSystem);
  ui.OnDialog("frmSpecifyDrive2", [&](platform::Dialog&) {
    EXPECT_FALSE(dialog.blnDrivesPresent);
    EXPECT_TRUE(dialog.cboDrives.items.empty());
    dialog.Accept();
  });
  ui.ShowModal(dialog);
  EXPECT_FALSE(dialog.blnAccept);
}

}  // namespace
}  // namespace nulvane::mainwindow
