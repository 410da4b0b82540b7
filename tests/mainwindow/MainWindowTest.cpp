#include <gtest/gtest.h>

#include "mainwindow/MainWindowFixture.h"
#include "support/Format.h"

namespace nulvane::testing {
namespace {

using platform::Answer;
using platform::Icon;

constexpr const char* kNotSpecified = "Not specified";
constexpr const char* kHint = "To purge multiple files, specify folder and files.";

TEST_F(MainWindowTest, StartsWithNothingSpecifiedAndTheDefaults) {
  EXPECT_EQ(window.lblDirectory.caption, kNotSpecified);
  EXPECT_EQ(window.lblFiles.caption, kNotSpecified);
  EXPECT_EQ(window.lblSingleFile.caption, kHint);
  EXPECT_FALSE(window.cmdClear.visible);
  EXPECT_EQ(window.lblTypeOfPurge.caption, "Random bytes plus zeros, 6 times (= 12 overwrites)");
  EXPECT_EQ(window.lblDateRestriction.caption, "No date restriction");
  EXPECT_TRUE(window.lblDateRestriction.visible);
  EXPECT_EQ(window.lblSubdirectories.caption, "");
  EXPECT_EQ(window.lblSubdirectories2.caption, "");
  EXPECT_EQ(window.focusedControl, "cmdSpecifyDirectory(0)");
  EXPECT_TRUE(state.blnStartupCompleted);
  EXPECT_FALSE(state.blnDateRestriction);
  EXPECT_EQ(state.lngOnlyBeforeThisJDN, support::kNoDateRestriction);
  EXPECT_TRUE(window.fraMenuEnabled);
  EXPECT_FALSE(window.fraSetupVisible);
  EXPECT_FALSE(window.picSaveSetupVisible);
  EXPECT_FALSE(confirmation.chkDoNotDeletePurgedFiles.checked);
  EXPECT_TRUE(confirmation.chkFolderNamesOnly.checked);
  EXPECT_TRUE(confirmation.chkDeleteEmptyFolders.checked);
  EXPECT_FALSE(confirmation.chkConfirmFiles.checked);
  // The setup file's folder is made in the (overridden) per-user data folder.
  EXPECT_EQ(state.strSetupFilePath, temp / "userdata/Nulvane Software/nulvane.usr");
  EXPECT_TRUE(Exists(temp / "userdata/Nulvane Software"));
  EXPECT_TRUE(ui.messages().empty());
}

TEST(MainWindowStartup, AMissingProgramTextEndsTheProgramWithTheMessage) {
  TempDir temp;
  FaultyFileSystem fileSystem;
  fileSystem.OverrideProgramFolder(temp.MakeFolder("empty"));
  temp.MakeFolder("userdata");
  fileSystem.OverrideUserDataFolder(temp / "userdata");
  FakeUi ui;
  ui.Answer(Answer::Ok);
  platform::Random random;
  support::ProgramText programText;
  support::FolderServices folders{fileSystem, ui};
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes{fileSystem};
  dialogs::TypeOfPurgeDialog typeOfPurge{ui};
  dialogs::PurgeConfirmationDialog confirmation{clusterSizes, state};
  dialogs::DateInputDialog dateInput{ui};
  dialogs::SpecifyFilesDialog specifyFiles{fileSystem, ui};
  mainwindow::MainWindow window{{fileSystem, ui, random, programText, folders, state, typeOfPurge,
                                 confirmation, dateInput, specifyFiles}};
  EXPECT_FALSE(window.Startup());
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.LastMessage().title, "");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Error);
  EXPECT_EQ(ui.LastMessage().text,
            "Cannot open file containing program text.\r\n" + temp / "empty/nulvane.dat");
}

