#include "mainwindow/FolderPurge.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <new>

#include "dialogs/SelectSubfoldersDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/NameHiding.h"
#include "engine/Overwriter.h"
#include "engine/PassExecutor.h"
#include "engine/PurgeEngine.h"
#include "engine/PurgePipeline.h"
#include "engine/PurgeResult.h"
#include "platform/FileSystem.h"
#include "platform/PlatformError.h"
#include "platform/Ui.h"
#include "support/Drive.h"
#include "support/Format.h"
#include "support/Locale.h"
#include "support/Match.h"
#include "support/OperationState.h"

namespace nulvane::mainwindow {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using platform::kPathSeparator;

namespace {

constexpr const char* kGoOnQuestion = "Click 'OK' to continue, or 'Cancel' to terminate this operation.";
constexpr int kPageSize = 11;
constexpr std::int32_t kDarkRed = 0x000080;
constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr std::size_t kSummaryEntries = 6;

std::string WithoutTrailingSeparators(std::string path) {
  support::StripTrailingBackslashes(path);
  return path;
}

bool IsOrLiesIn(const std::string& path, const std::string& folder) {
  return path == folder || path.starts_with(folder + kPathSeparator);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void CountUp(std::int16_t& counter) {
  if (counter < INT16_MAX) ++counter;
}

bool InUseOrProtected(std::int16_t code) {
  return code == engine::kCannotOpenForWriting || code == engine::kInUseDuringPurge || code > 0;
}

}  // namespace

bool IsOperatingSystemFolder(const std::string& folder) {
  const std::string path = WithoutTrailingSeparators(folder);
  if (IsOrLiesIn(path, "/usr/local")) return false;
  for (const char* system : {"/bin", "/boot", "/etc", "/sbin", "/usr", "/var"}) {
    if (IsOrLiesIn(path, system)) return true;
  }
  // /lib, /lib32, /lib64, /libx32 ...
  const std::string first = path.substr(0, path.find(kPathSeparator, 1));
  return first.starts_with("/lib");
}

bool IsProgramsFolder(const std::string& folder) {
  const std::string path = WithoutTrailingSeparators(folder);
  return path == "/opt" || path == "/usr/local";
}

// One file of the purge pass on its way through its passes.
struct FolderPurge::PendingFile : engine::PurgePipeline::File {
  std::string path;
  std::string folder;
  platform::FolderHandle held;  // the folder that holds it, and its name there
  std::string name;
  bool clean = true;    // every pass that came back purged
  bool failed = false;  // a pass failed and the user was told
};

// Folder mode's side of the files in flight: F10 and the failure question after a pass, asked in walk
// order with no pass running.
class FolderPurge::PurgeDriver final : public engine::PurgePipeline::Driver {
 public:
  using Next = engine::PurgePipeline::Next;

  explicit PurgeDriver(FolderPurge& owner) : owner_(owner) {}

  Next AfterPass(engine::PurgePipeline::File& base) override {
    auto& file = static_cast<PendingFile&>(base);
    if (file.error) return Next::Block;
    file.clean = file.clean && file.code == engine::kPurged;
    // F10 is answered after the pass it came in, before anything else.
    if (owner_.state_.blnStop && !owner_.cancelled_) return Next::Ask;
    // The file is in use (nothing was written, or the writing stopped when another program opened it), or
    // it gained another name since it was looked at: passed over without a question, as a file that cannot
    // be opened. A further pass would not change that.
    if (InUseOrProtected(file.code)) return Next::End;
    if (file.code < 0) return Next::Ask;
    return Next::Pass;
  }
  bool MayStart() override { return !owner_.state_.blnStop && !owner_.cancelled_; }
  bool Stopping() override { return owner_.cancelled_; }
  void Show(engine::PurgePipeline::File& file) override {
    if (file.ended) owner_.Finished(static_cast<PendingFile&>(file));
  }
  Next Ask(engine::PurgePipeline::File& base) override {
    auto& file = static_cast<PendingFile&>(base);
    support::OperationState& s = owner_.state_;
    if (s.blnStop && !owner_.AskToGoOn("", owner_.title_)) {
      owner_.Cancel();
      return Next::End;
    }
    if (InUseOrProtected(file.code)) return Next::End;
    if (file.code < 0) {
      file.failed = true;
      // A file renamed to hide its name and then not deleted is named as it is now too, so it can be found.
      const std::string renamed =
          file.notes.renamedTo.empty()
              ? std::string()
              : "\r\nIt is now named " + support::DisplayName(file.notes.renamedTo) + ".";
      const std::string text = (file.code == engine::kNotDeleted
                                    ? std::string("File deletion error.  File (shown below) may be hidden.")
                                    : "An error (" + std::to_string(file.code) + ") has been reported.") +
                               "\r\n" + support::DisplayName(file.path) + renamed + "\r\n" + kGoOnQuestion;
      if (owner_.ui_.Message(owner_.title_, text, Buttons::OkCancel, Icon::None) != Answer::Ok) {
        s.blnStop = true;
        owner_.Cancel();
        return Next::End;
      }
    }
    return Next::Pass;
  }
  void Yield() override { owner_.ui_.Yield(); }
  void Idle() override {
    // F10 came while files waited for their next pass: the question, now that none is running.
    if (owner_.state_.blnStop && !owner_.cancelled_) {
      if (!owner_.AskToGoOn("", owner_.title_)) owner_.Cancel();
      return;
    }
    owner_.ui_.Wait(10);
  }

