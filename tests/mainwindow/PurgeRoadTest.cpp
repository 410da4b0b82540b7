// Whole roads through the main window: naming the target, answering the questions, purging or listing in
// the report window, and what is left on disk and in the labels afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "engine/PassExecutor.h"
#include "mainwindow/MainWindowFixture.h"

namespace nulvane::testing {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(MainWindowTest, SpecifyFolderAndPurgeEverythingWithSubfolders) {
  const std::string root = Folder("root");
  temp.Write("root/a.txt", SampleContent(3000, 1));
  temp.Write("root/b.dat", SampleContent(5000, 2));
  temp.Write("root/sub/c.txt", SampleContent(7000, 3));
  temp.Write("root/sub/deeper/d.txt", SampleContent(100, 4));

  SpecifyFolder(root, Answer::Yes, /*expectSubfolderHint=*/true);
  EXPECT_EQ(ui.messages()[0].title, "Specify folder");
  EXPECT_EQ(ui.messages()[0].text, "Do you wish to purge ALL files in " + root +
                                       "\r\n(subject to any date restriction which is in effect)?");
  EXPECT_EQ(ui.messages()[0].buttons, Buttons::YesNo);
  EXPECT_EQ(
      ui.LastMessage().text,
      "If you wish also to purge all files in subfolders\r\n(subject to any date restriction which is in "
      "effect)\r\nthen click on the 'Subfolders?' button.");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Information);
  EXPECT_EQ(state.strTargetFolder, root);
  EXPECT_EQ(state.strFilespec, "*.*");
  EXPECT_EQ(window.lblDirectory.caption, root);
  EXPECT_EQ(window.lblFiles2.caption, "(All files.)");
  EXPECT_EQ(window.lblSubdirectories.caption, "No");
  EXPECT_EQ(window.lblSubdirectories2.caption, "(Do not operate on files in lower subfolders.)");

  window.cmdSubdirectories_Release();
  EXPECT_TRUE(state.blnSubdirectories);
  EXPECT_EQ(window.lblSubdirectories.caption, "Yes");

  AnswerConfirmation(true);
  ui.Answer(Answer::Yes);  // "Delete folder ...?"
  window.cmdProcessFiles_Release(1);

  EXPECT_EQ(confirmationText, "Are you sure that you want to purge all 4 files in \r\n" + root +
                                  "\r\nand all files in all subfolders?\r\n"
                                  "This will permanently destroy all data in these four files.");
  EXPECT_EQ(numFilesShown, 4) << "the dialog reads the count";
  for (const char* file : {"root/a.txt", "root/b.dat", "root/sub/c.txt", "root/sub/deeper/d.txt"}) {
    EXPECT_FALSE(Exists(temp / file)) << file;
  }
  EXPECT_EQ(report.lngNumFilesPurged, 4);
  EXPECT_EQ(report.caption, "Purge files");
  EXPECT_TRUE(Contains(report.txbText.text(), "Number of files purged: 4"));
  EXPECT_EQ(ui.clipboard(), report.txbText.text());
  // The purged files cannot be purged again by accident; the folder stays chosen.
  EXPECT_EQ(state.strFilespec, "");
  EXPECT_EQ(window.lblFiles.caption, "Not specified");
  EXPECT_EQ(ui.LastMessage().title, "Delete folder?");
  EXPECT_EQ(ui.LastMessage().text, "Delete folder " + root + "?");
  EXPECT_FALSE(Exists(root));
  EXPECT_EQ(window.lblTopLevelFolder.caption, root + " has been deleted.");
  // The deleted folder is no longer the target, nor shown as one.
  EXPECT_EQ(state.strTargetFolder, "");
  EXPECT_EQ(window.lblDirectory.caption, "Not specified");
  EXPECT_EQ(window.lblSubdirectories.caption, "");
  EXPECT_TRUE(window.fraMenuEnabled);
  EXPECT_TRUE(window.fraSetupEnabled);
  EXPECT_FALSE(report.blnPurgeFiles);
}

