#include <algorithm>
#include <cerrno>
#include <cmath>
#include <exception>
#include <new>
#include <unordered_set>

#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/FileProcedures.h"
#include "engine/NameHiding.h"
#include "engine/Overwriter.h"
#include "engine/PassExecutor.h"
#include "engine/PurgeEngine.h"
#include "engine/PurgePipeline.h"
#include "engine/PurgeResult.h"
#include "platform/PlatformError.h"
#include "platform/Ui.h"
#include "report/PendingFiles.h"
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

std::string PurgeQueryText(const std::string& path, const std::string& extension) {
  const bool vowel =
      !extension.empty() && (extension[0] == 'e' || extension[0] == 'i' || extension[0] == 'o');
  return path + "\r\n\r\nYou have requested to purge a file with a" + (vowel ? "n" : "") + " \"" + extension +
         "\" extension.\r\nDo you wish to allow all files with this extension to be purged?\r\n"
         "(Permission lasts only during the course of this operation.)";
}

}  // namespace

bool ReportWindow::Matches(const platform::Folder& folder, const std::string& name,
                           const support::FileMatcher& files,
                           std::shared_ptr<const platform::FileStatus>& look) const {
  // Without a date restriction only the name counts; the walks over large trees spend most of their time
  // here.
  if (!files.Matches(name)) return false;
  if (state_.lngOnlyBeforeThisJDN == support::kNoDateRestriction) return true;
  // A file whose date cannot be read takes no part.
  try {
    look = std::make_shared<const platform::FileStatus>(fileSystem_.StatusAt(folder, name));
  } catch (const platform::PlatformError&) {
    return false;
  }
  return BeforeRestrictionDate(*look);
}

bool ReportWindow::BeforeRestrictionDate(const platform::FileStatus& status) const {
  if (state_.lngOnlyBeforeThisJDN == support::kNoDateRestriction) return true;
  std::int16_t error = 0;
  const std::int32_t day = support::FileDayNumber(status, error);
  return day != -1 && day < state_.lngOnlyBeforeThisJDN;
}

platform::FileStatus ReportWindow::StatusOf(const platform::Folder& folder, const FolderEntry& file) const {
  if (file.look) return *file.look;
  try {
    return fileSystem_.StatusAt(folder, file.name);
  } catch (const platform::PlatformError&) {
    return {};
  }
}

support::FileMatcher ReportWindow::CurrentFiles() const {
  return support::FileMatcher(strCurrentFileSpec, state_.strShellPatterns);
}

platform::FolderHandle ReportWindow::TopFolder(const std::string& dirPath) {
  if (targetFolder) return targetFolder;
  const std::string folder = NormaliseFolderPath(dirPath);
  int number = 0;
  try {
    return fileSystem_.OpenFolder(folder);
  } catch (const platform::PlatformError& error) {
    number = error.number;
  } catch (const std::bad_alloc&) {
    number = kOutOfMemory;
  }
  if (!blnStop) WalkError(number, folder);
  return nullptr;
}

void ReportWindow::AddEntry(const platform::Folder& folder, const support::FileMatcher& files,
                            platform::DirEntry& entry, FolderEntries& entries) const {
  if (entry.kind == platform::FileKind::Directory) {
    entries.subfolders.push_back(std::move(entry.name));
  } else if (entry.kind == platform::FileKind::Regular) {
    std::shared_ptr<const platform::FileStatus> look;
    const bool match = Matches(folder, entry.name, files, look);
    entries.matchCount += match ? 1 : 0;
    entries.files.push_back({std::move(entry.name), entry.kind, match, std::move(look)});
  } else {
    // Links, pipes, devices and mount points are no files to purge: never counted, only named in the
    // report as what they are when their name matches (they have no date of their own to test).
    const bool match = files.Matches(entry.name);
    entries.files.push_back({std::move(entry.name), entry.kind, match, nullptr});
  }
}

