#include "mainwindow/DriveDialog.h"

#include "platform/PlatformError.h"

namespace nulvane::mainwindow {

std::vector<platform::Volume> ListDrives(platform::FileSystem& fileSystem) {
  std::vector<platform::Volume> volumes;
  try {
    volumes = fileSystem.Volumes();
  } catch (const platform::PlatformError&) {
    return {};
  }
  std::vector<platform::Volume> drives;
  for (platform::Volume& volume : volumes) {
    // A mount point that cannot be examined (a stale network mount, another user's private mount) is
    // left out on its own; the other drives are still offered.
    try {
      if (fileSystem.Status(volume.mountPoint).kind != platform::FileKind::Directory) continue;
    } catch (const platform::PlatformError&) {
      continue;
    }
    drives.push_back(std::move(volume));
  }
  return drives;
}

DriveDialog::DriveDialog(platform::FileSystem& fileSystem)
    : platform::Dialog("frmSpecifyDrive2"), fileSystem_(fileSystem) {
  caption = "Specify disk drive";
}

void DriveDialog::Activate() {
  blnAccept = false;
  const std::vector<platform::Volume> drives = ListDrives(fileSystem_);
  blnDrivesPresent = !drives.empty();
  cboDrives.items.clear();
  cboDrives.selected = -1;
  entryDrives_.clear();
  entryTypes_.clear();
  if (!blnDrivesPresent) return;

  for (const platform::Volume& drive : drives) {
    std::string entry = drive.mountPoint;
    if (!drive.volumeName.empty()) entry += " [" + drive.volumeName + "]";
    if (!cboDrives.items.empty() && cboDrives.items.back() == entry) continue;
    cboDrives.items.push_back(entry);
    entryDrives_.push_back(drive.mountPoint);
    entryTypes_.push_back(static_cast<int>(drive.type));
  }
  // Mount points are case-sensitive names, so the preselection compares them exactly.
  cboDrives.selected = 0;
  for (std::size_t i = 0; i < entryDrives_.size(); ++i) {
    if (entryDrives_[i] == strDrive) {
      cboDrives.selected = static_cast<int>(i);
      break;
    }
  }
  focusedControl = "cmdCancel";
}

void DriveDialog::SelectDrive(int index) {
  if (index < 0 || index >= static_cast<int>(cboDrives.items.size())) return;
  cboDrives.selected = index;
}

void DriveDialog::Accept() {
  const int selected = cboDrives.selected;
  if (selected < 0 || selected >= static_cast<int>(entryDrives_.size())) {
    Cancel();
    return;
  }
  strDrive = entryDrives_[selected];
  intDriveType = entryTypes_[selected];
  blnAccept = true;
  Hide();
}

void DriveDialog::Cancel() {
  blnAccept = false;
  strDrive.clear();
  intDriveType = -1;
  Hide();
}

}  // namespace nulvane::mainwindow
