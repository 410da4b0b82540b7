#include "gui/Program.h"

#include <QDialog>

#include "gui/Accessibility.h"
#include "gui/DateInputView.h"
#include "gui/DriveDialogView.h"
#include "gui/MainWindowView.h"
#include "gui/PurgeConfirmationView.h"
#include "gui/QtUi.h"
#include "gui/ReportView.h"
#include "gui/SelectSubfoldersView.h"
#include "gui/SpecifyFilesView.h"
#include "gui/TextViewerView.h"
#include "gui/TypeOfPurgeView.h"
#include "platform/settings/QtSettingsBackend.h"

namespace nulvane::gui {

Program::Program(platform::FileSystem& fileSystemIn, platform::Ui& uiIn, QtUi& qtUi)
    : fileSystem(fileSystemIn),
      ui(uiIn),
      folders(fileSystem, ui),
      clusterSizes(fileSystem),
      typeOfPurge(ui),
      confirmation(clusterSizes, state),
      dateInput(ui),
      specifyFiles(fileSystem, ui),
      selectSubfolders(fileSystem, ui),
      engine(fileSystem, ui, clusterSizes, state),
      mainWindow({fileSystem, ui, random, programText, folders, state, typeOfPurge, confirmation, dateInput,
                  specifyFiles}),
      report(fileSystem, ui, clock, state, engine, typeOfPurge, confirmation, mainWindow),
      driveDialog(fileSystem),
      folderPurge(mainWindow, fileSystem, ui, state, engine, typeOfPurge, selectSubfolders),
      qtUi_(qtUi) {
  random.SeedFromClock();
  InstallAccessibility();
  mainWindow.AttachReportWindow(report);
  mainWindow.AttachFolderPurge(folderPurge);
  mainView_ = std::make_unique<MainWindowView>(mainWindow);
  qtUi.SetParentWindow(mainView_.get());

  const auto registerView = [&](platform::Dialog& dialog, std::unique_ptr<QDialog> view) {
    qtUi.RegisterDialogView(dialog, view.get());
    dialogViews_.push_back(std::move(view));
  };
  registerView(typeOfPurge, std::make_unique<TypeOfPurgeView>(typeOfPurge, mainView_.get()));
  registerView(confirmation, std::make_unique<PurgeConfirmationView>(confirmation, mainView_.get()));
  registerView(dateInput, std::make_unique<DateInputView>(dateInput, mainView_.get()));
  registerView(specifyFiles, std::make_unique<SpecifyFilesView>(specifyFiles, mainView_.get()));
  registerView(driveDialog, std::make_unique<DriveDialogView>(driveDialog, mainView_.get()));
  registerView(selectSubfolders, std::make_unique<SelectSubfoldersView>(selectSubfolders, mainView_.get()));
  // The report window is a window of its own: it stays up while the main window steps aside.
  reportView_ = std::make_unique<ReportView>(report);
  registerView(report.frmConfirmFiles,
               std::make_unique<ConfirmFilesView>(report.frmConfirmFiles, reportView_.get()));
  // The help viewer, too, is a window of its own, beside the main window.
  viewerView_ = std::make_unique<TextViewerView>(mainWindow.frmView, mainView_.get());
}

void Program::UseWorkerThreads(int threads) {
  workers_ = std::make_unique<engine::PassPool>(fileSystem, threads);
  report.UsePassExecutor(workers_.get());
  folderPurge.UsePassExecutor(workers_.get());
}

Program::~Program() {
  // The views go before the logic objects they watch; the dialogs' views before the windows they belong to.
  dialogViews_.clear();
  viewerView_.reset();
  reportView_.reset();
  mainView_.reset();
}

bool Program::Start(platform::SettingsBackend* settings) {
  if (!mainWindow.Startup()) return false;
  if (settings == nullptr) {
    ownSettings_ = std::make_unique<platform::QtSettingsBackend>();
    settings = ownSettings_.get();
  }
  settingsStore = std::make_unique<support::SettingsStore>(*settings, mainWindow.strMakerFolderName,
                                                           mainWindow.strProgramName);
  speedTest = std::make_unique<mainwindow::SpeedTest>(mainWindow, fileSystem, ui, clock, random, state,
                                                      engine, clusterSizes, typeOfPurge, folders,
                                                      *settingsStore, driveDialog);
  mainWindow.AttachSpeedTest(*speedTest);
  residueWarning = std::make_unique<mainwindow::ResidueWarning>(fileSystem, ui, *settingsStore);
  freeSpacePurge = std::make_unique<mainwindow::FreeSpacePurge>(
      mainWindow, fileSystem, ui, clock, random, state, clusterSizes, report, *speedTest, driveDialog);
  mainWindow.AttachFreeSpacePurge(*residueWarning, *freeSpacePurge);
  mainView_->show();
  reportView_->PlaceUnder(*mainView_);
  reportView_->ReturnKeyboardTo(mainView_.get());
  return true;
}

}  // namespace nulvane::gui