// Carries the calls out inline, and notes when it was told to start its workers.
class StartRecordingExecutor final : public engine::PassExecutor {
 public:
  StartRecordingExecutor(engine::PurgeEngine& engine, std::function<bool()> asked)
      : inline_(engine), asked_(std::move(asked)) {}
  void Start() override {
    ++starts;
    askedBeforeStart = asked_();
    submittedBeforeStart = submitted > 0;
  }
  int Capacity() const override { return inline_.Capacity(); }
  void Submit(std::uint64_t ticket, engine::PurgeRequest request) override {
    ++submitted;
    inline_.Submit(ticket, std::move(request));
  }
  std::optional<Done> Collect(std::chrono::milliseconds wait) override { return inline_.Collect(wait); }

  int starts = 0;
  int submitted = 0;
  bool askedBeforeStart = false;
  bool submittedBeforeStart = false;

 private:
  engine::InlinePassExecutor inline_;
  std::function<bool()> asked_;
};

TEST_F(MainWindowTest, TheWorkersStartOnceThePurgeIsConfirmedAndNeverBeforeTheQuestion) {
  const std::string root = Folder("root");
  temp.Write("root/a.txt", SampleContent(3000, 1));
  temp.Write("root/b.txt", SampleContent(3000, 2));
  StartRecordingExecutor executor(engine, [this] { return !confirmationText.empty(); });
  report.UsePassExecutor(&executor);
  SpecifyFolder(root, Answer::Yes);

  AnswerConfirmation(false);
  ui.Answer(Answer::Ok);  // "No files purged."
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(executor.starts, 0) << "declined: no worker started";

  confirmationText.clear();
  AnswerConfirmation(true);
  ui.Answer(Answer::No);  // "Delete folder ...?"
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(executor.starts, 1);
  EXPECT_TRUE(executor.askedBeforeStart);
  EXPECT_FALSE(executor.submittedBeforeStart) << "started before the first file was handed over";
  EXPECT_EQ(executor.submitted, 2 * typeOfPurge.GetNumberOfPasses()) << "a pass of each file at a time";
  EXPECT_FALSE(Exists(root + "a.txt"));
  report.UsePassExecutor(nullptr);
}

TEST_F(MainWindowTest, PurgeTwoFilesOfAFlatFolderAndKeepTheFolder) {
  const std::string root = Folder("flat");
  temp.Write("flat/one.txt", SampleContent(10, 1));
  temp.Write("flat/two.txt", SampleContent(20, 2));
  SpecifyFolder(root, Answer::Yes);
  EXPECT_EQ(window.lblSubdirectories2.caption, "(The folder has no subfolders.)");
  AnswerConfirmation(true);
  ui.Answer(Answer::No);  // keep the emptied folder
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(confirmationText, "Are you sure that you want to purge both files in \r\n" + root +
                                  " ?\r\nThis will permanently destroy all data in these two files.");
  EXPECT_TRUE(Exists(root));
  EXPECT_FALSE(Exists(root + "one.txt"));
}

TEST_F(MainWindowTest, AWildcardSpecificationPurgesOnlyItsFiles) {
  const std::string root = Folder("mixed");
  temp.Write("mixed/a.TXT", SampleContent(100, 1));
  temp.Write("mixed/b.txt", SampleContent(100, 2));
  const std::string keep = SampleContent(4096, 3);
  temp.Write("mixed/c.dat", keep);
  SpecifyFolder(root, Answer::No);
  EXPECT_EQ(state.strFilespec, "");

  ui.OnDialog("frmSpecifyFiles", [this](platform::Dialog&) {
    EXPECT_EQ(specifyFiles.intNumFiles, 3);
    specifyFiles.ClickOption(dialogs::SpecifyFilesDialog::Choice::Extension);
    specifyFiles.SetExtensionText("*.TXT");
    specifyFiles.cmdAccept();
  });
  window.cmdSpecifyFiles_Release();
  EXPECT_EQ(state.strFilespec, "*.txt");
  EXPECT_EQ(window.lblFiles2.caption, "(All files with extension \"txt\".)");

  AnswerConfirmation(true);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(confirmationText, "Are you sure that you want to purge the 2 files\r\n" + root +
                                  "*.txt ?\r\nThis will permanently destroy all data in these two files.");
  EXPECT_FALSE(Exists(root + "a.TXT"));
  EXPECT_FALSE(Exists(root + "b.txt"));
  EXPECT_EQ(ReadFile(root + "c.dat"), keep);
}