ReportWindow::FolderEntries ReportWindow::ReadFolder(const platform::Folder& folder,
                                                     const support::FileMatcher& files) {
  FolderEntries entries;
  for (auto& entry : fileSystem_.List(folder)) AddEntry(folder, files, entry, entries);
  state_.intNumFiles = static_cast<std::int16_t>(std::min<std::int64_t>(entries.matchCount, INT16_MAX));
  return entries;
}

void ReportWindow::AddEntriesSinceCount(const platform::Folder& folder, const support::FileMatcher& files,
                                        FolderEntries& entries) {
  std::unordered_set<std::string> known(entries.subfolders.begin(), entries.subfolders.end());
  for (const FolderEntry& file : entries.files) known.insert(file.name);
  for (auto& entry : fileSystem_.ListNames(folder)) {
    if (!known.contains(entry.name)) AddEntry(folder, files, entry, entries);
  }
  state_.intNumFiles = static_cast<std::int16_t>(std::min<std::int64_t>(entries.matchCount, INT16_MAX));
}

namespace {

// The files a counting pass read for, as a purge that wants to take its reading compares them.
std::string FilesKey(const support::FileMatcher& files) {
  std::string key = files.spec();
  for (const std::string& pattern : files.shellPatterns()) key += '\0' + pattern;
  return key;
}

}  // namespace

void ReportWindow::ForgetCountedFolders() {
  counted_ = {};
}

void ReportWindow::KeepCounted(const platform::Folder& folder, const support::FileMatcher& files,
                               const FolderEntries& entries) {
  if (counted_.folders.empty()) {
    counted_.files = FilesKey(files);
    counted_.beforeDay = state_.lngOnlyBeforeThisJDN;
  }
  const std::size_t names = entries.files.size() + entries.subfolders.size();
  // A tree too large to hold is read again by the purge from where this stops keeping it.
  if (counted_.names + names > kCountedNamesKept) return;
  counted_.names += names;
  FolderEntries kept = entries;
  for (FolderEntry& file : kept.files) {
    // Looked at again when the purge comes to it: what it is by then decides.
    file.counted = true;
    file.look.reset();
  }
  const platform::FileIdentity& identity = folder.Identity();
  counted_.folders.insert_or_assign({identity.device, identity.inode}, std::move(kept));
}

std::optional<ReportWindow::FolderEntries> ReportWindow::TakeCounted(const platform::Folder& folder,
                                                                     const support::FileMatcher& files) {
  if (counted_.folders.empty()) return std::nullopt;
  if (counted_.files != FilesKey(files) || counted_.beforeDay != state_.lngOnlyBeforeThisJDN) {
    ForgetCountedFolders();
    return std::nullopt;
  }
  const platform::FileIdentity& identity = folder.Identity();
  const auto found = counted_.folders.find({identity.device, identity.inode});
  if (found == counted_.folders.end()) return std::nullopt;
  FolderEntries entries = std::move(found->second);
  counted_.folders.erase(found);
  state_.intNumFiles = static_cast<std::int16_t>(std::min<std::int64_t>(entries.matchCount, INT16_MAX));
  return entries;
}

void ReportWindow::ReportWalkError(int number, const std::string& path) {
  if (number == kPermissionDenied) return;
  if (number == kOutOfMemory) {
    HandleReportFull();
    return;
  }
  ui_.Message("Error", "Error #" + std::to_string(number) + " with " + support::DisplayName(path),
              platform::Buttons::Ok, platform::Icon::Error);
  blnStop = true;
}

void ReportWindow::UsePassExecutor(engine::PassExecutor* executor) {
  pipeline_.UseExecutor(executor);
}

engine::PurgePipeline& ReportWindow::Pipeline() {
  if (!purgeDriver_) purgeDriver_ = std::make_unique<PurgeDriver>(*this);
  return pipeline_.Get(*purgeDriver_);
}

void ReportWindow::FinishPending() {
  if (pipeline_) pipeline_->Finish();
}

void ReportWindow::Then(std::function<void()> step) {
  Pipeline().Then(std::move(step));
}

