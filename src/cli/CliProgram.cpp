#include "cli/CliProgram.h"

#include <algorithm>
#include <climits>

#include "platform/Environment.h"
#include "platform/PlatformError.h"

#ifdef _WIN32
#include "platform/settings/RegistrySettingsBackend.h"
#else
#include "platform/DeferredSettingsBackend.h"
#endif

namespace nulvane::cli {

CliProgram::CliProgram() {
  random.SeedFromClock();
  mainWindow.AttachReportWindow(report);
  report.UsePassExecutor(&workers);
  // The command line's report is never shown in the window's text box, so nothing of it is cut.
  report.reportLimit = SIZE_MAX;
}

bool CliProgram::Start() {
  // The command line starts from the defaults it documents; a saved setup only with --setup.
  if (!mainWindow.Startup(false)) return false;
  // The click guard protects buttons under a closing file dialog; here no click can fall through.
  mainWindow.Clock2Tick();
#ifdef _WIN32
  settingsBackend = std::make_unique<platform::RegistrySettingsBackend>();
#else
  settingsBackend = std::make_unique<platform::DeferredSettingsBackend>(
      platform::DeferredSettingsBackend::ModulePathsFor(realFileSystem.ProgramFolder()));
#endif
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
  return platform::AbsolutePath(path);
}

std::string CliProgram::ListedDriveOf(const std::string& path, const std::string& refusal) {
  std::string drive;
  try {
    drive = fileSystem.VolumeOf(fileSystem.RealPath(Absolute(path)));
  } catch (const platform::PlatformError& error) {
    console.Error("nulvane-cli: " + path + ": " + error.description + "\n");
    return "";
  }
  const std::vector<platform::Volume> drives = mainwindow::ListDrives(fileSystem);
  if (std::none_of(drives.begin(), drives.end(),
                   [&](const platform::Volume& volume) { return volume.mountPoint == drive; })) {
    console.Error("nulvane-cli: " + drive + " " + refusal + "\n");
    return "";
  }
  return drive;
}

void CliProgram::ChooseDriveWhenAsked(const std::string& drive) {
  ui.OnDialog(driveDialog, [this, drive](platform::Dialog&) {
    const auto& entries = driveDialog.EntryDrives();
    const auto found = std::find(entries.begin(), entries.end(), drive);
    if (found == entries.end()) return;  // closed unanswered: cancelled
    driveDialog.cboDrives.selected = static_cast<int>(found - entries.begin());
    driveDialog.Accept();
  });
}

}  // namespace nulvane::cli
