// Setups: saving and loading through the main window, the setup panels, and the setup kept for the next run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "mainwindow/MainWindowFixture.h"

namespace nulvane::testing {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// Every field a setup keeps, set away from its default.
struct Fields {
  std::string folder;
  std::string spec = "*.doc";
  bool subfolders = true;
  int type = 2;
  int passes = 3;
  std::array<bool, 7> options{true, true, true, true, false, false, true};
  std::int32_t day = 2459946;
};

class SetupTest : public MainWindowTest {
 protected:
  void Apply(const Fields& s) {
    state.strTargetFolder = s.folder;
    state.strFilespec = s.spec;
    state.blnSubdirectories = s.subfolders;
    typeOfPurge.SelectType(s.type);
    typeOfPurge.SelectPasses(s.type, s.passes);
    for (int i = 0; i < 7; ++i) Option(i).checked = s.options[i];
    state.lngOnlyBeforeThisJDN = s.day;
  }

  void ExpectSetup(const Fields& s) {
    EXPECT_EQ(state.strTargetFolder, s.folder);
    EXPECT_EQ(state.strFilespec, s.spec);
    EXPECT_EQ(state.blnSubdirectories, s.subfolders);
    EXPECT_EQ(typeOfPurge.GetPurgeType(), s.type);
    EXPECT_EQ(typeOfPurge.GetNumberOfPasses(), s.passes);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Option(i).checked, s.options[i]) << "option " << i;
    EXPECT_EQ(state.lngOnlyBeforeThisJDN, s.day);
  }

  // The target, subfolder setting and type that a failed load leaves.
  void ExpectDefaultTarget() {
    EXPECT_EQ(state.strTargetFolder, "");
    EXPECT_EQ(state.strFilespec, "");
    EXPECT_FALSE(state.blnSubdirectories);
    EXPECT_EQ(typeOfPurge.GetPurgeType(), 0);
    EXPECT_EQ(typeOfPurge.GetNumberOfPasses(), 6);
  }

  platform::CheckBox& Option(int i) {
    platform::CheckBox* boxes[] = {&confirmation.chkDoNotDeletePurgedFiles,
                                   &confirmation.chkOKToPurgeReadOnlyFiles,
                                   &confirmation.chkOKToPurgeSystemFiles,
                                   &confirmation.chkOKToPurgeSensitiveFiles,
                                   &confirmation.chkFolderNamesOnly,
                                   &confirmation.chkDeleteEmptyFolders,
                                   &confirmation.chkConfirmFiles};
    return *boxes[i];
  }

  // "Load setup" with the file dialog answering `path`.
  void LoadThroughDialog(const std::string& path) {
    window.Clock2Tick();  // a second after any earlier file dialog
    window.cmdSetup_Release();
    ui.QueueOpenFile({true, path});
    window.cmdLoadSetup_Click();
  }

  // "Save setup" -> "Save setup as operation file" with the dialog answering `path`.
  void SaveThroughDialog(const std::string& path) {
    window.Clock2Tick();
    window.cmdSetup_Release();
    window.cmdSaveSetup_Click();
    ui.QueueSaveFile({true, path});
    window.cmdSaveSetupAsOperationFile_Click();
  }