bool ReportWindow::ReadyForQuestion() {
  FinishPending();
  // A pause or stop that came while the files before it finished acts before the question.
  if (blnStop || blnPaused) CheckPauseAndStop();
  return !blnStop;
}

void ReportWindow::WalkError(int number, const std::string& folder) {
  if (number != kPermissionDenied) FinishPending();
  if (!blnStop) ReportWalkError(number, folder);
}

void ReportWindow::PurgeTreeRecursive(std::string dirPath, const support::FileMatcher& files) {
  caption = support::DisplayName(dirPath);
  if (const platform::FolderHandle folder = TopFolder(dirPath)) PurgeTree(folder, files, 0);
}

platform::FolderHandle ReportWindow::EnterSubfolder(const platform::FolderHandle& folder,
                                                    const std::string& name, int depth, bool purging) {
  const std::string path = folder->PathOf(name) + platform::kPathSeparator;
  int number = 0;
  try {
    // Each level holds its folder open: beyond what the walk may hold, the rest is not reached.
    if (depth >= platform::kDeepestWalk) platform::ThrowErrno(EMFILE);
    return fileSystem_.OpenSubfolder(*folder, name);
  } catch (const platform::PlatformError& error) {
    number = error.number;
  } catch (const std::bad_alloc&) {
    number = kOutOfMemory;
  }
  const bool tooDeep =
      number == platform::ErrorNumberFromErrno(EMFILE) || number == platform::ErrorNumberFromErrno(ENFILE);
  // A mount made on it since the folder above was listed is a border like any other.
  const bool mounted = number == platform::ErrorNumberFromErrno(EXDEV);
  if (!tooDeep && !mounted) {
    if (purging) {
      if (!blnStop) WalkError(number, path);
    } else if (number != kPermissionDenied && !((blnListFiles || blnPurgeFiles) && blnStop)) {
      // A counting pass ignores blnStop: a stop left from the last run must not hide the error.
      ui_.Message("Error", "Error #" + std::to_string(number) + " with " + support::DisplayName(path),
                  platform::Buttons::Ok, platform::Icon::Error);
      blnStop = true;
    }
    return nullptr;
  }
  if (tooDeep && lngNumFoldersNotReached < INT32_MAX) ++lngNumFoldersNotReached;
  const std::string line =
      support::DisplayName(path) + ": " +
      (tooDeep ? std::string("not reached (deeper than the folders the program can hold open), not purged.")
               : engine::EntryKindName(platform::FileKind::MountPoint) + ", not purged.") +
      "\r\n";
  if (purging) {
    Then([this, line] { AppendReport("\r\n" + line, true); });
  } else if (blnListFiles || blnPurgeFiles) {
    AppendReport(line, true);
  }
  return nullptr;
}

void ReportWindow::PurgeTree(const platform::FolderHandle& held, const support::FileMatcher& files,
                             int depth) {
  const std::string& folder = held->Path();
  FolderEntries entries;
  double byteRate = 1048576;
  std::string drive;
  try {
    drive = support::DriveOf(fileSystem_, folder);
    const float measured = state_.SpeedOf(drive);
    byteRate = std::round((measured > 0 ? measured : 1.0) * 1048576);
    if (std::optional<FolderEntries> counted = TakeCounted(*held, files)) {
      entries = std::move(*counted);
      // A file made since the count is purged as it would be in a tree too large to keep: the purge takes
      // the folder as it is when it comes to it. Only the names are read again; what is new is looked at.
      AddEntriesSinceCount(*held, files, entries);
    } else {
      entries = ReadFolder(*held, files);
    }
  } catch (const platform::PlatformError& error) {
    if (!blnStop) WalkError(error.number, folder);
    return;
  } catch (const std::bad_alloc&) {
    if (!blnStop) WalkError(kOutOfMemory, folder);
    return;
  }
  Repaint();

  if (entries.matchCount > 0) {
    Then([this, folder] {
      if (!blnReportBufferFull) txbText.Append("\r\n" + support::DisplayName(folder));
    });
    PurgeFolderFiles(held, files, entries, byteRate, drive);
    Then([this, held] { FillFreedEntries(held); });
    if (blnStop) return;
  }
  if (state_.blnSubdirectories) PurgeSubfolders(held, files, entries, depth);
}

