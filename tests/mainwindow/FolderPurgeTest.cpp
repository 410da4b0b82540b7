// "Purge folders" from the first question to the result line, on real trees: what is gone, what is left
// byte for byte, and what the user is told.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "engine/PassPool.h"
#include "mainwindow/MainWindowFixture.h"
#include "testsupport/ChildProcess.h"

namespace nulvane::testing {
namespace {

using platform::Answer;
using platform::Buttons;
namespace fs = std::filesystem;

constexpr int kF10 = 121;
constexpr const char* kGoOn = "Click 'OK' to continue, or 'Cancel' to terminate this operation.";

std::string Checksum(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// Every entry below `root` (links not followed): what it is, and a checksum of each file's bytes.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = fs::relative(it->path(), root).string();
    if (it->is_symlink()) {
      tree[name] = "link to " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      tree[name] = "folder";
    } else {
      tree[name] = "file " + Checksum(ReadFile(it->path().string()));
    }
  }
  return tree;
}

// The snapshot without the named trees.
std::map<std::string, std::string> Without(std::map<std::string, std::string> tree,
                                           const std::vector<std::string>& gone) {
  std::erase_if(tree, [&](const auto& entry) {
    return std::any_of(gone.begin(), gone.end(), [&](const std::string& folder) {
      return entry.first == folder || entry.first.starts_with(folder + "/");
    });
  });
  return tree;
}

class FolderPurgeTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    typeOfPurge.SelectType(0);
    typeOfPurge.SelectPasses(0, 1);
    top = Folder("top");
  }

  // "Purge folders" on `folder` with the named rows checked; `answers` go to the message boxes after the
  // first question.
  void PurgeFolders(const std::string& folder, const std::vector<std::string>& checked,
                    const std::vector<Answer>& answers) {
    ui.Answer(Answer::Yes);
    for (const Answer answer : answers) ui.Answer(answer);
    ui.QueueFolder(folder);
    ui.OnDialog("frmSelectSubfolders", [this, checked](platform::Dialog&) {
      auto& d = selectSubfolders;
      for (std::size_t row = 0; row < d.Rows().size(); ++row) {
        if (std::find(checked.begin(), checked.end(), d.Rows()[row].name) == checked.end()) continue;
        if (d.vsbScrollBar.visible) d.vsbScrollBar_Change(std::min<int>(row, d.vsbScrollBar.maximum));
        d.chkSubfolder_Click(static_cast<int>(row) - d.FirstRowShown(), true);
      }
      d.cmdAccept();
    });
    window.cmdSpecifyDirectory_Release(1);
  }

  std::string CountQuestion(const std::string& files) const {
    return "The selected folder is " + top + "\r\n\r\n" + files +
           " to be purged.\r\n\r\nClick 'OK' to continue or 'Cancel' to cancel.";
  }

  std::string top;
};