  // The file names in a folder, so a test sees any file a save left behind.
  static std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(SetupTest, ASavedSetupComesBackWholeEvenWithCommasQuotesAndNonAsciiInItsTexts) {
  const std::string odd = Folder("Ünïcödé, \"quoted\" 日本");
  temp.Write("Ünïcödé, \"quoted\" 日本/a, \"b\".txt", "x");
  for (const Fields& setup : {Fields{Folder("plain")}, Fields{odd, "a, \"b\".txt", false, 1, 8},
                              Fields{odd, "*,x?.t\"t", true, 0, 1, {}, support::kNoDateRestriction}}) {
    Apply(setup);
    state.blnConfirmFiles = true;
    ASSERT_TRUE(window.SaveSetup(temp / "op.nvs")) << setup.folder;
    Apply(Fields{Folder("other"), "*.*", !setup.subfolders, 1, 2, {}, 2400000});
    ASSERT_TRUE(window.LoadSetup(temp / "op.nvs")) << setup.folder;
    ExpectSetup(setup);
    EXPECT_FALSE(state.blnConfirmFiles);
  }
}

TEST_F(SetupTest, AFileWrittenByHandInThePlainFormatLoads) {
  const std::string folder = Folder("letters");
  temp.Write("hand.nvs", "13.29\n1\n" + folder + "\n*.txt\n1\n5\n0\n0\n0\n0\n1\n1\n1\n0\n9000000\n");
  ASSERT_TRUE(window.LoadSetup(temp / "hand.nvs"));
  ExpectSetup({folder,
               "*.txt",
               true,
               1,
               5,
               {false, false, false, true, true, true, false},
               support::kNoDateRestriction});
  // A folder written without its final separator gets one, so a named file never runs into its name.
  temp.Write("bare.nvs", "1.09\n0\n" + folder.substr(0, folder.size() - 1) +
                             "\nx.txt\n0\n6\n0\n0\n0\n0\n0\n1\n1\n0\n9000000\n");
  ASSERT_TRUE(window.LoadSetup(temp / "bare.nvs"));
  EXPECT_EQ(state.strTargetFolder, folder);
}

TEST_F(SetupTest, AMalformedFileFallsBackToTheDefaultsWithTheMessage) {
  const std::string folder = Folder("target");
  const std::string good = "1.09\r\n 1 \r\n" + folder + "\r\n*.*\r\n 2 \r\n 3 \r\n 0 \r\n" +
                           " 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 2459946 \r\n";
  struct Case {
    const char* name;
    std::string content;
    bool optionsTaken;  // the seven options were read before the failure
  };
  const Case cases[] = {
      {"empty", "", false},
      {"fewer than fifteen lines", good.substr(0, good.find(" 1 \r\n 1 \r\n 1 \r\n")), false},
      {"more than fifteen lines", good + "extra\r\n", true},
      {"binary garbage", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(5000, '\xff'), false},
      {"passes out of range",
       good.substr(0, good.find(" 3 \r\n")) + " 5 \r\n" + good.substr(good.find(" 3 \r\n") + 5), true},
      {"type out of range",
       good.substr(0, good.find(" 2 \r\n")) + " 3 \r\n" + good.substr(good.find(" 2 \r\n") + 5), true},
      {"relative folder", "1.09\r\n 1 \r\nsome/folder/\r\n*.*\r\n" + good.substr(good.find(" 2 \r\n")), true},
      {"specification with a path",
       "1.09\r\n 0 \r\n" + folder + "\r\n../../etc/passwd\r\n" + good.substr(good.find(" 2 \r\n")), true},
      {"larger than any setup", good + std::string(70 * 1024, '\n'), false},
  };
  for (const Case& c : cases) {
    Apply(Fields{Folder("before"), "*.log", true, 1, 2, {}, support::kNoDateRestriction});
    confirmation.SetDefaults();
    temp.Write("bad.nvs", c.content);
    ui.ClearMessages();
    ui.Answer(Answer::Ok);
    LoadThroughDialog(temp / "bad.nvs");
    ASSERT_EQ(ui.messages().size(), 1u) << c.name;
    EXPECT_EQ(ui.LastMessage().title, "Error") << c.name;
    EXPECT_EQ(ui.LastMessage().text,
              "Error when attempting to load setup from file " + temp / "bad.nvs" + "!")
        << c.name;
    EXPECT_EQ(ui.LastMessage().icon, Icon::Warning);
    ExpectDefaultTarget();
    EXPECT_EQ(window.lblDirectory.caption, "Not specified") << c.name;
    EXPECT_EQ(window.lblTypeOfPurge.caption, "Random bytes plus zeros, 6 times (= 12 overwrites)") << c.name;
    EXPECT_EQ(window.lblSetupFilename.caption, "") << c.name;
    // Options already read stay taken, as the file said.
    EXPECT_EQ(confirmation.chkOKToPurgeSystemFiles.checked, c.optionsTaken) << c.name;
  }
}

TEST_F(SetupTest, SaveAsOperationFileAsksBeforeReplacingAFile) {
  const std::string path = temp.Write("saved.nvs", "old");
  Apply(Fields{Folder("target")});
  for (const Answer answer : {Answer::No, Answer::Cancel}) {
    ui.Answer(answer);
    SaveThroughDialog(path);
    EXPECT_EQ(ui.LastMessage().title, "File exists");
    EXPECT_EQ(ui.LastMessage().text, "Overwrite existing file " + path + "?");
    EXPECT_EQ(ui.LastMessage().buttons, Buttons::YesNoCancel);
    EXPECT_EQ(ReadFile(path), "old");
  }
  ui.Answer(Answer::Yes);
  SaveThroughDialog(path);
  EXPECT_EQ(ReadFile(path).rfind("1.09\r\n 1 \r\n" + temp / "target/\r\n", 0), 0u);  // this version's
  EXPECT_EQ(window.lblSetupFilename.caption, path);
  EXPECT_TRUE(window.fraMenuEnabled);
  EXPECT_EQ(ui.fileRequests().back().title, "Specify operation file to be saved");
  EXPECT_EQ(ui.fileRequests().back().filter, "Operation files (*.nvs) | *.nvs");
  EXPECT_FALSE(Exists(temp / ".saved.nvs.new"));
}

TEST_F(SetupTest, ASaveThatFailsHalfWayKeepsTheOldSetupAndLeavesNoOtherFile) {
  const std::string folder = temp / "userdata/Nulvane Software/";
  Apply(Fields{Folder("first")});
  window.cmdSetup_Release();
  window.cmdSaveSetup_Click();
  window.cmdSaveSetupForNextRun_Click();
  const std::string saved = ReadFile(state.strSetupFilePath);
  ASSERT_NE(saved.find("first"), std::string::npos);
  const std::vector<std::string> before = Names(folder);

  Apply(Fields{Folder("second")});
  // The disk fills up while the new file is written; its flush fails; it cannot take the old one's name.
  for (const char* operation : {"WriteAt", "Flush", "Rename"}) {
    fileSystem.ClearFaults();
    fileSystem.Inject({operation, "nulvane.usr", ENOSPC});
    ui.Answer(Answer::Ok);
    window.cmdSetup_Release();
    window.cmdSaveSetup_Click();
    window.cmdSaveSetupForNextRun_Click();
    EXPECT_EQ(ui.LastMessage().title, "Error") << operation;
    EXPECT_EQ(ui.LastMessage().text, "Cannot save setup!") << operation;
    EXPECT_EQ(ReadFile(state.strSetupFilePath), saved) << operation;
    EXPECT_EQ(Names(folder), before) << operation;
    EXPECT_TRUE(window.fraMenuEnabled);
  }
  // A failing operation-file save says which file and shows none.
  fileSystem.Inject({"WriteAt", "op.nvs", ENOSPC});
  ui.Answer(Answer::Ok);
  SaveThroughDialog(temp / "op.nvs");
  EXPECT_EQ(ui.LastMessage().text, "Cannot save setup in operation file " + temp / "op.nvs" + "!");
  EXPECT_EQ(window.lblSetupFilename.caption, "");
  EXPECT_FALSE(Exists(temp / "op.nvs"));
  EXPECT_FALSE(Exists(temp / ".op.nvs.new"));
}

TEST_F(SetupTest, ASaveNeverTakesOverAnotherFileBesideTheSetup) {
  // A file with the name a save would first give its new file, perhaps another's (a hard link, say).
  const std::string other = temp.Write(".op.nvs.new", "someone else's");
  Apply(Fields{Folder("target")});
  ASSERT_TRUE(window.SaveSetup(temp / "op.nvs"));
  EXPECT_EQ(ReadFile(other), "someone else's");
  EXPECT_TRUE(window.LoadSetup(temp / "op.nvs"));
  // The folder is flushed after the rename, so the new name is on the disk too.
  EXPECT_EQ(fileSystem.Calls("FlushFolder"), 1);
}

// Setups kept elsewhere (with the dot files, say) and linked in: read through the link, and saved into the
// file it leads to, which keeps its permissions and owner, while the link stays the link it was.
TEST_F(SetupTest, ALinkedSetupIsReadAndSavedThroughTheLinkKeepingTheFilesModeAndOwner) {
  const std::string kept = Folder("dotfiles") + "op.nvs";
  const std::string links = Folder("links");
  const std::string link = links + "op.nvs";
  Apply(Fields{Folder("first")});
  ASSERT_TRUE(window.SaveSetup(kept));
  ASSERT_EQ(::chmod(kept.c_str(), 0600), 0);
  ASSERT_EQ(::symlink(kept.c_str(), link.c_str()), 0);
  // As root the file may belong to someone else: the owner of the folder that holds the link.
  const bool root = ::geteuid() == 0;
  const uid_t owner = root ? 4321 : ::geteuid();
  if (root) {
    ASSERT_EQ(::chown(kept.c_str(), owner, owner), 0);
    ASSERT_EQ(::chown(links.c_str(), owner, owner), 0);
    ASSERT_EQ(::lchown(link.c_str(), owner, owner), 0);
  }

  const Fields second{Folder("second")};
  temp.MakeFolder("second/sub");  // subfolders stay on only where there are some
  Apply(second);
  ASSERT_TRUE(window.SaveSetup(link));
  struct stat info {};
  ASSERT_EQ(::lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link stays";
  ASSERT_EQ(::stat(kept.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(info.st_uid, owner);
  EXPECT_NE(ReadFile(kept).find("second"), std::string::npos);
  EXPECT_EQ(Names(links), std::vector<std::string>{"op.nvs"});

  Apply(Fields{Folder("third")});
  LoadThroughDialog(link);
  EXPECT_TRUE(ui.messages().empty()) << ui.LastMessage().text;
  ExpectSetup(second);
  EXPECT_EQ(window.lblSetupFilename.caption, link);
}

// As root, a link that another user made, or that leads to another user's file, is not followed: that user
// could aim it at any file, and the program would read or replace it.
TEST_F(SetupTest, AsRootALinkAnotherUserCouldHaveAimedIsNotFollowed) {
  if (::geteuid() != 0) GTEST_SKIP() << "the rule is root's";
  const std::string victim = temp.Write("private/victim.nvs", "root's own file");
  const std::string shared = Folder("shared");
  const std::string strangers = shared + "strangers.nvs";
  ASSERT_EQ(::symlink(victim.c_str(), strangers.c_str()), 0);
  ASSERT_EQ(::lchown(strangers.c_str(), 4321, 4321), 0);
  const std::string others = temp.Write("theirs/other.nvs", "another user's file");
  ASSERT_EQ(::chown(others.c_str(), 4321, 4321), 0);
  const std::string toOthers = shared + "to-others.nvs";
  ASSERT_EQ(::symlink(others.c_str(), toOthers.c_str()), 0);

  Apply(Fields{Folder("target")});
  for (const std::string& link : {strangers, toOthers}) {
    EXPECT_FALSE(window.SaveSetup(link)) << link;
    EXPECT_FALSE(window.LoadSetup(link)) << link;
    struct stat info {};
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
  }
  EXPECT_EQ(ReadFile(victim), "root's own file");
  EXPECT_EQ(ReadFile(others), "another user's file");
}

TEST_F(SetupTest, LoadSetupTakesTheFileAndRefreshesEveryLabel) {
  const std::string folder = Folder("letters");
  temp.MakeFolder("letters/sub");
  Apply(Fields{folder, "*.txt", true, 1, 5, {}, 2459946});
  ASSERT_TRUE(window.SaveSetup(temp / "op.nvs"));
  Apply(Fields{"", "", false, 0, 6, {}, support::kNoDateRestriction});
  window.UpdateDateRestrictionLabel();

  LoadThroughDialog(temp / "op.nvs");
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(ui.fileRequests().back().title, "Specify operation file to be loaded");
  EXPECT_EQ(window.lblDirectory.caption, folder);
  EXPECT_EQ(window.lblFiles2.caption, "(All files with extension \"txt\".)");
  EXPECT_EQ(window.lblSubdirectories.caption, "Yes");
  EXPECT_TRUE(state.blnDateRestriction);
  EXPECT_NE(window.lblDateRestriction.caption.find("2023"), std::string::npos)
      << window.lblDateRestriction.caption;
  EXPECT_EQ(window.lblTypeOfPurge.caption, "Alternate bit patterns plus zeros, 5 times (= 15 overwrites)");
  EXPECT_EQ(window.lblSetupFilename.caption, temp / "op.nvs");
  EXPECT_TRUE(window.fraMenuEnabled);
  EXPECT_EQ(state.strSavedFolder, folder);  // the restore snapshot

  ui.Answer(Answer::Ok);
  LoadThroughDialog(temp / "gone.nvs");
  EXPECT_EQ(ui.LastMessage().title, "Error when attempting to load setup.");
  EXPECT_EQ(ui.LastMessage().text, "File " + temp / "gone.nvs" + " not found!");
  EXPECT_EQ(state.strTargetFolder, folder);  // nothing changed
}

TEST_F(SetupTest, ThePanelsHoldTheMenuWhileTheyAreOpen) {
  window.cmdSetup_Release();
  EXPECT_TRUE(window.fraSetupVisible);
  EXPECT_FALSE(window.fraMenuEnabled);
  window.cmdSaveSetup_Click();
  EXPECT_TRUE(window.picSaveSetupVisible);
  window.cmdDontSaveSetup_Click();
  EXPECT_FALSE(window.picSaveSetupVisible || window.fraSetupVisible);
  EXPECT_TRUE(window.fraMenuEnabled);

  // A file dialog that cannot be shown arms no click guard; a cancelled one saves nothing and arms it.
  window.cmdSetup_Release();
  ui.QueueOpenFile({false, ""});
  window.cmdLoadSetup_Click();
  EXPECT_FALSE(state.blnDialogJustClosed);
  window.cmdSetup_Release();
  window.cmdSaveSetup_Click();
  ui.QueueSaveFile({true, ""});
  window.cmdSaveSetupAsOperationFile_Click();
  EXPECT_TRUE(state.blnDialogJustClosed);
  EXPECT_TRUE(window.fraMenuEnabled);
  EXPECT_TRUE(ui.messages().empty());
  // Within the second after a file dialog, "Setup" is a click that fell through.
  window.cmdSetup_Release();
  EXPECT_FALSE(window.fraSetupVisible);
}

TEST_F(SetupTest, ClearSetupThenRestoreSetupBringsBackTheTargetAndDate) {
  const std::string folder = Folder("target");
  temp.MakeFolder("target/sub");
  Apply(Fields{folder, "*.txt", true, 0, 6, {}, 2459946});
  window.lblSetupFilename.caption = "op.nvs";
  window.cmdSetup_Release();
  window.cmdClearSetup_Click();
  EXPECT_EQ(state.strTargetFolder, "");
  EXPECT_EQ(state.strFilespec, "");
  EXPECT_EQ(window.lblDirectory.caption, "Not specified");
  EXPECT_EQ(window.lblSetupFilename.caption, "");
  EXPECT_FALSE(window.fraSetupVisible);
  EXPECT_TRUE(window.fraMenuEnabled);

  state.lngOnlyBeforeThisJDN = support::kNoDateRestriction;
  window.cmdSetup_Release();
  window.cmdRestoreSetup_Click();
  EXPECT_EQ(state.strTargetFolder, folder);
  EXPECT_EQ(state.strFilespec, "*.txt");
  EXPECT_EQ(state.lngOnlyBeforeThisJDN, 2459946);
  EXPECT_TRUE(state.blnDateRestriction);
  EXPECT_EQ(window.lblDirectory.caption, folder);
  EXPECT_EQ(window.lblSubdirectories.caption, "Yes");
}

// Start-up with a setup kept for the next run.
class SetupAtStartupTest : public SetupTest {
 protected:
  SetupAtStartupTest() {
    folder = Folder("kept");
    temp.Write("userdata/Nulvane Software/nulvane.usr",
               "1.09\r\n 0 \r\n" + folder +
                   "\r\n*.log\r\n 1 \r\n 2 \r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n"
                   " 1 \r\n 1 \r\n 0 \r\n 2459946 \r\n");
  }
  std::string folder;
};

TEST_F(SetupAtStartupTest, StartUpLoadsTheSetupKeptForTheNextRun) {
  EXPECT_EQ(state.strTargetFolder, folder);
  EXPECT_EQ(state.strFilespec, "*.log");
  EXPECT_EQ(window.lblDirectory.caption, folder);
  EXPECT_EQ(window.lblTypeOfPurge.caption, "Alternate bit patterns plus zeros, twice (= 6 overwrites)");
  EXPECT_TRUE(confirmation.chkDoNotDeletePurgedFiles.checked);
  EXPECT_TRUE(state.blnDateRestriction);
  EXPECT_EQ(state.strSavedFolder, folder);
  EXPECT_EQ(state.lngSavedOnlyBeforeThisJDN, 2459946);
  EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace nulvane::testing