 private:
  FolderPurge& owner_;
};

FolderPurge::FolderPurge(FolderPurgeHost& host, platform::FileSystem& fileSystem, platform::Ui& ui,
                         support::OperationState& state, engine::PurgeEngine& engine,
                         dialogs::TypeOfPurgeDialog& typeOfPurge,
                         dialogs::SelectSubfoldersDialog& selectSubfolders)
    : host_(host),
      fileSystem_(fileSystem),
      ui_(ui),
      state_(state),
      engine_(engine),
      typeOfPurge_(typeOfPurge),
      dialog_(selectSubfolders) {}

FolderPurge::~FolderPurge() = default;

void FolderPurge::UsePassExecutor(engine::PassExecutor* executor) {
  pipeline_.UseExecutor(executor);
}

engine::PurgePipeline& FolderPurge::Pipeline() {
  if (!purgeDriver_) purgeDriver_ = std::make_unique<PurgeDriver>(*this);
  return pipeline_.Get(*purgeDriver_);
}

void FolderPurge::Cancel() {
  cancelled_ = true;
  host_.FolderPurgeLabelsOf().message.caption.clear();
}

void FolderPurge::PurgeFolders() {
  support::OperationState& s = state_;
  support::EnsureTrailingBackslash(s.strTopLevelFolder);
  const std::string top = s.strTopLevelFolder;
  const std::string title = kTitle;
  FolderPurgeLabels labels = host_.FolderPurgeLabelsOf();

  if ((top.size() >= 10 && top.substr(3, 7) == "Windows") || IsOperatingSystemFolder(top)) {
    const std::string text = "You have selected the " + support::DisplayName(top) +
                             " folder!\r\n"
                             "This folder contains the files for the operating system for\r\n"
                             "the PC that you are using. Purging files in this folder\r\n"
                             "will may make your computer unbootable and unusable\r\n"
                             "unless you reinstall Windows.\r\n\r\n"
                             "Are you SURE that you wish to purge files\r\n"
                             "in some or all subfolders of this folder?";
    if (ui_.Message(title, text, Buttons::YesNo, Icon::None) != Answer::Yes) return;
  }

  ChooseSubfolders(top, "Select subfolders of " + support::DisplayName(top) + " to be purged.");
  if (!dialog_.blnFolderSelectionAccepted || s.intNumSelectedFolders == 0) {
    ui_.Message(title, "No subolders were selected.", Buttons::Ok, Icon::Information);
    return;
  }
  if (!ConfirmWarnings()) return;
  // Only the top folder's volume is walked: file systems mounted inside are never entered.
  if (!host_.ConfirmResidue(top, title)) return;

  labels.topLevelFolder.caption = support::DisplayName(top);
  host_.Repaint();
  const std::string summary = SummaryText();
  if (ui_.Message(
          title,
          summary +
              "\r\n\r\nClick 'OK' to begin purging the files in the selected folders\r\nor click 'Cancel' "
              "to terminate this operation.\r\n\r\nThe operation can be interrupted (and then "
              "stopped)\r\nby pressing the F10 key twice.",
          Buttons::OkCancel, Icon::None, Answer::Cancel) != Answer::Ok) {
    return;
  }

  // Counting pass.
  host_.SetRunning(true);
  s.blnStop = false;
  s.lngFilesToPurge = 0;
  s.lngFilesPurged = 0;
  s.intFilesNotDeleted = 0;
  s.intFoldersNotRemoved = 0;
  s.lngFilesNotPurged = 0;
  s.lngEntriesLeftAlone = 0;
  namesKept_ = 0;
  cancelled_ = false;
  // A run starts: the program's folder and the swap files are looked up afresh.
  engine_.InitSensitiveExtensions(0);
  firstFixedVolume_ = FirstFixedVolume();
  s.blnCountingOnly = true;
  // Held from the counting pass to the end of the purge pass: both work in the folder that was chosen,
  // wherever it hangs by then.
  struct Release {
    platform::FolderHandle& folder;
    ~Release() { folder.reset(); }
  } release{topFolder_};
  try {
    topFolder_ = fileSystem_.OpenFolder(top);
  } catch (const platform::PlatformError& error) {
    ShowError(top, error.description);
  } catch (const std::bad_alloc&) {
    ShowError(top, platform::ErrorFromErrno(ENOMEM).description);
  }
  if (topFolder_) PurgeTreeRecursive2(topFolder_, 1, title);
  if (s.blnStop) {
    labels.message.caption.clear();
    host_.SetRunning(false);
    return;
  }
  if (s.lngFilesToPurge == 0) {
    labels.message.caption.clear();
    ui_.Message(title, "There are no files in any of the selected folders.", Buttons::Ok, Icon::Information);
    host_.SetRunning(false);
    return;
  }

  labels.message.caption.clear();
  host_.Repaint();
  const std::string progress = ProgressCaption(s.lngFilesToPurge);
  if (ui_.Message(title, progress + "to be purged.\r\n\r\nClick 'OK' to continue or 'Cancel' to cancel.",
                  Buttons::OkCancel, Icon::None, Answer::Ok) != Answer::Ok) {
    labels.message.caption.clear();
    host_.SetRunning(false);
    return;
  }

  // Purge pass, confirmed: the workers start while the first folder is read.
  pipeline_.StartWorkers();
  labels.message.caption.clear();
  labels.subfolders.caption = progress + "being purged.";
  labels.subfolders.visible = true;
  labels.topLevelFolder.visible = false;
  labels.largeMessage.caption =
      "To interrupt this operation upon completion of the current file purge,\r\npress the F10 key twice and "
      "wait for the 'Cancel?' query.";
  host_.Repaint();
  s.blnStop = false;
  s.lngFilesPurged = 0;
  s.blnCountingOnly = false;
  cancelled_ = false;
  title_ = title;
  PurgeTreeRecursive2(topFolder_, 1, title);
  if (pipeline_) pipeline_->Finish();
  pipeline_.reset();
  labels.largeMessage.caption.clear();
  host_.Repaint();

  ShowFailureSummary();
  labels.message.caption.clear();
  ShowResult();
  host_.SetRunning(false);
  if (s.lngFilesPurged > s.lngFilesNotPurged) host_.OfferFreeSpacePurges();
}

void FolderPurge::ChooseSubfolders(const std::string& topFolder, const std::string& caption) {
  support::OperationState& s = state_;
  dialogs::SelectSubfoldersDialog& dialog = dialog_;
  dialog.blnFolderSelectionAccepted = false;
  dialog.strCaption = caption;
  dialog.strTopFolder = topFolder;
  dialog.intMaxNumCheckboxes = kPageSize;
  dialog.lngBackColor = kDarkRed;
  dialog.lngLabelForeColor = kWhite;
  if (s.strLastSelectionTopFolder != topFolder) {
    s.strSelectedFolders.clear();
    s.intNumSelectedFolders = 0;
  }
  dialog.strFoldersPassedToSelectFoldersForm.clear();
  for (const std::string& entry : s.strSelectedFolders) {
    if (entry.starts_with(topFolder))
      dialog.strFoldersPassedToSelectFoldersForm.push_back(entry.substr(topFolder.size()));
  }
  dialog.blnOmitTotalFilesize = false;
  ui_.ShowModal(dialog);
  if (!dialog.blnFolderSelectionAccepted) {
    ui_.Message("Folder selection", "Selection cancelled.", Buttons::Ok, Icon::Information);
    return;
  }
  s.strLastSelectionTopFolder = topFolder;
  s.strSelectedFolders.clear();
  for (const std::string& name : dialog.strFoldersReturnedFromSelectFoldersForm) {
    if (!name.empty()) s.strSelectedFolders.push_back(topFolder + name);
  }
  s.intNumSelectedFolders =
      static_cast<std::int16_t>(std::min<std::size_t>(s.strSelectedFolders.size(), INT16_MAX));
}

bool FolderPurge::ConfirmWarnings() {
  const std::vector<std::string>& selected = state_.strSelectedFolders;
  const std::string& top = state_.strTopLevelFolder;
  const std::string drive = top.empty() ? std::string() : top.substr(0, 1);
  const std::string sep(1, kPathSeparator);
  const auto warn = [&](auto matches, const std::string& body) {
    for (const std::string& entry : selected) {
      if (!matches(entry)) continue;
      return ui_.Message(kTitle,
                         "You have included the " + support::DisplayName(entry) + " folder!\r\n" + body,
                         Buttons::YesNo, Icon::None) == Answer::Yes;
    }
    return true;
  };
  const std::string sure =
      "\r\n\r\nAre you SURE that you wish to purge all files in that folder (and its subfolders)?";
  const std::string programs =
      "This folder normally contains many files allowing execution of installed programs.\r\nIf you delete "
      "these "
      "files then you won't be able to run these programs." +
      sure;
  return warn(
             [&](const std::string& entry) {
               return Upper(entry.substr(0, 10)) == Upper(drive + ":" + sep + "WINDOWS") ||
                      IsOperatingSystemFolder(entry);
             },
             "If this folder contains the files for the operating system for\r\nthe PC that you are using "
             "then "
             "purging the files in this folder\r\nwill almost certainly make your computer unbootable and "
             "unusable\r\nunless you reinstall Windows." +
                 sure) &&
         warn(
             [&](const std::string& entry) {
               return support::LowerCase(entry) == support::LowerCase(drive + ":" + sep + "program files") ||
                      IsProgramsFolder(entry);
             },
             programs) &&
         warn(
             [&](const std::string& entry) {
               return support::LowerCase(entry) ==
                      support::LowerCase(drive + ":" + sep + "program files (x86)");
             },
             programs);
}

std::string FolderPurge::SummaryText() const {
  const std::vector<std::string>& selected = state_.strSelectedFolders;
  std::string text;
  if (selected.size() == 1) {
    text = "One folder will be purged:";
    const std::string entry = support::DisplayName(selected[0]);
    text += support::CharacterCount(entry) >= 40 ? "\r\n" : " ";
    text += entry;
  } else {
    text = support::NumberInWords(static_cast<std::int32_t>(selected.size())) + " folders will be purged:";
    for (std::size_t i = 0; i < selected.size() && i < kSummaryEntries; ++i)
      text += "\r\n" + support::DisplayName(selected[i]);
    if (selected.size() > kSummaryEntries) {
      text += "\r\nand " + std::to_string(selected.size() - kSummaryEntries) + " more.";
    }
  }
  text += "\r\n\r\nThe total size of the files to be purged is " +
          std::string(dialog_.blnOver ? "over " : "") +
          support::FormatSizeGB(dialog_.dblTotalBytesSelected, 1) + ".";
  if (dialog_.blnOver) {
    text +=
        "\r\nNote that not all files in each folder were checked for size\r\nso the actual total size may be "
        "MUCH greater than this.";
  }
  if (state_.lngOnlyBeforeThisJDN != support::kNoDateRestriction) {
    text +=
        "\r\n\r\nNote also that THE CURRENT DATE RESTRICTION DOES NOT APPLY\r\nwhen purging folders.  ALL "
        "files "
        "in the selected subfolders\r\n(and their subfolders) will be purged regardless of date.";
  }
  return text;
}

std::string FolderPurge::ProgressCaption(std::int32_t files) const {
  std::string text = "The selected folder is " + support::DisplayName(state_.strTopLevelFolder) + "\r\n\r\n";
  if (files == 1) {
    text += "One file in ";
  } else if (files > 21) {
    text += std::to_string(files) + " files in ";
  } else {
    text += support::NumberInWords(files) + " files in ";
  }
  const std::int16_t subfolders = state_.intNumSelectedFolders;
  text += subfolders == 1 ? "one subfolder " : support::NumberInWords(subfolders) + " subfolders ";
  text += files == 1 ? "is " : "are ";
  return text;
}

void FolderPurge::ShowFailureSummary() {
  const support::OperationState& s = state_;
  std::string text;
  const std::string files = std::to_string(s.intFilesNotDeleted);
  const std::string folders = std::to_string(s.intFoldersNotRemoved);
  if (s.intFilesNotDeleted > 0 && s.intFoldersNotRemoved > 0) {
    text = files + " files could not be deleted\r\nand " + folders + " folders could not be removed.";
  } else if (s.intFilesNotDeleted > 0) {
    text = " " + files + " files could not be deleted.";
  } else if (s.intFoldersNotRemoved > 0) {
    text = " " + folders + " folders could not be removed.";
  }
  // Files that are still there, whatever kept them (in use, other names, a failed pass): the result line
  // below counts only the files that were purged.
  if (s.lngFilesNotPurged > 0) {
    if (!text.empty()) text += "\r\n";
    text += s.lngFilesNotPurged == 1
                ? "In all, one file was not purged."
                : "In all, " + std::to_string(s.lngFilesNotPurged) + " files were not purged.";
  }
  if (namesKept_ > 0) {
    if (!text.empty()) text += "\r\n";
    text += (namesKept_ == 1 ? std::string("One file was") : std::to_string(namesKept_) + " files were") +
            " deleted under their own names: their drive renames no file without the risk of replacing "
            "another one, so the names may stay in their folders.";
  }
  if (s.lngEntriesLeftAlone > 0) {
    if (!text.empty()) text += "\r\n";
    text += s.lngEntriesLeftAlone == 1
                ? "One entry that is not a file (a link, pipe, device or mount point) was left alone."
                : std::to_string(s.lngEntriesLeftAlone) +
                      " entries that are not files (links, pipes, devices, mount points) were left alone.";
  }
  if (!text.empty()) ui_.Message(kTitle, text, Buttons::Ok, Icon::Information);
}

void FolderPurge::ShowResult() {
  support::OperationState& s = state_;
  FolderPurgeLabels labels = host_.FolderPurgeLabelsOf();
  if (s.blnStop) {
    labels.largeMessage.caption = "The top folder was " + support::DisplayName(s.strTopLevelFolder) +
                                  "\r\nPurge of selected subfolders was stopped.";
    s.blnStop = false;
  } else {
    // Only what was purged: a file that is still there is not claimed.
    const std::int32_t purged = std::max<std::int32_t>(0, s.lngFilesPurged - s.lngFilesNotPurged);
    std::string text = ProgressCaption(purged);
    const std::string present = "The selected folder is ";
    text.replace(0, present.size(), "The selected folder was ");
    const std::size_t gap = text.find("\r\n\r\n");
    if (gap != std::string::npos) text.erase(gap, 2);
    text.erase(text.size() - (purged == 1 ? 3 : 4));  // "is " / "are "
    text += purged == 1 ? "has been purged." : "have been purged.";
    labels.largeMessage.caption = text;
  }
  host_.Repaint();
}

bool FolderPurge::AskToGoOn(const std::string& progress, const std::string& title) {
  if (ui_.Message(title, progress + kGoOnQuestion, Buttons::OkCancel, Icon::None) != Answer::Ok) return false;
  state_.blnStop = false;
  return true;
}

bool FolderPurge::IsSelected(const std::string& subfolder) const {
  for (const std::string& entry : state_.strSelectedFolders) {
    if (IsOrLiesIn(subfolder, entry)) return true;
  }
  return false;
}

std::string FolderPurge::FirstFixedVolume() {
  std::vector<platform::Volume> volumes;
  try {
    volumes = fileSystem_.Volumes();
  } catch (const std::exception&) {
    return {};
  }
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    for (const platform::Volume& volume : volumes) {
      const std::string& mount = volume.mountPoint;
      if (volume.type == platform::DriveType::Fixed && mount.size() >= 2 && mount[1] == ':' &&
          std::toupper(static_cast<unsigned char>(mount[0])) == letter) {
        return std::string(1, letter) + ":";
      }
    }
  }
  return {};
}

bool FolderPurge::IsOnFirstFixedVolume(const std::string& path) {
  return !firstFixedVolume_.empty() && path.size() >= 2 && Upper(path.substr(0, 2)) == firstFixedVolume_;
}

bool FolderPurge::IsSkipped(const std::string& path, int protection) {
  if (protection == engine::kInProgramFolder || protection == engine::kPageFile) return true;
  const std::string extension = support::ExtensionOf(path, true);
  return (extension == "sys" || extension == "swp") && IsOnFirstFixedVolume(path);
}

bool FolderPurge::IsGone(const platform::Folder& folder, const std::string& name) {
  try {
    return fileSystem_.StatusAt(folder, name).kind == platform::FileKind::Missing;
  } catch (const platform::PlatformError&) {
    return false;
  }
}

void FolderPurge::AbandonFolder(std::size_t files) {
  // These files stay as they are: handled, and not purged.
  if (state_.blnCountingOnly) return;
  state_.lngFilesPurged += static_cast<std::int32_t>(files);
  state_.lngFilesNotPurged += static_cast<std::int32_t>(files);
}

void FolderPurge::AbandonTree(const platform::FolderHandle& folder, int depth) {
  if (state_.blnCountingOnly) return;
  std::vector<platform::DirEntry> entries;
  try {
    entries = fileSystem_.List(*folder);
  } catch (const platform::PlatformError&) {
    return;  // nothing that can be counted
  } catch (const std::bad_alloc&) {
    return;
  }
  std::size_t files = 0;
  for (const platform::DirEntry& entry : entries) {
    if (entry.kind == platform::FileKind::Directory) {
      if (depth + 1 >= platform::kDeepestWalk) continue;
      try {
        AbandonTree(fileSystem_.OpenSubfolder(*folder, entry.name), depth + 1);
      } catch (const platform::PlatformError&) {
      }
    } else if (entry.kind == platform::FileKind::Regular) {
      // Counted as the counting pass counted it: the program's own files and swap files were never to be
      // purged, nor files bound onto a name.
      platform::FileStatus status;
      try {
        status = fileSystem_.StatusAt(*folder, entry.name);
      } catch (const platform::PlatformError&) {
      }
      if (status.kind == platform::FileKind::MountedFile) continue;
      const std::string path = folder->PathOf(entry.name);
      if (!IsSkipped(path, engine_.ClassifyProtectedFile(path, &status, folder.get()))) ++files;
    }
  }
  AbandonFolder(files);
}

void FolderPurge::ShowError(const std::string& path, const std::string& description) {
  ui_.Message("Error", support::DisplayName(path) + "\r\n" + description, Buttons::Ok, Icon::Warning);
}

void FolderPurge::RemoveIfEmpty(const platform::Folder& parent, const std::string& name,
                                const platform::Folder& folder) {
  try {
    // Anything left (a file that was not purged, a link, something new) keeps the folder; so does a folder
    // that cannot be read.
    if (!fileSystem_.List(folder).empty()) return;
    // Another folder given its name meanwhile is not ours to remove: it stays, and is counted as one that
    // could not be removed.
    if (!fileSystem_.RemoveFolderAt(parent, name, &folder.Identity())) CountUp(state_.intFoldersNotRemoved);
  } catch (const platform::PlatformError&) {
    if (!IsGone(parent, name)) CountUp(state_.intFoldersNotRemoved);
  }
}

bool FolderPurge::AskToGoOnQuietly(const std::string& progress, const std::string& title) {
  if (pipeline_) pipeline_->Quiesce();
  // A file that came back meanwhile may have had the question asked already.
  if (cancelled_) return false;
  if (!state_.blnStop) return true;
  if (AskToGoOn(progress, title)) return true;
  Cancel();
  return false;
}

void FolderPurge::Finished(PendingFile& file) {
  support::OperationState& s = state_;
  if (file.error) {
    std::string description;
    try {
      std::rethrow_exception(file.error);
    } catch (const engine::FailedAfterWriting& error) {
      description =
          error.description +
          "\r\nOverwriting it broke off part way, so it may be partly overwritten; it was not deleted.";
    } catch (const platform::PlatformError& error) {
      // A file removed by someone else since the listing is neither purged nor left behind.
      if (error.number == platform::kErrorFileNotFound && IsGone(*file.held, file.name)) return;
      description = error.description;
    } catch (const std::bad_alloc&) {
      description = platform::ErrorFromErrno(ENOMEM).description;
    }
    // The folder's files that were not handed over stay as they are; the walk counts them.
    ++s.lngFilesPurged;
    ++s.lngFilesNotPurged;
    abandoned_ = true;
    ShowError(file.path, description);
    return;
  }
  const bool purged = file.clean && file.passesBack == file.passes;
  if (purged) {
    freedNames_.push_back(file.name);
    if (file.notes.nameKept) ++namesKept_;
  }
  // A file renamed to hide its name stays under the name it has now.
  const std::string& nameNow = file.notes.renamedTo.empty() ? file.name : file.notes.renamedTo;
  if (file.failed && !IsGone(*file.held, nameNow)) CountUp(s.intFilesNotDeleted);
  ++s.lngFilesPurged;
  if (!purged) ++s.lngFilesNotPurged;
}

void FolderPurge::PurgeTreeRecursive2(const platform::FolderHandle& held, int intSelectedFolders,
                                      const std::string& strCaption, int depth) {
  support::OperationState& s = state_;
  if (s.blnStop) return;
  const std::string& folder = held->Path();
  const bool isTop = depth == 0;
  FolderPurgeLabels labels = host_.FolderPurgeLabelsOf();

  std::vector<std::string> files;
  std::vector<std::string> subfolders;
  try {
    for (platform::DirEntry& entry : fileSystem_.List(*held)) {
      if (entry.kind == platform::FileKind::Directory) {
        subfolders.push_back(std::move(entry.name));
      } else if (entry.kind == platform::FileKind::Regular) {
        files.push_back(std::move(entry.name));
      } else if (!isTop && !s.blnCountingOnly) {
        // Links, pipes, devices, mounts and subvolumes here are never entered or written.
        ++s.lngEntriesLeftAlone;
      }
    }
  } catch (const platform::PlatformError& error) {
    ShowError(folder, error.description);
    return;
  } catch (const std::bad_alloc&) {
    ShowError(folder, platform::ErrorFromErrno(ENOMEM).description);
    return;
  }

  std::string progress;  // the progress text last built at this level
  abandoned_ = false;
  // Its files all lie on the folder's drive: looked up once, not for each file.
  const std::string drive = isTop ? std::string() : support::DriveOf(fileSystem_, held->Path());
  freedNames_.clear();
  for (std::size_t i = 0; !isTop && i < files.size(); ++i) {
    if (pipeline_ && !pipeline_->Empty()) {
      pipeline_->Pump(std::chrono::milliseconds(0));
    } else {
      ui_.Yield();
    }
    // A file of this folder failed: the ones not yet handed over stay as they are.
    if (abandoned_) {
      AbandonFolder(files.size() - i);
      break;
    }
    if (cancelled_ || (s.blnStop && !AskToGoOnQuietly(progress, strCaption))) break;
    const std::string path = held->PathOf(files[i]);
    s.strCurrentFilePath = path;
    try {
      platform::FileStatus status;
      try {
        status = fileSystem_.StatusAt(*held, files[i]);
      } catch (const platform::PlatformError&) {
        status = {};
      }
      // Another file bound onto the name is not this folder's: left alone, as a mount point is.
      if (status.kind == platform::FileKind::MountedFile) {
        if (!s.blnCountingOnly) ++s.lngEntriesLeftAlone;
        continue;
      }
      const int protection = engine_.ClassifyProtectedFile(path, &status, held.get());
      if (IsSkipped(path, protection)) continue;
      if (s.blnCountingOnly) {
        ++s.lngFilesToPurge;
        if (s.lngFilesToPurge % 10 == 0) {
          labels.message.caption =
              "Now counting number of files to purge: " + std::to_string(s.lngFilesToPurge);
          host_.Repaint();
        }
        continue;
      }
      progress.clear();
      if (s.lngFilesPurged >= 2) {
        const double share = static_cast<double>(s.lngFilesPurged) * 100.0 / std::max(1, s.lngFilesToPurge);
        progress = support::FormatGrouped(s.lngFilesPurged, 0) + " files purged (" +
                   std::to_string(support::RoundHalfEven(share)) + "% of " +
                   support::FormatGrouped(s.lngFilesToPurge, 0) + "). ";
      }
      labels.message.caption =
          progress + "Now purging" + ":\r\n" + support::ShortenPath(support::DisplayName(path), 65);
      host_.Repaint();
      engine::PurgePipeline& pipeline = Pipeline();
      // Overwriting would change what the other names show, perhaps outside the chosen folders.
      if (protection == engine::kHasOtherNames) {
        pipeline.Then([&s] {
          ++s.lngFilesPurged;
          ++s.lngFilesNotPurged;
        });
        continue;
      }
      auto file = std::make_unique<PendingFile>();
      file->request =
          engine_.Request(held, files[i], typeOfPurge_.GetPurgeType(), 1, true, true, true, drive);
      if (status.kind == platform::FileKind::Regular) {
        file->request.device = status.device;
        file->request.inode = status.inode;
      }
      file->passes = typeOfPurge_.GetNumberOfPasses();
      file->brief =
          status.kind == platform::FileKind::Regular && status.size <= engine::PurgePipeline::kBriefFileBytes;
      file->path = path;
      file->folder = folder;
      file->held = held;
      file->name = files[i];
      pipeline.Add(std::move(file));
      pipeline.WaitForRoom();
    } catch (const platform::PlatformError& error) {
      if (pipeline_) pipeline_->Finish();
      if (abandoned_) break;
      // A file removed by someone else since the listing is neither purged nor left behind.
      if (error.number == platform::kErrorFileNotFound && IsGone(*held, files[i])) continue;
      AbandonFolder(files.size() - i);
      ShowError(path, error.description);
      abandoned_ = true;
      break;
    } catch (const std::bad_alloc&) {
      if (pipeline_) pipeline_->Finish();
      if (abandoned_) break;
      AbandonFolder(files.size() - i);
      ShowError(path, platform::ErrorFromErrno(ENOMEM).description);
      abandoned_ = true;
      break;
    }
  }
  // The folder's files are done and counted before its subfolders are walked or it is removed.
  if (pipeline_) pipeline_->Finish();
  // What their names left in the folder's entries is written over before anything else happens to it.
  for (const std::string& left : engine::FillFreedEntries(fileSystem_, random_, *held, freedNames_))
    ShowError(held->PathOf(left),
              "An empty file made to write over the names of the deleted files could not be deleted.");
  freedNames_.clear();
  if (abandoned_) {
    abandoned_ = false;
    // The subfolders are passed over with it, and their files stay as they are.
    for (const std::string& name : subfolders) {
      if (intSelectedFolders != 1 || IsSelected(held->PathOf(name))) {
        try {
          AbandonTree(fileSystem_.OpenSubfolder(*held, name), depth + 1);
        } catch (const platform::PlatformError&) {
        }
      }
    }
    return;
  }
  if (cancelled_) return;
  // F10 during the folder's last pass: asked as after any pass.
  if (!s.blnCountingOnly && s.blnStop && !AskToGoOnQuietly("", strCaption)) return;

  for (const std::string& name : subfolders) {
    const std::string subfolder = held->PathOf(name);
    if (intSelectedFolders != 1 || IsSelected(subfolder)) {
      platform::FolderHandle sub;
      try {
        // Each level holds its folder open: beyond what the walk may hold, the rest is not reached.
        if (depth + 1 >= platform::kDeepestWalk) platform::ThrowErrno(EMFILE);
        sub = fileSystem_.OpenSubfolder(*held, name);
      } catch (const platform::PlatformError& error) {
        if (error.number == platform::ErrorNumberFromErrno(EXDEV)) {
          // Mounted on since the folder above was listed: a border like any other.
          if (!s.blnCountingOnly) ++s.lngEntriesLeftAlone;
        } else if (error.number == platform::ErrorNumberFromErrno(EMFILE) ||
                   error.number == platform::ErrorNumberFromErrno(ENFILE)) {
          ShowError(subfolder, "Not reached: deeper than the folders the program can hold open.");
          if (!s.blnCountingOnly) CountUp(s.intFoldersNotRemoved);
        } else {
          ShowError(subfolder, error.description);
          if (!s.blnCountingOnly && !IsGone(*held, name)) CountUp(s.intFoldersNotRemoved);
        }
      }
      if (sub) {
        PurgeTreeRecursive2(sub, intSelectedFolders, strCaption, depth + 1);
        if (s.blnStop) return;
        if (!s.blnCountingOnly) RemoveIfEmpty(*held, name, *sub);
      }
    }
    ui_.Yield();
    if (s.blnStop && !AskToGoOn("", strCaption)) return;
  }
}

}  // namespace nulvane::mainwindow