TEST_F(MainWindowTest, FileLabelExplainsTheSpecification) {
  const std::string folder = Folder("target");
  struct Case {
    std::string spec;
    std::string explanation;
  };
  const Case cases[] = {
      {"*.*", "(All files.)"},
      {"*.txt", "(All files with extension \"txt\".)"},
      {"a*.d?c", "(All files of the form \"a*.d?c\".)"},
      {"abcdefghijklmnopqrst*.txt", ""},  // longer than 20 characters: no explanation
      // 20 characters in 38 bytes still get their explanation.
      {"*.\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6"
       "\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6",
       "(All files with extension \"\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6"
       "\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6\".)"},
      {"gone.txt", ""},  // a named file that does not exist: no size or date
  };
  for (const Case& c : cases) {
    state.strTargetFolder = folder;
    state.strFilespec = c.spec;
    window.UpdateTargetLabels();
    EXPECT_EQ(window.lblFiles.caption, c.spec);
    EXPECT_EQ(window.lblFiles2.caption, c.explanation) << c.spec;
    EXPECT_EQ(window.lblSingleFile.caption, "") << c.spec;
    EXPECT_TRUE(window.cmdClear.visible) << c.spec;
  }
}

TEST_F(MainWindowTest, ANamedFileShowsItsSizeAndDateAndBecomesTheCurrentFile) {
  const std::string folder = Folder("target");
  temp.Write("target/Notes.txt", SampleContent(1536));
  SetModified(folder + "Notes.txt", 2012, 1, 5);
  state.strTargetFolder = folder;
  state.strFilespec = "Notes.txt";
  window.UpdateTargetLabels();
  EXPECT_EQ(window.lblFiles2.caption, support::FormatSize(1536, 2) + "     01/05/2012");
  EXPECT_EQ(state.strCurrentFilePath, folder + "Notes.txt");
}

TEST_F(MainWindowTest, ATypedNameTheSystemCannotLookUpLeavesTheSizeEmpty) {
  const std::string folder = Folder("target");
  temp.Write("target/a.txt", "a");
  temp.MakeFolder("target/sub");
  ui.QueueFolder(folder);
  ui.Answer(Answer::No);  // not all files
  window.cmdSpecifyDirectory_Release(0);
  // A plain name longer than the system allows for one name: it cannot be looked up, but it is what the
  // user typed, so it stays as the file pattern.
  const std::string tooLong(300, 'n');
  ui.OnDialog("frmSpecifyFiles", [this, &tooLong](platform::Dialog&) {
    specifyFiles.ClickOption(dialogs::SpecifyFilesDialog::Choice::MultipleFiles);
    specifyFiles.SetFilespecText(tooLong);
    specifyFiles.cmdAccept();
  });
  EXPECT_NO_THROW(window.cmdSpecifyFiles_Release());
  EXPECT_EQ(state.strFilespec, tooLong);
  EXPECT_EQ(window.lblFiles.caption, tooLong);
  EXPECT_EQ(window.lblFiles2.caption, "");
}

TEST_F(MainWindowTest, APickedFileThatHasGoneIsDropped) {
  const std::string folder = Folder("target");
  specifyFiles.optSingleFile.selected = true;
  state.strTargetFolder = folder;
  state.strFilespec = "vanished.txt";
  window.UpdateTargetLabels();
  EXPECT_EQ(state.strFilespec, "");
  EXPECT_EQ(window.lblFiles.caption, kNotSpecified);
  EXPECT_EQ(window.lblSingleFile.caption, kHint);
  // A wildcard specification is never taken for a missing file.
  state.strFilespec = "*.*";
  window.UpdateTargetLabels();
  EXPECT_EQ(state.strFilespec, "*.*");
}

TEST_F(MainWindowTest, NoFolderEmptiesTheFolderRows) {
  window.lblEstimatedTime.caption = "5 minutes";
  window.lblSubdirectories.caption = "Yes";
  state.strFilespec = "*.*";
  window.UpdateTargetLabels();
  EXPECT_EQ(window.lblDirectory.caption, kNotSpecified);
  EXPECT_EQ(window.lblEstimatedTime.caption, "");
  EXPECT_EQ(window.lblSubdirectories.caption, "");
  EXPECT_TRUE(window.cmdClear.visible);  // the file label still shows something
}

