// The commands that name the target, on their less travelled ways: refusals, empty folders, folders that
// vanish, and the Clear command.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "mainwindow/MainWindowFixture.h"

namespace nulvane::testing {
namespace {

using platform::Answer;
using platform::Icon;

TEST_F(MainWindowTest, SpecifyFilesRefusesWithoutAUsableFolder) {
  ui.Answer(Answer::Ok);
  window.cmdSpecifyFiles_Release();
  EXPECT_EQ(ui.LastMessage().title, "Folder unspecified");
  EXPECT_EQ(ui.LastMessage().text, "The folder has not been specified.");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Warning);

  // An empty folder: no question on choosing it, then "Specify files" says why it cannot go on.
  const std::string empty = Folder("empty");
  ui.QueueFolder(empty);
  window.cmdSpecifyDirectory_Release(0);
  EXPECT_EQ(window.lblSubdirectories2.caption, "(The folder has no subfolders.)");
  ui.Answer(Answer::Ok);
  window.cmdSpecifyFiles_Release();
  EXPECT_EQ(ui.LastMessage().title, "Empty folder");
  EXPECT_EQ(ui.LastMessage().text, "The folder contains no files and no subfolders.");

  // A folder with only subfolders and the subfolder setting off has no files to pick from.
  temp.MakeFolder("empty/sub");
  ui.Answer(Answer::Ok);
  window.cmdSpecifyFiles_Release();
  EXPECT_EQ(ui.LastMessage().title, "Specify files");
  EXPECT_EQ(ui.LastMessage().text, "There are no files in " + empty + ".");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Information);
  // With subfolders on, the whole tree is looked at.
  window.cmdSubdirectories_Release();
  ASSERT_TRUE(state.blnSubdirectories);
  ui.Answer(Answer::Ok);
  window.cmdSpecifyFiles_Release();
  EXPECT_EQ(ui.LastMessage().text, "There are no files in " + empty + " or in any of its subfolders.");

  // A folder that has gone cannot be read.
  std::filesystem::remove_all(empty);
  ui.Answer(Answer::Ok);
  window.cmdSpecifyFiles_Release();
  EXPECT_EQ(ui.LastMessage().title, "Error");
  EXPECT_EQ(ui.LastMessage().text, "Cannot access the folder.");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Error);
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST_F(MainWindowTest, APatternWithoutMatchesIsKeptButReported) {
  const std::string folder = Folder("docs");
  temp.Write("docs/a.txt", "a");
  SpecifyFolder(folder, Answer::No);
  ui.OnDialog("frmSpecifyFiles", [this](platform::Dialog&) {
    specifyFiles.ClickOption(dialogs::SpecifyFilesDialog::Choice::MultipleFiles);
    specifyFiles.SetFilespecText("Z*.DOC");
    specifyFiles.cmdAccept();
  });
  ui.Answer(Answer::Ok);
  window.cmdSpecifyFiles_Release();
  EXPECT_EQ(state.strFilespec, "z*.doc");
  EXPECT_EQ(ui.LastMessage().text, "The folder contains no matching files and no subfolders.");
  EXPECT_EQ(window.lblFiles2.caption, "(All files of the form \"z*.doc\".)");

  // A purge of it finds nothing and says so.
  ui.Answer(Answer::Ok);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().title, "Purge files");
  EXPECT_EQ(ui.LastMessage().text, "There are no files in " + folder + " matching z*.doc.");
  EXPECT_TRUE(window.fraMenuEnabled);
  EXPECT_FALSE(report.blnPurgeFiles);
}

TEST_F(MainWindowTest, SubfoldersOnAVanishedFolderDropsTheTarget) {
  const std::string folder = Folder("gone");
  temp.Write("gone/a.txt", "a");
  SpecifyFolder(folder, Answer::Yes);
  std::filesystem::remove_all(folder);
  ui.Answer(Answer::Ok);
  window.cmdSubdirectories_Release();
  EXPECT_EQ(ui.LastMessage().title, "Error");
  EXPECT_EQ(ui.LastMessage().text, "Error when attempting to access " + folder + ".");
  EXPECT_EQ(state.strTargetFolder, "");
  EXPECT_EQ(state.strFilespec, "");
  EXPECT_EQ(window.lblDirectory.caption, "Not specified");

  // Before any folder is chosen it only empties the labels.
  window.cmdSubdirectories_Release();
  EXPECT_EQ(window.lblSubdirectories.caption, "");
  EXPECT_FALSE(state.blnSubdirectories);
}

TEST_F(MainWindowTest, ClearAsksAndKeepsTheSubfolderSetting) {
  const std::string folder = Folder("clear");
  temp.Write("clear/a.txt", "a");
  temp.MakeFolder("clear/sub");
  SpecifyFolder(folder, Answer::Yes, true);
  window.cmdSubdirectories_Release();
  ASSERT_TRUE(window.cmdClear.visible);

  ui.Answer(Answer::No);
  window.cmdClear_Click();
  EXPECT_EQ(ui.LastMessage().title, "Clear");
  EXPECT_EQ(ui.LastMessage().text, "Clear folder and file specifications?");
  EXPECT_EQ(state.strTargetFolder, folder);

  ui.Answer(Answer::Yes);
  window.cmdClear_Click();
  EXPECT_EQ(state.strTargetFolder, "");
  EXPECT_EQ(state.strFilespec, "");
  EXPECT_TRUE(state.blnSubdirectories);
  EXPECT_EQ(window.lblSubdirectories.caption, "");
  EXPECT_FALSE(window.cmdClear.visible);
  EXPECT_EQ(window.lblSingleFile.caption, "To purge multiple files, specify folder and files.");
  EXPECT_EQ(window.lblDateRestriction.caption, "No date restriction");
}