TEST_F(FolderPurgeTest, PurgesExactlyTheCheckedTreesAndLeavesEverythingElseIntact) {
  temp.Write("top/loose.txt", SampleContent(1000, 1));
  temp.Write("top/Data/a.txt", SampleContent(1000, 2));
  temp.Write("top/Data/setup.exe", SampleContent(24, 3));
  temp.Write("top/Data/sub/c.txt", SampleContent(3000, 4));
  temp.MakeFolder("top/Data/sub/empty");
  temp.Write("top/Database/keep.txt", SampleContent(500, 5));
  temp.MakeFolder("top/Empty");
  temp.Write("top/Locked/secret.txt", SampleContent(300, 6));
  std::string deep = "top/Deep";
  for (int level = 1; level <= 30; ++level) deep += "/l" + std::to_string(level);
  temp.Write(deep + "/file.txt", SampleContent(100, 7));
  temp.Write("outside/secret.txt", SampleContent(800, 8));
  ASSERT_EQ(::symlink((temp / "outside").c_str(), (top + "Away").c_str()), 0);
  fileSystem.Inject({"ListFolder", "top/Locked", EACCES});
  const auto before = Snapshot(temp.path());

  PurgeFolders(top, {"Data", "Deep", "Empty", "Locked"}, {Answer::Ok, Answer::Ok});

  EXPECT_EQ(Snapshot(temp.path()), Without(before, {"top/Data", "top/Deep"}));
  ASSERT_EQ(ui.messages().size(), 3u) << ui.LastMessage().text;
  EXPECT_EQ(
      ui.messages()[1].text,
      "Two folders will be purged:\r\n" + top + "Data\r\n" + top +
          "Deep\r\n\r\nThe total size of the files to be purged is 4.0 KB.\r\n\r\nClick 'OK' to begin "
          "purging the files in the selected folders\r\nor click 'Cancel' to terminate this "
          "operation.\r\n\r\nThe operation can be interrupted (and then stopped)\r\nby pressing the F10 "
          "key twice.");
  EXPECT_EQ(ui.messages()[1].defaultButton, Answer::Cancel);
  EXPECT_EQ(ui.messages()[2].text, CountQuestion("Four files in Two subfolders are"));
  EXPECT_EQ(ui.messages()[2].buttons, Buttons::OkCancel);
  EXPECT_EQ(window.lblLargePurgeMessage.caption,
            "The selected folder was " + top + "\r\nFour files in Two subfolders have been purged.");
  EXPECT_EQ(state.strSelectedFolders, (std::vector<std::string>{top + "Data", top + "Deep"}));
  EXPECT_TRUE(window.fraMenuEnabled);
  EXPECT_TRUE(window.lblSubdirectories2.visible);
}

TEST_F(FolderPurgeTest, WhatMayNotBePurgedStaysAndTheSummarySaysSo) {
  const std::string other = temp.Write("outside/other-name.txt", SampleContent(600, 1));
  temp.Write("outside/secret.txt", SampleContent(700, 2));
  temp.Write("top/Mixed/plain.txt", SampleContent(100, 3));
  temp.Write("top/Mixed/inuse.txt", SampleContent(100, 4));
  ASSERT_EQ(::link(other.c_str(), (top + "Mixed/linked.txt").c_str()), 0);
  ASSERT_EQ(::symlink((temp / "outside").c_str(), (top + "Mixed/away").c_str()), 0);
  temp.Write("top/Mixed/swap.img", SampleContent(100, 5));
  // An editor's swap file holds the text being edited: an ordinary file to purge.
  temp.Write("top/Mixed/.notes.txt.swp", SampleContent(100, 6));
  temp.Write("top/Mixed/sub/ok.txt", SampleContent(100, 7));
  temp.Write("top/App/own.dat", SampleContent(100, 8));
  // Another program opens it during the purge: passed over without a question, as a file in use is.
  temp.Write("top/Mixed/busy.txt", SampleContent(100, 9));
  fileSystem.OverrideSwapFiles({top + "Mixed/swap.img"});
  fileSystem.OverrideProgramFolder(top + "App/");
  fileSystem.Inject({"OpenForWriting", "inuse.txt", EACCES});
  fileSystem.Inject({"LeaseBroken", "busy.txt"});
  const auto before = Snapshot(temp.path());

  PurgeFolders(top, {"Mixed", "App"}, {Answer::Ok, Answer::Ok, Answer::Ok});

  // The busy file stays, partly overwritten.
  EXPECT_TRUE(Exists(top + "Mixed/busy.txt"));
  EXPECT_EQ(Without(Snapshot(temp.path()), {"top/Mixed/busy.txt"}),
            Without(before, {"top/Mixed/plain.txt", "top/Mixed/.notes.txt.swp", "top/Mixed/busy.txt",
                             "top/Mixed/sub"}));
  ASSERT_EQ(ui.messages().size(), 4u);
  EXPECT_EQ(ui.messages()[2].text, CountQuestion("Six files in Two subfolders are"));
  EXPECT_EQ(ui.LastMessage().text,
            "In all, 3 files were not purged.\r\nOne entry that is not a file (a link, pipe, device or mount "
            "point) was left alone.");
  EXPECT_EQ(ui.LastMessage().icon, platform::Icon::Information);
  EXPECT_EQ(window.lblLargePurgeMessage.caption,
            "The selected folder was " + top + "\r\nThree files in Two subfolders have been purged.");
}

