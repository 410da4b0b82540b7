// Setups: the setup kept for the next run, operation files (*.nvs), and the setup and saving panels.
#include <cerrno>
#include <vector>

#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "mainwindow/MainWindow.h"
#include "platform/Environment.h"
#include "platform/PlatformError.h"
#include "support/FolderServices.h"
#include "support/Match.h"

namespace nulvane::mainwindow {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using support::SetupValues;

namespace {

constexpr const char* kOperationFileFilter = "Operation files (*.nvs) | *.nvs";
constexpr int kErrorFileExists = platform::ErrorNumberFromErrno(EEXIST);
// How many names beside the setup file a save tries for its new file before it gives up.
constexpr int kNewFileNames = 100;

}  // namespace

// --- The file ------------------------------------------------------------------------------------------

SetupValues MainWindow::CurrentSetup() {
  SetupValues v;
  v.strVersion = strVersionText;
  v.blnSubdirectories = state_.blnSubdirectories;
  v.strTargetFolder = state_.strTargetFolder;
  v.strFilespec = state_.strFilespec;
  v.intPurgeType = typeOfPurge_.GetPurgeType();
  v.intNumberOfPasses = typeOfPurge_.GetNumberOfPasses();
  v.intSlackArea = 0;
  const dialogs::PurgeConfirmationDialog& c = confirmation_;
  v.options = {c.chkDoNotDeletePurgedFiles.checked,
               c.chkOKToPurgeReadOnlyFiles.checked,
               c.chkOKToPurgeSystemFiles.checked,
               c.chkOKToPurgeSensitiveFiles.checked,
               c.chkFolderNamesOnly.checked,
               c.chkDeleteEmptyFolders.checked,
               c.chkConfirmFiles.checked};
  v.lngOnlyBeforeThisJDN = state_.lngOnlyBeforeThisJDN;
  return v;
}

std::string MainWindow::SetupFileBehind(const std::string& path) {
  std::string folder = support::FolderOf(path, false);
  const std::string name = support::FileNameOf(path, false);
  try {
    // The folder as it really is, so that nothing below it is reached through a link.
    if (!folder.empty()) {
      folder = fileSystem_.RealPath(folder);
      support::EnsureTrailingBackslash(folder);
    }
    const platform::FileStatus status = fileSystem_.Status(folder + name);
    if (status.kind != platform::FileKind::Symlink) return folder + name;
    const std::string target = fileSystem_.RealPath(folder + name);
    if (platform::RunningAsRoot()) {
      // Root follows a link only where nobody but root and the folder's owner could have made it or aimed
      // it: otherwise another user could have the program read or replace any file.
      const std::uint32_t folderOwner = fileSystem_.Status(folder.empty() ? "." : folder).owner;
      const std::uint32_t targetOwner = fileSystem_.Status(target).owner;
      const auto trusted = [folderOwner](std::uint32_t owner) { return owner == 0 || owner == folderOwner; };
      if (!trusted(status.owner) || !trusted(targetOwner)) return {};
    }
    return target;
  } catch (const platform::PlatformError&) {
    return {};
  }
}

bool MainWindow::SaveSetup(const std::string& chosenPath) {
  const std::string text = support::FormatSetup(CurrentSetup());
  // Through a link the setup replaces the file it leads to, and the link stays.
  const std::string path = SetupFileBehind(chosenPath);
  if (path.empty()) return false;
  // The new setup goes into a file of its own beside the old one and replaces it in one step once it is
  // complete on the disk, so a full disk or a failing device never costs the setup saved before; it takes
  // over the old one's permissions and owner, so a private setup stays private.
  const std::string folder = support::FolderOf(path, false);
  const std::string name = support::FileNameOf(path, false);
  std::string newPath;
  try {
    const platform::FileStatus old = fileSystem_.Status(path);
    platform::File file;
    for (int attempt = 0; !file.IsOpen(); ++attempt) {
      const std::string candidate =
          folder + "." + name + (attempt == 0 ? "" : "." + std::to_string(attempt)) + ".new";
      try {
        file = fileSystem_.CreateNewFile(candidate);
        newPath = candidate;
      } catch (const platform::PlatformError& error) {
        // Never take over a file of that name: it may be someone else's.
        if (error.number != kErrorFileExists || attempt + 1 == kNewFileNames) throw;
      }
    }
    if (old.kind == platform::FileKind::Regular)
      fileSystem_.SetPermissions(file, old.mode, old.owner, old.group);
    fileSystem_.WriteAt(file, text.data(), text.size(), 0);
    fileSystem_.Flush(file);
    file.Close();
    fileSystem_.Rename(newPath, path);
    newPath.clear();
    // The new name must survive a power cut as well; the setup is saved either way once renamed.
    try {
      fileSystem_.FlushFolder(folder.empty() ? "." : folder);
    } catch (const platform::PlatformError&) {
    }
    return true;
  } catch (const platform::PlatformError&) {
    if (!newPath.empty()) {
      try {
        fileSystem_.Remove(newPath);
      } catch (const platform::PlatformError&) {
      }
    }
    return false;
  }
}

std::string MainWindow::ReadSetupFile(const std::string& chosenPath, bool& read) {
  read = false;
  std::string content;
  // Setup files are read through links, as users keep them elsewhere and link them in.
  const std::string path = SetupFileBehind(chosenPath);
  if (path.empty()) return content;
  try {
    const platform::File file = fileSystem_.OpenForReading(path);
    if (fileSystem_.Status(file).size > static_cast<std::int64_t>(support::kMaxSetupFileBytes)) return {};
    std::vector<char> buffer(support::kMaxSetupFileBytes + 1);
    std::size_t got = 0;
    // The file may grow while it is read; what lies beyond the limit makes it no setup file either.
    while (got < buffer.size()) {
      const std::size_t n =
          fileSystem_.ReadAt(file, buffer.data() + got, buffer.size() - got, static_cast<std::int64_t>(got));
      if (n == 0) break;
      got += n;
    }
    if (got > support::kMaxSetupFileBytes) return {};
    content.assign(buffer.data(), got);
    read = true;
  } catch (const platform::PlatformError&) {
  }
  return content;
}

bool MainWindow::ApplySetupTarget(const SetupValues& values) {
  std::string folder = values.strTargetFolder;
  const std::string& spec = values.strFilespec;
  // The folder is a path the user chose once: absolute, and resolved now as a chosen folder is. The
  // specification is a name or a pattern within it, never a way out of it.
  if (!folder.empty() && folder.front() != platform::kPathSeparator) return false;
  if (spec.find(platform::kPathSeparator) != std::string::npos || spec == "." || spec == "..") return false;
  if (!typeOfPurge_.SelectType(values.intPurgeType)) return false;
  if (!typeOfPurge_.SelectPasses(values.intPurgeType, values.intNumberOfPasses)) return false;
  if (!folder.empty()) {
    support::EnsureTrailingBackslash(folder);
    folder = folders_.ResolveChosenFolder(folder);
  }
  state_.blnSubdirectories = values.blnSubdirectories;
  state_.blnConfirmFiles = false;
  state_.strTargetFolder = folder;
  state_.strFilespec = spec;
  // A setup's specification keeps the window's rules.
  state_.strShellPatterns.clear();
  return true;
}

bool MainWindow::LoadSetup(const std::string& path) {
  bool read = false;
  const std::string content = ReadSetupFile(path, read);
  const support::SetupReading reading = read ? support::ParseSetup(content) : support::SetupReading{};
  // The options and the date restriction take effect as they are read, even when a later value fails.
  dialogs::PurgeConfirmationDialog& c = confirmation_;
  platform::CheckBox* const boxes[SetupValues::kOptionCount] = {&c.chkDoNotDeletePurgedFiles,
                                                                &c.chkOKToPurgeReadOnlyFiles,
                                                                &c.chkOKToPurgeSystemFiles,
                                                                &c.chkOKToPurgeSensitiveFiles,
                                                                &c.chkFolderNamesOnly,
                                                                &c.chkDeleteEmptyFolders,
                                                                &c.chkConfirmFiles};
  for (int i = 0; i < SetupValues::kOptionCount; ++i) {
    if (reading.valuesRead >= support::kFirstOptionLine + i)
      c.ClickCheck(*boxes[i], reading.values.options[i]);
  }
  if (reading.valuesRead >= support::kDateLine)
    state_.lngOnlyBeforeThisJDN = reading.values.lngOnlyBeforeThisJDN;

  // A value that cannot be taken (a type or pass count out of range, a folder that is not a full path)
  // fails the load like a value that cannot be read.
  bool success = reading.complete && ApplySetupTarget(reading.values);
  if (!success) ApplySetupTarget(SetupValues{});
  if (state_.blnStartupCompleted) RefreshTypeOfPurgeLabel();
  return success;
}

std::string MainWindow::ChosenFilePath(const std::string& path) {
  return folders_.ResolveChosenFolder(support::FolderOf(path, false)) + support::FileNameOf(path, false);
}

// --- The panels ----------------------------------------------------------------------------------------

void MainWindow::cmdSetup_Release() {
  if (state_.blnDialogJustClosed) return;
  lblSetupFilename.visible = false;
  EnableMenu(false);
  fraSetupVisible = true;
  fraSetupEnabled = true;
  SetFocus("cmdSaveSetup");
}

void MainWindow::CloseSetupPanel() {
  fraSetupVisible = false;
  lblSetupFilename.visible = true;
  EnableMenu(true);
  SetFocus("cmdSetup");
}

void MainWindow::cmdKeepSetup_Click() {
  CloseSetupPanel();
}

void MainWindow::cmdSaveSetup_Click() {
  fraSetupVisible = false;
  picSaveSetupVisible = true;
  SetFocus("cmdSaveSetupForNextRun");
}

void MainWindow::cmdDontSaveSetup_Click() {
  picSaveSetupVisible = false;
  CloseSetupPanel();
}

void MainWindow::cmdSaveSetupForNextRun_Click() {
  if (!SaveSetup(state_.strSetupFilePath)) {
    ui_.Message("Error", "Cannot save setup!", Buttons::Ok, Icon::Warning);
  }
  picSaveSetupVisible = false;
  lblSetupFilename.visible = true;
  fraSetupEnabled = true;
  EnableMenu(true);
  SetFocus("cmdSetup");
}

void MainWindow::AfterSetupFileDialog() {
  lblSetupFilename.visible = true;
  fraSetupEnabled = true;
  EnableMenu(true);
  SetFocus("cmdSetup");
}

void MainWindow::cmdSaveSetupAsOperationFile_Click() {
  picSaveSetupVisible = false;
  NotifyChanged();
  platform::FileDialogRequest request;
  request.title = "Specify operation file to be saved";
  request.filter = kOperationFileFilter;
  request.defaultExtension = "nvs";
  const platform::FileDialogResult chosen = ui_.SaveFileDialog(request);
  if (chosen.shown) {
    StartClickGuard();
    if (!chosen.path.empty()) {
      const std::string path = ChosenFilePath(chosen.path);
      bool exists = true;
      try {
        exists = fileSystem_.Status(path).kind != platform::FileKind::Missing;
      } catch (const platform::PlatformError&) {
      }
      if (!exists || ui_.Message("File exists", "Overwrite existing file " + path + "?", Buttons::YesNoCancel,
                                 Icon::None) == Answer::Yes) {
        if (SaveSetup(path)) {
          lblSetupFilename.caption = path;
        } else {
          ui_.Message("Error", "Cannot save setup in operation file " + path + "!", Buttons::Ok,
                      Icon::Warning);
          lblSetupFilename.caption.clear();
        }
      }
    }
  }
  AfterSetupFileDialog();
}

void MainWindow::cmdLoadSetup_Click() {
  fraSetupVisible = false;
  NotifyChanged();
  platform::FileDialogRequest request;
  request.title = "Specify operation file to be loaded";
  request.filter = kOperationFileFilter;
  const platform::FileDialogResult chosen = ui_.OpenFileDialog(request);
  if (chosen.shown) {
    StartClickGuard();
    if (!chosen.path.empty()) {
      const std::string path = ChosenFilePath(chosen.path);
      if (!folders_.FileExists(path)) {
        ui_.Message("Error when attempting to load setup.", "File " + path + " not found!", Buttons::Ok,
                    Icon::Warning);
      } else {
        const bool loaded = LoadSetup(path);
        // Every label follows what was taken, the defaults included when the load failed.
        lblEstimatedTime.caption.clear();
        UpdateTargetLabels();
        UpdateSubfolderLabels();
        UpdateDateRestrictionLabel();
        if (loaded) {
          TakeRestoreSnapshot();
          lblSetupFilename.caption = path;
        } else {
          lblSetupFilename.caption.clear();
          ui_.Message("Error", "Error when attempting to load setup from file " + path + "!", Buttons::Ok,
                      Icon::Warning);
        }
      }
    }
  }
  AfterSetupFileDialog();
}

void MainWindow::cmdClearSetup_Click() {
  TakeRestoreSnapshot();
  state_.strTargetFolder.clear();
  state_.strFilespec.clear();
  UpdateTargetLabels();
  UpdateSubfolderLabels();
  lblSetupFilename.caption.clear();
  CloseSetupPanel();
}

void MainWindow::cmdRestoreSetup_Click() {
  state_.strTargetFolder = state_.strSavedFolder;
  state_.strFilespec = state_.strSavedFilespec;
  UpdateTargetLabels();
  UpdateSubfolderLabels();
  CloseSetupPanel();
  state_.lngOnlyBeforeThisJDN = state_.lngSavedOnlyBeforeThisJDN;
  UpdateDateRestrictionLabel();
}

}  // namespace nulvane::mainwindow
