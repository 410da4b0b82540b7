#include <new>

#include "engine/FileProcedures.h"
#include "engine/PurgeResult.h"
#include "platform/PlatformError.h"
#include "platform/Ui.h"
#include "report/ReportWindow.h"
#include "support/FileLength.h"
#include "support/Format.h"
#include "support/OperationState.h"

namespace nulvane::report {

void ReportWindow::ListFilesRecursive(std::string dirPath, const support::FileMatcher& files) {
  caption = support::DisplayName(dirPath);
  const std::string folder = NormaliseFolderPath(dirPath);
  const bool listing = blnListFiles || blnPurgeFiles;
  int errorNumber = 0;
  try {
    const FolderEntries entries = ReadFolder(folder, files);
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
        const std::string path = folder + file.name;
        std::int64_t size = support::GetFileLength(fileSystem_, path);
        if (size < 0) size = 0;
        if (blnDisplayFileNames && !blnReportBufferFull) {
          txbText.Append(support::DisplayName(file.name) + " (" +
                         engine::FileDateText(fileSystem_, path, false) + ", " +
                         support::FormatSizeGB(static_cast<double>(size), 2) + ")   \r\n");
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
      strNextDirPath = folder + name;
      ListFilesRecursive(strNextDirPath, files);
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
