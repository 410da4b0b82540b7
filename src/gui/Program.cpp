#include "gui/Program.h"

#include <QDialog>

#include "gui/MainWindowView.h"
#include "gui/QtUi.h"

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
      engine(fileSystem, ui, random, clusterSizes, state),
      mainWindow({fileSystem, ui, random, programText, folders, state, typeOfPurge, confirmation, dateInput,
                  specifyFiles}),
      report(fileSystem, ui, clock, state, engine, typeOfPurge, confirmation, mainWindow) {
  random.SeedFromClock();
  mainWindow.AttachReportWindow(report);
  mainView_ = std::make_unique<MainWindowView>(mainWindow);
  qtUi.SetParentWindow(mainView_.get());
}

Program::~Program() = default;

bool Program::Start() {
  if (!mainWindow.Startup()) return false;
  mainView_->show();
  return true;
}

}  // namespace nulvane::gui