void ReportWindow::PurgeFolderFiles(const platform::FolderHandle& folder, const support::FileMatcher& files,
                                    const FolderEntries& entries, double byteRate, const std::string& drive) {
  bool first = true;
  for (const auto& file : entries.files) {
    Yield();
    // Stopped while the files before it were shown (a failure, or Close): no further file starts.
    if (blnStop) {
      CheckPauseAndStop();
      return;
    }
    if (!file.matches) continue;
    if (first) {
      Then([this] { AppendReport("\r\n", false); });
      first = false;
    }
    if (file.kind != platform::FileKind::Regular) {
      Then([this, name = file.name, kind = file.kind] {
        AppendReport(support::DisplayName(name) + ": " + engine::EntryKindName(kind) + ", not purged.\r\n",
                     true);
      });
      if (files.NamesOneFile()) return;
      continue;
    }
    bool goOn = true;
    walkLineBegun_ = false;
    try {
      goOn = PurgeOneFile(folder, file, byteRate, drive);
    } catch (const platform::PlatformError& error) {
      FinishPending();
      if (!walkLineBegun_) BeginFileLine(file.name);
      FinishInterruptedLine(file.name, std::current_exception());
      FileDone(folder->PathOf(file.name), 0);
      if (blnStop) return;
      ReportWalkError(error.number, folder->PathOf(file.name));
      if (blnStop) return;
    } catch (const std::bad_alloc&) {
      FinishPending();
      if (!walkLineBegun_) BeginFileLine(file.name);
      FinishInterruptedLine(file.name, std::current_exception());
      FileDone(folder->PathOf(file.name), 0);
      if (blnStop) return;
      ReportWalkError(kOutOfMemory, folder->PathOf(file.name));
    }
    if (!goOn) return;
    // A plain file name matches at most one file per folder.
    if (files.NamesOneFile()) return;
    CheckPauseAndStop();
    if (blnStop) return;
  }
}

void ReportWindow::FinishInterruptedLine(const std::string& name, const std::exception_ptr& error,
                                         const engine::PurgeNotes& notes) {
  if (blnReportBufferFull) return;
  const bool namesOnly = confirmation_.blnFolderNamesOnly;
  if (!namesOnly) CutAfterSizeMark();
  if (namesOnly) AppendReport(support::DisplayName(name), false);
  const int passes = typeOfPurge_.GetNumberOfPasses();
  std::string text =
      passesDone_ > 0 ? engine::PartlyOverwrittenText(passesDone_, passes, 0, "") : " not purged.";
  bool changed = passesDone_ > 0;
  try {
    if (error) std::rethrow_exception(error);
  } catch (const engine::FailedAfterWriting& failure) {
    // The pass that failed had begun to write: the file is no longer as it was.
    text = engine::PartlyOverwrittenText(passesDone_, passes, failure.description);
    changed = true;
  } catch (...) {
  }
  if (changed) text += engine::StorageNotesText(notes);
  AppendReport(text, false);
  AppendReport("\r\n", true);
}

void ReportWindow::CutAfterSizeMark() {
  if (sizeMarkEnd_ == std::string::npos || blnReportBufferFull || sizeMarkEnd_ > txbText.size()) return;
  txbText.Truncate(sizeMarkEnd_);
  sizeMarkEnd_ = std::string::npos;
}

void ReportWindow::BeginFileLine(const std::string& name) {
  ++lngNumFilesProcessed;
  sizeMarkEnd_ = std::string::npos;
  passesDone_ = 0;
  if (confirmation_.blnFolderNamesOnly) {
    AppendReport(". ", true);
  } else {
    AppendReport(support::DisplayName(name), false);
  }
}

