#include "mainwindow/FreeSpacePurge.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <exception>
#include <tuple>

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

// A name of the stub followed by a number, as the fill names its folder and its files.
bool IsNumbered(const std::string& name, const std::string& stub) {
  return name.size() > stub.size() && name.compare(0, stub.size(), stub) == 0 &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stub.size()), name.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; });
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
  platform::DiskSpace space;
  try {
    space = fileSystem_.QueryDisk(volume);
  } catch (const platform::PlatformError&) {
    ui_.Message(kTitle,
                intro + "An error occurred when attempting to ascertain" + kCrLf +
                    "information about the disk in Drive " + drive + ".",
                Buttons::Ok, Icon::Warning);
    return lastResult;
  }
  std::int64_t clusterSize = clusterSizes_.GetClusterSize(volume);
  if (clusterSize <= 0) clusterSize = 4096;
  // A drive that does not tell its size (some drives run by a program do not) is filled until it refuses.
  const bool sizeKnown = space.totalBytes > 0;
  // The administrator fills what is kept for the administrator too.
  const double freeBytes = space.freeBytes + (space.administrator ? space.administratorReserveBytes : 0);
  if (sizeKnown && freeBytes < static_cast<double>(clusterSize)) {
    double unreached = 0;
    std::string lines;
    for (const std::string& line : UnreachedLines(volume, kind.fileSystemType, space, unreached))
      lines += kCrLf + line;
    if (unreached <= 0) {
      ui_.Message(kTitle, intro + "Drive " + drive + " has no free space to purge.", Buttons::Ok,
                  Icon::Information);
      return lastResult;
    }
    ui_.Message(kTitle, intro + "Drive " + drive + " has no free space that this program may fill." + lines,
                Buttons::Ok, Icon::Warning);
    lastResult = Result::Incomplete;
    return lastResult;
  }

  const std::vector<std::string> leftovers = Leftovers(volume);
  std::string leftoverText;
  for (const std::string& folder : leftovers) {
    leftoverText += "The folder " + support::DisplayName(folder) +
                    " that an earlier purge of the free space left when it was cut short is deleted first." +
                    kCrLf;
  }
  const std::string question =
      intro + "This fills the free space of Drive " + drive + " (" +
      (sizeKnown ? Size(freeBytes) : std::string("the drive does not tell how much is free")) +
      ") with random bytes, flushes them to the disk and deletes them again, so that what deleted files left "
      "there cannot be recovered." +
      kCrLf + (sizeKnown ? EstimateText(volume, freeBytes) + kCrLf : std::string()) + leftoverText + kCrLf +
      "While Drive " + drive +
      " is full, other programs cannot write to it: it is emptied again as soon as it is full, so that lasts "
      "only moments." +
      kCrLf + kCrLf + "Do you wish to proceed?";
  if (ui_.Message(kTitle, question, Buttons::YesNo, Icon::Warning, Answer::No) != Answer::Yes)
    return lastResult;

  host_.EnableMenu(false);
  lastResult = Run(volume, kind, sizeKnown ? freeBytes : -1, clusterSize, keepReport, leftovers);
  host_.EnableMenu(true);
  return lastResult;
}