TEST_F(MainWindowTest, ASingleFileUnderADateRestriction) {
  const std::string folder = Folder("single");
  const std::string old = temp.Write("single/Old.txt", SampleContent(2000, 1));
  const std::string fresh = temp.Write("single/Fresh.txt", SampleContent(2000, 2));
  SetModified(old, 2012, 1, 4);
  SetModified(fresh, 2012, 1, 5);
  ui.QueueOpenFile({true, old});
  window.cmdSingleFile_Release();
  window.Clock2Tick();

  // A limit on the file's own day refuses the command before anything is counted.
  RestrictDates(2012, 1, 4);
  ui.Answer(Answer::Ok);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().title, "Purge files");
  EXPECT_EQ(ui.LastMessage().icon, Icon::None);
  EXPECT_EQ(ui.LastMessage().text, "The date of the specified file is not before 01/04/2012.");
  ui.Answer(Answer::Ok);
  window.cmdProcessFiles_Release(2);
  EXPECT_EQ(ui.LastMessage().title, "List files");
  EXPECT_TRUE(Exists(old));

  // A day later the file takes part.
  RestrictDates(2012, 1, 5);
  AnswerConfirmation(true);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(confirmationText, "Are you sure that you want to purge the file\r\n" + old +
                                  " ?\r\nThis will permanently destroy all data in this file.");
  EXPECT_EQ(confirmation.cmdDoPurgeButton.caption, "Yes, purge this file");
  EXPECT_FALSE(Exists(old));
  EXPECT_EQ(ReadFile(fresh), SampleContent(2000, 2));
  EXPECT_EQ(window.lblDateRestriction.caption,
            "Purge only files with dates before 01/05/2012 (January 5, 2012)");
}

TEST_F(MainWindowTest, TheQuestionNamesTheCountUpToAThousand) {
  struct Case {
    int files;
    std::string spec;
    std::string firstLine;
    std::string lastLine;
  };
  const Case cases[] = {
      {1, "*.*", "the single file in ", "this file."},
      {25, "*.*", "all 25 files in ", "these twenty five files."},
      {1000, "*.*", "all 1000 files in ", "these 1,000 files."},
      {1001, "*.*", "all files in ", "these (more than 1000) files."},
      {1001, "f*", "the files", "these (more than 1000) files."},
  };
  int run = 0;
  for (const Case& c : cases) {
    const std::string root = Folder("count" + std::to_string(++run));
    for (int i = 0; i < c.files; ++i)
      temp.Write("count" + std::to_string(run) + "/f" + std::to_string(i), "");
    state.strTargetFolder = root;
    state.strFilespec = c.spec;
    window.UpdateTargetLabels();
    AnswerConfirmation(false);
    ui.Answer(Answer::Ok);  // "No files purged."
    window.cmdProcessFiles_Release(1);
    const std::string path = c.spec == "*.*" ? root : root + c.spec;
    EXPECT_EQ(confirmationText, "Are you sure that you want to purge " + c.firstLine + "\r\n" + path +
                                    " ?\r\nThis will permanently destroy all data in " + c.lastLine)
        << c.files;
    EXPECT_EQ(numFilesShown, c.files > 1000 ? -1 : c.files);
  }
}

TEST_F(MainWindowTest, RefusalsLeaveEverythingAsItWas) {
  ui.Answer(Answer::Ok);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().title, "Error");
  EXPECT_EQ(ui.LastMessage().text, "No files specified.");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Warning);
  ui.Answer(Answer::Ok);
  window.cmdProcessFiles_Release(2);
  EXPECT_EQ(ui.LastMessage().text, "No files specified.");

  // Cancelling the confirmation purges nothing.
  const std::string root = Folder("kept");
  temp.Write("kept/x.txt", SampleContent(300, 1));
  SpecifyFolder(root, Answer::Yes);
  AnswerConfirmation(false);
  ui.Answer(Answer::Ok);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().title, "Purge cancelled");
  EXPECT_EQ(ui.LastMessage().text, "No files purged.");
  EXPECT_EQ(ReadFile(root + "x.txt"), SampleContent(300, 1));
  EXPECT_EQ(state.strFilespec, "*.*");
  EXPECT_TRUE(window.fraMenuEnabled);

  // A folder removed behind the program's back.
  std::filesystem::remove_all(root);
  ui.Answer(Answer::Ok);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().text, "Folder does not exist.");
  EXPECT_EQ(state.strTargetFolder, "");
  EXPECT_EQ(window.lblDirectory.caption, "Not specified");
  EXPECT_EQ(window.lblFiles.caption, "Not specified");
}

