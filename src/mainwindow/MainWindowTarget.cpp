// The commands that name what is to be purged: a single file, a folder, the files of the folder, the
// subfolder setting, and clearing them.
#include <cmath>

#include "dialogs/SpecifyFilesDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/PurgeResult.h"
#include "mainwindow/MainWindow.h"
#include "platform/Environment.h"
#include "platform/PlatformError.h"
#include "support/Drive.h"
#include "support/FileLength.h"
#include "support/FolderServices.h"
#include "support/Format.h"
#include "support/Locale.h"
#include "support/Match.h"

namespace nulvane::mainwindow {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

std::int16_t ClampToInt16(std::int32_t value) {
  return static_cast<std::int16_t>(value > 32767 ? 32767 : value);
}

std::string NotAFileText(const std::string& path, platform::FileKind kind) {
  return path + "\r\nThis is " + engine::EntryKindName(kind) +
         ", not a file, so it cannot be purged.\r\nOnly files themselves are purged, never what a link "
         "points to.";
}

// Of several items given at once, this many are named in the refusal; the rest are counted.
constexpr std::size_t kGivenItemsNamed = 5;

}  // namespace

std::string MainWindow::SingleFileEstimate(const std::string& path, const std::string& drive) {
  const double speed = state_.SpeedOf(drive);
  if (!(speed > 0)) return "";
  const double overwrites = typeOfPurge_.GetNumOverwrites();
  const std::int64_t length = support::GetFileLength(fileSystem_, path);
  const double megabytes = length > 0 ? static_cast<double>(length) / 1024.0 / 1024.0 : 0.0;
  // An empty file takes no time; the adjustment would divide by zero.
  if (megabytes <= 0) return "Less than a minute.";
  const double seconds = static_cast<double>(support::RoundHalfEven(megabytes / speed * overwrites));
  const std::int64_t adjusted =
      support::RoundHalfEven(seconds * state_.dblAF_A / std::pow(megabytes, state_.dblAF_B));
  if (adjusted < 60) return "Less than a minute.";
  return support::FormatDuration(static_cast<std::int32_t>(adjusted), true);
}

void MainWindow::cmdSingleFile_Release() {
  if (state_.blnDialogJustClosed) return;
  platform::FileDialogRequest request;
  request.title = "Specify file to be purged.";
  request.filter = "All files (*.*) | *.*";
  const platform::FileDialogResult chosen = ui_.OpenFileDialog(request);
  if (!chosen.shown) return;
  StartClickGuard();
  if (chosen.path.empty()) return;
  TakeSingleFile(chosen.path);
}

bool MainWindow::TakeSingleFile(const std::string& chosenPath) {
  // Names are case-sensitive here, so the file keeps its name exactly as it is on disk. Its folder is
  // resolved once; the file itself may be a link, which the purge then refuses rather than follows.
  const std::string folder = folders_.ResolveChosenFolder(support::FolderOf(chosenPath, false));
  const std::string name = support::FileNameOf(chosenPath, false);
  const std::string path = folder + name;
  // The name becomes the file specification: with a "*" or "?" in it, it would reach other files too.
  if (support::ContainsWildcard(name)) {
    ui_.Message("Single file",
                support::DisplayName(path) +
                    "\r\nThe name of this file contains \"*\" or \"?\", so it cannot be purged as a single "
                    "file.\r\nSpecify its folder and files instead.",
                platform::Buttons::Ok, platform::Icon::Warning);
    return false;
  }
  // A link, a pipe or a device is nothing a purge can purge (a link's target is never followed).
  platform::FileKind kind = platform::FileKind::Missing;
  try {
    kind = fileSystem_.Status(path).kind;
  } catch (const platform::PlatformError&) {
  }
  if (kind != platform::FileKind::Regular && kind != platform::FileKind::Missing) {
    ui_.Message("Single file", NotAFileText(path, kind), platform::Buttons::Ok, platform::Icon::Warning);
    return false;
  }
  // A file that the date restriction excludes is not taken; the previous target stays.
  if (state_.blnDateRestriction && CheckSingleFileDate(path, "Single file")) return false;
  state_.strTargetFolder = folder;
  state_.strFilespec = name;
  state_.strShellPatterns.clear();
  state_.blnSubdirectories = false;
  lblSubdirectories.caption = "No";
  lblSetupFilename.caption.clear();
  UpdateTargetLabels();
  UpdateSubfolderLabels();
  const std::string drive = support::DriveOf(fileSystem_, path);
  if (speedTest_ != nullptr) speedTest_->ShowPurgeSpeed(drive, false);
  lblEstimatedTime.caption = SingleFileEstimate(path, drive);
  NotifyChanged();
  return true;
}