std::vector<std::string> FreeSpacePurge::UnreachedLines(const std::string& volume, const std::string& type,
                                                        const platform::DiskSpace& space, double& unreached) {
  const std::string drive = support::DisplayName(volume);
  std::vector<std::string> lines;
  unreached = 0;
  // What this user could have filled and the file system still would not take (a quota, say); for the
  // administrator, the administrator's part too.
  const double refused = space.freeBytes + (space.administrator ? space.administratorReserveBytes : 0);
  if (refused > 0) {
    lines.push_back("The file system reported Drive " + drive + " full while it still showed " +
                    Size(refused) + " free; that space was not overwritten.");
    unreached += refused;
  }
  if (!space.administrator && space.administratorReserveBytes > 0) {
    lines.push_back(Size(space.administratorReserveBytes) +
                    " is kept for the administrator: purging the free space as administrator (root) "
                    "overwrites that too.");
    unreached += space.administratorReserveBytes;
  }
  const double own = space.fileSystemReserveBytes;
  if (own > 0) {
    const std::string amount = (space.fileSystemReserveEstimated ? "About " : "") + Size(own);
    const std::string typeName = support::DisplayName(type);
    const std::string unsafe =
        ": no program may fill it, and lowering it while the drive is mounted can lose what other programs "
        "write.";
    if (type == "ext4" || type == "ext3" || type == "ext2") {
      lines.push_back(amount + " is the reserve that " + typeName +
                      " keeps free for writes already under way when the drive is full" + unsafe);
    } else if (type == "xfs") {
      lines.push_back(amount + " is the reserve pool that xfs keeps for its own use" + unsafe);
    } else if (type == "btrfs") {
      lines.push_back(amount +
                      " is room that btrfs keeps for its own records (metadata), where it also keeps small "
                      "files and the names of files: no program may fill it.");
    } else {
      lines.push_back(amount + " is kept back by the file system for its own use: no program may fill it.");
    }
    unreached += own;
  }
  if (unreached > 0) {
    lines.push_back(
        "So " + Size(unreached) + " of the free space of Drive " + drive +
        " was not overwritten, and what deleted files left there may still be recovered; the small files "
        "deleted last often lie in it. Only overwriting the whole drive reaches it: purge files instead of "
        "deleting them, and their contents never reach the free space.");
  }
  return lines;
}

std::vector<std::string> FreeSpacePurge::KeptBesideLines(const std::string& drive,
                                                         const platform::VolumeClass& kind,
                                                         const platform::FileRecordTable& records,
                                                         std::int64_t recordsFilled, bool& unreached) {
  const auto has = [&](platform::ResidueKind residue) {
    return std::find(kind.kinds.begin(), kind.kinds.end(), residue) != kind.kinds.end();
  };
  std::vector<std::string> lines;
  unreached = false;
  if (has(platform::ResidueKind::NtfsRecords)) {
    const std::string count = support::FormatGrouped(static_cast<double>(recordsFilled), 0);
    if (!records.known) {
      lines.push_back(
          "The file records that deleted files left free on Drive " + drive + " were not overwritten" +
          (records.reason.empty() ? "" : ": " + records.reason) +
          ". They may hold small deleted files whole, and the early part of others: purge the free "
          "space as administrator to overwrite them.");
      unreached = true;
    } else if (recordsFilled < records.freeRecords) {
      lines.push_back("Of the " + support::FormatGrouped(static_cast<double>(records.freeRecords), 0) +
                      " file records that deleted files left free on Drive " + drive + ", " + count +
                      " were overwritten before the drive was full; the others may still hold small deleted "
                      "files whole.");
      unreached = true;
    } else {
      lines.push_back("The " + count + " file records that deleted files left free on Drive " + drive +
                      " were overwritten too.");
    }
    lines.push_back("The names of deleted files stay in the folder indexes and the change journal of Drive " +
                    drive + " until NTFS reuses their room.");
  }
  if (has(platform::ResidueKind::ShadowCopies)) {
    lines.push_back("The shadow copies of Drive " + drive +
                    " keep what they held, which is not free space and was not overwritten: delete them "
                    "(\"vssadmin delete shadows /for=" +
                    drive + " /all\" as administrator), then purge the free space again.");
    unreached = true;
  } else if (has(platform::ResidueKind::MayHaveShadowCopies)) {
    lines.push_back("Whether Drive " + drive +
                    " has shadow copies could not be asked (that takes the administrator's rights): what any "
                    "of them keeps is not free space and was not overwritten.");
    unreached = true;
  }
  return lines;
}

