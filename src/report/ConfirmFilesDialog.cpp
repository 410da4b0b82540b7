#include "report/ConfirmFilesDialog.h"

namespace nulvane::report {

ConfirmFilesDialog::ConfirmFilesDialog() : platform::Dialog("frmConfirmFiles") {
  caption = "Confirm purging of this file";
  lblPurgeThisFile.caption = "Purge this file?";
  cmdYes.caption = "Yes";
  cmdNo.caption = "No";
  cmdPurgeAll.caption = "Purge this file and all subsequent files (don't show this again).";
  cmdStopPurge.caption = "Stop this purge";
}

void ConfirmFilesDialog::Prepare(const std::string& fileText) {
  lblFile.caption = fileText;
  blnFileConfirmed = true;
  choice = Choice::None;
  NotifyChanged();
}

void ConfirmFilesDialog::Choose(Choice answer) {
  choice = answer;
  blnFileConfirmed = answer == Choice::Yes || answer == Choice::PurgeAll;
  Hide();
}

}  // namespace nulvane::report
