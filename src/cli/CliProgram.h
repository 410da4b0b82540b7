#pragma once

#include <memory>
#include <string>

#include "cli/Console.h"
#include "cli/CountingFileSystem.h"
#include "cli/ProgressMeter.h"
#include "cli/TerminalUi.h"
#include "dialogs/DateInputDialog.h"
#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/SpecifyFilesDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/ClusterSizeTable.h"
#include "engine/PassPool.h"
#include "engine/PurgeEngine.h"
#include "mainwindow/DriveDialog.h"
#include "mainwindow/FreeSpacePurge.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ResidueWarning.h"
#include "mainwindow/SpeedTest.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "platform/SettingsBackend.h"
#include "platform/SystemFileSystem.h"
#include "report/ReportWindow.h"
#include "support/FolderServices.h"
#include "support/OperationState.h"
#include "support/ProgramText.h"
#include "support/SettingsStore.h"

namespace nulvane::cli {

// The window's logic objects, built once and wired as the window's program wires them, with the terminal's
// Ui in place of the toolkit's. The command line drives the same commands, runs and dialogs.
class CliProgram {
 public:
  CliProgram();
  CliProgram(const CliProgram&) = delete;
  CliProgram& operator=(const CliProgram&) = delete;

  // The main window's start-up (program texts, defaults) and the settings store of the stored speeds; false
  // when the program must end (the reason was shown).
  bool Start();

  // A path from the command line made absolute (against the working folder), not yet resolved: the window's
  // commands resolve what the user chose.
  static std::string Absolute(const std::string& path);

  // The drive (volume) that holds `path`, when it is one of the drives the window lists; otherwise the
  // reason is printed, ending with `refusal` ("is not a drive that can be tested"), and "" returned.
  std::string ListedDriveOf(const std::string& path, const std::string& refusal);
  // Answers the drive dialog with `drive`, as a user choosing it from the list and accepting would.
  void ChooseDriveWhenAsked(const std::string& drive);

  Console console;
  platform::SystemFileSystem realFileSystem;
  CountingFileSystem fileSystem{realFileSystem};
  TerminalUi ui{console};
  platform::SystemClock clock;
  platform::Random random;
  support::ProgramText programText;
  support::FolderServices folders{fileSystem, ui};
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes{fileSystem};
  dialogs::TypeOfPurgeDialog typeOfPurge{ui};
  dialogs::PurgeConfirmationDialog confirmation{clusterSizes, state};
  dialogs::DateInputDialog dateInput{ui};
  dialogs::SpecifyFilesDialog specifyFiles{fileSystem, ui};
  engine::PurgeEngine engine{fileSystem, ui, clusterSizes, state};
  // Several files overwritten and flushed at once, as in the window.
  engine::PassPool workers{fileSystem, engine::kPurgeThreads};
  mainwindow::MainWindow mainWindow{{fileSystem, ui, random, programText, folders, state, typeOfPurge,
                                     confirmation, dateInput, specifyFiles}};
  report::ReportWindow report{fileSystem, ui, clock, state, engine, typeOfPurge, confirmation, mainWindow};
  mainwindow::DriveDialog driveDialog{fileSystem};
  std::unique_ptr<platform::SettingsBackend> settingsBackend;
  std::unique_ptr<support::SettingsStore> settingsStore;
  std::unique_ptr<mainwindow::SpeedTest> speedTest;
  std::unique_ptr<mainwindow::ResidueWarning> residueWarning;
  std::unique_ptr<mainwindow::FreeSpacePurge> freeSpacePurge;
  ProgressMeter progress{console};
};

}  // namespace nulvane::cli