std::vector<std::string> FreeSpacePurge::Leftovers(const std::string& volume) {
  std::vector<std::string> found;
  const std::string stub = kFolderStub;
  for (const std::string& place : speedTest_.PlacesOnDrive(volume)) {
    std::vector<platform::DirEntry> entries;
    try {
      entries = fileSystem_.List(*fileSystem_.OpenFolder(place));
    } catch (const platform::PlatformError&) {
      continue;
    }
    for (const platform::DirEntry& entry : entries) {
      if (entry.kind != platform::FileKind::Directory || !IsNumbered(entry.name, stub)) continue;
      std::string folder = place;
      if (folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
      found.push_back(folder + entry.name);
    }
  }
  return found;
}

std::string FreeSpacePurge::RemoveLeftover(const std::string& folder) {
  const std::string name = support::DisplayName(folder);
  // Held from the look at what it holds to its removal: only that folder, and only its own files, go.
  platform::FolderHandle parent;
  std::string entryName;
  platform::FolderHandle held;
  std::vector<platform::DirEntry> entries;
  try {
    std::tie(parent, entryName) = platform::OpenParentOf(fileSystem_, folder);
    held = fileSystem_.OpenSubfolder(*parent, entryName);
    // Listed before the lock is taken: on Windows the lock keeps every listing out.
    entries = fileSystem_.List(*held);
  } catch (const platform::PlatformError& error) {
    return "The folder " + name + " could not be read (" + error.description + "); it is left as it is.";
  }
  for (const platform::DirEntry& entry : entries) {
    // Only what a fill writes is deleted: anything else in it is not the program's to delete.
    // Its files are the stub and a number, or a number alone (the records of NTFS).
    if (entry.kind != platform::FileKind::Regular ||
        (!IsNumbered(entry.name, kFolderStub) && !IsNumbered(entry.name, "")))
      return "The folder " + name + " holds " + support::DisplayName(entry.name) +
             ", which no purge of the free space writes, so it is left as it is.";
  }
  platform::File lock;
  try {
    lock = fileSystem_.LockFolder(*held);
  } catch (const platform::PlatformError& error) {
    if (error.number == platform::ErrorNumberFromErrno(EWOULDBLOCK))
      return "The folder " + name +
             " belongs to a purge of the free space that is running now: it is left alone.";
    return "The folder " + name + " could not be opened (" + error.description + "); it is left as it is.";
  }
  std::size_t removed = 0;
  try {
    for (const platform::DirEntry& entry : entries) {
      fileSystem_.RemoveFileAt(*held, entry.name, nullptr);
      ++removed;
    }
    // The lock keeps the folder itself from going on Windows.
    lock = platform::File();
    if (!fileSystem_.RemoveFolderAt(*parent, entryName, &held->Identity()))
      return "The folder " + name +
             " was emptied, but its name now names another folder, which is left as it is.";
  } catch (const platform::PlatformError& error) {
    return "The folder " + name + " that an earlier purge of the free space left could not be deleted (" +
           error.description + ").";
  }
  const std::string files = removed == 0 ? std::string()
                            : removed == 1
                                ? " and the file of random bytes in it"
                                : " and the " + std::to_string(removed) + " files of random bytes in it";
  return "Deleted the folder " + name + files +
         ", left by an earlier purge of the free space that was cut short.";
}

double FreeSpacePurge::Elapsed(double start) const {
  double elapsed = clock_.SecondsSinceMidnight() - start;
  if (elapsed < 0) elapsed += 86400;  // midnight passed
  return elapsed;
}

FreeSpacePurge::Result FreeSpacePurge::Run(const std::string& volume, const platform::VolumeClass& kind,
                                           double freeBytes, std::int64_t clusterSize, bool keepReport,
                                           const std::vector<std::string>& leftovers) {
  const std::string& type = kind.fileSystemType;
  const std::string drive = support::DisplayName(volume);
  const bool sizeKnown = freeBytes >= 0;
  report::ReportWindow& report = report_;
  report.caption = kTitle;
  report.Show();
  report.BeginOtherRun(keepReport);
  report.AppendReport(report.DateTimeText() + kCrLf, true);
  for (const std::string& leftover : leftovers) report.AppendReport(RemoveLeftover(leftover) + kCrLf, true);

  // The fill's folder is locked for as long as it exists, so that another run does not take it for a
  // leftover.
  support::FolderServices::OwnFolder held;
  for (int attempt = 0; attempt < 3 && !held; ++attempt) {
    support::FolderServices::OwnFolder made = speedTest_.CreateFolderOnDrive(volume, kFolderStub);
    if (!made) break;
    try {
      made.lock = fileSystem_.LockFolder(*made.folder);
      // Taken away (by another run's look for leftovers) before it could be locked: another one.
      if (fileSystem_.StatusAt(*made.parent, made.name).Identity() == made.folder->Identity())
        held = std::move(made);
    } catch (const platform::PlatformError&) {
    }
  }
  if (!held) {
    const std::string text = "The free space of Drive " + drive +
                             " cannot be purged: no folder can be made there (the drive may be full or "
                             "read-only). Nothing was written.";
    report.AppendReport(text + kCrLf, true);
    report.EndOtherRun(false);
    ui_.Message(kTitle, text, Buttons::Ok, Icon::Warning);
    return Result::Failed;
  }
  std::string folder = held.folder->Path();
  while (folder.size() > 1 && folder.back() == platform::kPathSeparator) folder.pop_back();
  if (sizeKnown && !leftovers.empty()) {
    try {
      const platform::DiskSpace space = fileSystem_.QueryDisk(volume);
      freeBytes = space.freeBytes + (space.administrator ? space.administratorReserveBytes : 0);
    } catch (const platform::PlatformError&) {
    }
  }
  report.AppendReport("Purging the free space of Drive " + drive + " (" +
                          (sizeKnown ? Size(freeBytes) + " free" : std::string("free space not known")) +
                          ")" + kCrLf + "with one pass of random bytes in " + support::DisplayName(folder) +
                          "." + kCrLf,
                      true);
  const std::size_t progressStart = report.txbText.size();

  const double start = clock_.SecondsSinceMidnight();
  double shownAt = -1;
  double paused = 0;
  const auto showProgress = [&](std::int64_t written) {
    const double seconds = Elapsed(start) - paused;
    std::string line = "Written " + Size(static_cast<double>(written));
    const double total = std::max(freeBytes, static_cast<double>(written));
    if (sizeKnown) {
      line += " of " + Size(total) + " (" +
              std::to_string(std::min<std::int64_t>(support::RoundHalfEven(written * 100.0 / total), 100)) +
              "%)";
    }
    if (seconds >= 0.5 && written > 0) {
      const double rate = static_cast<double>(written) / seconds;
      line += " at " + support::FormatGrouped(rate / kMegabyte, 2) + " MB/sec.";
      if (sizeKnown) line += ", about " + Duration((total - static_cast<double>(written)) / rate) + " left";
    }
    report.txbText.Truncate(progressStart);
    report.AppendReport(line + ".", true);
  };

  // NTFS: the records that deleted files left free in its file table, while the volume has room for the
  // folder's index to take their names; read from the table where the program may.
  const bool ntfs =
      std::find(kind.kinds.begin(), kind.kinds.end(), platform::ResidueKind::NtfsRecords) != kind.kinds.end();
  platform::FileRecordTable records;
  if (ntfs) {
    try {
      records = fileSystem_.FileRecords(volume);
    } catch (const platform::PlatformError& error) {
      records.reason = error.description;
    }
  }

  engine::FreeSpaceFill fill(fileSystem_, random_, std::move(held), kFolderStub);
  engine::FreeSpaceFill::Result result;
  std::int64_t recordBytes = 0;
  std::int64_t recordsFilled = 0;
  try {
    const auto progress = [&](std::int64_t written) {
      written += recordBytes;
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
    };
    if (records.known && records.freeRecords > 0) {
      result = fill.FillRecords(records.freeRecords, records.recordSize, progress);
      recordBytes = result.written;
      recordsFilled = result.files;
    }
    if (result.outcome == engine::FreeSpaceFill::Outcome::Full) result = fill.Fill(clusterSize, progress);
    result.written += recordBytes;
  } catch (const std::exception& error) {
    // Whatever went wrong in a write, what was written is deleted below.
    result.outcome = engine::FreeSpaceFill::Outcome::Failed;
    result.error = error.what();
  }
  const double seconds = Elapsed(start) - paused;
  double journalSeconds = 0;
  // What the file system still counts free while the drive is full: looked at before anything is deleted.
  const bool full = result.outcome == engine::FreeSpaceFill::Outcome::Full;
  std::vector<std::string> unreachedLines;
  double unreached = 0;
  if (full) {
    try {
      unreachedLines = UnreachedLines(volume, type, fileSystem_.QueryDisk(volume), unreached);
    } catch (const platform::PlatformError& error) {
      unreachedLines = {"How much of Drive " + drive + " is still free could not be read (" +
                        error.description +
                        "), so whether all of its free space was overwritten is not known."};
      unreached = 1;
    }
    bool keptBeside = false;
    for (std::string& line : KeptBesideLines(drive, kind, records, recordsFilled, keptBeside))
      unreachedLines.push_back(std::move(line));
    if (keptBeside && unreached <= 0) unreached = 1;
  }
  // The file system's journal keeps copies of recently changed folders, with the names of deleted files
  // in them: written over once the space is free again.
  engine::FreeSpaceFill::JournalResult journal;
  if (full) {
    fill.ReleaseSpace();
    const double journalStart = Elapsed(start);
    double journalShownAt = -1;
    journal = fill.CycleJournal(kJournalSeconds, [&](double share) {
      const double now = Elapsed(start);
      if (journalShownAt < 0 || now - journalShownAt >= 1.0) {
        report.txbText.Truncate(progressStart);
        report.AppendReport(
            "Writing over the journal of Drive " + drive + ": " +
                std::to_string(std::min<std::int64_t>(support::RoundHalfEven(share * 100), 99)) + "%.",
            true);
        journalShownAt = now;
      }
      ui_.Yield();
      while (report.blnPaused && !report.blnStop) {
        ui_.Yield();
        if (report.blnPaused && !report.blnStop) ui_.Wait(20);
      }
      return !report.blnStop;
    });
    journalSeconds = Elapsed(start) - journalStart;
  }
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
    if (!sizeKnown) {
      summary += "Drive " + drive + " could not tell how much was free: " + written +
                 " was written before it refused more, because it was full." + kCrLf;
    }
    for (const std::string& line : unreachedLines) summary += line + kCrLf;
    if (unreached > 0) {
      outcome = Result::Incomplete;
    } else {
      summary += "The free space of Drive " + drive + " has been purged." + kCrLf;
    }
    if (journal.known) {
      const std::string size = Size(static_cast<double>(journal.size));
      if (journal.complete) {
        summary += "The journal of Drive " + drive + " (" + size +
                   "), where the file system keeps copies of its recently changed folders with the names of "
                   "deleted files, has been written over." +
                   kCrLf;
      } else {
        const auto share =
            std::min<std::int64_t>(support::RoundHalfEven(static_cast<double>(journal.written) * 100 /
                                                          static_cast<double>(journal.size)),
                                   99);
        summary += "Only " + std::to_string(share) + "% of the journal of Drive " + drive + " (" + size +
                   ") was written over" +
                   (journal.stopped ? std::string(" before the purge was stopped")
                                    : " in " + Duration(journalSeconds)) +
                   ": the names of files deleted recently may still be found in it." + kCrLf;
        if (outcome == Result::Done) outcome = journal.stopped ? Result::Stopped : Result::Incomplete;
      }
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
