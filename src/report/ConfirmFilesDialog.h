#pragma once

#include <string>

#include "platform/Controls.h"
#include "platform/Dialog.h"

namespace nulvane::report {

// frmConfirmFiles: asks, file by file, whether a file is to be purged. The report window reads the
// answer after the modal show and applies its effects on the run.
class ConfirmFilesDialog : public platform::Dialog {
 public:
  enum class Choice { None, Yes, No, PurgeAll, StopPurge };

  ConfirmFilesDialog();

  // Prepares the dialog for one file; `fileText` goes to lblFile.
  void Prepare(const std::string& fileText);

  void cmdYes_Click() { Choose(Choice::Yes); }
  void cmdNo_Click() { Choose(Choice::No); }
  void cmdPurgeAll_Click() { Choose(Choice::PurgeAll); }
  void cmdStopPurge_Click() { Choose(Choice::StopPurge); }
  // Closing the window without an answer declines the file.
  void CloseRequested() override { Choose(Choice::No); }

  platform::Label lblPurgeThisFile;
  platform::Label lblFile;
  platform::Button cmdYes;
  platform::Button cmdNo;
  platform::Button cmdPurgeAll;
  platform::Button cmdStopPurge;

  bool blnFileConfirmed = true;
  Choice choice = Choice::None;

 private:
  void Choose(Choice answer);
};

}  // namespace nulvane::report