void MainWindow::cmdSpecifyDirectory_Release(int index) {
  if (state_.blnDialogJustClosed) return;
  if (index == 1) {
    cmdPurgeFolders();
    return;
  }
  PrepareFolderChoice();
  const std::string path = folders_.BrowseForFolder("Specify folder containing files to be purged");
  if (path.empty()) {
    ShowTargetRows(true);
    UpdateDateRestrictionLabel();
    return;
  }
  TakeFolder(path);
}

void MainWindow::PrepareFolderChoice() {
  lblTopLevelFolder.caption.clear();
  lblTopLevelFolder.visible = true;
  lblLargePurgeMessage.caption.clear();
  state_.strSavedFilesCaption = lblFiles.caption;
  state_.strSavedSubfoldersCaption = lblSubdirectories2.caption;
  lblSetupFilename.caption.clear();
  NotifyChanged();
}

void MainWindow::TakeFolder(std::string path) {
  support::EnsureTrailingBackslash(path);
  path = folders_.ResolveChosenFolder(path);
  state_.strTargetFolder = path;
  UpdateTargetLabels();

  std::string error;
  const std::int32_t subfolders = folders_.CountSubfolders(path, error, 1);
  lblSubdirectories.caption = "No";
  lblSubdirectories2.caption =
      subfolders == 0 ? "(The folder has no subfolders.)" : "(Do not operate on files in lower subfolders.)";
  state_.blnSubdirectories = false;
  lblSetupFilename.caption.clear();
  state_.strFilespec.clear();
  state_.strShellPatterns.clear();
  UpdateTargetLabels();

  double total = 0;
  if (folders_.CountMatchingFiles(path, "*.*", true, false, error, total) > 0) {
    const Answer answer = ui_.Message("Specify folder",
                                      "Do you wish to purge ALL files in " + support::DisplayName(path) +
                                          "\r\n(subject to any date restriction which is in effect)?",
                                      Buttons::YesNo, Icon::None);
    if (answer == Answer::Yes) {
      state_.strFilespec = "*.*";
      state_.blnConfirmFiles = false;
      UpdateTargetLabels();
      lblSetupFilename.caption.clear();
      lblEstimatedTime.caption.clear();
      CheckFolderContents("*.*");
      if (subfolders > 0) {
        ui_.Message(
            "Specify folder",
            "If you wish also to purge all files in subfolders\r\n(subject to any date restriction which "
            "is in effect)\r\nthen click on the 'Subfolders?' button.",
            Buttons::Ok, Icon::Information);
      }
    }
  }
  UpdateDateRestrictionLabel();
}

bool MainWindow::AcceptsGivenPaths() const {
  return fraMenuEnabled && windowVisible && !takingGivenPaths_;
}

bool MainWindow::TakeGivenPaths(const std::vector<std::string>& given) {
  if (given.empty() || !AcceptsGivenPaths()) return false;
  takingGivenPaths_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{takingGivenPaths_};
  const std::string& title = caption;
  // A target is one file or one folder with a file specification; several items have no such form, and
  // guessing one of them could purge what the user did not mean.
  if (given.size() > 1) {
    std::string text = strProgramName +
                       " purges one file, or the files of one folder, at a time, and was given " +
                       std::to_string(given.size()) + " items:";
    for (std::size_t index = 0; index < given.size() && index < kGivenItemsNamed; ++index) {
      text += "\r\n" + support::DisplayName(given[index]);
    }
    if (given.size() > kGivenItemsNamed) {
      text += "\r\nand " + std::to_string(given.size() - kGivenItemsNamed) + " more.";
    }
    text +=
        "\r\nNone of them has been chosen. Give it one file or one folder; to purge several files, put them "
        "into one folder, or specify their folder and files.";
    ui_.Message(title, text, Buttons::Ok, Icon::Warning);
    return false;
  }
  const std::string path = platform::AbsolutePath(given.front());
  platform::FileKind kind = platform::FileKind::Missing;
  try {
    // The item itself, not what it may link to.
    kind = fileSystem_.Status(path).kind;
  } catch (const platform::PlatformError& error) {
    ui_.Message(title, "Cannot access " + support::DisplayName(path) + ":\r\n" + error.description + ".",
                Buttons::Ok, Icon::Warning);
    return false;
  }
  switch (kind) {
    case platform::FileKind::Directory:
      PrepareFolderChoice();
      TakeFolder(path);
      return true;
    case platform::FileKind::Regular:
      return TakeSingleFile(path);
    case platform::FileKind::Missing:
      ui_.Message(title, support::DisplayName(path) + "\r\nThere is no file or folder of this name.",
                  Buttons::Ok, Icon::Warning);
      return false;
    default:
      ui_.Message(title, NotAFileText(path, kind), Buttons::Ok, Icon::Warning);
      return false;
  }
}

