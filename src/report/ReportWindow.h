#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/PurgePipeline.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "platform/Observable.h"
#include "platform/RandomStream.h"
#include "report/ConfirmFilesDialog.h"
#include "report/ReportHost.h"
#include "report/ReportText.h"
#include "support/FileMatcher.h"

namespace nulvane::platform {
class Clock;
class Ui;
}  // namespace nulvane::platform
namespace nulvane::support {
struct OperationState;
}  // namespace nulvane::support
namespace nulvane::engine {
class PurgeEngine;
}  // namespace nulvane::engine
namespace nulvane::dialogs {
class TypeOfPurgeDialog;
class PurgeConfirmationDialog;
}  // namespace nulvane::dialogs

namespace nulvane::report {

// frmReport: the report window's logic. It runs a purge or a listing over a folder tree (ProcessFiles),
// writes the report into its text box and carries the Stop / Pause / Continue flags that the running loops
// poll. The window is not modal: the main window shows it and a view renders this state.
class ReportWindow : public platform::Observable {
 public:
  // The most characters the report keeps for its file lines; beyond it the report is closed with a notice.
  // The summary that ends a run is still written after the notice (about 1,024 characters are kept free
  // for it), so a full report still tells how the run ended.
  static constexpr std::size_t kReportLimit = 61440;

  ReportWindow(platform::FileSystem& fileSystem, platform::Ui& ui, platform::Clock& clock,
               support::OperationState& state, engine::PurgeEngine& engine,
               dialogs::TypeOfPurgeDialog& typeOfPurge, dialogs::PurgeConfirmationDialog& confirmation,
               ReportHost& host);
  ~ReportWindow();

  // Where a purge's files are overwritten: the program's worker threads, several files at once. Without
  // one (or with null) each pass runs inline, one file after another.
  void UsePassExecutor(engine::PassExecutor* executor);

  // --- set by the caller before ProcessFiles or a counting pass
  bool blnPurgeFiles = false;
  bool blnListFiles = false;
  std::string strNextDirPath;
  std::string strCurrentFileSpec;
  bool blnDisplayFolderNames = true;
  bool blnDisplayFileNames = true;
  std::int16_t intStopAt = 0;
  // The limit belongs to the window's text box; a report that is never shown in one (the command line's)
  // sets it to SIZE_MAX and is never cut.
  std::size_t reportLimit = kReportLimit;
  // The chosen folder as the command that starts the run opened it, once: the counting pass, the run and
  // the offer to delete the folder afterwards all work in the folder the user confirmed, wherever it hangs
  // by then. Without it, a run opens the folder strNextDirPath names itself.
  platform::FolderHandle targetFolder;

  // Called once for each file of a purge whose turn is over, purged or not, with its path and size: what a
  // progress display counts as done.
  std::function<void(const std::string& path, std::int64_t size)> onFileDone;

  // --- maintained by a run
  std::int32_t lngNumFilesProcessed = 0;
  std::int32_t lngNumFilesPurged = 0;
  double dblTotalBytesPurged = 0;
  std::int16_t intNumFoldersRemoved = 0;
  // Folders that lie deeper than the run could hold open (one open folder per level), or that a mount
  // covered after they were listed: their files are not reached.
  std::int32_t lngNumFoldersNotReached = 0;
  // Files deleted under their own names: their file system would not rename them without the risk of
  // replacing another file.
  std::int32_t lngNumNamesKept = 0;
  bool blnPurgeRemainingFiles = false;
  bool blnStop = false;
  bool blnPaused = false;
  bool blnReportBufferFull = false;
  std::string strTextBuff;
  std::int16_t intOperationResult = 0;

  // --- controls
  ReportText txbText;
  platform::Button cmdStop;
  platform::Button cmdPauseContinue;
  platform::Button cmdClose;
  platform::Button cmdCopyToClipboard;
  platform::Label lblPausedDone;
  platform::Label lblDots;
  std::string caption = "Report";
  // Name of the control that has the focus ("cmdClose", "cmdPauseContinue", ...); the view follows it.
  std::string focusedControl;
  ConfirmFilesDialog frmConfirmFiles;

  bool IsVisible() const { return visible_; }
  // Shows the window without blocking (activating it when it was hidden) and repaints.
  void Show();
  void Hide();
  // Brings the window to the front; the view reacts to the request counter changing.
  void BringToFront();
  int frontRequests() const { return frontRequests_; }

