#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "dialogs/DateInputDialog.h"
#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/SelectSubfoldersDialog.h"
#include "dialogs/SpecifyFilesDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/ClusterSizeTable.h"
#include "engine/PurgeEngine.h"
#include "mainwindow/DriveDialog.h"
#include "mainwindow/FolderPurge.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/SpeedTest.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "report/ReportWindow.h"
#include "support/DateRestriction.h"
#include "support/FolderServices.h"
#include "support/Locale.h"
#include "support/OperationState.h"
#include "support/ProgramText.h"
#include "support/SettingsStore.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/NoSettings.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {

// A whole program around the main window: real folders under a temporary folder, the program text copied
// from the repository's data folder, a scripted Ui.
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    support::SetLocale(support::LocaleSettings{});
    const char* data = std::getenv("NULVANE_TEST_DATA");
    programFolder = temp.MakeFolder("program");
    temp.Write("program/nulvane.dat",
               ReadFile(std::string(data != nullptr ? data : "data") + "/nulvane.dat"));
    fileSystem.OverrideProgramFolder(programFolder);
    temp.MakeFolder("userdata");
    fileSystem.OverrideUserDataFolder(temp / "userdata");
    window.AttachReportWindow(report);
    window.AttachFolderPurge(folderPurge);
  }

  void SetUp() override {
    ASSERT_TRUE(window.Startup());
    window.AttachSpeedTest(speedTest);
    window.Clock2Tick();  // the guard that start-up leaves armed for a second
  }

  // A folder of the test (created), with a trailing separator as the commands store it.
  std::string Folder(const std::string& relative) { return temp.MakeFolder(relative); }

  // Sets a file's last-modification time to noon (local time) of the given day.
  static void SetModified(const std::string& path, int year, int month, int day) {
    std::tm noon{};
    noon.tm_year = year - 1900;
    noon.tm_mon = month - 1;
    noon.tm_mday = day;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    const timespec times[2] = {{std::mktime(&noon), 0}, {std::mktime(&noon), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
  }

  static std::int32_t Day(int year, int month, int day) {
    support::DateRecord record{year, month, day, 0, 0, 0};
    return support::euro_date_to_jdn(record);
  }

  // "Only files before ..." answered with the given day.
  void RestrictDates(int year, int month, int day) {
    ui.OnDialog("frmCEDateInput", [=](platform::Dialog& dialog) {
      auto& input = static_cast<dialogs::DateInputDialog&>(dialog);
      input.SelectMonth(month);
      input.SelectDay(day);
      input.SetYearText(std::to_string(year));
      input.cmdAccept();
    });
    window.cmdOnlyBefore_Release();
  }

  // Specify folder, answering the question whether to purge all of its files.
  void SpecifyFolder(const std::string& folder, platform::Answer allFiles, bool expectSubfolderHint = false) {
    ui.QueueFolder(folder);
    ui.Answer(allFiles);
    if (expectSubfolderHint) ui.Answer(platform::Answer::Ok);
    window.cmdSpecifyDirectory_Release(0);
  }

  // The purge confirmation dialog's next showing: checks nothing, answers Yes or No.
  void AnswerConfirmation(bool yes) {
    ui.OnDialog("frmPurgeConfirmation", [this, yes](platform::Dialog& dialog) {
      confirmationText = confirmation.lblMessage.caption;
      numFilesShown = state.intNumFiles;
      auto& confirm = static_cast<dialogs::PurgeConfirmationDialog&>(dialog);
      if (yes) {
        confirm.cmdDoPurge();
      } else {
        confirm.cmdCancel();
      }
    });
  }

  TempDir temp;
  std::string programFolder;
  FaultyFileSystem fileSystem;
  FakeUi ui;
  platform::Random random;
  platform::SystemClock clock;
  support::ProgramText programText;
  support::FolderServices folders{fileSystem, ui};
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes{fileSystem};
  dialogs::TypeOfPurgeDialog typeOfPurge{ui};
  dialogs::PurgeConfirmationDialog confirmation{clusterSizes, state};
  dialogs::DateInputDialog dateInput{ui};
  dialogs::SpecifyFilesDialog specifyFiles{fileSystem, ui};
  engine::PurgeEngine engine{fileSystem, ui, clusterSizes, state};
  mainwindow::MainWindow window{{fileSystem, ui, random, programText, folders, state, typeOfPurge,
                                 confirmation, dateInput, specifyFiles}};
  report::ReportWindow report{fileSystem, ui, clock, state, engine, typeOfPurge, confirmation, window};
  NoSettings settingsBackend;
  support::SettingsStore settings{settingsBackend, "Nulvane Software", "Nulvane"};
  mainwindow::DriveDialog driveDialog{fileSystem};
  mainwindow::SpeedTest speedTest{window, fileSystem,   ui,          clock,   random,   state,
                                  engine, clusterSizes, typeOfPurge, folders, settings, driveDialog};
  dialogs::SelectSubfoldersDialog selectSubfolders{fileSystem, ui};
  mainwindow::FolderPurge folderPurge{window, fileSystem, ui, state, engine, typeOfPurge, selectSubfolders};
  std::string confirmationText;
  int numFilesShown = 0;
};

}  // namespace nulvane::testing
