#pragma once

#include <memory>
#include <vector>

#include "dialogs/DateInputDialog.h"
#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/SelectSubfoldersDialog.h"
#include "dialogs/SpecifyFilesDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/ClusterSizeTable.h"
#include "engine/PassPool.h"
#include "engine/PurgeEngine.h"
#include "mainwindow/DriveDialog.h"
#include "mainwindow/FolderPurge.h"
#include "mainwindow/FreeSpacePurge.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ResidueWarning.h"
#include "mainwindow/SpeedTest.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Random.h"
#include "platform/SettingsBackend.h"
#include "report/ReportWindow.h"
#include "support/FolderServices.h"
#include "support/OperationState.h"
#include "support/ProgramText.h"
#include "support/SettingsStore.h"

class QDialog;
class QWidget;

namespace nulvane::gui {

class MainWindowView;
class QtUi;
class ReportView;
class TextViewerView;

// Every object of the program, built once and wired together: the logic objects, their views, and the
// dialog views registered with the Qt Ui. The program's main() and the whole-program GUI tests build it.
class Program {
 public:
  // `ui` is what the logic talks to; the dialog views are registered with `qtUi`. In the program both are
  // the same object; a test may put a scripted Ui in front of the Qt one.
  Program(platform::FileSystem& fileSystem, platform::Ui& ui, QtUi& qtUi);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The start-up of the main window; false when the program must end at once (the reason was shown).
  // On success the main window is shown. `settings` keeps the stored purge speeds; null: the user's own
  // settings file.
  bool Start(platform::SettingsBackend* settings = nullptr);
  // Purges overwrite several files at once on this many worker threads; without it (as in most tests)
  // every pass runs inline, step by step.
  void UseWorkerThreads(int threads);

  platform::FileSystem& fileSystem;
  platform::Ui& ui;
  platform::SystemClock clock;
  platform::Random random;
  support::ProgramText programText;
  support::FolderServices folders;
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes;
  dialogs::TypeOfPurgeDialog typeOfPurge;
  dialogs::PurgeConfirmationDialog confirmation;
  dialogs::DateInputDialog dateInput;
  dialogs::SpecifyFilesDialog specifyFiles;
  dialogs::SelectSubfoldersDialog selectSubfolders;
  engine::PurgeEngine engine;
  mainwindow::MainWindow mainWindow;
  report::ReportWindow report;
  mainwindow::DriveDialog driveDialog;
  mainwindow::FolderPurge folderPurge;
  // Built by Start, once the program texts have named the settings key.
  std::unique_ptr<support::SettingsStore> settingsStore;
  std::unique_ptr<mainwindow::SpeedTest> speedTest;
  std::unique_ptr<mainwindow::ResidueWarning> residueWarning;
  std::unique_ptr<mainwindow::FreeSpacePurge> freeSpacePurge;

  MainWindowView& mainView() { return *mainView_; }
  ReportView& reportView() { return *reportView_; }
  TextViewerView& viewerView() { return *viewerView_; }

 private:
  std::unique_ptr<engine::PassPool> workers_;
  std::unique_ptr<MainWindowView> mainView_;
  std::unique_ptr<ReportView> reportView_;
  std::unique_ptr<TextViewerView> viewerView_;
  QtUi& qtUi_;
  std::unique_ptr<platform::SettingsBackend> ownSettings_;
  std::vector<std::unique_ptr<QDialog>> dialogViews_;
};

}  // namespace nulvane::gui
