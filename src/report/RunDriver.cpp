#include <chrono>
#include <cmath>
#include <ctime>

#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/PurgeEngine.h"
#include "engine/PurgePipeline.h"
#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/Ui.h"
#include "report/PendingFiles.h"
#include "report/ReportWindow.h"
#include "support/Drive.h"
#include "support/Format.h"
#include "support/Locale.h"
#include "support/OperationState.h"

namespace nulvane::report {

namespace {

std::int32_t ToSeconds(double value) {
  const std::int64_t rounded = support::RoundHalfEven(value);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(rounded, 0, INT32_MAX));
}

}  // namespace

std::string ReportWindow::DateTimeLine() const {
  const std::time_t now = std::chrono::system_clock::to_time_t(clock_.Now());
  const std::tm local = platform::LocalTime(now).value_or(std::tm{});
  const std::chrono::year_month_day date{std::chrono::year(local.tm_year + 1900),
                                         std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                         std::chrono::day(static_cast<unsigned>(local.tm_mday))};
  const auto seconds = static_cast<int>(clock_.SecondsSinceMidnight());
  return support::FormatShortDate(date) + ", " +
         support::FormatTimeOfDay(seconds / 3600, seconds / 60 % 60, seconds % 60);
}

void ReportWindow::StartRun() {
  intOperationResult = 0;
  blnReportBufferFull = false;
  cmdCopyToClipboard.visible = false;
  strTextBuff.clear();
  txbText.Clear();
  lblDots.visible = !blnPurgeFiles && !blnDisplayFolderNames;
  lblPausedDone.caption.clear();
  cmdStop.visible = false;
  cmdClose.visible = false;
  SetRunButtons();
  cmdPauseContinue.visible = true;

  dblTotalBytesPurged = 0;
  blnStop = false;
  blnPaused = false;
  blnPurgeRemainingFiles = false;
  lngNumFilesProcessed = 0;
  lngNumFilesPurged = 0;
  intNumFoldersRemoved = 0;
  lngNumFoldersNotReached = 0;
  lngNumNamesKept = 0;
  freedNames_.clear();
  stopBreakWritten_ = false;
  pipeline_.reset();
  runFolder_ = strNextDirPath;
  Repaint();
}

void ReportWindow::BeginOtherRun(bool keepText) {
  blnPurgeFiles = false;
  blnListFiles = false;
  intOperationResult = 0;
  blnReportBufferFull = false;
  cmdCopyToClipboard.visible = false;
  strTextBuff.clear();
  if (!keepText) txbText.Clear();
  lblDots.visible = false;
  lblPausedDone.caption.clear();
  cmdStop.visible = false;
  cmdClose.visible = false;
  SetRunButtons();
  cmdPauseContinue.visible = true;
  blnStop = false;
  blnPaused = false;
  Repaint();
}

void ReportWindow::EndOtherRun(bool done) {
  cmdStop.visible = false;
  cmdPauseContinue.visible = false;
  cmdClose.visible = true;
  if (done) lblPausedDone.caption = "Done";
  cmdCopyToClipboard.visible = true;
  txbText.MoveCaretToEnd();
  const std::string status = lblPausedDone.caption;
  cmdCopyToClipboard_Click();
  lblPausedDone.caption = status;
  Repaint();
}

void ReportWindow::WritePurgeHeader() {
  const std::string folderCaption = host_.DirectoryCaption();
  const std::string filesCaption = host_.FilesCaption();
  std::string header = DateTimeLine() + "\r\n";
  const support::FileMatcher files = CurrentFiles();
  if (files.UsesShellPatterns() && !files.MatchesEveryName()) {
    // The command line's patterns, which are the shell's, not the window's file specification.
    header += "Purging the files in " + folderCaption + " whose names match \"" + filesCaption + "\" ";
    if (state_.blnSubdirectories) header += "\r\n(including those in subfolders) ";
  } else if (!files.MatchesEveryName()) {
    header += "Purging files " + folderCaption + filesCaption + " ";
    if (state_.blnSubdirectories) header += "\r\n(including " + filesCaption + " files in subfolders) ";
  } else {
    header += "Purging all files in " + folderCaption;
    if (state_.blnSubdirectories) header += "\r\n(including all files in subfolders) ";
  }
  if (state_.blnDateRestriction) header += "\r\nwhich satisfy the date restriction";
  header += "\r\nusing " +
            dialogs::PurgeTypeNumPasses(typeOfPurge_.GetPurgeType(), typeOfPurge_.GetNumberOfPasses()) +
            ".\r\n";
  AppendReport(header, true);
}

