// Items given to the window from outside (its command line, a drop, a file manager's menu): one file or
// one folder becomes the target exactly as "Single file" or "Specify folder" makes it; anything else is
// refused and the target stays; nothing is ever purged without "Purge files" and its confirmation.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "mainwindow/MainWindowFixture.h"

namespace nulvane::testing {
namespace {

using platform::Answer;
using platform::Icon;

// What the window shows and holds of its target.
struct TargetSeen {
  std::string folder, filespec, directory, files, files2, subfolders, subfolders2, singleFile;
  bool subdirectories = false, confirmFiles = false;
  bool operator==(const TargetSeen&) const = default;
};

class GivenPathsTest : public MainWindowTest {
 protected:
  TargetSeen Seen() const {
    return {state.strTargetFolder,
            state.strFilespec,
            window.lblDirectory.caption,
            window.lblFiles.caption,
            window.lblFiles2.caption,
            window.lblSubdirectories.caption,
            window.lblSubdirectories2.caption,
            window.lblSingleFile.caption,
            state.blnSubdirectories,
            state.blnConfirmFiles};
  }
  void SingleFile(const std::string& path) {
    ui.QueueOpenFile({true, path});
    window.cmdSingleFile_Release();
    window.Clock2Tick();
  }
};

TEST_F(GivenPathsTest, AFileIsTakenAsSingleFileTakesItAndNothingIsPurgedWithoutConfirmation) {
  const std::string folder = Folder("docs");
  temp.MakeFolder("docs/sub");
  temp.Write("docs/Secret Report.TXT", "secret");
  temp.Write("docs/other.txt", "other");
  // Subfolders on before: a single file always turns them off.
  SpecifyFolder(folder, Answer::Yes, true);
  window.cmdSubdirectories_Release();
  ASSERT_TRUE(state.blnSubdirectories);

  ui.ClearMessages();
  ASSERT_TRUE(window.TakeGivenPaths({folder + "Secret Report.TXT"}));
  EXPECT_TRUE(ui.messages().empty()) << "no message of its own: " << ui.LastMessage().text;
  const TargetSeen given = Seen();
  EXPECT_EQ(given.folder, folder);
  EXPECT_EQ(given.filespec, "Secret Report.TXT") << "the name as it is on disk";
  EXPECT_FALSE(given.subdirectories);

  window.cmdSubdirectories_Release();  // back to another state, then the same file through the dialog
  SingleFile(folder + "other.txt");
  SingleFile(folder + "Secret Report.TXT");
  EXPECT_EQ(Seen(), given);

  // "Purge files" asks as always; declined, the file is untouched.
  AnswerConfirmation(false);
  ui.Answer(Answer::Ok);  // "No files purged."
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(ui.LastMessage().text, "No files purged.");
  EXPECT_NE(confirmationText.find("Secret Report.TXT"), std::string::npos) << confirmationText;
  EXPECT_EQ(ReadFile(folder + "Secret Report.TXT"), "secret");
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST_F(GivenPathsTest, AFolderIsTakenAsSpecifyFolderTakesItWithItsQuestions) {
  const std::string folder = Folder("tree");
  temp.Write("tree/a.txt", "a");
  temp.MakeFolder("tree/sub");

  ui.Answer(Answer::Yes);  // ALL files?
  ui.Answer(Answer::Ok);   // the hint about Subfolders?
  ASSERT_TRUE(window.TakeGivenPaths({folder.substr(0, folder.size() - 1)})) << "given without a separator";
  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[0].title, "Specify folder");
  EXPECT_EQ(ui.messages()[0].text, "Do you wish to purge ALL files in " + folder +
                                       "\r\n(subject to any date restriction which is in effect)?");
  EXPECT_EQ(ui.messages()[1].title, "Specify folder");
  const TargetSeen given = Seen();
  EXPECT_EQ(given.folder, folder);
  EXPECT_EQ(given.filespec, "*.*");
  EXPECT_FALSE(given.subdirectories);

  SpecifyFolder(folder, Answer::Yes, true);
  EXPECT_EQ(Seen(), given);

  // Answered No, the folder is the target and the files are still to be specified.
  ui.Answer(Answer::No);
  ASSERT_TRUE(window.TakeGivenPaths({folder}));
  EXPECT_EQ(state.strTargetFolder, folder);
  EXPECT_EQ(state.strFilespec, "");
  EXPECT_TRUE(ui.AllAnswersUsed());
  EXPECT_EQ(ReadFile(folder + "a.txt"), "a");
}

TEST_F(GivenPathsTest, WhatIsNotOneFileOrFolderIsRefusedAndTheTargetStays) {
  const std::string folder = Folder("keep");
  temp.Write("keep/a.txt", "a");
  temp.Write("keep/b.txt", "b");
  SingleFile(folder + "a.txt");
  const TargetSeen before = Seen();
  const auto refused = [&](const std::vector<std::string>& paths, const std::string& text) {
    ui.ClearMessages();
    ui.Answer(Answer::Ok);
    EXPECT_FALSE(window.TakeGivenPaths(paths));
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.LastMessage().title, "Nulvane");
    EXPECT_EQ(ui.LastMessage().icon, Icon::Warning);
    EXPECT_NE(ui.LastMessage().text.find(text), std::string::npos) << ui.LastMessage().text;
    EXPECT_EQ(Seen(), before);
  };