// Mounts below the chosen subfolders are borders whatever they are: another file system, a folder of the
// same file system bound there, a file bound onto a file. Nothing in them, or under them, is touched; the
// account names what was left alone. The mounts live in a child process's own mount namespace.
TEST_F(FolderPurgeTest, MountsOfEveryKindInsideAreNeverEntered) {
  temp.Write("top/Data/mine.txt", SampleContent(100, 1));
  temp.MakeFolder("top/Data/stick");
  temp.MakeFolder("top/Data/bound");
  // What the bound files cover, out of sight while they are bound, and what is bound from outside.
  const std::map<std::string, std::string> covered = {
      {temp.Write("top/Data/sub/bound.txt", SampleContent(50, 9)), SampleContent(50, 9)},
      {temp.Write("top/Data/sub/memory.txt", SampleContent(60, 8)), SampleContent(60, 8)}};
  const std::map<std::string, std::string> kept = {
      {temp.Write("outside/keep.txt", SampleContent(300, 2)), SampleContent(300, 2)},
      {temp.Write("outside/deeper/other.txt", SampleContent(200, 3)), SampleContent(200, 3)}};
  const std::string memory = temp.MakeFolder("memory");
  const ChildOutcome outcome = RunInChild(
      [&] {
        if (!MountMemory(memory)) SkipChild("mounting needs root");
        std::ofstream(memory + "data.txt") << SampleContent(300, 4);
        if (!BindMount(memory, top + "Data/stick") || !BindMount(temp / "outside", top + "Data/bound") ||
            !BindMount(temp / "outside/keep.txt", top + "Data/sub/bound.txt") ||
            !BindMount(memory + "data.txt", top + "Data/sub/memory.txt"))
          SkipChild("bind mounts are not possible here");

        PurgeFolders(top, {"Data"}, {Answer::Ok, Answer::Ok, Answer::Ok});

        EXPECT_EQ(ReadFile(memory + "data.txt"), SampleContent(300, 4));
        EXPECT_FALSE(Exists(top + "Data/mine.txt"));
        EXPECT_EQ(ui.messages()[2].text, CountQuestion("One file in one subfolder is"));
        EXPECT_EQ(ui.LastMessage().text,
                  "4 entries that are not files (links, pipes, devices, mount points) were left alone.");
        for (const auto& [path, content] : kept) EXPECT_EQ(ReadFile(path), content) << path;
      },
      true);
  if (outcome == ChildOutcome::Skipped) GTEST_SKIP() << "mounting needs root";
  EXPECT_EQ(outcome, ChildOutcome::Passed);
  for (const auto& [path, content] : kept) EXPECT_EQ(ReadFile(path), content) << path;
  for (const auto& [path, content] : covered) EXPECT_EQ(ReadFile(path), content) << path;
}

