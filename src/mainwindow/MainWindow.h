#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "mainwindow/FolderPurge.h"
#include "mainwindow/SpeedTest.h"
#include "mainwindow/TextViewer.h"
#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "platform/Observable.h"
#include "platform/Random.h"
#include "platform/Ui.h"
#include "report/ReportHost.h"
#include "support/FileMatcher.h"
#include "support/OperationState.h"
#include "support/SetupFormat.h"

namespace nulvane::support {
class FolderServices;
class ProgramText;
}  // namespace nulvane::support

namespace nulvane::dialogs {
class TypeOfPurgeDialog;
class PurgeConfirmationDialog;
class DateInputDialog;
class SpecifyFilesDialog;
}  // namespace nulvane::dialogs

namespace nulvane::report {
class ReportWindow;
}  // namespace nulvane::report

namespace nulvane::mainwindow {

class FreeSpacePurge;
class ResidueWarning;

// What the main window works with; every object is created once by the program and outlives the window.
struct MainWindowParts {
  platform::FileSystem& fileSystem;
  platform::Ui& ui;
  platform::Random& random;
  support::ProgramText& programText;
  support::FolderServices& folders;
  support::OperationState& state;
  dialogs::TypeOfPurgeDialog& typeOfPurge;
  dialogs::PurgeConfirmationDialog& confirmation;
  dialogs::DateInputDialog& dateInput;
  dialogs::SpecifyFilesDialog& specifyFiles;
};

// The main window's logic: its controls, the operation state's behaviour and the commands behind its
// buttons. The view renders the controls and forwards the user's events to the handlers below.
class MainWindow : public platform::Observable,
                   public report::ReportHost,
                   public SpeedTestHost,
                   public FolderPurgeHost {
 public:
  explicit MainWindow(MainWindowParts parts);
  ~MainWindow() override = default;

  // The report window is built after the main window (it needs its host), then attached here.
  void AttachReportWindow(report::ReportWindow& report) { report_ = &report; }
  // The speed test needs the settings store, whose key comes from the program texts: it is attached once
  // start-up has loaded them.
  void AttachSpeedTest(SpeedTest& speedTest) { speedTest_ = &speedTest; }
  // Folder mode needs the engine and the subfolder selection dialog; it is attached once both exist.
  void AttachFolderPurge(FolderPurge& folderPurge) { folderPurge_ = &folderPurge; }
  // The warning before purges where overwriting cannot reach every copy, and the free-space purge that it
  // offers afterwards; they need the settings store and the speed test, so they are attached with them.
  void AttachFreeSpacePurge(ResidueWarning& warning, FreeSpacePurge& freeSpace) {
    residueWarning_ = &warning;
    freeSpace_ = &freeSpace;
  }

  // Loads the program texts, sets everything to its defaults and, unless `loadNextRunSetup` is false (the
  // command line, which starts from the defaults it documents), the setup kept for the next run. False when
  // the program text cannot be loaded: the message has been shown and the program must end.
  bool Startup(bool loadNextRunSetup = true);

  void InitOperationState();
  void UpdateTargetLabels();
  void UpdateSubfolderLabels();
  void UpdateDateRestrictionLabel();
  void EnableMenu(bool enabled) override;
  void ShowTargetRows(bool visible) override;
  // True when the file is excluded by the date restriction (the reason has been shown).
  bool CheckSingleFileDate(const std::string& path, const std::string& title);
  bool SatisfiesFilespecAndDateRestriction(const std::string& filePath, const std::string& filespec,
                                           bool caseSensitive, std::int32_t onlyBeforeThisJdn);

  // Commands. Buttons act on the release of the mouse button.
  void cmdSpecifyDirectory_Release(int index);
  void cmdSpecifyFiles_Release();
  // What accepting the file specification dialog does, for files named elsewhere: the command line's
  // patterns or a setup's specification. False when the folder holds nothing they could match (the message
  // has been shown) or cannot be read.
  bool SpecifyFiles(const support::FileMatcher& files);
  void cmdSingleFile_Release();
  void cmdSubdirectories_Release();
  void cmdClear_Click();
  void cmdOnlyBefore_Release();
  void cmdTypeOfPurge_Release();
  void cmdProcessFiles_Release(int index);
  void cmdTestPurgeSpeed_Click();
  void cmdPurgeFreeSpace_Click();
  void cmdReportScreen_Release();
  void cmdSetup_Release();
  void cmdHelp_Release();
  void cmdQuit_Release();
  void lblOnlineDocumentation_Click();

  // Items given to the window from outside (its command line, a drop, a file manager's menu): one file or
  // one folder becomes the target exactly as "Single file" or "Specify folder" makes it, questions
  // included; several items, a link, or anything else are refused with a message. Nothing is purged here:
  // "Purge files" still asks as always. True when the target was taken.
  bool TakeGivenPaths(const std::vector<std::string>& paths);
  // False while a run, a panel or another command has the window; the view then refuses drops.
  bool AcceptsGivenPaths() const;
  // The setup panel and the saving panel.
  void cmdSaveSetup_Click();
  void cmdLoadSetup_Click();
  void cmdClearSetup_Click();
  void cmdRestoreSetup_Click();
  void cmdKeepSetup_Click();
  void cmdSaveSetupAsOperationFile_Click();
  void cmdSaveSetupForNextRun_Click();
  void cmdDontSaveSetup_Click();
  // The window's close box: ends the program whatever the click guard says.
  void CloseRequested();

  // Setups: the file kept for the next run and operation files. LoadSetup is true when all fifteen values
  // were read and taken; otherwise the target, subfolder setting and type of purge are the defaults.
  // SaveSetup never leaves a half-written file: the old one stays until the new one is complete.
  bool LoadSetup(const std::string& path);
  bool SaveSetup(const std::string& chosenPath);
  void TakeRestoreSnapshot();
  void CloseSetupPanel();

  // Help: the help file in the text viewer, and a web address (or a file:// one) in its default program.
  void ShowHelp();
  void OpenWebPage(const std::string& address);

  // The one-second timer that ends the click guard; the view calls it when its timer fires.
  void Clock2Tick();
  // The pointer entered a control (named as its member, arrays as "cmdProcessFiles(1)").
  void MouseOver(const std::string& controlName);
  void KeyReleased(int keyCode);

  // Controls, captions as at start.
  std::array<platform::Button, 2> cmdSpecifyDirectory{platform::Button{"Specify folder"},
                                                      platform::Button{"Purge folders"}};
  platform::Button cmdSpecifyFiles{"Specify files"};
  platform::Button cmdSingleFile{"Single file"};
  platform::Button cmdSubdirectories{"Subfolders?"};
  platform::Button cmdClear{"Clear"};
  platform::Button cmdOnlyBefore{"Only files before ..."};
  platform::Button cmdTypeOfPurge{"Type of purge"};
  // Index 1 purges, index 2 lists; index 0 does not exist.
  std::array<platform::Button, 3> cmdProcessFiles{platform::Button{"", false},
                                                  platform::Button{"Purge files"},
                                                  platform::Button{"List and estimate time"}};
  platform::Button cmdTestPurgeSpeed{"Test purge speed"};
  platform::Button cmdPurgeFreeSpace{"Purge free space"};
  platform::Button cmdReportScreen{"Report"};
  platform::Button cmdSetup{"Setup"};
  platform::Button cmdHelp{"Help"};
  platform::Button cmdQuit{"Quit"};
  bool fraMenuEnabled = true;

  bool fraSetupVisible = false;
  bool fraSetupEnabled = true;
  platform::Button cmdLoadSetup{"Load setup"};
  platform::Button cmdSaveSetup{"Save setup"};
  platform::Button cmdClearSetup{"Clear setup"};
  platform::Button cmdRestoreSetup{"Restore setup"};
  platform::Button cmdKeepSetup{"Not now"};
  bool picSaveSetupVisible = false;
  platform::Button cmdSaveSetupAsOperationFile{"Save setup as operation file"};
  platform::Button cmdSaveSetupForNextRun{"Save setup for next run"};
  platform::Button cmdDontSaveSetup{"Not now"};

  platform::Label lblDirectory;
  platform::Label lblFiles;
  platform::Label lblFiles2;
  platform::Label lblSubdirectories;
  platform::Label lblSubdirectories2;
  platform::Label lblSingleFile;
  platform::Label lblDateRestriction;
  platform::Label lblEstimatedTime;
  platform::Label lblLargePurgeMessage;
  platform::Label lblTypeOfPurge;
  platform::Label lblPurgeSpeed;
  platform::Label lblSetupFilename;
  platform::Label lblTopLevelFolder;
  platform::Label lblPurgeFoldersMessage;
  platform::Label lblOnlineDocumentation{"Online user manual"};
  // frmView, the text viewer that shows the help file.
  TextViewer frmView;

  std::string caption = "Nulvane";
  // Clock2: enabled at start so that the click guard also ends a second after start-up.
  bool clock2Enabled = true;
  // The control that has (or is to get) the keyboard focus; each new request counts up focusRequests so
  // that the view moves the focus once per request.
  std::string focusedControl;
  int focusRequests = 0;
  bool quitRequested = false;
  // Called when the program is to end; the view closes every window.
  std::function<void()> onQuit;

  // False while the main window steps aside for the per-file confirmation of a purge.
  bool windowVisible = true;
  // The question of the purge confirmation dialog, built before it opens.
  std::string strConfirmationText;

  // report::ReportHost
  std::string DirectoryCaption() const override;
  std::string FilesCaption() const override;
  std::string TypeOfPurgeCaption() const override;
  void SetEstimatedTimeCaption(const std::string& text) override;
  void HideMainWindow() override;
  void ShowMainWindow() override;

  // SpeedTestHost (also SetEstimatedTimeCaption, EnableMenu and ShowTargetRows above)
  void SetPurgeSpeedCaption(const std::string& caption, bool bold) override;
  void SetLargePurgeMessageCaption(const std::string& caption) override;
  void Repaint() override { NotifyChanged(); }

  // FolderPurgeHost (also Repaint above)
  void SetRunning(bool running) override;
  bool ConfirmResidue(const std::string& folder, const std::string& title) override;
  // The free-space purges that the residue warning promised, once the purge has ended.
  void OfferFreeSpacePurges() override;
  FolderPurgeLabels FolderPurgeLabelsOf() override {
    return {lblTopLevelFolder, lblPurgeFoldersMessage, lblLargePurgeMessage, lblSubdirectories2};
  }

  // Texts taken from the program text store at start-up.
  std::string strOnlineManualAddress;
  std::string strProgramName;
  std::string strMakerFolderName;
  // Line 1 of the setup files this program writes.
  std::string strVersionText;

 protected:
  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
  platform::Random& random_;
  support::ProgramText& programText_;
  support::FolderServices& folders_;
  support::OperationState& state_;
  dialogs::TypeOfPurgeDialog& typeOfPurge_;
  dialogs::PurgeConfirmationDialog& confirmation_;
  dialogs::DateInputDialog& dateInput_;
  dialogs::SpecifyFilesDialog& specifyFiles_;
  report::ReportWindow* report_ = nullptr;
  SpeedTest* speedTest_ = nullptr;
  FolderPurge* folderPurge_ = nullptr;
  ResidueWarning* residueWarning_ = nullptr;
  FreeSpacePurge* freeSpace_ = nullptr;

 private:
  void cmdPurgeFolders();
  bool DriveAccessible(const std::string& folder);
  bool ReportWindowVisible() const;
  bool TargetSpecified() const;
  bool IsDriveRoot(const std::string& folder);
  void OfferFolderDeletion(const std::string& folder);
  // The chosen folder is gone: the labels stop naming it.
  void TargetFolderDeleted();
  void CountFilesToPurge();
  // False when the command ended before the confirmation (the user declined the residue warning).
  bool RunPurge();
  bool BuildConfirmationTexts(std::int32_t count);
  void RunListing();
  void FocusAfterRun(const std::string& button);
  void StartClickGuard();
  void SetFocus(const std::string& controlName);
  void NotAvailableYet(const std::string& title);
  void RefreshTypeOfPurgeLabel();
  bool ShowsNotSpecified(const platform::Label& label) const;
  std::string SingleFileEstimate(const std::string& path, const std::string& drive);
  // The shared parts of "Single file" and "Specify folder" once the user has named the file or folder.
  bool TakeSingleFile(const std::string& chosenPath);
  void PrepareFolderChoice();
  void TakeFolder(std::string path);
  bool CheckFolderContents(const support::FileMatcher& matcher);
  // The files of the target: the file specification, or the command line's patterns.
  support::FileMatcher Files() const { return {state_.strFilespec, state_.strShellPatterns}; }
  support::SetupValues CurrentSetup();
  bool ApplySetupTarget(const support::SetupValues& values);
  std::string ReadSetupFile(const std::string& chosenPath, bool& read);
  // The file a setup path stands for: the path itself, or the file a link there leads to; empty when the
  // link leads nowhere or, as root, may not be followed.
  std::string SetupFileBehind(const std::string& path);
  // A path from a file dialog with its folder resolved once; the name stays as chosen.
  std::string ChosenFilePath(const std::string& path);
  void AfterSetupFileDialog();

  bool takingGivenPaths_ = false;
  // Volumes whose free space is to be offered for purging when the current command ends.
  std::vector<std::string> freeSpaceOffers_;
};

}  // namespace nulvane::mainwindow
