#include "dialogs/PurgeConfirmationDialog.h"

#include "engine/ClusterSizeTable.h"

namespace nulvane::dialogs {

PurgeConfirmationDialog::PurgeConfirmationDialog(engine::ClusterSizeTable& clusterSizes,
                                                 support::OperationState& state)
    : platform::Dialog("frmPurgeConfirmation"), clusterSizes_(clusterSizes), state_(state) {
  caption = "Purge confirmation";
  chkDoNotDeletePurgedFiles.caption = "Do not delete purged files";
  chkOKToPurgeReadOnlyFiles.caption = "OK to purge read-only files";
  chkOKToPurgeSystemFiles.caption = "OK to purge system files";
  chkOKToPurgeSensitiveFiles.caption = "OK to purge sensitive files (exe, dll, sys, etc.)";
  chkFolderNamesOnly.caption = "Include only folder names in report";
  chkDeleteEmptyFolders.caption = "Delete any folder in which all files have been deleted";
  chkConfirmFiles.caption = "Confirm purge operation for each file";
  cmdDoPurgeButton.caption = "Yes, purge these files";
  cmdCancelButton.caption = "No, cancel this purge";
  lblClusterSize.caption = "Cluster size:";
  lblClusterSize.visible = false;
  lblFileSystem.visible = false;
  cboClusterSize.visible = false;
  for (const auto& choice : kClusterSizes) cboClusterSize.items.push_back(choice.text);
  cboClusterSize.selected = 3;  // 4 KB
  SetDefaults();
}

void PurgeConfirmationDialog::SetDefaults() {
  chkDoNotDeletePurgedFiles.checked = false;
  chkOKToPurgeReadOnlyFiles.checked = false;
  chkOKToPurgeSystemFiles.checked = false;
  chkOKToPurgeSensitiveFiles.checked = false;
  chkDeleteEmptyFolders.checked = true;
  chkFolderNamesOnly.checked = true;
  chkConfirmFiles.checked = false;
}

void PurgeConfirmationDialog::Activate() {
  doNotDeleteWhenShown_ = chkDoNotDeletePurgedFiles.checked;
  fraClusterSizeVisible = false;
  blnConfirm = false;
  // A count of -1 stands for more than a thousand files.
  const bool severalFiles = state_.blnSubdirectories || state_.intNumFiles > 1 || state_.intNumFiles == -1;
  cmdDoPurgeButton.caption = severalFiles ? "Yes, purge these files" : "Yes, purge this file";
  // Without subfolders there is no folder to delete: the option is hidden, but it keeps the user's last
  // choice for the next purge with subfolders.
  chkDeleteEmptyFolders.visible = state_.blnSubdirectories;
  const std::int32_t detected = clusterSizes_.GetClusterSize(strDriveLetter);
  for (std::size_t i = 0; i < kClusterSizes.size(); ++i) {
    if (kClusterSizes[i].bytes == detected) cboClusterSize.selected = static_cast<int>(i);
  }
  focus = Focus::Cancel;
}

void PurgeConfirmationDialog::ClickCheck(platform::CheckBox& box, bool checked) {
  box.checked = checked;
  if (IsVisible()) focus = Focus::Cancel;
  NotifyChanged();
}

void PurgeConfirmationDialog::SelectClusterSize(int index) {
  if (index < 0 || index >= static_cast<int>(cboClusterSize.items.size())) return;
  cboClusterSize.selected = index;
}

void PurgeConfirmationDialog::cmdDoPurge() {
  blnConfirm = true;
  blnDoNotDeletePurgedFiles = chkDoNotDeletePurgedFiles.checked;
  blnOKToPurgeReadOnlyFiles = chkOKToPurgeReadOnlyFiles.checked;
  blnOKToPurgeSystemFiles = chkOKToPurgeSystemFiles.checked;
  blnOKToPurgeSensitiveFiles = chkOKToPurgeSensitiveFiles.checked;
  blnFolderNamesOnly = chkFolderNamesOnly.checked;
  blnDeleteEmptyFolders = chkDeleteEmptyFolders.visible && chkDeleteEmptyFolders.checked;
  state_.blnConfirmFiles = chkConfirmFiles.checked;
  const int selected = cboClusterSize.selected;
  if (selected >= 0 && selected < static_cast<int>(kClusterSizes.size())) {
    clusterSizes_.SetClusterSize(strDriveLetter, kClusterSizes[selected].bytes);
  }
  Close();
}

void PurgeConfirmationDialog::cmdCancel() {
  blnConfirm = false;
  Close();
}

void PurgeConfirmationDialog::Close() {
  lblFileSystem.caption.clear();
  // A change of "Do not delete purged files" governs only the purge started with it.
  chkDoNotDeletePurgedFiles.checked = doNotDeleteWhenShown_;
  Hide();
}

}  // namespace nulvane::dialogs