bool ReportWindow::PurgeOneFile(const platform::FolderHandle& folder, const FolderEntry& file,
                                double byteRate, const std::string& drive) {
  const bool namesOnly = confirmation_.blnFolderNamesOnly;
  const std::string path = folder->PathOf(file.name);
  const std::string extension = support::ExtensionOf(path, true);
  // One look at the file, relative to the folder, serves the protection rules, the size and date in the
  // report and, later, the check that the file opened for the purge is the one looked at: the date test's
  // look where it took one.
  const platform::FileStatus status = StatusOf(*folder, file);
  // Counted before the purge was confirmed: a file gone since is not there to purge, and one the date
  // restriction no longer takes is not purged, as a reading of the folder now would not have offered them.
  if (file.counted && (status.kind == platform::FileKind::Missing || !BeforeRestrictionDate(status)))
    return true;
  // Another file bound onto the name is not this folder's: it is named as what it is, not counted.
  if (status.kind == platform::FileKind::MountedFile) {
    Then([this, name = file.name] {
      AppendReport(support::DisplayName(name) + ": " +
                       engine::EntryKindName(platform::FileKind::MountedFile) + ", not purged.\r\n",
                   true);
    });
    return true;
  }

  bool lineBegun = false;
  auto code = static_cast<std::int16_t>(engine_.ClassifyProtectedFile(path, &status, folder.get()));
  if (confirmation_.blnOKToPurgeSensitiveFiles && code == 7) code = 0;
  if (code == 8) {
    code = 7;
  } else if (code == 7) {
    if (!ReadyForQuestion()) return false;
    BeginFileLine(file.name);
    lineBegun = walkLineBegun_ = true;
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
    const std::int64_t size = status.kind == platform::FileKind::Regular ? status.size : 0;
    bool confirmed = true;
    if (state_.blnConfirmFiles && !blnPurgeRemainingFiles) {
      if (!lineBegun) {
        if (!ReadyForQuestion()) return false;
        BeginFileLine(file.name);
        lineBegun = walkLineBegun_ = true;
      }
      confirmed = ConfirmFile(path, status);
    }
    if (confirmed) {
      StartPasses(folder, file.name, extension, size, byteRate, drive, status, lineBegun);
      return true;
    }
  }

  // Not purged: the whole line at its place in the report.
  const std::int64_t size = status.kind == platform::FileKind::Regular ? status.size : 0;
  Then([this, path, size, name = file.name, extension, code, lineBegun, namesOnly] {
    FileDone(path, size);
    if (!lineBegun) BeginFileLine(name);
    Yield();
    Repaint();
    if (namesOnly) AppendReport(support::DisplayName(name), false);
    AppendReport(engine::PurgeResultText(code, support::DisplayName(extension)), false);
    AppendReport("\r\n", true);
  });
  return true;
}

void ReportWindow::StartPasses(const platform::FolderHandle& folder, const std::string& name,
                               const std::string& extension, std::int64_t size, double byteRate,
                               const std::string& drive, const platform::FileStatus& status, bool lineBegun) {
  auto file = std::make_unique<PendingFile>();
  const int passes = typeOfPurge_.GetNumberOfPasses();
  file->request =
      engine_.Request(folder, name, typeOfPurge_.GetPurgeType(), 1, !confirmation_.blnDoNotDeletePurgedFiles,
                      confirmation_.blnOKToPurgeReadOnlyFiles, confirmation_.blnOKToPurgeSystemFiles, drive);
  if (status.kind == platform::FileKind::Regular) {
    file->request.device = status.device;
    file->request.inode = status.inode;
  }
  file->passes = passes;
  file->folder = folder->Path();
  file->name = name;
  file->extension = extension;
  file->size = size;
  file->indicator = !confirmation_.blnFolderNamesOnly &&
                    static_cast<double>(size) * typeOfPurge_.GetNumOverwrites() > byteRate && passes >= 2;
  file->lineBegun = lineBegun;
  file->brief = size <= engine::PurgePipeline::kBriefFileBytes;
  engine::PurgePipeline& pipeline = Pipeline();
  pipeline.Add(std::move(file));
  pipeline.WaitForRoom();
}

