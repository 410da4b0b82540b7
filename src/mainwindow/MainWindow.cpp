#include "mainwindow/MainWindow.h"

#include "dialogs/DateInputDialog.h"
#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/SpecifyFilesDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "mainwindow/FreeSpacePurge.h"
#include "platform/PlatformError.h"
#include "report/ReportWindow.h"
#include "support/DataFolder.h"
#include "support/DateRestriction.h"
#include "support/Drive.h"
#include "support/FolderServices.h"
#include "support/Format.h"
#include "support/Locale.h"
#include "support/Match.h"
#include "support/ProgramText.h"

namespace nulvane::mainwindow {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

constexpr int kF10 = 121;
// The window's tag, which names the program text file.
constexpr const char* kWindowTag = "Nulvane";
constexpr const char* kSingleFileHint = "To purge multiple files, specify folder and files.";

}  // namespace

MainWindow::MainWindow(MainWindowParts parts)
    : frmView(parts.fileSystem, parts.ui, parts.programText),
      fileSystem_(parts.fileSystem),
      ui_(parts.ui),
      random_(parts.random),
      programText_(parts.programText),
      folders_(parts.folders),
      state_(parts.state),
      typeOfPurge_(parts.typeOfPurge),
      confirmation_(parts.confirmation),
      dateInput_(parts.dateInput),
      specifyFiles_(parts.specifyFiles) {}

bool MainWindow::Startup(bool loadNextRunSetup) {
  state_.blnStartupCompleted = false;
  state_.strProgramTextFile = support::FoldCase(kWindowTag) + ".dat";
  std::string message;
  if (!programText_.LoadProgramText(fileSystem_, support::DataFolder(fileSystem_), state_.strProgramTextFile,
                                    message)) {
    ui_.Message("", message, Buttons::Ok, Icon::Error);
    return false;
  }
  strProgramName = programText_.GetProgramText(2);
  strMakerFolderName = programText_.GetProgramText(310);
  strVersionText = support::SetupVersionText(NULVANE_VERSION_MAJOR, NULVANE_VERSION_MINOR);
  typeOfPurge_.SetConfirmTitle(programText_.GetProgramText(23));
  InitOperationState();
  // On the first run there is no such file and the defaults stay.
  if (loadNextRunSetup) LoadSetup(state_.strSetupFilePath);
  TakeRestoreSnapshot();
  UpdateTargetLabels();
  RefreshTypeOfPurgeLabel();
  SetFocus("cmdSpecifyDirectory(0)");
  lblDateRestriction.visible = true;
  state_.blnStartupCompleted = true;
  UpdateTargetLabels();
  UpdateSubfolderLabels();
  UpdateDateRestrictionLabel();
  return true;
}

void MainWindow::InitOperationState() {
  support::OperationState& s = state_;
  s.blnSubdirectories = false;
  s.blnMultipleFiles = false;
  s.blnConfirmFiles = false;
  s.blnDateRestriction = false;
  s.lngOnlyBeforeThisJDN = support::kNoDateRestriction;
  s.blnStop = false;
  s.blnPerformingSpeedTest = false;
  s.intCharWidth = 123;
  s.dblAF_A = 0.917;
  s.dblAF_B = 0.2;
  s.strNotSpecifiedText = programText_.GetProgramText(4);
  strOnlineManualAddress = programText_.GetProgramText(27);
  const std::string name = support::FoldCase(programText_.GetProgramText(2)) + ".usr";
  s.strSetupFilePath = folders_.UserDataFilePath(name, programText_.GetProgramText(310));
  s.strTargetFolder.clear();
  s.strFilespec.clear();
  lblSubdirectories2.caption.clear();
  lblFiles2.caption.clear();
  lblTypeOfPurge.caption.clear();
  lblPurgeSpeed.caption.clear();
  lblEstimatedTime.caption.clear();
  lblLargePurgeMessage.caption.clear();
  lblPurgeFoldersMessage.caption.clear();
  picSaveSetupVisible = false;
  s.sngSpeedByDrive.clear();
  s.intSpeedTestsByDrive.clear();
  typeOfPurge_.Initialization();
  confirmation_.SetDefaults();
  s.strDummyFileFolderStub = "_nv_dummy";
}

void MainWindow::TakeRestoreSnapshot() {
  state_.blnSavedSubdirectories = state_.blnSubdirectories;
  state_.blnSavedConfirmFiles = state_.blnConfirmFiles;
  state_.strSavedFolder = state_.strTargetFolder;
  state_.strSavedFilespec = state_.strFilespec;
  state_.lngSavedOnlyBeforeThisJDN = state_.lngOnlyBeforeThisJDN;
}