TEST_F(MainWindowTest, SubfolderLabelsFollowTheFolder) {
  const std::string flat = Folder("flat");
  const std::string tree = Folder("tree");
  temp.MakeFolder("tree/sub");
  struct Case {
    std::string folder;
    bool wanted;
    bool result;
    std::string yesNo;
    std::string explanation;
  };
  const Case cases[] = {
      {flat, true, false, "No", "(The folder has no subfolders.)"},
      {tree, true, true, "Yes", "(Operate on all specified files in lower subfolders.)"},
      {tree, false, false, "No", "(Do not operate on files in lower subfolders.)"},
      // A folder that cannot be read counts as having subfolders.
      {temp / "missing/", true, true, "Yes", "(Operate on all specified files in lower subfolders.)"},
      {"", true, true, "", ""},
  };
  for (const Case& c : cases) {
    state.strTargetFolder = c.folder;
    state.blnSubdirectories = c.wanted;
    window.UpdateSubfolderLabels();
    EXPECT_EQ(state.blnSubdirectories, c.result) << c.folder;
    EXPECT_EQ(window.lblSubdirectories.caption, c.yesNo) << c.folder;
    EXPECT_EQ(window.lblSubdirectories2.caption, c.explanation) << c.folder;
  }
}

TEST_F(MainWindowTest, TheClickGuardSwallowsCommandsUntilItsTimerFires) {
  ui.QueueOpenFile({true, ""});  // the file dialog closed without a choice
  window.cmdSingleFile_Release();
  EXPECT_TRUE(state.blnDialogJustClosed);
  EXPECT_TRUE(window.clock2Enabled);
  // The second click of a double click lands on these: nothing happens, no message.
  window.cmdProcessFiles_Release(1);
  window.cmdProcessFiles_Release(2);
  window.cmdReportScreen_Release();
  window.cmdQuit_Release();
  EXPECT_FALSE(window.quitRequested);
  EXPECT_TRUE(ui.messages().empty());

  window.Clock2Tick();
  EXPECT_FALSE(state.blnDialogJustClosed);
  EXPECT_FALSE(window.clock2Enabled);
  ui.Answer(Answer::Ok);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().text, "No files specified.");
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheProgramEvenWithinTheGuard) {
  int quits = 0;
  window.onQuit = [&quits] { ++quits; };
  state.blnDialogJustClosed = true;
  window.cmdQuit_Release();
  EXPECT_EQ(quits, 0);
  window.CloseRequested();
  EXPECT_EQ(quits, 1);
  EXPECT_TRUE(window.quitRequested);
  state.blnDialogJustClosed = false;
  window.cmdQuit_Release();
  EXPECT_EQ(quits, 2);
}

TEST_F(MainWindowTest, F10OnlySetsTheStopRequest) {
  window.KeyReleased(120);
  EXPECT_FALSE(state.blnStop);
  window.KeyReleased(121);
  EXPECT_TRUE(state.blnStop);
}

TEST_F(MainWindowTest, HoveringMovesTheFocusToCommandButtonsOnly) {
  window.MouseOver("cmdQuit");
  EXPECT_EQ(window.focusedControl, "cmdQuit");
  window.MouseOver("cmdProcessFiles(2)");
  EXPECT_EQ(window.focusedControl, "cmdProcessFiles(2)");
  window.MouseOver("cmdClear");
  window.MouseOver("lblDirectory");
  EXPECT_EQ(window.focusedControl, "cmdProcessFiles(2)");
  window.MouseOver("cmdReportScreen");
  EXPECT_EQ(window.focusedControl, "cmdReportScreen");
  window.MouseOver("cmdQuit");
  report.Show();
  window.MouseOver("cmdReportScreen");  // the report window is up: the button does not take the focus
  EXPECT_EQ(window.focusedControl, "cmdQuit");
}

TEST_F(MainWindowTest, TypeOfPurgeCommandRebuildsItsLabel) {
  window.lblEstimatedTime.caption = "2 minutes";
  window.lblSetupFilename.caption = "a.nvs";
  ui.OnDialog("frmTypeOfPurge", [this](platform::Dialog&) {
    EXPECT_FALSE(window.fraMenuEnabled);
    typeOfPurge.ClickOption(1);
    typeOfPurge.ChoosePasses(1, 0);
    ui.Answer(Answer::Yes);
    typeOfPurge.cmdAccept();
  });
  window.cmdTypeOfPurge_Release();
  EXPECT_EQ(window.lblTypeOfPurge.caption, "Alternate bit patterns plus zeros, once (= 3 overwrites)");
  EXPECT_EQ(window.lblEstimatedTime.caption, "");
  EXPECT_EQ(window.lblSetupFilename.caption, "");
  EXPECT_TRUE(window.fraMenuEnabled);

  // Cancel keeps the type and the estimate.
  window.lblEstimatedTime.caption = "2 minutes";
  ui.OnDialog("frmTypeOfPurge", [this](platform::Dialog&) {
    typeOfPurge.ClickOption(2);
    typeOfPurge.cmdCancel();
  });
  window.cmdTypeOfPurge_Release();
  EXPECT_EQ(window.lblTypeOfPurge.caption, "Alternate bit patterns plus zeros, once (= 3 overwrites)");
  EXPECT_EQ(window.lblEstimatedTime.caption, "2 minutes");
}