void ReportWindow::ShowPendingFile(PendingFile& file) {
  const bool namesOnly = confirmation_.blnFolderNamesOnly;
  const int passes = file.passes;
  if (!file.lineBegun) {
    BeginFileLine(file.name);
    file.lineBegun = true;
  }
  if (!file.sizeShown) {
    file.sizeShown = true;
    if (!namesOnly) {
      AppendReport(" (" + support::FormatGrouped(static_cast<double>(file.size), 0) + " bytes)", false);
      AppendReport(" purging", true);
      // Where the line is cut back to once the passes are over: just after "bytes)".
      if (!blnReportBufferFull) sizeMarkEnd_ = txbText.size() - 8;
      if (file.indicator) {
        std::string underscores(static_cast<std::size_t>(passes) + 1, '_');
        underscores[0] = ' ';
        AppendReport(underscores, true);
      }
    }
    Repaint();
  }
  while (file.passesShown < file.passesBack) {
    const int pass = ++file.passesShown;
    const bool last = pass == file.passesBack;
    // The pass that threw leaves the line as it was.
    if (last && file.error) break;
    if (file.indicator && !blnReportBufferFull) {
      txbText.Truncate(txbText.size() - std::min<std::size_t>(txbText.size(), passes));
      txbText.MoveCaretToEnd();
      Repaint();
    }
    if (last && file.code != 0) break;
    passesDone_ = pass;
    if (file.indicator && pass < passes && !blnReportBufferFull) {
      txbText.Append(std::string("123456789").substr(0, static_cast<std::size_t>(pass)) +
                     std::string(static_cast<std::size_t>(passes - pass), '_'));
      focusedControl = "cmdPauseContinue";
      Repaint();
    }
  }
  if (!file.ended) return;
  FileDone(file.folder + file.name, file.size + file.notes.namedStreamBytes);

  // The line break of the stop that ended it after this pass (cut with " purging" unless only folder
  // names are reported); once, where the run stopped.
  if ((file.stopped || file.stopSeen) && !stopBreakWritten_) {
    stopBreakWritten_ = true;
    if (!blnReportBufferFull) txbText.Append("\r\n");
  }
  if (file.error) {
    FinishInterruptedLine(file.name, file.error, file.notes);
    if (blnStop) return;
    try {
      std::rethrow_exception(file.error);
    } catch (const platform::PlatformError& error) {
      ReportWalkError(error.number, file.folder + file.name);
    } catch (const std::bad_alloc&) {
      ReportWalkError(kOutOfMemory, file.folder + file.name);
    }
    return;
  }

  // A stop that arrives after the last pass no longer saves the file: it is gone and counts as purged.
  const bool purged = file.passesDone == passes && file.code == 0;
  // Whatever the outcome, " purging", the indicator and a stop's line break give way to the result text.
  if (!namesOnly) CutAfterSizeMark();
  Yield();
  Repaint();
  if (purged) {
    // The named streams that went with it, and what its storage left in the free space.
    const std::string storage = engine::StorageNotesText(file.notes);
    const std::string purgedText =
        " purged" + engine::NamedStreamsText(file.notes) + (storage.empty() ? "" : "." + storage);
    if (!namesOnly) {
      AppendReport(purgedText, false);
    } else if (!storage.empty()) {
      // What stays in the free space is said even where purged files are not named.
      AppendReport(support::DisplayName(file.name) + purgedText, false);
    }
    dblTotalBytesPurged += static_cast<double>(file.size + file.notes.namedStreamBytes);
    ++lngNumFilesPurged;
    if (file.request.deleteAfter) {
      freedNames_[file.request.folder.get()].push_back(file.name);
      if (file.notes.nameKept && lngNumNamesKept < INT32_MAX) ++lngNumNamesKept;
    }
  } else {
    if (namesOnly) AppendReport(support::DisplayName(file.name), false);
    // A file left after some of its passes, or in the middle of one, is neither untouched nor purged, and
    // the report says so. A failed flush comes after the pass's writes, so the file is changed even before a
    // whole pass.
    const bool changed = (passesDone_ > 0 && file.code != engine::kNotDeleted) ||
                         file.code == engine::kFlushFailed || file.code == engine::kCutShort;
    AppendReport(changed ? engine::PartlyOverwrittenText(passesDone_, passes, file.code,
                                                         support::DisplayName(file.extension)) +
                               engine::StorageNotesText(file.notes)
                         : engine::PurgeResultText(file.code, support::DisplayName(file.extension)),
                 false);
    // Renamed to hide its name and then not deleted: where it is now.
    if (!file.notes.renamedTo.empty())
      AppendReport(" It is now named " + support::DisplayName(file.notes.renamedTo) + ".", false);
  }
  if (!(namesOnly && purged && engine::StorageNotesText(file.notes).empty())) AppendReport("\r\n", true);
}

