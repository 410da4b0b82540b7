#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/PurgePipeline.h"
#include "platform/Controls.h"
#include "platform/Folder.h"
#include "platform/RandomStream.h"

namespace nulvane::platform {
class FileSystem;
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
class SelectSubfoldersDialog;
}  // namespace nulvane::dialogs

namespace nulvane::mainwindow {

// Where folder mode shows its progress and results: labels of the window that runs it.
struct FolderPurgeLabels {
  platform::Label& topLevelFolder;  // lblTopLevelFolder
  platform::Label& message;         // lblPurgeFoldersMessage: the progress line
  platform::Label& largeMessage;    // lblLargePurgeMessage: the interrupt hint, then the result
  platform::Label& subfolders;      // lblSubdirectories2: what is being purged
};

// What folder mode needs of the window that runs it.
class FolderPurgeHost {
 public:
  virtual ~FolderPurgeHost() = default;
  // Disables (or enables again) every command that could start a second run.
  virtual void SetRunning(bool running) = 0;
  virtual FolderPurgeLabels FolderPurgeLabelsOf() = 0;
  virtual void Repaint() = 0;
  // Before the purge is confirmed: the warning for a volume where overwriting in place cannot reach every
  // copy of the data. False when the user declined it.
  virtual bool ConfirmResidue(const std::string& folder, const std::string& title) = 0;
  // After a purge pass that purged files: the free-space purge that the warning offered.
  virtual void OfferFreeSpacePurges() = 0;
};

// Folder mode: purges whole subfolders of a top folder (operation state strTopLevelFolder) that the user
// checks in the subfolder selection dialog, every file in them and below them, and removes the folders
// that become empty. Files directly in the top folder are never touched.
//
// The walk holds the top folder from the counting pass to the end of the purge pass and opens each
// subfolder relative to its parent, and uses the engine's single-file purge like every other purge: links,
// mounts and subvolumes inside are never entered, only regular files are purged, and the program's folder,
// active swap files and files with other names are recognised by identity.
class FolderPurge {
 public:
  static constexpr const char* kTitle = "Purge folders";

  FolderPurge(FolderPurgeHost& host, platform::FileSystem& fileSystem, platform::Ui& ui,
              support::OperationState& state, engine::PurgeEngine& engine,
              dialogs::TypeOfPurgeDialog& typeOfPurge, dialogs::SelectSubfoldersDialog& selectSubfolders);
  ~FolderPurge();

  // Where the files are overwritten: the program's worker threads, several files of a folder at once.
  // Without one (or with null) each pass runs inline, one file after another.
  void UsePassExecutor(engine::PassExecutor* executor);

  // The warnings, the selection, the summary, the counting pass, the purge pass and the result, for the
  // top folder in the operation state.
  void PurgeFolders();
  // Shows the selection dialog; an accepted selection replaces strSelectedFolders.
  void ChooseSubfolders(const std::string& topFolder, const std::string& caption);
  // Counts (blnCountingOnly) or purges the held folder and walks its selected subfolders, each opened
  // relative to it; `intSelectedFolders` is 1: only the selected subfolders of the top folder (depth 0),
  // and everything below them, are walked.
  void PurgeTreeRecursive2(const platform::FolderHandle& folder, int intSelectedFolders,
                           const std::string& strCaption, int depth = 0);

  // "Windows" drive-letter paths only: the first fixed drive from C: on ("C:"), empty when there is none.
  std::string FirstFixedVolume();
  bool IsOnFirstFixedVolume(const std::string& path);

 private:
  class PurgeDriver;
  struct PendingFile;

  bool ConfirmWarnings();
  std::string SummaryText() const;
  // "The selected folder is T" ... "are " for `files` files.
  std::string ProgressCaption(std::int32_t files) const;
  void ShowFailureSummary();
  void ShowResult();
  // False when the user chose to stop at the F10 question (the stop request stays set).
  bool AskToGoOn(const std::string& progress, const std::string& title);
  bool IsSelected(const std::string& subfolder) const;
  // The program's folder and the swap files are never counted nor purged.
  bool IsSkipped(const std::string& path, int protection);
  // The files of one folder, several at a time; returns once each of them is done and counted.
  void PurgeFiles(const std::string& folder, const std::vector<std::string>& files, const std::string& title);
  engine::PurgePipeline& Pipeline();
  // A question waits until no pass is running.
  bool AskToGoOnQuietly(const std::string& progress, const std::string& title);
  void Finished(PendingFile& file);
  // The user ended the run at a question.
  void Cancel();
  // Removes the emptied subfolder `name` of `parent` while that name still names `folder`.
  void RemoveIfEmpty(const platform::Folder& parent, const std::string& name, const platform::Folder& folder);
  bool IsGone(const platform::Folder& folder, const std::string& name);
  // The rest of a folder's files, left as they are after an error.
  void AbandonFolder(std::size_t files);
  // The files of a folder and everything below it, passed over with the failed folder above it.
  void AbandonTree(const platform::FolderHandle& folder, int depth);
  void ShowError(const std::string& path, const std::string& description);

  FolderPurgeHost& host_;
  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
  support::OperationState& state_;
  engine::PurgeEngine& engine_;
  dialogs::TypeOfPurgeDialog& typeOfPurge_;
  dialogs::SelectSubfoldersDialog& dialog_;
  std::string firstFixedVolume_;

  // The top folder, opened once for the counting pass and the purge pass of a run.
  platform::FolderHandle topFolder_;
  std::unique_ptr<PurgeDriver> purgeDriver_;
  engine::RunPipeline pipeline_{engine_};
  std::string title_;
  // The user chose to end the run (Cancel at a question): files waiting for a pass end where they are.
  bool cancelled_ = false;
  // A file failed in a way that ends its folder: the walk leaves the folder's other files alone.
  bool abandoned_ = false;
  // The names of the files deleted from the folder being purged, whose freed entries are filled once its
  // files are done; and the files of the run deleted under their own names (their drive renames none
  // without the risk of replacing another file).
  std::vector<std::string> freedNames_;
  std::int32_t namesKept_ = 0;
  platform::RandomStream random_;
};

// On this platform the operating system's folders and the programs' folders take the place of the
// "Windows" and "Program Files" folders of the warnings: true when the folder (no trailing separator
// needed) is, or lies inside, one of /bin, /boot, /etc, /lib*, /sbin, /usr or /var (the programs' folder
// /usr/local excepted).
bool IsOperatingSystemFolder(const std::string& folder);
// True for /opt and /usr/local themselves.
bool IsProgramsFolder(const std::string& folder);

}  // namespace nulvane::mainwindow