TEST_F(MainWindowTest, AFolderIsOfferedForDeletionOnlyWhenNothingButEmptyFoldersIsLeft) {
  const std::string root = Folder("parent");
  const std::string kept = temp.Write("parent/child/file.txt", SampleContent(10));
  ui.QueueFolder(root);
  window.cmdSpecifyDirectory_Release(0);  // no file directly inside: no question is asked
  EXPECT_EQ(ui.messages().size(), 0u);
  state.strFilespec = "*.*";
  window.cmdSubdirectories_Release();
  // A cancelled purge leaves the file in the subfolder: no offer to delete it unpurged.
  AnswerConfirmation(false);
  ui.Answer(Answer::Ok);  // "No files purged."
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().text, "No files purged.");
  EXPECT_TRUE(ui.AllAnswersUsed());

  // A purge of the folder's own files leaves a subfolder's read-only file alone: still no offer.
  temp.Write("parent/secret.txt", SampleContent(10));
  ::chmod(kept.c_str(), 0400);
  state.blnSubdirectories = false;
  state.strFilespec = "secret.txt";
  AnswerConfirmation(true);
  window.cmdProcessFiles_Release(1);
  EXPECT_FALSE(Exists(root + "secret.txt"));
  EXPECT_EQ(ReadFile(kept), SampleContent(10));
  EXPECT_TRUE(ui.AllAnswersUsed());
  for (const auto& message : ui.messages()) EXPECT_NE(message.title, "Delete folder?");

  // Once only empty folders are left, the offer comes, and Yes removes them.
  std::filesystem::remove(kept);
  temp.MakeFolder("parent/child/deeper");
  temp.Write("parent/last.txt", SampleContent(10));
  state.strFilespec = "last.txt";
  AnswerConfirmation(true);
  ui.Answer(Answer::Yes);  // "Delete folder ...?"
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().text, "Delete folder " + root + "?");
  EXPECT_FALSE(Exists(root));
}

TEST_F(MainWindowTest, ListingAFlatFolderWithAnEstimate) {
  const std::string root = Folder("list");
  temp.Write("list/a.txt", SampleContent(1024 * 1024, 1));
  temp.Write("list/b.txt", SampleContent(1024 * 1024, 2));
  SpecifyFolder(root, Answer::Yes);
  state.sngSpeedByDrive[fileSystem.VolumeOf(root)] = 5.0f;
  window.cmdProcessFiles_Release(2);
  EXPECT_EQ(report.caption, "List files and/or folders");
  EXPECT_TRUE(Contains(report.txbText.text(), "a.txt ("));
  EXPECT_TRUE(Contains(report.txbText.text(), "Estimated purge time: less than a minute."));
  EXPECT_EQ(window.lblEstimatedTime.caption, "Less than a minute.");
  EXPECT_TRUE(Exists(root + "a.txt"));
  EXPECT_TRUE(window.fraMenuEnabled);

  // "Report" shows the same report again.
  report.Hide();
  window.cmdReportScreen_Release();
  EXPECT_TRUE(report.IsVisible());
}

TEST_F(MainWindowTest, ListingSubfoldersOnAnUnmeasuredDriveAsksFirst) {
  const std::string root = Folder("tree");
  temp.Write("tree/a.txt", SampleContent(10));
  temp.Write("tree/sub/b.txt", SampleContent(10));
  SpecifyFolder(root, Answer::Yes, true);
  window.cmdSubdirectories_Release();
  const std::string drive = fileSystem.VolumeOf(root);

  ui.ClearMessages();
  ui.Answer(Answer::No);
  window.cmdProcessFiles_Release(2);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.LastMessage().title, "List and estimate time");
  EXPECT_EQ(ui.LastMessage().buttons, Buttons::YesNoCancel);
  EXPECT_EQ(ui.LastMessage().text,
            "The purge speed has not been measured for drive " + drive +
                ".\r\nFor an estimate of the purge time test the purge speed for this drive then relist.\r\n"
                "Do you wish to list subfolders without getting an estimate of purge time?");
  EXPECT_TRUE(report.txbText.empty());

  ui.Answer(Answer::Yes);
  ui.Answer(Answer::No);  // do not suppress folder names
  window.cmdProcessFiles_Release(2);
  EXPECT_EQ(ui.LastMessage().title, "List folder names?");
  EXPECT_TRUE(report.blnDisplayFolderNames);
  EXPECT_TRUE(report.blnDisplayFileNames);  // fewer than 100 files
  EXPECT_TRUE(Contains(report.txbText.text(), "b.txt ("));
  EXPECT_TRUE(Contains(report.txbText.text(), "test the purge speed for Drive"));
}