  // --- runs
  void ProcessFiles();
  // A counting pass keeps what it reads of each folder (as much of the tree as kCountedNamesKept names), and
  // the purge run that follows it takes that, reading only the names again for what was made since. The
  // caller that counted forgets it once that purge is over, or was never confirmed; a run forgets it too.
  void ForgetCountedFolders();
  // The files of a run: strCurrentFileSpec, or the command line's patterns in the operation state.
  support::FileMatcher CurrentFiles() const;
  // Walk the folder `dirPath` names: the one held in targetFolder when that is set (the path then names it
  // for the report), else the folder opened here, once. Every subfolder is opened relative to its parent.
  void PurgeTreeRecursive(std::string dirPath, const support::FileMatcher& files);
  void ListFilesRecursive(std::string dirPath, const support::FileMatcher& files);
  std::string EstimatedTimes(double speed, double totalBytes, double adjustmentFactor,
                             const std::string& driveLetter) const;
  // A run that is no walk of files (the free-space purge) writes through AppendReport and polls
  // CheckPauseAndStop between the two: the window in its running state, offering Pause (and Stop from
  // there), with the report emptied or, with `keepText`, continued; at the end Close, the status ("Done"
  // when `done`; after a Stop, "Stopped") and the report on the clipboard.
  void BeginOtherRun(bool keepText);
  void EndOtherRun(bool done);
  // The time of day as a report line shows it.
  std::string DateTimeText() const { return DateTimeLine(); }

  // --- report buffer
  void AppendReport(std::string_view text, bool showNow);
  void HandleReportFull();
  void CheckPauseAndStop();
  void SetRunButtons();

  // --- button handlers
  void cmdStop_Click();
  void cmdPauseContinue_Click();
  void cmdCopyToClipboard_Click();
  void cmdClose_Click();
  // Release of a mouse button over the text box (after the view has updated the selection).
  void txbText_MouseUp(bool leftButton);
  // The window's own close button acts as Close.
  void CloseRequested() { cmdClose_Click(); }

 private:
  struct FolderEntry {
    std::string name;
    platform::FileKind kind;
    bool matches;
    // The walk's look at the file where the date test took one: the purge needs no other.
    std::shared_ptr<const platform::FileStatus> look;
    // Read by the counting pass, before the purge was confirmed: looked at again when its turn comes.
    bool counted = false;
  };
  struct FolderEntries {
    std::vector<FolderEntry> files;  // every entry that is not a real directory
    std::vector<std::string> subfolders;
    std::int64_t matchCount = 0;
  };
  // What a counting pass read, by the identity of each folder, and the files it was read for.
  struct CountedFolders {
    std::string files;
    std::int32_t beforeDay = 0;
    std::map<std::pair<std::uint64_t, std::uint64_t>, FolderEntries> folders;
    std::size_t names = 0;
  };
  static constexpr std::size_t kCountedNamesKept = 65536;

