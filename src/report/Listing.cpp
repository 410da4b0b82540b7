#include <new>

#include "engine/FileProcedures.h"
#include "engine/PurgeResult.h"
#include "platform/PlatformError.h"
#include "platform/Ui.h"
#include "report/ReportWindow.h"
#include "support/Format.h"
#include "support/OperationState.h"

namespace nulvane::report {

void ReportWindow::ListFilesRecursive(std::string dirPath, const support::FileMatcher& files) {
  caption = support::DisplayName(dirPath);
  const bool listing = blnListFiles || blnPurgeFiles;
  // A counting pass keeps what it reads for the purge it counts for, and nothing of an earlier one.
  if (!listing) ForgetCountedFolders();
  if (targetFolder) {
    ListTree(targetFolder, files, 0);
    return;
  }
  platform::FolderHandle folder;
  int errorNumber = 0;
  try {
    folder = fileSystem_.OpenFolder(NormaliseFolderPath(dirPath));
  } catch (const platform::PlatformError& error) {
    errorNumber = error.number;
  } catch (const std::bad_alloc&) {
    errorNumber = 7;
  }
  if (folder) {
    ListTree(folder, files, 0);
    return;
  }
  // A counting pass ignores blnStop here too: a stop left from the last run must not hide the error.
  if (errorNumber == 70 || (listing && blnStop)) return;
  ui_.Message(
      "Error",
      "Error #" + std::to_string(errorNumber) + " with " + support::DisplayName(NormaliseFolderPath(dirPath)),
      platform::Buttons::Ok, platform::Icon::Error);
  blnStop = true;
}

void ReportWindow::ListTree(const platform::FolderHandle& held, const support::FileMatcher& files,
                            int depth) {
  const std::string& folder = held->Path();
  const bool listing = blnListFiles || blnPurgeFiles;
  int errorNumber = 0;
  try {
    const FolderEntries entries = ReadFolder(*held, files);
    if (!listing) KeepCounted(*held, files, entries);
    if (entries.matchCount > 0) {
      if (listing) {
        if (blnDisplayFolderNames) {
          AppendReport(support::DisplayName(folder) + "\r\n", true);
        } else if (!blnReportBufferFull) {
          txbText.Append(" .");
        }
      }
      for (const auto& file : entries.files) {
        Yield();
        if (!file.matches) continue;
        if (file.kind != platform::FileKind::Regular) {
          // Named as what it is, never counted: a purge would leave it alone.
          if (listing && blnDisplayFileNames && !blnReportBufferFull) {
            txbText.Append(support::DisplayName(file.name) + " (" + engine::EntryKindName(file.kind) +
                           ", not purged)   \r\n");
            if (txbText.characters() > reportLimit) HandleReportFull();
          }
          continue;
        }
        ++lngNumFilesProcessed;
        if (!listing) {
          if (intStopAt > 0 && lngNumFilesProcessed >= intStopAt) {
            lngNumFilesProcessed = -1;
            return;
          }
          continue;
        }
        // One look relative to the folder gives the size and the date: the date test's, where it took one.
        const platform::FileStatus status = StatusOf(*held, file);
        if (status.kind == platform::FileKind::MountedFile) {
          // Another file bound onto the name: named as what it is, not counted, as a purge leaves it.
          --lngNumFilesProcessed;
          if (blnDisplayFileNames && !blnReportBufferFull) {
            txbText.Append(support::DisplayName(file.name) + " (" + engine::EntryKindName(status.kind) +
                           ", not purged)   \r\n");
            if (txbText.characters() > reportLimit) HandleReportFull();
          }
          continue;
        }
        // The named streams are purged with the file, so their bytes count with it.
        const bool regular = status.kind == platform::FileKind::Regular;
        const std::int64_t size = regular ? status.size + status.storage.namedStreamBytes : 0;
        const int streams = regular ? status.storage.namedStreams : 0;
        if (blnDisplayFileNames && !blnReportBufferFull) {
          txbText.Append(support::DisplayName(file.name) + " (" + engine::FileDateText(status, false) + ", " +
                         support::FormatSizeGB(static_cast<double>(size), 2) +
                         (streams == 1  ? ", with a named stream"
                          : streams > 1 ? ", with " + std::to_string(streams) + " named streams"
                                        : "") +
                         ")   \r\n");
          // File lines bypass AppendReport; without this a folder of many files would grow the report
          // without bound.
          if (txbText.characters() > reportLimit) HandleReportFull();
        }
        dblTotalBytesPurged += static_cast<double>(size);
        CheckPauseAndStop();
        if (blnStop) return;
      }
    }
    if (!state_.blnSubdirectories) return;
    for (const auto& name : entries.subfolders) {
      strNextDirPath = held->PathOf(name);
      caption = support::DisplayName(strNextDirPath);
      if (const platform::FolderHandle sub = EnterSubfolder(held, name, depth + 1, false))
        ListTree(sub, files, depth + 1);
      if (!listing) {
        // A counting pass ignores blnStop: it may still be set from the last run's Close.
        if (lngNumFilesProcessed == -1) return;
      } else {
        CheckPauseAndStop();
        if (blnStop) return;
      }
    }
    return;
  } catch (const platform::PlatformError& error) {
    errorNumber = error.number;
  } catch (const std::bad_alloc&) {
    errorNumber = 7;
  }
  // A counting pass ignores blnStop here too: a stop left from the last run must not hide the error.
  if (errorNumber == 70 || (listing && blnStop)) return;
  ui_.Message("Error", "Error #" + std::to_string(errorNumber) + " with " + support::DisplayName(folder),
              platform::Buttons::Ok, platform::Icon::Error);
  blnStop = true;
}

}  // namespace nulvane::report