void ReportWindow::FileDone(const std::string& path, std::int64_t size) {
  if (onFileDone) onFileDone(path, size);
}

void ReportWindow::FillFreedEntries(const platform::FolderHandle& folder) {
  const auto found = freedNames_.find(folder.get());
  if (found == freedNames_.end()) return;
  const std::vector<std::string> names = std::move(found->second);
  freedNames_.erase(found);
  for (const std::string& left : engine::FillFreedEntries(fileSystem_, random_, *folder, names)) {
    AppendReport(support::DisplayName(folder->PathOf(left)) +
                     ": an empty file made to write over the names of the deleted files, not deleted.\r\n",
                 true);
  }
}

bool ReportWindow::ConfirmFile(const std::string& path, const platform::FileStatus& status) {
  const std::int64_t size = status.kind == platform::FileKind::Regular ? status.size : 0;
  // The path exactly as it is on disk: names differing only in case are different files here.
  frmConfirmFiles.Prepare(support::DisplayName(path) + "     " +
                          support::FormatSize(static_cast<double>(size), 2) + "     " +
                          engine::FileDateText(status, false));
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

bool ReportWindow::FolderIsEmpty(const platform::Folder& folder) {
  return support::FolderServices(fileSystem_, ui_).FolderIsEmpty(folder);
}

void ReportWindow::PurgeSubfolders(const platform::FolderHandle& folder, const support::FileMatcher& files,
                                   const FolderEntries& entries, int depth) {
  for (const auto& name : entries.subfolders) {
    strNextDirPath = folder->PathOf(name);
    const std::string subfolder = strNextDirPath;
    caption = support::DisplayName(subfolder);
    const platform::FolderHandle held = EnterSubfolder(folder, name, depth + 1, true);
    if (held) PurgeTree(held, files, depth + 1);
    if (blnStop) {
      Then([this] { AppendReport("\r\n", false); });
      return;
    }
    if (!held || !confirmation_.blnDeleteEmptyFolders) continue;
    // The folder's files are gone only once their passes are done.
    FinishPending();
    if (blnStop) {
      AppendReport("\r\n", false);
      return;
    }
    try {
      if (!FolderIsEmpty(*held)) continue;
      // Only while the name still names the folder that was emptied: another folder put in its place is
      // left as it is.
      if (!fileSystem_.RemoveFolderAt(*folder, name, &held->Identity())) {
        if (!blnReportBufferFull)
          txbText.Append("Folder " + support::DisplayName(subfolder) +
                         " not removed: that name no longer names the folder that was purged.\r\n\r\n");
        continue;
      }
      if (intNumFoldersRemoved < INT16_MAX) ++intNumFoldersRemoved;
      if (!blnReportBufferFull)
        txbText.Append("Folder " + support::DisplayName(subfolder) + " removed.\r\n\r\n");
    } catch (const platform::PlatformError& error) {
      if (!blnStop) WalkError(error.number, folder->Path());
      if (blnStop) return;
    }
  }
}

}  // namespace nulvane::report