TEST_F(FolderPurgeTest, FailedPassesAreAskedAboutAndCounted) {
  typeOfPurge.SelectPasses(0, 3);
  temp.Write("top/Data/flaky.txt", SampleContent(100, 1));
  temp.Write("top/Data/stuck.txt", SampleContent(100, 2));
  temp.Write("top/Data/sub/ok.txt", SampleContent(100, 3));
  fileSystem.Inject({"Flush", "flaky.txt"});
  fileSystem.Inject({"Remove", "stuck.txt", EPERM});
  fileSystem.Inject({"RemoveFolder", "Data/sub", EBUSY});

  std::string renamed;
  fileSystem.SetHook([&](const std::string& operation, const std::string& at) {
    if (operation == "RenameTo" && renamed == "pending") renamed = at.substr(at.rfind('/') + 1);
    if (operation == "Rename" && at.ends_with("stuck.txt")) renamed = "pending";
  });

  PurgeFolders(top, {"Data"}, std::vector<Answer>(7, Answer::Ok));

  ASSERT_EQ(ui.messages().size(), 8u);
  int flushQuestions = 0;
  int deletionQuestions = 0;
  for (const auto& message : ui.messages()) {
    flushQuestions +=
        message.text == "An error (-7) has been reported.\r\n" + top + "Data/flaky.txt\r\n" + kGoOn;
    // Renamed to hide its name before the deletion was tried: the question names both.
    deletionQuestions += message.text == "File deletion error.  File (shown below) may be hidden.\r\n" + top +
                                             "Data/stuck.txt\r\nIt is now named " + renamed + ".\r\n" + kGoOn;
  }
  EXPECT_EQ(flushQuestions, 3);
  EXPECT_EQ(deletionQuestions, 1);
  EXPECT_TRUE(Exists(top + "Data/" + renamed));
  EXPECT_FALSE(Exists(top + "Data/sub/ok.txt"));
  EXPECT_EQ(ui.LastMessage().text,
            "1 files could not be deleted\r\nand 1 folders could not be removed.\r\nIn all, 2 files were not "
            "purged.");
  EXPECT_EQ(window.lblLargePurgeMessage.caption,
            "The selected folder was " + top + "\r\nOne file in one subfolder has been purged.");
}

TEST_F(FolderPurgeTest, AFailingWriteEndsItsFolderOnlyAndIsNotClaimed) {
  const std::string kept = SampleContent(100, 1);
  temp.Write("top/Full/bad.txt", kept);
  // Passed over with their folder: they stay, and are counted as not purged.
  temp.Write("top/Full/sub/left.txt", SampleContent(100, 3));
  temp.Write("top/Full/sub/deeper/left.txt", SampleContent(100, 4));
  temp.Write("top/Fine/ok.txt", SampleContent(100, 2));
  fileSystem.Inject({"WriteRepeated", "bad.txt", ENOSPC});
  const auto before = Snapshot(temp.path());

  PurgeFolders(top, {"Full", "Fine"}, {Answer::Ok, Answer::Ok, Answer::Ok, Answer::Ok});

  ASSERT_EQ(ui.messages().size(), 5u);
  EXPECT_EQ(ui.messages()[2].text, CountQuestion("Four files in Two subfolders are"));
  EXPECT_EQ(ui.messages()[3].title, "Error");
  // The error names the file, and does not call it untouched: its writes had begun.
  EXPECT_EQ(ui.messages()[3].text,
            top +
                "Full/bad.txt\r\nNo space left on device\r\nOverwriting it broke off part way, "
                "so it may be partly overwritten; it was not deleted.");
  EXPECT_EQ(Snapshot(temp.path()), Without(before, {"top/Fine"}));
  EXPECT_EQ(ui.LastMessage().text, "In all, 3 files were not purged.");
  EXPECT_EQ(window.lblLargePurgeMessage.caption,
            "The selected folder was " + top + "\r\nOne file in Two subfolders has been purged.");
}

TEST_F(FolderPurgeTest, F10WhileCountingEndsTheCommandWithNothingPurged) {
  for (int i = 0; i < 10; ++i) temp.Write("top/Data/f" + std::to_string(i), SampleContent(10, i));
  const auto before = Snapshot(temp.path());
  window.KeyReleased(kF10);  // pressed before the command: forgotten when counting starts
  ui.OnYield([this](long) {
    if (state.blnCountingOnly && state.lngFilesToPurge == 3 && !state.blnStop) window.KeyReleased(kF10);
  });

  PurgeFolders(top, {"Data"}, {Answer::Ok, Answer::Cancel});

  EXPECT_EQ(Snapshot(temp.path()), before);
  ASSERT_EQ(ui.messages().size(), 3u);
  EXPECT_EQ(ui.LastMessage().text, kGoOn);
  EXPECT_EQ(ui.LastMessage().title, "Purge folders");
  EXPECT_TRUE(window.fraMenuEnabled);
  EXPECT_EQ(window.lblPurgeFoldersMessage.caption, "");
}

