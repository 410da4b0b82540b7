#include "mainwindow/FreeSpacePurge.h"

#include <algorithm>
#include <exception>

#include "engine/ClusterSizeTable.h"
#include "engine/FreeSpaceFill.h"
#include "mainwindow/DriveDialog.h"
#include "mainwindow/SpeedTest.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/PlatformError.h"
#include "platform/Ui.h"
#include "report/ReportWindow.h"
#include "support/Format.h"
#include "support/Locale.h"
#include "support/OperationState.h"

namespace nulvane::mainwindow {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr double kMegabyte = 1048576.0;

std::string Duration(double seconds) {
  const auto whole =
      static_cast<std::int32_t>(std::clamp<std::int64_t>(support::RoundHalfEven(seconds), 1, INT32_MAX));
  return support::FormatDuration(whole, whole >= 300);
}

std::string Size(double bytes) {
  return support::FormatSizeGB(bytes, 2);
}

}  // namespace

FreeSpacePurge::FreeSpacePurge(SpeedTestHost& host, platform::FileSystem& fileSystem, platform::Ui& ui,
                               platform::Clock& clock, platform::Random& random,
                               support::OperationState& state, engine::ClusterSizeTable& clusterSizes,
                               report::ReportWindow& report, SpeedTest& speedTest, DriveDialog& driveDialog)
    : host_(host),
      fileSystem_(fileSystem),
      ui_(ui),
      clock_(clock),
      random_(random),
      state_(state),
      clusterSizes_(clusterSizes),
      report_(report),
      speedTest_(speedTest),
      driveDialog_(driveDialog) {}

void FreeSpacePurge::cmdPurgeFreeSpace(const std::string& preferredDrive) {
  std::string drive;
  int type = -1;
  const int drives = speedTest_.GetFirstDrive(drive, type);
  if (drives == 0) {
    ui_.Message(kTitle, "Cannot find any disk drive.", Buttons::Ok, Icon::Warning);
    return;
  }
  if (drives > 1) {
    driveDialog_.caption = "Purge the free space of which drive?";
    driveDialog_.strDrive = !strLastDrive.empty()     ? strLastDrive
                            : !preferredDrive.empty() ? preferredDrive
                                                      : drive;
    driveDialog_.backColor = 0x80;
    ui_.ShowModal(driveDialog_);
    if (!driveDialog_.blnAccept) return;
    drive = driveDialog_.strDrive;
  }
  strLastDrive = drive;
  PurgeFreeSpace(drive, "", false);
}

void FreeSpacePurge::OfferAfterPurge(const std::string& volume) {
  PurgeFreeSpace(volume,
                 std::string(kAfterPurge) + " The old copies that it could not reach on Drive " +
                     support::DisplayName(volume) + " can now be overwritten with its free space." + kCrLf +
                     kCrLf,
                 true);
}

std::string FreeSpacePurge::EstimateText(const std::string& volume, double freeBytes) const {
  const float speed = state_.SpeedOf(volume);
  if (!(speed > 0)) {
    return "The purge speed of Drive " + support::DisplayName(volume) +
           " has not been measured, so the time this takes is not known (\"Test purge speed\" measures it).";
  }
  return "At the purge speed measured for this drive (" + support::FormatGrouped(speed, 2) +
         " MB/sec.) this takes about " + Duration(freeBytes / kMegabyte / speed) + ".";
}

FreeSpacePurge::Result FreeSpacePurge::PurgeFreeSpace(const std::string& volume, const std::string& intro,
                                                      bool keepReport) {
  lastResult = Result::NotRun;
  const std::string drive = support::DisplayName(volume);
  platform::VolumeClass kind;
  try {
    kind = fileSystem_.ClassifyVolume(volume);
  } catch (const platform::PlatformError&) {
  }
  if (std::find(kind.kinds.begin(), kind.kinds.end(), platform::ResidueKind::Memory) != kind.kinds.end()) {
    ui_.Message(
        kTitle,
        intro + "Drive " + drive +
            " is a memory file system: its free space is memory that other programs need, and it holds "
            "no old files. Nothing was written.",
        Buttons::Ok, Icon::Warning);
    return lastResult;
  }
  double freeBytes = 0;
  double totalBytes = 0;
  if (speedTest_.GetDiskSpace(volume, freeBytes, totalBytes) != 0) {
    ui_.Message(kTitle,
                intro + "An error occurred when attempting to ascertain" + kCrLf +
                    "information about the disk in Drive " + drive + ".",
                Buttons::Ok, Icon::Warning);
    return lastResult;
  }
  std::int64_t clusterSize = clusterSizes_.GetClusterSize(volume);
  if (clusterSize <= 0) clusterSize = 4096;
  if (freeBytes < static_cast<double>(clusterSize)) {
    ui_.Message(kTitle, intro + "Drive " + drive + " has no free space to purge.", Buttons::Ok,
                Icon::Information);
    return lastResult;
  }

  const std::string question =
      intro + "This fills the free space of Drive " + drive + " (" + Size(freeBytes) +
      ") with random bytes, flushes them to the disk and deletes them again, so that what deleted files left "
      "there cannot be recovered." +
      kCrLf + EstimateText(volume, freeBytes) + kCrLf + kCrLf + "While Drive " + drive +
      " is full, other programs cannot write to it: it is emptied again as soon as it is full, so that lasts "
      "only moments." +
      kCrLf + kCrLf + "Do you wish to proceed?";
  if (ui_.Message(kTitle, question, Buttons::YesNo, Icon::Warning, Answer::No) != Answer::Yes)
    return lastResult;

  host_.EnableMenu(false);
  const std::string folder = speedTest_.CreateFolderOnDrive(volume, kFolderStub);
  if (folder.empty()) {
    host_.EnableMenu(true);
    ui_.Message(kTitle,
                "The free space of Drive " + drive +
                    " cannot be purged: no folder can be made there (the drive may be full or read-only). "
                    "Nothing was written.",
                Buttons::Ok, Icon::Warning);
    lastResult = Result::Failed;
    return lastResult;
  }
  lastResult = Run(volume, folder, freeBytes, clusterSize, keepReport);
  host_.EnableMenu(true);
  return lastResult;
}