void ReportWindow::ProcessFiles() {
  StartRun();
  if (blnPurgeFiles) {
    // The purge is confirmed: the workers start while the header is written and the first folder read.
    pipeline_.StartWorkers();
    WritePurgeHeader();
    engine_.InitSensitiveExtensions(0);
    PurgeTreeRecursive(strNextDirPath, CurrentFiles());
    // Every file handed to the workers is done and in the report before the summary counts them.
    FinishPending();
    pipeline_.reset();
    ForgetCountedFolders();
  } else {
    host_.SetEstimatedTimeCaption("");
    ListFilesRecursive(strNextDirPath, CurrentFiles());
    if (lngNumFilesProcessed == 0) {
      AppendReport(std::string("No files to list") +
                       (state_.blnDateRestriction ? " (possibly due to the date restriction)" : "") + ".\r\n",
                   true);
    }
  }
  WriteSummary();
}

void ReportWindow::WriteSummary() {
  writingSummary_ = true;
  cmdStop.visible = false;
  cmdPauseContinue.visible = false;
  cmdClose.visible = true;

  // Once full, the file lines end with the notice, and the summary follows it.
  if (!blnReportBufferFull) {
    // A line left unfinished by a stop still belongs to the report.
    if (!strTextBuff.empty()) {
      txbText.Append(strTextBuff);
      strTextBuff.clear();
    }
    std::string text = txbText.text();
    support::TrimTrailingBlanks(text);
    txbText.Truncate(text.size());
    txbText.Append("\r\n\r\n");
    if (!blnPurgeFiles && !blnDisplayFolderNames && lngNumFilesProcessed > 0) {
      txbText.Clear();
      lblDots.visible = false;
    }
  }

  if (lngNumFilesProcessed > 0) {
    const std::size_t star = strCurrentFileSpec.find('*');
    // The shell's patterns are named in the header.
    const bool plain =
        CurrentFiles().UsesShellPatterns() ||
        (strCurrentFileSpec.find('?') == std::string::npos && (star == std::string::npos || star == 0));
    AppendReport((plain ? std::string("Number of files: ")
                        : "Number of files " + support::DisplayName(strCurrentFileSpec) + ": ") +
                     support::FormatGrouped(lngNumFilesProcessed, 0) + "\r\n",
                 true);
  }

  if (blnPurgeFiles) {
    if (!(lngNumFilesProcessed == 1 && lngNumFilesPurged == 1)) {
      AppendReport("Number of files purged: " + support::FormatGrouped(lngNumFilesPurged, 0) + "\r\n", true);
    }
    if (lngNumFilesPurged > 1) {
      AppendReport("Sum of sizes of files purged: " + support::FormatSize(dblTotalBytesPurged, 2) + "\r\n",
                   true);
      if (confirmation_.blnDoNotDeletePurgedFiles) AppendReport("Purged files not deleted.\r\n", true);
    }
    if (lngNumNamesKept > 0) {
      AppendReport(
          "Number of files deleted under their own names: " + support::FormatGrouped(lngNumNamesKept, 0) +
              " (their drive renames no file without the risk of replacing another one, so their "
              "names may stay in their folders)\r\n",
          true);
    }
    if (intNumFoldersRemoved > 0) {
      AppendReport("Number of folders removed: " + std::to_string(intNumFoldersRemoved) + "\r\n", true);
    }
    if (lngNumFoldersNotReached > 0) {
      AppendReport("Number of folders not reached: " + std::to_string(lngNumFoldersNotReached) + "\r\n",
                   true);
    }
    if (blnStop) AppendReport("Purge operation was stopped.\r\n\r\n", true);
  } else {
    if (lngNumFilesProcessed > 1) {
      AppendReport("Sum of file sizes: " + support::FormatSize(dblTotalBytesPurged, 2) + "\r\n", true);
    }
    if (lngNumFoldersNotReached > 0) {
      AppendReport("Number of folders not reached: " + std::to_string(lngNumFoldersNotReached) + "\r\n",
                   true);
    }
    if (blnStop) AppendReport("Listing was stopped.\r\n\r\n", true);
    if (dblTotalBytesPurged > 0 && !blnStop) WriteEstimate();
  }

  if (blnPurgeFiles) {
    AppendReport(DateTimeLine() + "\r\n", true);
    if (lblPausedDone.caption != "Paused" && lblPausedDone.caption != "Stopped" && lngNumFilesPurged > 0) {
      lblPausedDone.caption = "Done";
      lblDots.visible = false;
    }
  }

  // The whole report goes to the clipboard at the end of every run; the status stays visible.
  cmdCopyToClipboard.visible = true;
  txbText.MoveCaretToEnd();
  const std::string status = lblPausedDone.caption;
  cmdCopyToClipboard_Click();
  lblPausedDone.caption = status;
  writingSummary_ = false;
  Repaint();
}