TEST_F(FolderPurgeTest, F10WhilePurgingAsksAndCancelStopsTheRun) {
  for (int i = 0; i < 10; ++i) temp.Write("top/Data/f" + std::to_string(i), SampleContent(10, i));
  int presses = 0;
  ui.OnYield([&](long) {
    if (state.blnCountingOnly || state.blnStop) return;
    if ((presses == 0 && state.lngFilesPurged == 3) || (presses == 1 && state.lngFilesPurged == 6)) {
      ++presses;
      window.KeyReleased(kF10);
    }
  });

  PurgeFolders(top, {"Data"}, {Answer::Ok, Answer::Ok, Answer::Ok, Answer::Cancel});

  ASSERT_EQ(ui.messages().size(), 5u);
  EXPECT_EQ(ui.messages()[3].text, std::string("2 files purged (20% of 10). ") + kGoOn);
  EXPECT_EQ(ui.messages()[4].text, std::string("5 files purged (50% of 10). ") + kGoOn);
  EXPECT_EQ(std::distance(fs::directory_iterator(top + "Data"), fs::directory_iterator()), 4);
  EXPECT_EQ(window.lblLargePurgeMessage.caption,
            "The top folder was " + top + "\r\nPurge of selected subfolders was stopped.");
  EXPECT_FALSE(state.blnStop);
  EXPECT_TRUE(window.fraMenuEnabled);

  // The next run knows nothing of the stop.
  PurgeFolders(top, {"Data"}, {Answer::Ok, Answer::Ok});
  EXPECT_FALSE(Exists(top + "Data"));
}

TEST_F(FolderPurgeTest, SummaryAndCountTexts) {
  RestrictDates(2020, 1, 1);
  for (int i = 1; i <= 9; ++i) temp.Write("top/f" + std::to_string(i) + "/x", "1");
  const auto before = Snapshot(temp.path());
  PurgeFolders(top, {"f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8", "f9"}, {Answer::Cancel});
  std::string listed;
  for (int i = 1; i <= 6; ++i) listed += "\r\n" + top + "f" + std::to_string(i);
  EXPECT_EQ(
      ui.LastMessage().text.substr(0, ui.LastMessage().text.find("\r\n\r\nClick")),
      "Nine folders will be purged:" + listed +
          "\r\nand 3 more.\r\n\r\nThe total size of the files to be purged is 9 bytes.\r\n\r\nNote also "
          "that THE CURRENT DATE RESTRICTION DOES NOT APPLY\r\nwhen purging folders.  ALL files in the "
          "selected subfolders\r\n(and their subfolders) will be purged regardless of date.");
  EXPECT_EQ(Snapshot(temp.path()), before);

  // One long entry on a line of its own; a size that is only a lower bound; the count in words or digits.
  for (const int files : {1, 21, 22, 201}) {
    top = Folder("top" + std::to_string(files));
    const std::string name = "A subfolder with a long name";
    for (int i = 0; i < files; ++i)
      temp.Write("top" + std::to_string(files) + "/" + name + "/d/" + std::to_string(i), "z");
    ui.ClearMessages();
    PurgeFolders(top, {name}, {Answer::Ok, Answer::Cancel});
    ASSERT_EQ(ui.messages().size(), 3u);
    EXPECT_TRUE(
        ui.messages()[1].text.starts_with("One folder will be purged:\r\n" + top + name + "\r\n\r\n"));
    const bool over = files > 200;
    EXPECT_EQ(
        ui.messages()[1].text.find("is over 200 bytes.\r\nNote that not all files in each folder were "
                                   "checked for size\r\nso the actual total size may be MUCH greater than "
                                   "this.") != std::string::npos,
        over);
    const std::string phrase = files == 1    ? "One file in one subfolder is"
                               : files == 21 ? "Twenty one files in one subfolder are"
                                             : std::to_string(files) + " files in one subfolder are";
    EXPECT_EQ(ui.LastMessage().text, CountQuestion(phrase));
    EXPECT_EQ(ui.LastMessage().defaultButton, Answer::Ok);
    EXPECT_EQ(std::distance(fs::directory_iterator(top + name + "/d"), fs::directory_iterator()), files);
  }
}

