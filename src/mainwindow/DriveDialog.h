#pragma once

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/FileSystem.h"

namespace nulvane::mainwindow {

// The volumes that can be offered as drives, in the system's order: mounted file systems whose mount point
// is a folder (bind-mounted single files are left out). Empty when the system cannot be asked.
std::vector<platform::Volume> ListDrives(platform::FileSystem& fileSystem);

// frmSpecifyDrive2: lets the user choose one drive (volume). The caller sets `caption` and `strDrive`,
// shows it modally and reads `blnAccept`, `strDrive` and `intDriveType` afterwards.
class DriveDialog : public platform::Dialog {
 public:
  explicit DriveDialog(platform::FileSystem& fileSystem);

  // An entry of the list; anything else leaves the selection alone.
  void SelectDrive(int index);
  void Accept();
  void Cancel();
  void CloseRequested() override { Cancel(); }

  // In: the drive to preselect; out: the chosen drive's mount point, empty after Cancel.
  std::string strDrive;
  int intDriveType = -1;  // platform::DriveType as a number, -1 after Cancel
  bool blnAccept = false;
  bool blnDrivesPresent = false;

  platform::ListControl cboDrives;  // "mountpoint [volume name]"
  platform::Button cmdAccept{"Accept"};
  platform::Button cmdCancel{"Cancel"};
  int backColor = 0x80;
  std::string focusedControl;  // "cmdCancel" after activation

  // The mount point and type that each entry of cboDrives stands for.
  const std::vector<std::string>& EntryDrives() const { return entryDrives_; }
  const std::vector<int>& EntryTypes() const { return entryTypes_; }

 protected:
  void Activate() override;

 private:
  platform::FileSystem& fileSystem_;
  std::vector<std::string> entryDrives_;
  std::vector<int> entryTypes_;
};

}  // namespace nulvane::mainwindow