  void Activate();
  void Repaint() { NotifyChanged(); }
  void Yield();
  void StartRun();
  void WritePurgeHeader();
  void WriteSummary();
  void WriteEstimate();
  std::string DateTimeLine() const;
  // Whether the file takes part; where the date restriction needs a look at it, that look is kept in `look`.
  bool Matches(const platform::Folder& folder, const std::string& name, const support::FileMatcher& files,
               std::shared_ptr<const platform::FileStatus>& look) const;
  bool BeforeRestrictionDate(const platform::FileStatus& status) const;
  // One look at a file relative to its folder, or the date test's where it took one; empty when it fails.
  platform::FileStatus StatusOf(const platform::Folder& folder, const FolderEntry& file) const;
  // The folder a run starts in: targetFolder, or the folder `dirPath` names, opened. Null (the error
  // reported) when it cannot be opened.
  platform::FolderHandle TopFolder(const std::string& dirPath);
  void PurgeTree(const platform::FolderHandle& folder, const support::FileMatcher& files, int depth);
  void ListTree(const platform::FolderHandle& folder, const support::FileMatcher& files, int depth);
  // Opens the subfolder of a walk; null, with the report told why, when the walk does not go there.
  platform::FolderHandle EnterSubfolder(const platform::FolderHandle& folder, const std::string& name,
                                        int depth, bool purging);
  // Lists the folder once, classifies its entries and stores the match count in intNumFiles.
  FolderEntries ReadFolder(const platform::Folder& folder, const support::FileMatcher& files);
  void AddEntry(const platform::Folder& folder, const support::FileMatcher& files, platform::DirEntry& entry,
                FolderEntries& entries) const;
  // Adds to a counted folder's entries what was made in it since the count.
  void AddEntriesSinceCount(const platform::Folder& folder, const support::FileMatcher& files,
                            FolderEntries& entries);
  // The counting pass keeps the folder's entries; the purge takes them (and stores the match count).
  void KeepCounted(const platform::Folder& folder, const support::FileMatcher& files,
                   const FolderEntries& entries);
  std::optional<FolderEntries> TakeCounted(const platform::Folder& folder, const support::FileMatcher& files);
  void PurgeFolderFiles(const platform::FolderHandle& folder, const support::FileMatcher& files,
                        const FolderEntries& entries, double byteRate, const std::string& drive);
  // False when the user cancelled the "Purge query", which ends the run at once.
  bool PurgeOneFile(const platform::FolderHandle& folder, const FolderEntry& file, double byteRate,
                    const std::string& drive);
  bool ConfirmFile(const std::string& path, const platform::FileStatus& status);
  void FileDone(const std::string& path, std::int64_t size);
  void PurgeSubfolders(const platform::FolderHandle& folder, const support::FileMatcher& files,
                       const FolderEntries& entries, int depth);
  bool FolderIsEmpty(const platform::Folder& folder);
  // The failure's message, naming the folder or file it happened to.
  void ReportWalkError(int number, const std::string& path);
  // The line of a file whose purge `error` broke off.
  void FinishInterruptedLine(const std::string& name, const std::exception_ptr& error,
                             const engine::PurgeNotes& notes = {});
  void CutAfterSizeMark();

  // --- files in flight (TreePurge.cpp)
  class PurgeDriver;
  struct PendingFile;
  engine::PurgePipeline& Pipeline();
  // Every file handed over is done and shown; a stop that came meanwhile has ended the waiting ones.
  void FinishPending();
  // A question comes only after every earlier file is done and shown, and not after a stop; false: stopped.
  bool ReadyForQuestion();
  // Report text that follows every file handed over before it.
  void Then(std::function<void()> step);
  void BeginFileLine(const std::string& name);
  void StartPasses(const platform::FolderHandle& folder, const std::string& name,
                   const std::string& extension, std::int64_t size, double byteRate, const std::string& drive,
                   const platform::FileStatus& status, bool lineBegun);
  void ShowPendingFile(PendingFile& file);
  // Writes random names over the entries that the files deleted from the folder left, once its files are
  // done; an empty file made for that which could not be removed again is named in the report.
  void FillFreedEntries(const platform::FolderHandle& folder);
  // A failure outside the passes: shown after the lines of every file before it.
  void WalkError(int number, const std::string& folder);

  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
  platform::Clock& clock_;
  support::OperationState& state_;
  engine::PurgeEngine& engine_;
  dialogs::TypeOfPurgeDialog& typeOfPurge_;
  dialogs::PurgeConfirmationDialog& confirmation_;
  ReportHost& host_;

  bool visible_ = false;
  // While the summary is written: it goes into the report even when the file lines filled it.
  bool writingSummary_ = false;
  int frontRequests_ = 0;
  std::string runFolder_;
  std::size_t sizeMarkEnd_ = std::string::npos;
  // Passes written over the file being purged, for the report line of a file left part way.
  int passesDone_ = 0;
  // The line break a stop puts after the file it ends, written once in a run.
  bool stopBreakWritten_ = false;
  // The name of the file the walk is at is in the report already.
  bool walkLineBegun_ = false;
  std::unique_ptr<PurgeDriver> purgeDriver_;
  CountedFolders counted_;
  engine::RunPipeline pipeline_{engine_};
  // The names of the files deleted from each folder of the run whose freed entries are not yet filled.
  std::map<const platform::Folder*, std::vector<std::string>> freedNames_;
  platform::RandomStream random_;
};

// A folder path as the walks use it: exactly one trailing separator (and an upper-case drive letter where
// paths have one).
std::string NormaliseFolderPath(std::string path);

}  // namespace nulvane::report