TEST_F(FolderPurgeTest, TheTopFolderChoice) {
  ui.Answer(Answer::No);
  window.cmdSpecifyDirectory_Release(1);
  EXPECT_TRUE(ui.folderPrompts().empty());

  const std::string empty = Folder("empty");
  ui.Answer(Answer::Yes);
  ui.QueueFolder(empty);
  ui.Answer(Answer::Yes);
  window.cmdSpecifyDirectory_Release(1);
  EXPECT_EQ(ui.folderPrompts().back(),
            "Specify the folder containing the subfolders\r\nto be purged (or a selection of them)");
  EXPECT_EQ(ui.LastMessage().text, empty + " is empty.\r\nDo you wish to delete this folder?");
  EXPECT_FALSE(Exists(empty));
  EXPECT_EQ(window.lblTopLevelFolder.caption, empty + " has been deleted.");

  const std::string flat = Folder("flat");
  temp.Write("flat/only.txt", "o");
  ui.Answer(Answer::Yes);
  ui.QueueFolder(flat);
  ui.Answer(Answer::Ok);
  window.cmdSpecifyDirectory_Release(1);
  EXPECT_EQ(ui.LastMessage().text, flat +
                                       " has no subfolders.\r\n\r\nIf you wish to purge the files in this "
                                       "folder\r\nthen click on 'Purge files'.");
  EXPECT_EQ(state.strTargetFolder, flat);
  EXPECT_EQ(window.lblFiles.caption, "*.*");
  EXPECT_EQ(window.lblSubdirectories2.caption, "(The folder has no subfolders.)");
  EXPECT_TRUE(window.lblFiles.visible);
  EXPECT_TRUE(Exists(flat + "only.txt"));

  // Cancelled selection; then the selection made is offered again for the same top folder only.
  temp.Write("top/Data/a", "a");
  temp.Write("top/Other/b", "b");
  ui.Answer(Answer::Yes);
  ui.QueueFolder(top);
  ui.OnDialog("frmSelectSubfolders", [this](platform::Dialog&) { selectSubfolders.cmdCancel(); });
  ui.Answer(Answer::Ok);
  ui.Answer(Answer::Ok);
  window.cmdSpecifyDirectory_Release(1);
  EXPECT_EQ(ui.messages()[ui.messages().size() - 2].text, "Selection cancelled.");
  EXPECT_EQ(ui.messages()[ui.messages().size() - 2].title, "Folder selection");
  EXPECT_EQ(ui.LastMessage().text, "No subolders were selected.");

  PurgeFolders(top, {"Data"}, {Answer::Cancel});
  ui.Answer(Answer::Yes);
  ui.QueueFolder(top);
  ui.OnDialog("frmSelectSubfolders", [this](platform::Dialog&) {
    EXPECT_TRUE(selectSubfolders.Rows()[0].checked);
    EXPECT_FALSE(selectSubfolders.Rows()[1].checked);
    selectSubfolders.cmdSelectDeselectAllSubfolders_Click(0);
    selectSubfolders.cmdAccept();
  });
  ui.Answer(Answer::Ok);
  window.cmdSpecifyDirectory_Release(1);
  EXPECT_EQ(ui.LastMessage().text, "No subolders were selected.");
  EXPECT_TRUE(Exists(top + "Data/a"));
}