void MainWindow::cmdSpecifyFiles_Release() {
  if (state_.blnDialogJustClosed) return;
  const std::string& folder = state_.strTargetFolder;
  if (folder.empty()) {
    ui_.Message("Folder unspecified", "The folder has not been specified.", Buttons::Ok, Icon::Warning);
    return;
  }
  if (!CheckFolderContents("*.*")) return;
  std::string error;
  double total = 0;
  state_.intNumFiles = ClampToInt16(folders_.CountMatchingFiles(folder, "*.*", false, false, error, total));
  const std::string dateRemark = state_.blnDateRestriction ? " (possibly due to the date restriction)" : "";
  if (!state_.blnSubdirectories && state_.intNumFiles == 0) {
    ui_.Message("Specify files", "There are no files in " + support::DisplayName(folder) + dateRemark + ".",
                Buttons::Ok, Icon::Information);
    return;
  }
  if (state_.blnSubdirectories && !folders_.AnyMatchingFileInTree(folder, "*.*")) {
    ui_.Message("Specify files",
                "There are no files in " + support::DisplayName(folder) + " or in any of its subfolders" +
                    dateRemark + ".",
                Buttons::Ok, Icon::Information);
    return;
  }
  dialogs::SpecifyFilesDialog& dialog = specifyFiles_;
  dialog.strOperation = "purge";
  dialog.lngBackColor = 0x000080;
  dialog.lngForeColor = 0xFFFFFF;
  dialog.blnBold = false;
  dialog.intNumFiles = state_.intNumFiles;
  dialog.SetFolder(folder);
  dialog.blnAccept = false;
  ui_.ShowModal(dialog);
  if (dialog.blnAccept) SpecifyFiles(dialog.ChosenFilespec());
  UpdateDateRestrictionLabel();
}

bool MainWindow::SpecifyFiles(const support::FileMatcher& files) {
  state_.strFilespec = files.spec();
  state_.strShellPatterns = files.shellPatterns();
  state_.blnConfirmFiles = false;
  UpdateTargetLabels();
  lblSetupFilename.caption.clear();
  lblEstimatedTime.caption.clear();
  return CheckFolderContents(files);
}

void MainWindow::cmdSubdirectories_Release() {
  if (state_.blnDialogJustClosed) return;
  lblEstimatedTime.caption.clear();
  if (!state_.strTargetFolder.empty()) {
    std::string error;
    const std::int32_t subfolders = folders_.CountSubfolders(state_.strTargetFolder, error, 1);
    if (subfolders >= 0) {
      state_.blnSubdirectories = subfolders > 0 ? !state_.blnSubdirectories : false;
      UpdateSubfolderLabels();
      lblSetupFilename.caption.clear();
      NotifyChanged();
      return;
    }
    if (state_.blnStartupCompleted && DriveAccessible(state_.strTargetFolder)) {
      ui_.Message("Error",
                  "Error when attempting to access " + support::DisplayName(state_.strTargetFolder) + ".",
                  Buttons::Ok, Icon::Warning);
    }
    state_.strTargetFolder.clear();
  }
  state_.strFilespec.clear();
  UpdateTargetLabels();
}

bool MainWindow::DriveAccessible(const std::string& folder) {
  const std::string drive = support::DriveOf(fileSystem_, folder);
  for (const platform::Volume& volume : fileSystem_.Volumes()) {
    if (volume.mountPoint == drive &&
        (volume.type == platform::DriveType::Fixed || volume.type == platform::DriveType::RamDisk)) {
      return true;
    }
  }
  try {
    fileSystem_.QueryDisk(drive);
    return true;
  } catch (const platform::PlatformError&) {
    return false;
  }
}

void MainWindow::cmdClear_Click() {
  if (ui_.Message("Clear", "Clear folder and file specifications?", Buttons::YesNo, Icon::None) !=
      Answer::Yes) {
    return;
  }
  state_.strTargetFolder.clear();
  state_.strFilespec.clear();
  state_.strShellPatterns.clear();
  UpdateTargetLabels();
  UpdateDateRestrictionLabel();
}

bool MainWindow::CheckFolderContents(const support::FileMatcher& matcher) {
  std::string error;
  double total = 0;
  const std::int32_t files =
      folders_.CountMatchingFiles(state_.strTargetFolder, matcher, false, false, error, total);
  const std::int32_t subfolders = folders_.CountSubfolders(state_.strTargetFolder, error, 1);
  if (files == -1 || subfolders == -1) {
    ui_.Message("Error", "Cannot access the folder.", Buttons::Ok, Icon::Error);
    return false;
  }
  if (files > 0 || subfolders > 0) return true;
  ui_.Message("Empty folder",
              std::string(matcher.MatchesEveryName() ? "The folder contains no files "
                                                     : "The folder contains no matching files ") +
                  "and no subfolders.",
              Buttons::Ok, Icon::Warning);
  return false;
}

}  // namespace nulvane::mainwindow