  refused({folder + "a.txt", folder + "b.txt", folder},
          "Nulvane purges one file, or the files of one folder, at a time, and was given 3 items:\r\n" +
              folder + "a.txt\r\n" + folder + "b.txt\r\n" + folder + "\r\nNone of them has been chosen.");
  std::vector<std::string> many(8, folder + "a.txt");
  refused(many, "\r\nand 3 more.\r\n");

  std::filesystem::create_symlink(folder + "b.txt", folder + "link to b");
  refused({folder + "link to b"}, "This is a symbolic link, not a file, so it cannot be purged.");
  std::filesystem::create_directory_symlink(folder, temp / "link to keep");
  refused({temp / "link to keep"}, "This is a symbolic link");
  ASSERT_EQ(::mkfifo((folder + "pipe").c_str(), 0600), 0);
  refused({folder + "pipe"}, "This is a named pipe");
  refused({folder + "gone.txt"}, folder + "gone.txt\r\nThere is no file or folder of this name.");
  fileSystem.Inject({"Status", "unreadable", EACCES});
  refused({folder + "unreadable"}, "Cannot access " + folder + "unreadable:\r\nPermission denied.");
  EXPECT_EQ(ReadFile(folder + "b.txt"), "b");
}

TEST_F(GivenPathsTest, ARelativePathIsTheWorkingFoldersAndTheDateRestrictionStillHolds) {
  const std::string folder = Folder("work");
  temp.Write("work/old.txt", "old");
  temp.Write("work/new.txt", "new");
  SetModified(folder + "old.txt", 2001, 1, 1);
  SetModified(folder + "new.txt", 2024, 6, 1);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  const bool taken = window.TakeGivenPaths({"old.txt"});
  std::filesystem::current_path(previous);
  ASSERT_TRUE(taken);
  EXPECT_EQ(state.strTargetFolder, folder);
  EXPECT_EQ(state.strFilespec, "old.txt");

  RestrictDates(2010, 1, 1);
  ui.ClearMessages();
  ui.Answer(Answer::Ok);
  EXPECT_FALSE(window.TakeGivenPaths({folder + "new.txt"}));
  EXPECT_EQ(ui.LastMessage().title, "Single file") << "the exclusion as Single file shows it";
  EXPECT_EQ(state.strFilespec, "old.txt");
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST_F(GivenPathsTest, NothingIsTakenWhileTheWindowIsBusy) {
  const std::string folder = Folder("busy");
  temp.Write("busy/a.txt", "a");
  window.cmdSetup_Release();  // the setup panel holds the window
  EXPECT_FALSE(window.AcceptsGivenPaths());
  EXPECT_FALSE(window.TakeGivenPaths({folder + "a.txt"}));
  window.cmdKeepSetup_Click();
  EXPECT_TRUE(window.AcceptsGivenPaths());
  EXPECT_FALSE(window.TakeGivenPaths({})) << "nothing given, nothing taken";
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(state.strTargetFolder, "");
}

}  // namespace
}  // namespace nulvane::testing