TEST_F(MainWindowTest, NothingToReportBeforeTheFirstRun) {
  ui.Answer(Answer::Ok);
  window.cmdReportScreen_Release();
  EXPECT_EQ(ui.LastMessage().title, "Report window");
  EXPECT_EQ(ui.LastMessage().text, "Nothing to report!");
}

// --- A purge never reaches beyond what was specified ---------------------------------------------------

TEST_F(MainWindowTest, ALinkToAnOutsideFolderIsNeverFollowed) {
  const std::string outside = Folder("outside");
  const std::string secret = SampleContent(5000, 9);
  temp.Write("outside/secret.txt", secret);
  const std::string root = Folder("linked");
  temp.Write("linked/mine.txt", SampleContent(100, 1));
  ASSERT_EQ(::symlink(outside.c_str(), (root + "away").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "secret.txt").c_str(), (root + "secret-link.txt").c_str()), 0);

  SpecifyFolder(root, Answer::Yes);
  window.cmdSubdirectories_Release();  // the link is not a subfolder
  EXPECT_FALSE(state.blnSubdirectories);
  state.blnSubdirectories = true;  // and even with subfolders on, nothing leaves the tree
  ui.AnswerOkByDefault();
  AnswerConfirmation(true);
  window.cmdProcessFiles_Release(1);
  EXPECT_FALSE(Exists(root + "mine.txt"));
  EXPECT_EQ(ReadFile(outside + "secret.txt"), secret);
}

TEST_F(MainWindowTest, ANamedFileNeverTakesItsNamesakeInAnotherCase) {
  const std::string folder = Folder("case");
  const std::string other = SampleContent(777, 5);
  temp.Write("case/Report.TXT", SampleContent(700, 4));
  temp.Write("case/report.txt", other);
  ui.QueueOpenFile({true, folder + "Report.TXT"});
  window.cmdSingleFile_Release();
  window.Clock2Tick();
  EXPECT_EQ(state.strFilespec, "Report.TXT");
  AnswerConfirmation(true);
  window.cmdProcessFiles_Release(1);
  EXPECT_FALSE(Exists(folder + "Report.TXT"));
  EXPECT_EQ(ReadFile(folder + "report.txt"), other);
}

TEST_F(MainWindowTest, ADateRestrictionKeepsNewerFilesIntact) {
  const std::string root = Folder("dated");
  const std::string recent = SampleContent(3000, 7);
  temp.Write("dated/old.txt", SampleContent(3000, 6));
  temp.Write("dated/recent.txt", recent);
  temp.Write("dated/sub/old2.txt", SampleContent(10, 8));
  SetModified(root + "old.txt", 2015, 6, 1);
  SetModified(root + "sub/old2.txt", 2015, 6, 1);
  SetModified(root + "recent.txt", 2020, 1, 1);
  RestrictDates(2020, 1, 1);
  SpecifyFolder(root, Answer::Yes, true);
  window.cmdSubdirectories_Release();
  AnswerConfirmation(true);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(confirmationText,
            "Are you sure that you want to purge both files in \r\n" + root +
                "\r\nand all files in all subfolders?\r\nwhich satisfy the date restriction.\r\n"
                "This will permanently destroy all data in these two files.");
  EXPECT_FALSE(Exists(root + "old.txt"));
  EXPECT_FALSE(Exists(root + "sub/old2.txt"));
  EXPECT_EQ(ReadFile(root + "recent.txt"), recent);
}

}  // namespace
}  // namespace nulvane::testing
