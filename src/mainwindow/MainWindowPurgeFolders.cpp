// "Purge folders": the top folder is chosen here; folder mode itself runs in FolderPurge.
#include "mainwindow/MainWindow.h"
#include "platform/PlatformError.h"
#include "support/FolderServices.h"
#include "support/Format.h"
#include "support/Match.h"

namespace nulvane::mainwindow {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

void MainWindow::cmdPurgeFolders() {
  const std::string title = cmdSpecifyDirectory[1].caption;
  lblTopLevelFolder.visible = true;
  lblLargePurgeMessage.caption.clear();
  NotifyChanged();
  if (ui_.Message(
          title,
          "Do you wish to purge all files in\r\nselected subfolders of some folder?\r\n(Note that all files "
          "in all subfolders of the\r\nselected subfolders will also be purged.)\r\n\r\nIf so, first "
          "select a folder, then select the subfolders\r\nof that folder that you wish to purge.",
          Buttons::YesNo, Icon::None) != Answer::Yes) {
    return;
  }
  ShowTargetRows(false);
  std::string folder = folders_.BrowseForFolder(
      "Specify the folder containing the subfolders\r\nto be purged (or a selection of them)");
  if (!folder.empty()) {
    support::EnsureTrailingBackslash(folder);
    // Resolved once, now: below it nothing is reached through a link.
    folder = folders_.ResolveChosenFolder(folder);
    std::string error;
    const std::int32_t subfolders = folders_.CountSubfolders(folder, error, 1);
    // Held from the look that finds it empty to its removal: only that folder is removed.
    platform::FolderHandle held;
    try {
      held = fileSystem_.OpenFolder(folder);
    } catch (const platform::PlatformError&) {
    }
    if (subfolders == 0 && held && folders_.FolderIsEmpty(*held)) {
      // A volume's root is never offered for deletion.
      if (!IsDriveRoot(folder) &&
          ui_.Message(title,
                      support::DisplayName(folder) + " is empty.\r\nDo you wish to delete this folder?",
                      Buttons::YesNo, Icon::None) == Answer::Yes) {
        bool removed = false;
        bool replaced = false;
        try {
          const auto [parent, name] = platform::OpenParentOf(fileSystem_, folder);
          removed = fileSystem_.RemoveFolderAt(*parent, name, &held->Identity());
          replaced = !removed;
        } catch (const platform::PlatformError&) {
        }
        if (removed) {
          lblTopLevelFolder.caption = support::DisplayName(folder) + " has been deleted.";
          NotifyChanged();
        } else {
          ui_.Message(title,
                      "Cannot remove " + support::DisplayName(folder) +
                          (replaced ? ": that name no longer names the folder that was found empty." : ""),
                      Buttons::Ok, Icon::Warning);
        }
      }
    } else if (subfolders == 0) {
      ui_.Message(
          title,
          folder +
              " has no subfolders.\r\n\r\nIf you wish to purge the files in this folder\r\nthen click on "
              "'Purge files'.",
          Buttons::Ok, Icon::Information);
      state_.strTargetFolder = folder;
      state_.strFilespec = "*.*";
      state_.strShellPatterns.clear();
      state_.strSavedFilesCaption = "*.*";
      UpdateTargetLabels();
      cmdSubdirectories_Release();
      // The target rows come back with the new folder's subfolder setting, not the previous target's.
      state_.strSavedSubfoldersCaption = lblSubdirectories2.caption;
    } else if (folderPurge_ == nullptr) {
      NotAvailableYet(title);
    } else {
      state_.strTopLevelFolder = folder;
      folderPurge_->PurgeFolders();
    }
  }
  ShowTargetRows(true);
  UpdateDateRestrictionLabel();
}

}  // namespace nulvane::mainwindow