bool MainWindow::ShowsNotSpecified(const platform::Label& label) const {
  return label.caption == state_.strNotSpecifiedText;
}

void MainWindow::UpdateTargetLabels() {
  support::OperationState& s = state_;
  lblFiles2.caption.clear();
  if (!s.strTargetFolder.empty()) {
    lblDirectory.caption = support::ShortenPath(support::DisplayName(s.strTargetFolder), 70);
  } else {
    lblDirectory.caption = s.strNotSpecifiedText;
    lblEstimatedTime.caption.clear();
    lblSubdirectories.caption.clear();
    lblSubdirectories2.caption.clear();
  }
  // A file picked in the file specification dialog may have gone since; a wildcard specification is never
  // a file name, so it is left alone.
  const support::FileMatcher files = Files();
  if (specifyFiles_.optSingleFile.selected && !s.strTargetFolder.empty() && !s.strFilespec.empty() &&
      files.NamesOneFile()) {
    std::string path = s.strTargetFolder;
    if (path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
    if (!folders_.FileExists(path + s.strFilespec)) s.strFilespec.clear();
  }
  if (!s.strFilespec.empty()) {
    lblFiles.caption = support::DisplayName(s.strFilespec);
  } else {
    lblFiles.caption = s.strNotSpecifiedText;
    lblEstimatedTime.caption.clear();
  }
  // Whatever happened to the target, the restriction stays in force and so stays in view.
  UpdateDateRestrictionLabel();
  NotifyChanged();

  const bool wildcard = !files.NamesOneFile();
  if ((!wildcard || support::CharacterCount(s.strFilespec) > 20) && !s.strFilespec.empty()) {
    // No floppy drive exists here, so a named file always becomes the current file.
    if (!wildcard) s.strCurrentFilePath = s.strTargetFolder + s.strFilespec;
  } else if (!ShowsNotSpecified(lblFiles)) {
    if (files.UsesShellPatterns()) {
      lblFiles2.caption = "(All files whose names match \"" + support::DisplayName(s.strFilespec) +
                          "\" as the shell matches names.)";
    } else if (s.strFilespec == "*.*") {
      lblFiles2.caption = "(All files.)";
    } else if (s.strFilespec.rfind("*.", 0) == 0) {
      lblFiles2.caption =
          "(All files with extension \"" + support::DisplayName(s.strFilespec.substr(2)) + "\".)";
    } else {
      lblFiles2.caption = "(All files of the form \"" + support::DisplayName(s.strFilespec) + "\".)";
    }
  } else {
    lblFiles2.caption.clear();
  }

  if (!s.strTargetFolder.empty() && !s.strFilespec.empty() && !wildcard && !ShowsNotSpecified(lblFiles)) {
    std::string path = s.strTargetFolder;
    if (path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
    path += s.strFilespec;
    // A name the system cannot look up (too long, a folder that cannot be searched) shows no size.
    platform::FileStatus status;
    try {
      status = fileSystem_.Status(path);
    } catch (const platform::PlatformError&) {
    }
    if (status.kind != platform::FileKind::Missing) {
      std::int16_t error = 0;
      const std::int32_t day = support::GetFileDayNumber(fileSystem_, path, error);
      lblFiles2.caption = support::FormatSize(static_cast<double>(status.size), 2) + "     " +
                          (day >= 0 ? support::ShortDateTextOfDay(day) : std::string());
    }
  }

  lblSingleFile.caption = ShowsNotSpecified(lblFiles) ? kSingleFileHint : "";
  cmdClear.visible = !ShowsNotSpecified(lblDirectory) || !ShowsNotSpecified(lblFiles);
  NotifyChanged();
}

void MainWindow::UpdateSubfolderLabels() {
  if (state_.strTargetFolder.empty()) {
    lblSubdirectories.caption.clear();
    lblSubdirectories2.caption.clear();
  } else {
    std::string error;
    const std::int32_t subfolders = folders_.CountSubfolders(state_.strTargetFolder, error, 1);
    if (subfolders == 0) {
      state_.blnSubdirectories = false;
      lblSubdirectories.caption = "No";
      lblSubdirectories2.caption = "(The folder has no subfolders.)";
    } else if (state_.blnSubdirectories) {
      lblSubdirectories.caption = "Yes";
      lblSubdirectories2.caption = "(Operate on all specified files in lower subfolders.)";
    } else {
      lblSubdirectories.caption = "No";
      lblSubdirectories2.caption = "(Do not operate on files in lower subfolders.)";
    }
  }
  NotifyChanged();
}

void MainWindow::UpdateDateRestrictionLabel() {
  const std::int32_t limit = state_.lngOnlyBeforeThisJDN;
  if (limit == support::kNoDateRestriction) {
    lblDateRestriction.caption = "No date restriction";
  } else {
    lblDateRestriction.caption = "Purge only files with dates before " + support::ShortDateTextOfDay(limit) +
                                 " (" + support::LongDateText(limit) + ")";
  }
  state_.blnDateRestriction = limit != support::kNoDateRestriction;
  NotifyChanged();
}

void MainWindow::TargetFolderDeleted() {
  state_.strTargetFolder.clear();
  state_.strFilespec.clear();
  UpdateTargetLabels();
  UpdateSubfolderLabels();
}

void MainWindow::EnableMenu(bool enabled) {
  fraMenuEnabled = enabled;
  NotifyChanged();
}

void MainWindow::ShowTargetRows(bool visible) {
  if (!visible) {
    state_.strSavedFilesCaption = lblFiles.caption;
    state_.strSavedSubfoldersCaption = lblSubdirectories2.caption;
    lblSetupFilename.caption.clear();
  }
  for (platform::Label* label : {&lblSingleFile, &lblDirectory, &lblFiles, &lblFiles2, &lblSubdirectories,
                                 &lblSubdirectories2, &lblEstimatedTime, &lblDateRestriction}) {
    label->visible = visible;
  }
  if (visible) {
    lblFiles.caption = state_.strSavedFilesCaption;
    lblSubdirectories2.caption = state_.strSavedSubfoldersCaption;
  }
  // "Clear" only ever shows while there is something to clear.
  cmdClear.visible = visible && (!ShowsNotSpecified(lblDirectory) || !ShowsNotSpecified(lblFiles));
  NotifyChanged();
}

bool MainWindow::SatisfiesFilespecAndDateRestriction(const std::string& filePath, const std::string& filespec,
                                                     bool caseSensitive, std::int32_t onlyBeforeThisJdn) {
  return support::SatisfiesFilespecAndDateRestriction(fileSystem_, filePath, filespec, caseSensitive,
                                                      onlyBeforeThisJdn);
}

bool MainWindow::CheckSingleFileDate(const std::string& path, const std::string& title) {
  std::int16_t error = 0;
  const std::int32_t day = support::GetFileDayNumber(fileSystem_, path, error);
  if (day == -1) {
    ui_.Message(title, support::DisplayName(path) + "\r\nError, perhaps invalid file name.", Buttons::Ok,
                Icon::Warning);
    return true;
  }
  if (day >= state_.lngOnlyBeforeThisJDN) {
    ui_.Message(title,
                "The file " + support::DisplayName(path) + "\r\nhas a date of " +
                    support::ShortDateTextOfDay(day) + " (" + support::LongDateText(day) +
                    ")\r\nand so is excluded by the current date restriction.",
                Buttons::Ok, Icon::Information);
    return true;
  }
  return false;
}

void MainWindow::RefreshTypeOfPurgeLabel() {
  lblTypeOfPurge.caption = typeOfPurge_.TypeOfPurgeCaption();
  NotifyChanged();
}

// --- Commands of the window itself -------------------------------------------------------------------

void MainWindow::StartClickGuard() {
  state_.blnDialogJustClosed = true;
  clock2Enabled = true;
  NotifyChanged();
}

void MainWindow::Clock2Tick() {
  if (!clock2Enabled) return;
  state_.blnDialogJustClosed = false;
  clock2Enabled = false;
  NotifyChanged();
}

void MainWindow::MouseOver(const std::string& controlName) {
  static const char* const kHoverFocus[] = {"cmdSingleFile",
                                            "cmdSpecifyDirectory(0)",
                                            "cmdSpecifyDirectory(1)",
                                            "cmdSpecifyFiles",
                                            "cmdSubdirectories",
                                            "cmdProcessFiles(1)",
                                            "cmdProcessFiles(2)",
                                            "cmdOnlyBefore",
                                            "cmdTypeOfPurge",
                                            "cmdTestPurgeSpeed",
                                            "cmdPurgeFreeSpace",
                                            "cmdSetup",
                                            "cmdHelp",
                                            "cmdQuit",
                                            "cmdLoadSetup",
                                            "cmdSaveSetup",
                                            "cmdClearSetup",
                                            "cmdRestoreSetup",
                                            "cmdKeepSetup",
                                            "cmdSaveSetupForNextRun",
                                            "cmdSaveSetupAsOperationFile",
                                            "cmdDontSaveSetup"};
  bool takesFocus = false;
  for (const char* name : kHoverFocus) takesFocus = takesFocus || controlName == name;
  if (controlName == "cmdReportScreen") takesFocus = !ReportWindowVisible();
  if (takesFocus) SetFocus(controlName);
}

void MainWindow::SetFocus(const std::string& controlName) {
  focusedControl = controlName;
  ++focusRequests;
  NotifyChanged();
}

void MainWindow::KeyReleased(int keyCode) {
  if (keyCode == kF10) state_.blnStop = true;
}

void MainWindow::cmdQuit_Release() {
  if (state_.blnDialogJustClosed) return;
  CloseRequested();
}

void MainWindow::CloseRequested() {
  quitRequested = true;
  // A run still in progress ends at its next check.
  state_.blnStop = true;
  if (report_ != nullptr) report_->blnStop = true;
  if (onQuit) onQuit();
}

void MainWindow::NotAvailableYet(const std::string& title) {
  ui_.Message(title, "This command is not available yet.", Buttons::Ok, Icon::Information);
}

void MainWindow::cmdTestPurgeSpeed_Click() {
  if (state_.blnDialogJustClosed) return;
  if (speedTest_ == nullptr) {
    NotAvailableYet(cmdTestPurgeSpeed.caption);
    return;
  }
  speedTest_->TestPurgeSpeed();
  NotifyChanged();
}

void MainWindow::cmdPurgeFreeSpace_Click() {
  if (state_.blnDialogJustClosed) return;
  if (freeSpace_ == nullptr) {
    NotAvailableYet(cmdPurgeFreeSpace.caption);
    return;
  }
  freeSpace_->cmdPurgeFreeSpace(
      state_.strTargetFolder.empty() ? std::string() : support::DriveOf(fileSystem_, state_.strTargetFolder));
  FocusAfterRun("cmdPurgeFreeSpace");
}

void MainWindow::SetPurgeSpeedCaption(const std::string& caption, bool bold) {
  lblPurgeSpeed.caption = caption;
  lblPurgeSpeed.bold = bold;
  NotifyChanged();
}

void MainWindow::SetLargePurgeMessageCaption(const std::string& caption) {
  lblLargePurgeMessage.caption = caption;
  NotifyChanged();
}

// --- Type of purge -------------------------------------------------------------------------------------

void MainWindow::cmdTypeOfPurge_Release() {
  if (state_.blnDialogJustClosed) return;
  EnableMenu(false);
  typeOfPurge_.accepted = false;
  ui_.ShowModal(typeOfPurge_);
  if (typeOfPurge_.accepted) lblEstimatedTime.caption.clear();
  EnableMenu(true);
  RefreshTypeOfPurgeLabel();
  lblSetupFilename.caption.clear();
  NotifyChanged();
}

// --- Date restriction ----------------------------------------------------------------------------------

void MainWindow::cmdOnlyBefore_Release() {
  dialogs::DateInputDialog& dialog = dateInput_;
  dialog.intEarliestAcceptableYear = 1980;
  dialog.intLatestAcceptableYear = 2999;
  dialog.lngBackColor = typeOfPurge_.lngBackColor;
  dialog.lngForeColor = 0xFFFFFF;
  dialog.lblPrompt.caption = "Specify date such that ONLY files with dates BEFORE this date will be purged.";
  dialog.caption = cmdOnlyBefore.caption;
  dialog.intWidthTwips = 7800;
  dialog.lngJDN = state_.lngOnlyBeforeThisJDN;
  dialog.cmdClearButton.caption = "Remove date restriction";
  EnableMenu(false);
  ui_.ShowModal(dialog);
  if (dialog.intReturnValue == 1) {
    state_.lngOnlyBeforeThisJDN = dialog.lngJDN;
    lblEstimatedTime.caption.clear();
  } else if (dialog.intReturnValue == 2) {
    state_.lngOnlyBeforeThisJDN = support::kNoDateRestriction;
    lblEstimatedTime.caption.clear();
  }
  EnableMenu(true);
  UpdateDateRestrictionLabel();
}

}  // namespace nulvane::mainwindow