void ReportWindow::WriteEstimate() {
  const std::string drive = support::DriveOf(fileSystem_, runFolder_);
  const double speed = state_.SpeedOf(drive);
  if (!(speed > 0)) {
    AppendReport("For an estimate of the purge time test the purge speed for Drive " +
                     support::DriveName(drive) + " then relist.",
                 true);
    return;
  }
  const int overwrites = typeOfPurge_.GetNumOverwrites();
  AppendReport("Purge type: " + host_.TypeOfPurgeCaption() + "\r\n", true);
  const std::int32_t seconds = ToSeconds(dblTotalBytesPurged / 1024 / 1024 / speed * overwrites);
  if (seconds >= 60) {
    const double averageMB = dblTotalBytesPurged / lngNumFilesProcessed / 1048576;
    const double factor = state_.dblAF_A / std::pow(averageMB, state_.dblAF_B);
    const std::string duration = support::FormatDuration(ToSeconds(seconds * factor), false);
    AppendReport("Estimated purge time: " + duration + ".\r\n\r\n", true);
    host_.SetEstimatedTimeCaption(duration);
    if (!support::IsFloppyDrive(drive))
      AppendReport(EstimatedTimes(speed, dblTotalBytesPurged, factor, drive), true);
  } else {
    AppendReport("Estimated purge time: less than a minute.\r\n", true);
    host_.SetEstimatedTimeCaption("Less than a minute.");
  }
}

std::string ReportWindow::EstimatedTimes(double speed, double totalBytes, double adjustmentFactor,
                                         const std::string& /*driveLetter*/) const {
  constexpr int kThreshold = 20;
  const double megabytes = totalBytes / 1024 / 1024;
  std::string table =
      "Estimated purge times for various numbers of overwrites\r\nusing a purge speed (as measured) of " +
      support::FormatGrouped(speed, 2) + " MB/sec.\r\nand an adjustment factor of " +
      support::FormatGrouped(adjustmentFactor, 2) + ":\r\n";
  bool anyLine = false;
  for (int overwrites = 2; overwrites <= 24; overwrites += 2) {
    const std::int32_t plain = ToSeconds(megabytes / speed * overwrites);
    const std::int32_t seconds = ToSeconds(plain * adjustmentFactor);
    if (seconds < kThreshold) continue;
    std::string duration;
    if (seconds <= 299) {
      duration = support::FormatDuration(seconds, false);
    } else if (seconds >= 86400) {
      duration = support::FormatDuration(ToSeconds(support::RoundHalfEven(seconds / 3600.0) * 3600.0), false);
    } else {
      duration = support::FormatDuration(seconds, true);
    }
    table += std::to_string(overwrites) + " overwrites: " + duration + "\r\n";
    anyLine = true;
  }
  if (!anyLine) table += "All less than " + std::to_string(kThreshold) + " seconds\r\n";
  return table;
}

}  // namespace nulvane::report