double FreeSpacePurge::Elapsed(double start) const {
  double elapsed = clock_.SecondsSinceMidnight() - start;
  if (elapsed < 0) elapsed += 86400;  // midnight passed
  return elapsed;
}

FreeSpacePurge::Result FreeSpacePurge::Run(const std::string& volume, const std::string& folder,
                                           double freeBytes, std::int64_t clusterSize, bool keepReport) {
  const std::string drive = support::DisplayName(volume);
  report::ReportWindow& report = report_;
  report.caption = kTitle;
  report.Show();
  report.BeginOtherRun(keepReport);
  report.AppendReport(report.DateTimeText() + kCrLf + "Purging the free space of Drive " + drive + " (" +
                          Size(freeBytes) + " free)" + kCrLf + "with one pass of random bytes in " +
                          support::DisplayName(folder) + "." + kCrLf,
                      true);
  const std::size_t progressStart = report.txbText.size();

  const double start = clock_.SecondsSinceMidnight();
  double shownAt = -1;
  double paused = 0;
  const auto showProgress = [&](std::int64_t written) {
    const double total = std::max(freeBytes, static_cast<double>(written));
    const double seconds = Elapsed(start) - paused;
    std::string line =
        "Written " + Size(static_cast<double>(written)) + " of " + Size(total) + " (" +
        std::to_string(std::min<std::int64_t>(support::RoundHalfEven(written * 100.0 / total), 100)) + "%)";
    if (seconds >= 0.5 && written > 0) {
      const double rate = static_cast<double>(written) / seconds;
      line += " at " + support::FormatGrouped(rate / kMegabyte, 2) + " MB/sec., about " +
              Duration((total - static_cast<double>(written)) / rate) + " left";
    }
    report.txbText.Truncate(progressStart);
    report.AppendReport(line + ".", true);
  };

  engine::FreeSpaceFill fill(fileSystem_, random_, folder, kFolderStub);
  engine::FreeSpaceFill::Result result;
  try {
    result = fill.Fill(clusterSize, [&](std::int64_t written) {
      const double now = Elapsed(start);
      if (shownAt < 0 || now - shownAt >= 1.0) {
        showProgress(written);
        shownAt = now;
      }
      // The report window's Pause and Stop, polled as CheckPauseAndStop does, but leaving the progress line
      // as the last line of the report.
      ui_.Yield();
      if (report.blnPaused && !report.blnStop) {
        while (report.blnPaused && !report.blnStop) {
          ui_.Yield();
          if (report.blnPaused && !report.blnStop) ui_.Wait(20);
        }
        paused += Elapsed(start) - now;
      }
      return !report.blnStop;
    });
  } catch (const std::exception& error) {
    // Whatever went wrong in a write, what was written is deleted below.
    result.outcome = engine::FreeSpaceFill::Outcome::Failed;
    result.error = error.what();
  }
  const double seconds = Elapsed(start) - paused;
  // What the file system still offered when it said it was full; looked at before anything is deleted.
  double leftFree = 0;
  double ignored = 0;
  const bool full = result.outcome == engine::FreeSpaceFill::Outcome::Full;
  if (full && speedTest_.GetDiskSpace(volume, leftFree, ignored) != 0) leftFree = 0;
  std::string problem;
  const bool cleared = fill.Clear(problem);

  report.txbText.Truncate(progressStart);
  std::string summary;
  const std::string written = Size(static_cast<double>(result.written));
  Result outcome = Result::Done;
  if (full) {
    summary = "Written " + written + " in " + Duration(seconds) + " (" +
              support::FormatGrouped(result.written / kMegabyte / std::max(seconds, 0.001), 2) +
              " MB/sec.), flushed" + (cleared ? " and deleted." : ".") + kCrLf;
    // A file system that reports itself full with much still free (a quota, a reserve) has not been filled.
    if (leftFree > std::max(freeBytes / 100, kMegabyte)) {
      summary += "The file system reported Drive " + drive + " full while it still showed " + Size(leftFree) +
                 " free; that space was not overwritten." + kCrLf;
      outcome = Result::Incomplete;
    } else {
      summary += "The free space of Drive " + drive + " has been purged." + kCrLf;
    }
  } else if (result.outcome == engine::FreeSpaceFill::Outcome::Stopped) {
    summary =
        "Stopped after " + written + " had been written: the free space was not purged to the end." + kCrLf;
    outcome = Result::Stopped;
  } else {
    summary = "An error occurred after " + written + " had been written: " + result.error + kCrLf +
              "The free space was not purged to the end." + kCrLf;
    outcome = Result::Failed;
  }
  if (!cleared) {
    summary += problem + kCrLf;
    if (outcome == Result::Done) outcome = Result::Incomplete;
  } else if (!full) {
    summary += "Everything written has been deleted." + std::string(kCrLf);
  }
  report.AppendReport(summary + report.DateTimeText() + kCrLf, true);
  report.EndOtherRun(outcome == Result::Done);
  report.BringToFront();
  if (!cleared) ui_.Message(kTitle, problem, Buttons::Ok, Icon::Warning);
  return outcome;
}

}  // namespace nulvane::mainwindow