TEST_F(FolderPurgeTest, TheSystemsOwnFoldersAreWarnedAbout) {
  using mainwindow::IsOperatingSystemFolder;
  using mainwindow::IsProgramsFolder;
  for (const char* folder :
       {"/usr", "/usr/", "/usr/share/doc", "/etc", "/var/lib", "/lib64", "/lib", "/boot"}) {
    EXPECT_TRUE(IsOperatingSystemFolder(folder)) << folder;
  }
  for (const char* folder : {"/usr/local", "/usr/local/bin", "/home/usr", "/opt", "/", "/srv", "/usrdata"}) {
    EXPECT_FALSE(IsOperatingSystemFolder(folder)) << folder;
  }
  EXPECT_TRUE(IsProgramsFolder("/opt"));
  EXPECT_TRUE(IsProgramsFolder("/usr/local/"));
  EXPECT_FALSE(IsProgramsFolder("/opt/app"));

  ui.Answer(Answer::Yes);
  ui.QueueFolder("/usr");
  ui.Answer(Answer::No);
  window.cmdSpecifyDirectory_Release(1);
  EXPECT_EQ(ui.LastMessage().text.substr(0, 40), "You have selected the /usr/ folder!\r\nThi");
  EXPECT_TRUE(ui.LastMessage().text.ends_with(
      "\r\n\r\nAre you SURE that you wish to purge files\r\nin some or all subfolders of this folder?"));
  EXPECT_TRUE(ui.DialogsShown().empty());
}

}  // namespace
}  // namespace nulvane::testing

namespace nulvane::testing {
namespace {

// The same "Purge folders" one file after another and with several files in flight on worker threads: the
// same questions in the same order, the same counts and results, the same disk afterwards.
TEST_F(FolderPurgeTest, WorkerThreadsAskAndCountAsOneFileAfterAnother) {
  typeOfPurge.SelectPasses(0, 3);
  struct Run {
    std::vector<std::string> messages;
    std::map<std::string, std::string> left;
    std::string result;
  };
  const auto run = [&](const std::string& name, engine::PassExecutor* executor) {
    for (int i = 0; i < 20; ++i)
      temp.Write(name + "/Data/f" + std::to_string(i) + ".txt", SampleContent(3000, i));
    temp.Write(name + "/Data/flaky.txt", SampleContent(100, 1));
    temp.Write(name + "/Data/sub/ok.txt", SampleContent(100, 3));
    temp.Write(name + "/Full/bad.txt", SampleContent(100, 4));
    temp.Write(name + "/Fine/ok.txt", SampleContent(100, 6));
    folderPurge.UsePassExecutor(executor);
    ui.ClearMessages();
    const std::string folder = Folder(name);
    PurgeFolders(folder, {"Data", "Full", "Fine"}, std::vector<Answer>(7, Answer::Ok));
    Run outcome;
    for (const auto& message : ui.messages()) {
      std::string text = message.text;
      for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
        text.replace(at, folder.size(), "TOP/");
      outcome.messages.push_back(message.title + ": " + text);
    }
    outcome.left = Snapshot(folder);
    outcome.result =
        window.lblLargePurgeMessage.caption.substr(window.lblLargePurgeMessage.caption.find("\r\n"));
    return outcome;
  };
  fileSystem.Inject({"Flush", "flaky.txt"});
  fileSystem.Inject({"WriteRepeated", "bad.txt", ENOSPC});
  const Run inline_ = run("one", nullptr);
  engine::PassPool pool(fileSystem, 4);
  const Run overlapped = run("two", &pool);

  EXPECT_EQ(overlapped.messages, inline_.messages);
  EXPECT_EQ(overlapped.left, inline_.left);
  EXPECT_EQ(overlapped.result, inline_.result);
  EXPECT_EQ(inline_.messages.size(), 8u);
  EXPECT_TRUE(ui.AllAnswersUsed());
}

}  // namespace
}  // namespace nulvane::testing