TEST_F(MainWindowTest, DateCommandSetsAndRemovesTheRestriction) {
  ui.OnDialog("frmCEDateInput", [this](platform::Dialog&) {
    EXPECT_FALSE(window.fraMenuEnabled);
    EXPECT_EQ(dateInput.caption, "Only files before ...");
    EXPECT_EQ(dateInput.cmdClearButton.caption, "Remove date restriction");
    EXPECT_EQ(dateInput.intEarliestAcceptableYear, 1980);
    EXPECT_EQ(dateInput.intLatestAcceptableYear, 2999);
    dateInput.SelectMonth(1);
    dateInput.SelectDay(5);
    dateInput.SetYearText("2012");
    dateInput.cmdAccept();
  });
  window.lblEstimatedTime.caption = "3 minutes";
  window.cmdOnlyBefore_Release();
  EXPECT_EQ(state.lngOnlyBeforeThisJDN, Day(2012, 1, 5));
  EXPECT_TRUE(state.blnDateRestriction);
  EXPECT_EQ(window.lblDateRestriction.caption,
            "Purge only files with dates before 01/05/2012 (January 5, 2012)");
  EXPECT_EQ(window.lblEstimatedTime.caption, "");
  EXPECT_TRUE(window.fraMenuEnabled);

  // Cancel changes nothing; "Remove date restriction" removes it.
  ui.OnDialog("frmCEDateInput", [this](platform::Dialog&) { dateInput.cmdCancel(); });
  window.cmdOnlyBefore_Release();
  EXPECT_TRUE(state.blnDateRestriction);
  ui.OnDialog("frmCEDateInput", [this](platform::Dialog&) {
    EXPECT_EQ(dateInput.txbYear.text, "2012");  // reopening shows the limit in force
    dateInput.cmdClear();
  });
  window.cmdOnlyBefore_Release();
  EXPECT_EQ(state.lngOnlyBeforeThisJDN, support::kNoDateRestriction);
  EXPECT_FALSE(state.blnDateRestriction);
  EXPECT_EQ(window.lblDateRestriction.caption, "No date restriction");
}

TEST_F(MainWindowTest, ASingleFileIsTakenOnlyWhenStrictlyBeforeTheLimit) {
  const std::string folder = Folder("files");
  const std::string onTheDay = temp.Write("files/OnTheDay.txt", "a");
  const std::string dayBefore = temp.Write("files/DayBefore.txt", "b");
  SetModified(onTheDay, 2012, 1, 5);
  SetModified(dayBefore, 2012, 1, 4);
  RestrictDates(2012, 1, 5);

  ui.QueueOpenFile({true, onTheDay});
  ui.Answer(Answer::Ok);
  window.cmdSingleFile_Release();
  EXPECT_EQ(ui.LastMessage().title, "Single file");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Information);
  EXPECT_EQ(ui.LastMessage().text, "The file " + onTheDay +
                                       "\r\nhas a date of 01/05/2012 (January 5, 2012)\r\n"
                                       "and so is excluded by the current date restriction.");
  // The excluded choice is dropped: the previous (empty) target stays.
  EXPECT_EQ(state.strTargetFolder, "");
  EXPECT_EQ(state.strFilespec, "");
  EXPECT_EQ(window.lblFiles.caption, kNotSpecified);

  window.Clock2Tick();
  ui.QueueOpenFile({true, dayBefore});
  window.cmdSingleFile_Release();
  EXPECT_EQ(state.strTargetFolder, folder);
  EXPECT_EQ(state.strFilespec, "DayBefore.txt");  // exactly as on disk
  EXPECT_FALSE(state.blnSubdirectories);
  EXPECT_EQ(window.lblSubdirectories.caption, "No");
  EXPECT_EQ(window.lblEstimatedTime.caption, "");  // the drive's speed was never measured
}

