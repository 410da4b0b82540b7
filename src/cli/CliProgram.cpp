#include "cli/CliProgram.h"

#include <unistd.h>

#include <climits>

#include "platform/settings/QtSettingsBackend.h"

namespace nulvane::cli {

CliProgram::CliProgram() {
  random.SeedFromClock();
  mainWindow.AttachReportWindow(report);
  // The command line's report is never shown in the window's text box, so nothing of it is cut.
  report.reportLimit = SIZE_MAX;
}

bool CliProgram::Start() {
  if (!mainWindow.Startup()) return false;
  // The click guard protects buttons under a closing file dialog; here no click can fall through.
  mainWindow.Clock2Tick();
  settingsBackend = std::make_unique<platform::QtSettingsBackend>();
  settingsStore = std::make_unique<support::SettingsStore>(*settingsBackend, mainWindow.strMakerFolderName,
                                                           mainWindow.strProgramName);
  speedTest = std::make_unique<mainwindow::SpeedTest>(mainWindow, fileSystem, ui, clock, random, state,
                                                      engine, clusterSizes, typeOfPurge, folders,
                                                      *settingsStore, driveDialog);
  mainWindow.AttachSpeedTest(*speedTest);
  residueWarning = std::make_unique<mainwindow::ResidueWarning>(fileSystem, ui, *settingsStore);
  // The command line's paths are one command: a volume is asked about once.
  residueWarning->holdAnswers = true;
  freeSpacePurge = std::make_unique<mainwindow::FreeSpacePurge>(
      mainWindow, fileSystem, ui, clock, random, state, clusterSizes, report, *speedTest, driveDialog);
  mainWindow.AttachFreeSpacePurge(*residueWarning, *freeSpacePurge);
  return true;
}

std::string CliProgram::Absolute(const std::string& path) {
  if (path.empty() || path[0] == platform::kPathSeparator) return path;
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return path;
  std::string folder = buffer;
  if (folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
  return folder + path;
}

}  // namespace nulvane::cli
