#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "support/OperationState.h"

namespace nulvane::engine {
class ClusterSizeTable;
}

namespace nulvane::dialogs {

// The last question before a purge, with the run's safety options. The caller sets strDriveLetter and
// lblMessage.caption (the question) before showing it and reads blnConfirm and the options afterwards.
class PurgeConfirmationDialog : public platform::Dialog {
 public:
  enum class Focus { None, DoPurge, Cancel, Check };

  struct ClusterSizeChoice {
    const char* text;
    std::int32_t bytes;
  };
  static constexpr std::array<ClusterSizeChoice, 8> kClusterSizes = {{{"512 bytes", 512},
                                                                      {"1 KB", 1024},
                                                                      {"2 KB", 2048},
                                                                      {"4 KB", 4096},
                                                                      {"8 KB", 8192},
                                                                      {"16 KB", 16384},
                                                                      {"32 KB", 32768},
                                                                      {"64 KB", 65536}}};

  PurgeConfirmationDialog(engine::ClusterSizeTable& clusterSizes, support::OperationState& state);

  // The options' start-up states: only "Include only folder names in report" and "Delete any folder in
  // which all files have been deleted" checked.
  void SetDefaults();

  // A check box clicked by the user: sets its state and, while the dialog is visible, moves the focus to
  // "No, cancel this purge" so that Enter never starts a purge by accident.
  void ClickCheck(platform::CheckBox& box, bool checked);
  // An entry of the (hidden) cluster-size list; anything else leaves the selection alone.
  void SelectClusterSize(int index);

  void cmdDoPurge();
  void cmdCancel();
  void CloseRequested() override { cmdCancel(); }

  engine::ClusterSizeTable& ClusterSizes() { return clusterSizes_; }

  // Set by the caller.
  std::string strDriveLetter;

  // Set when the dialog closes.
  bool blnConfirm = false;
  bool blnDoNotDeletePurgedFiles = false;
  bool blnOKToPurgeReadOnlyFiles = false;
  bool blnOKToPurgeSystemFiles = false;
  bool blnOKToPurgeSensitiveFiles = false;
  bool blnFolderNamesOnly = true;
  bool blnDeleteEmptyFolders = true;

  platform::Label lblMessage;
  platform::CheckBox chkDoNotDeletePurgedFiles;
  platform::CheckBox chkOKToPurgeReadOnlyFiles;
  platform::CheckBox chkOKToPurgeSystemFiles;
  platform::CheckBox chkOKToPurgeSensitiveFiles;
  platform::CheckBox chkFolderNamesOnly;
  platform::CheckBox chkDeleteEmptyFolders;
  platform::CheckBox chkConfirmFiles;
  platform::Button cmdDoPurgeButton;
  platform::Button cmdCancelButton;
  // The cluster-size frame only carries the detected size into the table; it is never shown.
  bool fraClusterSizeVisible = false;
  platform::Label lblClusterSize;
  platform::Label lblFileSystem;
  platform::ListControl cboClusterSize;
  Focus focus = Focus::None;

 protected:
  void Activate() override;

 private:
  void Close();

  engine::ClusterSizeTable& clusterSizes_;
  support::OperationState& state_;
  bool doNotDeleteWhenShown_ = false;
};

}  // namespace nulvane::dialogs
