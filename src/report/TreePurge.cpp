#include <algorithm>
#include <cmath>
#include <new>

#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/FileProcedures.h"
#include "engine/PurgeEngine.h"
#include "engine/PurgeResult.h"
#include "platform/PlatformError.h"
#include "platform/Ui.h"
#include "report/ReportWindow.h"
#include "support/DateRestriction.h"
#include "support/Drive.h"
#include "support/FileLength.h"
#include "support/FolderServices.h"
#include "support/Format.h"
#include "support/Locale.h"
#include "support/Match.h"
#include "support/OperationState.h"

namespace nulvane::report {

namespace {

constexpr int kPermissionDenied = 70;
constexpr int kOutOfMemory = 7;

bool HasWildcard(const std::string& spec) {
  return spec.find('*') != std::string::npos || spec.find('?') != std::string::npos;
}

std::string PurgeQueryText(const std::string& path, const std::string& extension) {
  const bool vowel =
      !extension.empty() && (extension[0] == 'e' || extension[0] == 'i' || extension[0] == 'o');
  return path + "\r\n\r\nYou have requested to purge a file with a" + (vowel ? "n" : "") + " \"" + extension +
         "\" extension.\r\nDo you wish to allow all files with this extension to be purged?\r\n"
         "(Permission lasts only during the course of this operation.)";
}

}  // namespace

bool ReportWindow::Matches(const std::string& folder, const std::string& name,
                           const std::string& fileSpec) const {
  // A plain file name is matched exactly, so "Report.TXT" never takes "report.txt".
  const bool caseSensitive = !HasWildcard(fileSpec);
  // Without a date restriction only the name counts; the walks over large trees spend most of their time
  // here.
  if (state_.lngOnlyBeforeThisJDN == support::kNoDateRestriction) {
    return support::MatchFilespec(name, fileSpec, caseSensitive);
  }
  return support::SatisfiesFilespecAndDateRestriction(fileSystem_, folder + name, fileSpec, caseSensitive,
                                                      state_.lngOnlyBeforeThisJDN);
}

ReportWindow::FolderEntries ReportWindow::ReadFolder(const std::string& folder, const std::string& fileSpec) {
  FolderEntries entries;
  for (auto& entry : fileSystem_.ListFolder(folder)) {
    if (entry.kind == platform::FileKind::Directory) {
      entries.subfolders.push_back(std::move(entry.name));
    } else if (entry.kind == platform::FileKind::Regular) {
      const bool match = Matches(folder, entry.name, fileSpec);
      entries.matchCount += match ? 1 : 0;
      entries.files.push_back({std::move(entry.name), entry.kind, match});
    } else {
      // Links, pipes, devices and mount points are no files to purge: never counted, only named in the
      // report as what they are when their name matches (they have no date of their own to test).
      const bool match = support::MatchFilespec(entry.name, fileSpec, !HasWildcard(fileSpec));
      entries.files.push_back({std::move(entry.name), entry.kind, match});
    }
  }
  state_.intNumFiles = static_cast<std::int16_t>(std::min<std::int64_t>(entries.matchCount, INT16_MAX));
  return entries;
}

void ReportWindow::ReportWalkError(int number, const std::string& folder) {
  if (number == kPermissionDenied) return;
  if (number == kOutOfMemory) {
    HandleReportFull();
    return;
  }
  ui_.Message("Error", "Error #" + std::to_string(number) + " with " + support::DisplayName(folder),
              platform::Buttons::Ok, platform::Icon::Error);
  blnStop = true;
}

void ReportWindow::PurgeTreeRecursive(std::string dirPath, const std::string& fileSpec) {
  caption = support::DisplayName(dirPath);
  std::string folder = NormaliseFolderPath(dirPath);
  FolderEntries entries;
  double byteRate = 1048576;
  try {
    const float measured = state_.SpeedOf(support::DriveOf(fileSystem_, folder));
    byteRate = std::round((measured > 0 ? measured : 1.0) * 1048576);
    entries = ReadFolder(folder, fileSpec);
  } catch (const platform::PlatformError& error) {
    if (!blnStop) ReportWalkError(error.number, folder);
    return;
  } catch (const std::bad_alloc&) {
    if (!blnStop) ReportWalkError(kOutOfMemory, folder);
    return;
  }
  Repaint();

  if (entries.matchCount > 0) {
    if (!blnReportBufferFull) txbText.Append("\r\n" + support::DisplayName(folder));
    PurgeFolderFiles(folder, fileSpec, entries, byteRate);
    if (blnStop) return;
  }
  if (state_.blnSubdirectories) PurgeSubfolders(folder, fileSpec, entries);
}

void ReportWindow::PurgeFolderFiles(const std::string& folder, const std::string& fileSpec,
                                    const FolderEntries& entries, double byteRate) {
  bool first = true;
  for (const auto& file : entries.files) {
    Yield();
    if (!file.matches) continue;
    if (first) {
      AppendReport("\r\n", false);
      first = false;
    }
    if (file.kind != platform::FileKind::Regular) {
      AppendReport(
          support::DisplayName(file.name) + ": " + engine::EntryKindName(file.kind) + ", not purged.\r\n",
          true);
      if (!HasWildcard(fileSpec)) return;
      continue;
    }
    ++lngNumFilesProcessed;
    bool goOn = true;
    try {
      goOn = PurgeOneFile(folder, file, byteRate);
    } catch (const platform::PlatformError& error) {
      FinishInterruptedLine(file.name);
      if (blnStop) return;
      ReportWalkError(error.number, folder);
      if (blnStop) return;
    } catch (const std::bad_alloc&) {
      FinishInterruptedLine(file.name);
      if (blnStop) return;
      ReportWalkError(kOutOfMemory, folder);
    }
    if (!goOn) return;
    // A plain file name matches at most one file per folder.
    if (!HasWildcard(fileSpec)) return;
    CheckPauseAndStop();
    if (blnStop) return;
  }
}

void ReportWindow::FinishInterruptedLine(const std::string& name) {
  if (blnReportBufferFull) return;
  const bool namesOnly = confirmation_.blnFolderNamesOnly;
  if (!namesOnly) CutAfterSizeMark();
  if (namesOnly) AppendReport(support::DisplayName(name), false);
  AppendReport(passesDone_ > 0
                   ? engine::PartlyOverwrittenText(passesDone_, typeOfPurge_.GetNumberOfPasses(), 0, "")
                   : " not purged.",
               false);
  AppendReport("\r\n", true);
}

void ReportWindow::CutAfterSizeMark() {
  if (sizeMarkEnd_ == std::string::npos || blnReportBufferFull || sizeMarkEnd_ > txbText.size()) return;
  txbText.Truncate(sizeMarkEnd_);
  sizeMarkEnd_ = std::string::npos;
}

bool ReportWindow::PurgeOneFile(const std::string& folder, const FolderEntry& file, double byteRate) {
  const bool namesOnly = confirmation_.blnFolderNamesOnly;
  const std::string path = folder + file.name;
  const std::string extension = support::ExtensionOf(path, true);
  sizeMarkEnd_ = std::string::npos;
  passesDone_ = 0;
  if (namesOnly) {
    AppendReport(". ", true);
  } else {
    AppendReport(support::DisplayName(file.name), false);
  }

  bool purged = false;
  std::int64_t size = 0;
  auto code = static_cast<std::int16_t>(engine_.ClassifyProtectedFile(path));
  if (confirmation_.blnOKToPurgeSensitiveFiles && code == 7) code = 0;
  if (code == 8) {
    code = 7;
  } else if (code == 7) {
    const platform::Answer answer = ui_.Message(
        "Purge query", PurgeQueryText(support::DisplayName(path), support::DisplayName(extension)),
        platform::Buttons::YesNoCancel, platform::Icon::None, platform::Answer::No);
    if (answer == platform::Answer::Yes) {
      engine_.SetExtensionPermission(extension, 1);
      code = 0;
    } else if (answer == platform::Answer::No) {
      engine_.SetExtensionPermission(extension, -1);
    } else {
      // The file's name is already in the report; it stays as the last line of the run.
      if (!blnReportBufferFull) txbText.Append(strTextBuff + "\r\n\r\n");
      strTextBuff.clear();
      blnStop = true;
      return false;
    }
  }
  if (code == 0) {
    size = support::GetFileLength(fileSystem_, path);
    if (size < 0) size = 0;
    bool confirmed = true;
    if (state_.blnConfirmFiles && !blnPurgeRemainingFiles) confirmed = ConfirmFile(path, size);
    if (confirmed) purged = RunPasses(path, size, byteRate, code);
  }

  Yield();
  Repaint();
  if (purged) {
    if (!namesOnly) AppendReport(" purged", false);
    dblTotalBytesPurged += static_cast<double>(size);
    ++lngNumFilesPurged;
  } else {
    if (namesOnly) AppendReport(support::DisplayName(file.name), false);
    // A file left after some of its passes is neither untouched nor purged, and the report says so.
    AppendReport(passesDone_ > 0 && code != engine::kNotDeleted
                     ? engine::PartlyOverwrittenText(passesDone_, typeOfPurge_.GetNumberOfPasses(), code,
                                                     support::DisplayName(extension))
                     : engine::PurgeResultText(code, support::DisplayName(extension)),
                 false);
  }
  if (!(namesOnly && purged)) AppendReport("\r\n", true);
  return true;
}

bool ReportWindow::RunPasses(const std::string& path, std::int64_t size, double byteRate,
                             std::int16_t& code) {
  const bool namesOnly = confirmation_.blnFolderNamesOnly;
  const int purgeType = typeOfPurge_.GetPurgeType();
  const int passes = typeOfPurge_.GetNumberOfPasses();
  const int overwrites = typeOfPurge_.GetNumOverwrites();
  const bool indicator = !namesOnly && static_cast<double>(size) * overwrites > byteRate && passes >= 2;
  if (!namesOnly) {
    AppendReport(" (" + support::FormatGrouped(static_cast<double>(size), 0) + " bytes)", false);
    AppendReport(" purging", true);
    // Where the line is cut back to once the passes are over: just after "bytes)".
    if (!blnReportBufferFull) sizeMarkEnd_ = txbText.size() - 8;
    if (indicator) {
      std::string underscores(static_cast<std::size_t>(passes) + 1, '_');
      underscores[0] = ' ';
      AppendReport(underscores, true);
    }
  }
  Repaint();

  int passesDone = 0;
  for (int pass = 1; pass <= passes; ++pass) {
    const bool deleteAfter = pass == passes && !confirmation_.blnDoNotDeletePurgedFiles;
    engine_.PurgeFile(path, purgeType, 1, deleteAfter, confirmation_.blnOKToPurgeReadOnlyFiles,
                      confirmation_.blnOKToPurgeSystemFiles, code);
    if (indicator && !blnReportBufferFull) {
      txbText.Truncate(txbText.size() - std::min<std::size_t>(txbText.size(), passes));
      txbText.MoveCaretToEnd();
      Repaint();
    }
    // A protection found on the open file (another name made since the walk looked) ends it as a failure
    // does.
    if (code != 0) break;
    passesDone = pass;
    passesDone_ = pass;
    if (indicator && pass < passes && !blnReportBufferFull) {
      txbText.Append(std::string("123456789").substr(0, static_cast<std::size_t>(pass)) +
                     std::string(static_cast<std::size_t>(passes - pass), '_'));
      focusedControl = "cmdPauseContinue";
      Repaint();
    }
    CheckPauseAndStop();
    if (blnStop) break;
  }
  // A stop that arrives after the last pass no longer saves the file: it is gone and counts as purged.
  const bool purged = passesDone == passes && code == 0;
  // Whatever the outcome, " purging", the indicator and a stop's line break give way to the result text.
  if (!namesOnly) CutAfterSizeMark();
  return purged;
}

bool ReportWindow::ConfirmFile(const std::string& path, std::int64_t size) {
  // The path exactly as it is on disk: names differing only in case are different files here.
  frmConfirmFiles.Prepare(support::DisplayName(path) + "     " +
                          support::FormatSize(static_cast<double>(size), 2) + "     " +
                          engine::FileDateText(fileSystem_, path, false));
  host_.HideMainWindow();
  cmdStop.visible = false;
  cmdPauseContinue.visible = false;
  Repaint();
  ui_.ShowModal(frmConfirmFiles);
  switch (frmConfirmFiles.choice) {
    case ConfirmFilesDialog::Choice::PurgeAll:
      blnPurgeRemainingFiles = true;
      break;
    case ConfirmFilesDialog::Choice::StopPurge:
      blnStop = true;
      lblPausedDone.caption = "Stopped";
      break;
    default:
      break;
  }
  cmdStop.visible = true;
  cmdPauseContinue.visible = true;
  host_.ShowMainWindow();
  BringToFront();
  return frmConfirmFiles.blnFileConfirmed;
}

bool ReportWindow::FolderIsEmpty(const std::string& folder) {
  return support::FolderServices(fileSystem_, ui_).FolderIsEmpty(folder);
}

void ReportWindow::PurgeSubfolders(const std::string& folder, const std::string& fileSpec,
                                   const FolderEntries& entries) {
  for (const auto& name : entries.subfolders) {
    strNextDirPath = folder + name;
    const std::string subfolder = strNextDirPath;
    PurgeTreeRecursive(strNextDirPath, fileSpec);
    if (blnStop) {
      AppendReport("\r\n", false);
      return;
    }
    if (!confirmation_.blnDeleteEmptyFolders) continue;
    try {
      if (!FolderIsEmpty(subfolder)) continue;
      fileSystem_.RemoveFolder(subfolder);
      if (intNumFoldersRemoved < INT16_MAX) ++intNumFoldersRemoved;
      if (!blnReportBufferFull)
        txbText.Append("Folder " + support::DisplayName(subfolder) + " removed.\r\n\r\n");
    } catch (const platform::PlatformError& error) {
      if (!blnStop) ReportWalkError(error.number, folder);
      if (blnStop) return;
    }
  }
}

}  // namespace nulvane::report