TEST_F(MainWindowTest, CancellingTheFolderChooserKeepsTheTarget) {
  const std::string folder = Folder("kept");
  temp.Write("kept/a.txt", "a");
  SpecifyFolder(folder, Answer::Yes);
  ui.QueueFolder("");
  window.cmdSpecifyDirectory_Release(0);
  EXPECT_EQ(state.strTargetFolder, folder);
  EXPECT_EQ(window.lblFiles.caption, "*.*");
  EXPECT_EQ(window.lblSubdirectories2.caption, "(The folder has no subfolders.)");
}

TEST_F(MainWindowTest, CancellingTheFirstFolderChoiceShowsNoClearButton) {
  ui.QueueFolder("");
  window.cmdSpecifyDirectory_Release(0);
  EXPECT_FALSE(window.cmdClear.visible);
  EXPECT_EQ(window.lblFiles.caption, "Not specified");
  EXPECT_EQ(window.lblDateRestriction.caption, "No date restriction");
}

}  // namespace
}  // namespace nulvane::testing

namespace nulvane::testing {
namespace {

// "Test purge speed" runs the speed test through the main window: the target rows step aside and come
// back, the menu is off meanwhile, and the measured speed is shown and then used for a listing's estimate.
TEST_F(MainWindowTest, TestPurgeSpeedMeasuresTheDriveAndFeedsTheEstimate) {
  const std::string volume = temp.MakeFolder("volume");
  std::string mountPoint = volume;
  mountPoint.pop_back();
  fileSystem.OverrideVolumes({{mountPoint, "testdev", "ext4", "", platform::DriveType::Fixed}});
  temp.Write("volume/data/a.txt", SampleContent(2048));
  SpecifyFolder(volume + "data/", Answer::Yes);
  const std::string filesCaption = window.lblFiles.caption;

  ui.Answer(Answer::No);
  window.cmdTestPurgeSpeed_Click();
  EXPECT_EQ(ui.LastMessage().title, "Test purge speed");
  EXPECT_EQ(window.lblFiles.caption, filesCaption);
  EXPECT_TRUE(window.lblFiles.visible);
  EXPECT_EQ(window.lblPurgeSpeed.caption, "");

  ui.Answer(Answer::Yes);
  ui.AnswerOkByDefault();
  window.cmdTestPurgeSpeed_Click();
  EXPECT_GT(state.SpeedOf(mountPoint), 0.0f);
  EXPECT_NE(window.lblPurgeSpeed.caption.find(" MB/sec. (1 overwrite) for Drive " + mountPoint + "."),
            std::string::npos)
      << window.lblPurgeSpeed.caption;
  EXPECT_TRUE(window.fraMenuEnabled);
  EXPECT_TRUE(window.lblFiles.visible);
  EXPECT_EQ(window.lblFiles.caption, filesCaption);
  EXPECT_FALSE(state.blnPerformingSpeedTest);
  EXPECT_FALSE(Exists(volume + "_nv_dummy1"));

  // The listing now ends with an estimate instead of the advice to test the speed.
  window.cmdProcessFiles_Release(2);
  EXPECT_NE(report.txbText.text().find("Estimated purge time: "), std::string::npos);
  EXPECT_FALSE(window.lblEstimatedTime.caption.empty());
  EXPECT_EQ(ReadFile(volume + "data/a.txt"), SampleContent(2048));
}

TEST_F(MainWindowTest, AChosenFolderOrFileBehindALinkIsResolvedOnceAndWorkedBelow) {
  const std::string real = Folder("data/home");
  temp.Write("data/home/notes.txt", "n");
  const std::string link = temp / "home";
  ASSERT_EQ(::symlink("data/home", link.c_str()), 0);

  SpecifyFolder(link + "/", Answer::Yes);
  EXPECT_EQ(state.strTargetFolder, real);
  EXPECT_EQ(state.strFilespec, "*.*");

  ui.QueueOpenFile({true, link + "/notes.txt"});
  window.cmdSingleFile_Release();
  EXPECT_EQ(state.strTargetFolder, real);
  EXPECT_EQ(state.strFilespec, "notes.txt");

  // A link chosen as the single file is refused with what it is; the target stays.
  ASSERT_EQ(::symlink("notes.txt", (real + "shortcut.txt").c_str()), 0);
  window.Clock2Tick();  // the click guard of the last choice has run out
  ui.QueueOpenFile({true, real + "shortcut.txt"});
  ui.Answer(Answer::Ok);
  window.cmdSingleFile_Release();
  EXPECT_EQ(ui.LastMessage().title, "Single file");
  EXPECT_EQ(ui.LastMessage().text, real +
                                       "shortcut.txt\r\nThis is a symbolic link, not a file, so it cannot be "
                                       "purged.\r\nOnly files themselves are purged, never what a link "
                                       "points to.");
  EXPECT_EQ(state.strFilespec, "notes.txt");
}

TEST_F(MainWindowTest, MessagesShowAFolderNameWithALineBreakOnOneLine) {
  const std::string odd = Folder("odd\nname");
  temp.MakeFolder("odd\nname/sub");
  ui.QueueFolder(odd);
  window.cmdSpecifyDirectory_Release(0);
  ui.Answer(Answer::Ok);
  window.cmdSpecifyFiles_Release();
  EXPECT_EQ(ui.LastMessage().text, "There are no files in " + temp.path() + "odd\\nname/.");
}

}  // namespace
}  // namespace nulvane::testing