TEST_F(MainWindowTest, ASingleFileOnAMeasuredDriveGetsAnEstimate) {
  const std::string empty = temp.Write("files/empty.bin", "");
  const std::string big = temp.Write("files/big.bin", std::string(3 * 1024 * 1024, 'x'));
  const std::string drive = fileSystem.VolumeOf(big);
  state.sngSpeedByDrive[drive] = 0.01f;  // 3 MB at 0.01 MB/s, 12 overwrites: 3,600 s before adjustment

  ui.QueueOpenFile({true, big});
  window.cmdSingleFile_Release();
  // 3,600 s × 0.917 / 3^0.2 = 2,650 s, shown in whole minutes.
  EXPECT_EQ(window.lblEstimatedTime.caption, "44 minutes");
  EXPECT_EQ(window.lblPurgeSpeed.caption, "0.01 MB/sec. (1 overwrite) for Drive " + drive + ".");

  window.Clock2Tick();
  ui.QueueOpenFile({true, empty});
  window.cmdSingleFile_Release();
  EXPECT_EQ(window.lblEstimatedTime.caption, "Less than a minute.");
}

TEST_F(MainWindowTest, AFileWhoseNameHoldsAWildcardIsNotTakenAsASingleFile) {
  const std::string odd = temp.Write("wild/x*", "odd");
  temp.Write("wild/xylophone.txt", "other");
  ui.QueueOpenFile({true, odd});
  ui.Answer(platform::Answer::Ok);
  window.cmdSingleFile_Release();
  EXPECT_EQ(ui.LastMessage().title, "Single file");
  EXPECT_EQ(ui.LastMessage().text, odd +
                                       "\r\nThe name of this file contains \"*\" or \"?\", so it cannot be "
                                       "purged as a single file.\r\nSpecify its folder and files instead.");
  EXPECT_EQ(state.strFilespec, "");
  EXPECT_EQ(state.strTargetFolder, "");
}

TEST_F(MainWindowTest, ANamedFileFoundOnlyInASubfolderIsPurgedUnderADateRestriction) {
  const std::string root = Folder("named");
  temp.Write("named/other.txt", "x");
  const std::string deep = temp.Write("named/sub/report.doc", SampleContent(500, 1));
  SetModified(deep, 2012, 1, 4);
  SpecifyFolder(root, Answer::No);
  ui.OnDialog("frmSpecifyFiles", [this](platform::Dialog&) {
    specifyFiles.ClickOption(dialogs::SpecifyFilesDialog::Choice::MultipleFiles);
    specifyFiles.SetFilespecText("report.doc");
    specifyFiles.cmdAccept();
  });
  window.cmdSpecifyFiles_Release();
  window.cmdSubdirectories_Release();
  ASSERT_TRUE(state.blnSubdirectories);
  RestrictDates(2012, 1, 5);

  // The one file the count found lies below the folder and is older than the limit: it is purged, and
  // the folder itself (which holds no report.doc) is not taken for it.
  ui.ClearMessages();
  AnswerConfirmation(true);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(confirmationText,
            "Are you sure that you want to purge the file\r\n" + root +
                "report.doc\r\nand all files of the form \"report.doc\" in all subfolders?\r\n"
                "This will permanently destroy all data in this file.");
  EXPECT_FALSE(Exists(deep));
  EXPECT_TRUE(Exists(root + "other.txt"));
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(MainWindowTest, TheRootOfADriveIsNeverOfferedForDeletion) {
  const std::string root = Folder("volume");
  temp.Write("volume/only.txt", SampleContent(100, 1));
  std::string mountPoint = root;
  mountPoint.pop_back();
  fileSystem.OverrideVolumes({{mountPoint, "testdev", "ext4", "", platform::DriveType::Fixed}});
  SpecifyFolder(root, Answer::Yes);
  ui.ClearMessages();
  AnswerConfirmation(true);
  window.cmdProcessFiles_Release(1);
  EXPECT_FALSE(Exists(root + "only.txt"));
  EXPECT_TRUE(ui.messages().empty()) << "no \"Delete folder\" question for a drive's root";
  EXPECT_TRUE(Exists(root));
}

}  // namespace
}  // namespace nulvane::testing
