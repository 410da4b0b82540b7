// "Purge files", "List and estimate time" and "Report": from the operation state to a run of the report
// window.
#include <string>
#include <utility>

#include "dialogs/PurgeConfirmationDialog.h"
#include "mainwindow/FreeSpacePurge.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ResidueWarning.h"
#include "platform/PlatformError.h"
#include "report/ReportWindow.h"
#include "support/DateRestriction.h"
#include "support/Drive.h"
#include "support/FolderServices.h"
#include "support/Format.h"
#include "support/Match.h"

namespace nulvane::mainwindow {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

constexpr std::int16_t kCountingLimit = 1001;

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
  return folder;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

bool MainWindow::TargetSpecified() const {
  return !state_.strTargetFolder.empty() && !state_.strFilespec.empty();
}

bool MainWindow::IsDriveRoot(const std::string& folder) {
  std::string path = folder;
  support::StripTrailingBackslashes(path);
  while (path.size() > 1 && path.back() == platform::kPathSeparator) path.pop_back();
  return path.empty() || path == support::DriveOf(fileSystem_, path);
}

void MainWindow::cmdProcessFiles_Release(int index) {
  if (state_.blnDialogJustClosed) return;
  if (!TargetSpecified()) {
    ui_.Message("Error", "No files specified.", Buttons::Ok, Icon::Warning);
    return;
  }
  const std::string folder = state_.strTargetFolder;
  if (!folders_.FolderExists(folder)) {
    ui_.Message("Error", "Folder does not exist.", Buttons::Ok, Icon::Warning);
    state_.strTargetFolder.clear();
    state_.strFilespec.clear();
    UpdateTargetLabels();
    return;
  }
  if (report_ == nullptr) return;
  report::ReportWindow& report = *report_;
  report.blnPurgeFiles = index == 1;
  report.blnListFiles = index == 2;
  const std::string title = index == 1 ? "Purge files" : "List files";

  if (Files().NamesOneFile() && !state_.blnSubdirectories &&
      state_.lngOnlyBeforeThisJDN != support::kNoDateRestriction) {
    const std::string path = WithSeparator(folder) + state_.strFilespec;
    std::int16_t error = 0;
    const std::int32_t day = support::GetFileDayNumber(fileSystem_, path, error);
    std::string text;
    if (day == -1) {
      text = "Cannot ascertain the date of the specified file.";
    } else if (day >= state_.lngOnlyBeforeThisJDN) {
      text = "The date of the specified file is not before " +
             support::ShortDateTextOfDay(state_.lngOnlyBeforeThisJDN) + ".";
    }
    if (!text.empty()) {
      ui_.Message(title, text, Buttons::Ok, Icon::None);
      report.blnPurgeFiles = false;
      return;
    }
  }

  // The folder is opened once, now: the count, the run and the offer to delete it afterwards all work in
  // the folder the user confirmed, wherever it hangs by then.
  try {
    report.targetFolder = fileSystem_.OpenFolder(report::NormaliseFolderPath(folder));
  } catch (const platform::PlatformError&) {
    report.targetFolder.reset();  // the run reports why it cannot be read
  }
  if (index == 1) {
    freeSpaceOffers_.clear();
    if (RunPurge()) {
      report.caption = "Purge files";
      report.NotifyChanged();
      OfferFolderDeletion(folder);
      OfferFreeSpacePurges();
    }
  } else if (index == 2) {
    if (state_.blnSubdirectories) {
      const std::string drive = support::DriveOf(fileSystem_, folder);
      const bool measured = state_.SpeedOf(drive) > 0;
      if (!measured) {
        const Answer answer = ui_.Message(
            "List and estimate time",
            "The purge speed has not been measured for drive " + support::DriveName(drive) +
                ".\r\nFor an estimate of the purge time test the purge speed for this drive then relist.\r\n"
                "Do you wish to list subfolders without getting an estimate of purge time?",
            Buttons::YesNoCancel, Icon::None);
        if (answer != Answer::Yes) return;
      }
      report.blnDisplayFileNames = false;
      const Answer answer =
          ui_.Message(measured ? "List and estimate time" : "List folder names?",
                      "Suppress display of folder names?", Buttons::YesNoCancel, Icon::None);
      if (answer == Answer::Cancel) return;
      report.blnDisplayFolderNames = answer == Answer::No;
    } else {
      report.blnDisplayFileNames = true;
      report.blnDisplayFolderNames = true;
    }
    RunListing();
    report.caption = "List files and/or folders";
    report.NotifyChanged();
  }
  report.targetFolder.reset();
  UpdateDateRestrictionLabel();
}

void MainWindow::OfferFolderDeletion(const std::string& folder) {
  // The root of a drive is never offered, whatever its name looks like.
  if (folder.size() <= 3 || IsDriveRoot(folder)) return;
  // Offered only when nothing but empty folders is left below: a file that was not purged (in a subfolder
  // the purge did not cover, declined, protected or read-only) is never deleted as a side effect, nor is a
  // folder that cannot be read to the end. It is the folder the run held that is looked at and removed,
  // and its name only while that still names it.
  const platform::FolderHandle held = report_->targetFolder;
  if (!held || !folders_.HoldsOnlyFolders(held)) return;
  if (ui_.Message("Delete folder?", "Delete folder " + support::DisplayName(folder) + "?", Buttons::YesNo,
                  Icon::None) != Answer::Yes) {
    return;
  }
  std::string error;
  bool replaced = false;
  bool deleted = false;
  try {
    const auto [parent, name] = platform::OpenParentOf(fileSystem_, folder);
    deleted = folders_.DeleteEmptyFolderTree(*parent, name, held, error, replaced);
  } catch (const platform::PlatformError&) {
    replaced = true;  // nothing of that name is there any more
  }
  if (deleted) {
    lblTopLevelFolder.caption = support::DisplayName(folder) + " has been deleted.";
    lblTopLevelFolder.visible = true;
    TargetFolderDeleted();
  } else if (replaced) {
    ui_.Message("Delete folder?",
                support::DisplayName(folder) +
                    " was not deleted: that name no longer names the folder that was purged.",
                Buttons::Ok, Icon::Warning);
  }
}

void MainWindow::CountFilesToPurge() {
  report::ReportWindow& report = *report_;
  report.strNextDirPath = state_.strTargetFolder;
  report.strCurrentFileSpec = state_.strFilespec;
  report.blnListFiles = false;
  report.blnPurgeFiles = false;
  report.lngNumFilesProcessed = 0;
  report.ListFilesRecursive(report.strNextDirPath, report.CurrentFiles());
}

void MainWindow::SetRunning(bool running) {
  fraSetupEnabled = !running;
  EnableMenu(!running);
}

void MainWindow::FocusAfterRun(const std::string& button) {
  if (report_->IsVisible()) {
    report_->BringToFront();
    NotifyChanged();
  } else {
    SetFocus(button);
  }
}

bool MainWindow::ConfirmResidue(const std::string& folder, const std::string& title) {
  freeSpaceOffers_.clear();
  if (residueWarning_ == nullptr) return true;
  if (!residueWarning_->Confirm({folder}, title)) return false;
  freeSpaceOffers_ = residueWarning_->FreeSpaceVolumes();
  return true;
}

void MainWindow::OfferFreeSpacePurges() {
  const std::vector<std::string> volumes = std::exchange(freeSpaceOffers_, {});
  if (freeSpace_ == nullptr) return;
  for (const std::string& volume : volumes) freeSpace_->OfferAfterPurge(volume);
  if (!volumes.empty() && report_->IsVisible()) report_->BringToFront();
}

bool MainWindow::RunPurge() {
  report::ReportWindow& report = *report_;
  const std::string folder = state_.strTargetFolder;
  const std::string spec = state_.strFilespec;
  const support::FileMatcher files = Files();
  state_.blnMultipleFiles = !files.NamesOneFile();
  if (!state_.blnSubdirectories) {
    std::string error;
    double total = 0;
    if (folders_.CountMatchingFiles(folder, files, false, false, error, total) == 0) {
      ui_.Message("Purge files",
                  state_.blnMultipleFiles ? "There are no files in " + support::DisplayName(folder) +
                                                " matching " + support::DisplayName(spec) + "."
                                          : "File " + support::DisplayName(spec) + " not found.",
                  Buttons::Ok, Icon::Warning);
      report.blnPurgeFiles = false;
      return true;
    }
  }
  SetRunning(true);
  bool goOn = true;
  // A named file without subfolders is exactly one file; everything else is counted, so the question and
  // the dialog's button name the real number.
  std::int32_t count = 1;
  if (state_.blnMultipleFiles || state_.blnSubdirectories) {
    lblLargePurgeMessage.caption = "Now counting files ...";
    NotifyChanged();
    report.intStopAt = kCountingLimit;
    CountFilesToPurge();
    lblLargePurgeMessage.caption.clear();
    NotifyChanged();
    count = report.lngNumFilesProcessed;
  }
  if (count == 0) {
    ui_.Message("Purge files",
                "There are no files in " + support::DisplayName(folder) +
                    " or in any of its subfolders matching " + support::DisplayName(spec) +
                    (state_.blnDateRestriction ? " (possibly due to the date restriction)" : "") + ".",
                Buttons::Ok, Icon::Information);
  } else if (!BuildConfirmationTexts(count)) {
  } else if (!ConfirmResidue(folder, "Purge files")) {
    goOn = false;
  } else {
    confirmation_.strDriveLetter = support::DriveOf(fileSystem_, folder);
    confirmation_.lblMessage.caption = strConfirmationText;
    ui_.ShowModal(confirmation_);
    if (!confirmation_.blnConfirm) {
      freeSpaceOffers_.clear();
      ui_.Message("Purge cancelled", "No files purged.", Buttons::Ok, Icon::None);
    } else {
      report.caption = "Purge files";
      report.Show();
      report.blnStop = false;
      report.strNextDirPath = folder;
      report.strCurrentFileSpec = spec;
      report.blnListFiles = false;
      report.blnPurgeFiles = true;
      report.lngNumFilesProcessed = 0;
      report.ProcessFiles();
      // The same files cannot be purged twice by accident.
      if (!confirmation_.blnDoNotDeletePurgedFiles && report.lngNumFilesPurged > 0) {
        state_.strFilespec.clear();
        UpdateTargetLabels();
      }
      // Nothing purged, nothing of it left to overwrite.
      if (report.lngNumFilesPurged == 0) freeSpaceOffers_.clear();
    }
  }
  report.blnPurgeFiles = false;
  // What the count read is of no use to a later run: the folders may have changed by then.
  report.ForgetCountedFolders();
  SetRunning(false);
  FocusAfterRun("cmdProcessFiles(1)");
  return goOn;
}

bool MainWindow::BuildConfirmationTexts(std::int32_t count) {
  const support::OperationState& s = state_;
  state_.intNumFiles = static_cast<std::int16_t>(count);
  const std::string path = WithSeparator(s.strTargetFolder) + s.strFilespec;
  // With subfolders the one counted file may lie below the folder, and the count has already applied the
  // date restriction; only the folder's own file is checked here.
  if (!s.blnMultipleFiles && !s.blnSubdirectories && count == 1 && s.blnDateRestriction &&
      CheckSingleFileDate(path, "Purge files")) {
    return false;
  }
  const std::string n = std::to_string(count);
  const bool allFiles = Files().MatchesEveryName();
  std::string q = "Are you sure that you want to purge the slack area of ";
  if (!allFiles) {
    if (s.blnMultipleFiles) {
      q += count < 2 ? "the files" : "the " + n + " files";
    } else {
      q += "the file";
    }
    q += "\r\n" + support::ShortenPath(support::DisplayName(path), 100);
  } else {
    if (count == 1) {
      q += "the single file in ";
    } else if (count == 2) {
      q += "both files in ";
    } else if (count == -1) {
      q += "all files in ";
    } else {
      q += "all " + n + " files in ";
    }
    q += "\r\n" + support::ShortenPath(support::DisplayName(s.strTargetFolder), 100);
  }
  if (s.blnSubdirectories) {
    q += "\r\nand all files ";
    if (!allFiles) q += "of the form \"" + s.strFilespec + "\" ";
    q += "in all subfolders?";
  } else {
    q += " ?";
  }
  if (count > 1 && s.blnDateRestriction) q += "\r\nwhich satisfy the date restriction.";
  q += "\r\nThis will permanently destroy all data in ";
  if (s.blnMultipleFiles || s.blnSubdirectories) {
    if (count == 1) {
      q += "this file.";
    } else if (count == -1) {
      q += "these (more than 1000) files.";
    } else {
      q += "these " + Lower(support::NumberInWords(count)) + " files.";
    }
  } else {
    q += "this file.";
  }
  ReplaceAll(q, "to purge the slack area of", "to purge");
  strConfirmationText = q;
  return true;
}

void MainWindow::RunListing() {
  report::ReportWindow& report = *report_;
  const std::string folder = state_.strTargetFolder;
  const std::string spec = state_.strFilespec;
  const support::FileMatcher files = Files();
  state_.blnMultipleFiles = !files.NamesOneFile();
  if (state_.blnSubdirectories) {
    if (report.blnDisplayFolderNames) {
      std::int32_t count = 0;
      std::int32_t limit = 100;
      double total = 0;
      int error = 0;
      folders_.CountFilesInTree(true, folder, files, count, limit, false, total, error);
      report.blnDisplayFileNames = count < 100;
    }
  } else {
    std::string error;
    double total = 0;
    if (folders_.CountMatchingFiles(folder, files, false, false, error, total) == 0) {
      std::string text;
      if (files.MatchesEveryName()) {
        text = "There are no files in " + support::DisplayName(folder) + ".";
      } else if (state_.blnMultipleFiles) {
        text = "There are no files in " + support::DisplayName(folder) + " matching " +
               support::DisplayName(spec) + ".";
      } else {
        text = "File " + support::DisplayName(spec) + " not found.";
      }
      ui_.Message("", text, Buttons::Ok, Icon::Warning);
      return;
    }
  }
  SetRunning(true);
  report.strNextDirPath = folder;
  report.strCurrentFileSpec = spec;
  if (!report.blnDisplayFileNames) {
    report.caption = report.blnDisplayFolderNames ? "List folders" : "Estimate purge time";
  } else if (files.MatchesEveryName()) {
    report.caption = "List all files";
  } else {
    report.caption = state_.blnMultipleFiles ? "List files " + spec : "List files";
  }
  report.txbText.Clear();
  report.Show();
  report.ProcessFiles();
  SetRunning(false);
  FocusAfterRun("cmdProcessFiles(2)");
}

void MainWindow::cmdReportScreen_Release() {
  if (state_.blnDialogJustClosed) return;
  if (report_ != nullptr && !report_->txbText.empty()) {
    report_->Show();
    report_->txbText.MoveCaretToStart();
    report_->NotifyChanged();
    report_->BringToFront();
    return;
  }
  ui_.Message("Report window", "Nothing to report!", Buttons::Ok, Icon::None);
}

// --- What the report window reads from and sets in the main window ------------------------------------

std::string MainWindow::DirectoryCaption() const {
  return lblDirectory.caption;
}
std::string MainWindow::FilesCaption() const {
  return lblFiles.caption;
}
std::string MainWindow::TypeOfPurgeCaption() const {
  return lblTypeOfPurge.caption;
}

void MainWindow::SetEstimatedTimeCaption(const std::string& text) {
  lblEstimatedTime.caption = text;
  NotifyChanged();
}

void MainWindow::HideMainWindow() {
  windowVisible = false;
  NotifyChanged();
}

void MainWindow::ShowMainWindow() {
  windowVisible = true;
  NotifyChanged();
}

bool MainWindow::ReportWindowVisible() const {
  return report_ != nullptr && report_->IsVisible();
}

}  // namespace nulvane::mainwindow
