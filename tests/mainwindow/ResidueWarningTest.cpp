// The warning before "Purge files" where overwriting in place cannot reach every copy of the data, with
// each kind of volume presented through the file-system seam.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>

#include "mainwindow/FreeSpacePurge.h"
#include "mainwindow/MainWindowFixture.h"
#include "mainwindow/ResidueWarning.h"
#include "mainwindow/SpeedTestFixture.h"
#include "platform/PlatformError.h"
#include "testsupport/PathCalls.h"

namespace nulvane::testing {
namespace {

using platform::Answer;
using platform::DriveType;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class ResidueWarningTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    window.AttachFreeSpacePurge(warning, freeSpace);
    volume = temp.MakeFolder("vol");
    volume.pop_back();
    // A free-space purge here fills at most two writes' worth of the real disk, then finds the volume full.
    fileSystem.OverrideDisk([this](const std::string&) {
      platform::DiskSpace space;
      space.clusterSize = 4096;
      space.freeBytes = freeBytes;
      space.totalBytes = 1e9;
      return space;
    });
    fileSystem.SetHook([this](const std::string& operation, const std::string& path) {
      if (operation == "WriteAt" && Contains(path, "_nv_free") && ++fillWrites > 2) {
        freeBytes = 0;
        platform::ThrowErrno(ENOSPC);
      }
    });
  }

  void Present(const std::string& type, const std::string& options, bool flash,
               const std::string& device = "/dev/sdz1") {
    fileSystem.OverrideVolumes({{volume, device, type, "", DriveType::Fixed, options, flash}});
  }

  // "Purge files" on a folder of the volume with two files, with the answers that `answers` queues; true
  // when the files are gone.
  bool PurgeFolder(const std::string& name, const std::function<void()>& answers) {
    const std::string folder = Folder("vol/" + name);
    temp.Write("vol/" + name + "/a.txt", SampleContent(5000, 1));
    temp.Write("vol/" + name + "/b.txt", SampleContent(7000, 2));
    window.Clock2Tick();
    SpecifyFolder(folder, Answer::Yes);
    ui.ClearMessages();
    answers();
    window.cmdProcessFiles_Release(1);
    return !Exists(folder + "a.txt") && !Exists(folder + "b.txt");
  }

  std::vector<FakeUi::MessageRecord> Warnings() const {
    std::vector<FakeUi::MessageRecord> found;
    for (const auto& message : ui.messages()) {
      if (Contains(message.text, mainwindow::ResidueWarning::kHeadline)) found.push_back(message);
    }
    return found;
  }

  std::string volume;
  double freeBytes = 64.0 * 1048576;
  int fillWrites = 0;
  mainwindow::testing::MemoryBackend backend;
  support::SettingsStore store{backend, "Maker", "Nulvane"};
  mainwindow::ResidueWarning warning{fileSystem, ui, store};
  mainwindow::FreeSpacePurge freeSpace{window, fileSystem,   ui,     clock,     random,
                                       state,  clusterSizes, report, speedTest, driveDialog};
};

TEST_F(ResidueWarningTest, NamesTheVolumeAndSaysWhatStaysWhyAndWhatToDo) {
  Present("btrfs", "rw", false);
  EXPECT_FALSE(PurgeFolder("cow", [&] { ui.Answer(Answer::No); }));
  ASSERT_EQ(Warnings().size(), 1u);
  const FakeUi::MessageRecord message = Warnings().front();
  EXPECT_EQ(message.title, "Purge files");
  EXPECT_EQ(message.buttons, platform::Buttons::YesNo);
  EXPECT_EQ(message.icon, platform::Icon::Warning);
  EXPECT_EQ(message.defaultButton, Answer::No);
  EXPECT_EQ(message.checkBox, "");
  EXPECT_EQ(
      message.text,
      "Overwriting may not reach all of the data on Drive " + volume + ".\r\nDrive " + volume +
          " is a copy-on-write file system (btrfs).\r\nIt writes changed data to new places and leaves the "
          "old blocks as they were until it needs the room, so a purge overwrites new blocks, not those "
          "that held the files; a snapshot keeps the old blocks for as long as it exists. The names of the "
          "files stay in its old records too, where no program can write.\r\nWhat you can "
          "do: Purge the free space of Drive " +
          volume +
          " when the purge has ended (the program offers it then): that overwrites the old copies in the "
          "free space. Delete the snapshots that hold the files first: what they keep is not free "
          "space.\r\n\r\nDo you wish to go on with the purge?");
  // No ends the command: no confirmation, no folder offered for deletion, nothing purged.
  EXPECT_TRUE(ui.DialogsShown().empty());
  EXPECT_EQ(ui.messages().size(), 1u);
}

TEST_F(ResidueWarningTest, EveryKindHasItsOwnWordsAndNoPurgesNothing) {
  struct Case {
    const char* type;
    const char* options;
    bool flash;
    std::vector<std::string> says;
  };
  const Case cases[] = {
      {"f2fs", "rw", false, {"is a log-structured file system (f2fs).", "appends every write to its log"}},
      {"ext4",
       "rw,data=journal",
       false,
       {"is an ext4 file system mounted with data=journal.", "the journal may still hold copies",
        "Its writes pass through the journal too"}},
      {"nfs4",
       "rw",
       false,
       {"is a network file system (nfs4).", "The server decides", "Ask the owner of the server"}},
      {"fuse.encfs",
       "rw",
       false,
       {"a file system run by a program (fuse.encfs)", "Ask the owner of the computer"}},
      {"tmpfs", "rw", false, {"is a memory file system (tmpfs).", "swap space", "Encrypted swap space"}},
      {"ext4",
       "rw",
       true,
       {" (ext4) is on a flash device.", "wear levelling", "only encrypting the whole device",
        "Purge the free space of Drive "}},
      {"zfs",
       "rw",
       true,
       {"is a copy-on-write file system (zfs) on a flash device.", "a snapshot keeps", "wear levelling"}},
  };
  int folder = 0;
  for (const Case& c : cases) {
    Present(c.type, c.options, c.flash);
    EXPECT_FALSE(PurgeFolder("k" + std::to_string(++folder), [&] { ui.Answer(Answer::No); })) << c.type;
    ASSERT_EQ(Warnings().size(), 1u) << c.type;
    for (const std::string& part : c.says) EXPECT_TRUE(Contains(Warnings().front().text, part)) << part;
    EXPECT_EQ(Warnings().front().checkBox,
              c.flash && std::string(c.type) == "ext4" ? mainwindow::ResidueWarning::kDontWarnAgain : "")
        << c.type;
    EXPECT_TRUE(ui.DialogsShown().empty()) << c.type;
  }
}

TEST_F(ResidueWarningTest, YesGoesOnToTheConfirmationAndThePurgeEndsWithTheFreeSpaceOffer) {
  Present("btrfs", "rw", false);
  EXPECT_TRUE(PurgeFolder("cow", [&] {
    ui.Answer(Answer::Yes);  // the warning
    AnswerConfirmation(true);
    ui.Answer(Answer::No);  // "Delete folder ...?"
    ui.Answer(Answer::No);  // the free-space purge
  }));
  EXPECT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(ui.DialogsShown(), std::vector<std::string>{"frmPurgeConfirmation"});
  const FakeUi::MessageRecord& offer = ui.LastMessage();
  EXPECT_EQ(offer.title, "Purge free space");
  EXPECT_TRUE(Contains(offer.text, "The purge has ended. The old copies that it could not reach on Drive " +
                                       volume +
                                       " can now be overwritten with its free space.\r\n\r\nThis fills "
                                       "the free space of Drive " +
                                       volume))
      << offer.text;
  EXPECT_EQ(fillWrites, 0);

  // A single file goes the same way; an ordinary volume says nothing.
  const std::string single = temp.Write("vol/one/secret.txt", SampleContent(3000, 5));
  window.Clock2Tick();
  ui.QueueOpenFile({true, single});
  window.cmdSingleFile_Release();
  window.Clock2Tick();
  ui.ClearMessages();
  ui.Answer(Answer::No);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(Warnings().size(), 1u);
  EXPECT_TRUE(Exists(single));

  Present("ext4", "rw,data=ordered", false);
  ui.ClearMessages();
  AnswerConfirmation(true);
  ui.Answer(Answer::No);  // "Delete folder ...?"
  window.cmdProcessFiles_Release(1);
  EXPECT_TRUE(Warnings().empty());
  EXPECT_FALSE(Exists(single));
}

TEST_F(ResidueWarningTest, TheOfferedFreeSpacePurgeRunsOnInThePurgesReportAndLeavesNothing) {
  Present("ext4", "rw,data=journal", false);
  EXPECT_TRUE(PurgeFolder("journal", [&] {
    ui.Answer(Answer::Yes);
    AnswerConfirmation(true);
    ui.Answer(Answer::No);   // "Delete folder ...?"
    ui.Answer(Answer::Yes);  // the free-space purge
  }));
  const std::string& text = report.txbText.text();
  const std::size_t purge = text.find("Purging all files in ");
  const std::size_t fill = text.find("Purging the free space of Drive " + volume + " (64.00 MB free)");
  ASSERT_NE(purge, std::string::npos) << text;
  ASSERT_NE(fill, std::string::npos) << text;
  EXPECT_LT(purge, fill);
  EXPECT_TRUE(Contains(text, "Written 2.00 MB in ")) << text;
  EXPECT_TRUE(Contains(text, "The free space of Drive " + volume + " has been purged.")) << text;
  EXPECT_EQ(report.lblPausedDone.caption, "Done");
  for (const platform::DirEntry& entry : ListFolder(fileSystem, volume)) {
    EXPECT_EQ(entry.name.find("_nv_free"), std::string::npos) << entry.name;
  }
}

TEST_F(ResidueWarningTest, PurgeFoldersAsksTheSameBeforeItsConfirmation) {
  Present("f2fs", "rw", false);
  const std::string top = Folder("vol/top");
  temp.Write("vol/top/Data/a.txt", SampleContent(4000, 1));
  temp.Write("vol/top/Data/deeper/b.txt", SampleContent(4000, 2));
  const auto purgeFolders = [&](const std::vector<Answer>& answers) {
    window.Clock2Tick();
    ui.ClearMessages();
    ui.Answer(Answer::Yes);  // "Do you wish to purge all files in selected subfolders ...?"
    for (const Answer answer : answers) ui.Answer(answer);
    ui.QueueFolder(top);
    ui.OnDialog("frmSelectSubfolders", [this](platform::Dialog&) {
      selectSubfolders.chkSubfolder_Click(0, true);
      selectSubfolders.cmdAccept();
    });
    window.cmdSpecifyDirectory_Release(1);
  };

  purgeFolders({Answer::No});
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(Warnings().front().title, "Purge folders");
  EXPECT_TRUE(Contains(Warnings().front().text, "is a log-structured file system (f2fs)."));
  EXPECT_EQ(ui.messages().size(), 2u) << "nothing follows the warning";
  EXPECT_TRUE(Exists(top + "Data/a.txt"));

  // The warning, the summary, the count; after the purge the free space is offered.
  purgeFolders({Answer::Yes, Answer::Ok, Answer::Ok, Answer::No});
  EXPECT_EQ(Warnings().size(), 1u);
  EXPECT_FALSE(Exists(top + "Data"));
  EXPECT_EQ(ui.LastMessage().title, "Purge free space");
  EXPECT_TRUE(Contains(ui.LastMessage().text, "The purge has ended."));
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST_F(ResidueWarningTest, DontWarnAgainIsKeptForThatFlashVolumeAndItsDeviceOnly) {
  Present("ext4", "rw", true, "/dev/nvme0n1p2");
  EXPECT_FALSE(PurgeFolder("a", [&] {
    ui.CheckNextBox(true);
    ui.Answer(Answer::No);
  }));
  ASSERT_EQ(Warnings().size(), 1u);

  // The same volume: straight to the confirmation.
  EXPECT_FALSE(PurgeFolder("b", [&] {
    AnswerConfirmation(false);
    ui.Answer(Answer::Ok);  // "No files purged."
  }));
  EXPECT_TRUE(Warnings().empty());
  EXPECT_EQ(ui.DialogsShown(), std::vector<std::string>{"frmPurgeConfirmation"});

  // Another device mounted there, another flash volume, or copy-on-write on flash: warned again.
  for (const auto& [device, type] :
       {std::pair<std::string, std::string>{"/dev/sdb1", "ext4"}, {"/dev/nvme0n1p2", "btrfs"}}) {
    Present(type, "rw", true, device);
    EXPECT_FALSE(PurgeFolder("c", [&] { ui.Answer(Answer::No); }));
    ASSERT_EQ(Warnings().size(), 1u) << device << " " << type;
    EXPECT_EQ(Warnings().front().checkBox, type == "ext4" ? mainwindow::ResidueWarning::kDontWarnAgain : "");
  }
  const std::string other = temp.MakeFolder("other");
  fileSystem.OverrideVolumes(
      {{volume, "/dev/nvme0n1p2", "ext4", "", DriveType::Fixed, "rw", true},
       {other.substr(0, other.size() - 1), "/dev/sdc1", "ext4", "", DriveType::Fixed, "rw", true}});
  temp.Write("other/x.txt", "x");
  window.Clock2Tick();
  SpecifyFolder(other, Answer::Yes);
  ui.ClearMessages();
  ui.Answer(Answer::No);
  window.cmdProcessFiles_Release(1);
  EXPECT_EQ(Warnings().size(), 1u);
  EXPECT_TRUE(ui.AllAnswersUsed());
}

// An NTFS drive as Windows presents it: its file records always, and its shadow copies as the service
// counted them (-1: it could not be asked).
class NtfsResidueWarningTest : public ResidueWarningTest {
 protected:
  void PresentNtfs(int shadowCopies, bool flash) {
    fileSystem.OverrideClassification([this, shadowCopies, flash](const std::string&) {
      platform::VolumeClass ntfs{volume, "NTFS", "\\\\?\\Volume{4d3c2b1a}\\", {ResidueKind::NtfsRecords}};
      if (shadowCopies > 0) ntfs.kinds.push_back(ResidueKind::ShadowCopies);
      if (shadowCopies < 0) ntfs.kinds.push_back(ResidueKind::MayHaveShadowCopies);
      if (flash) ntfs.kinds.push_back(ResidueKind::Flash);
      ntfs.shadowCopies = std::max(shadowCopies, 0);
      return ntfs;
    });
  }

  using ResidueKind = platform::ResidueKind;
};

TEST_F(NtfsResidueWarningTest, ShadowCopiesAndFileRecordsAreToldOnceWithWhatReachesThem) {
  PresentNtfs(2, false);
  EXPECT_FALSE(PurgeFolder("ntfs", [&] { ui.Answer(Answer::No); }));
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(Warnings().front().checkBox, "") << "shadow copies found are told every time";
  EXPECT_EQ(
      Warnings().front().text,
      "Overwriting may not reach all of the data on Drive " + volume + ".\r\nDrive " + volume +
          " is an NTFS file system.\r\nNTFS keeps the contents of small files (up to about 700 bytes) and of "
          "small named streams in its file records, and a file that was once that small may keep its early "
          "part there; the names of files stay in the file records, the folder indexes and the change "
          "journal. Overwriting a file does not reach these copies, and a deleted file's record keeps them "
          "until a new file takes it.\r\nWindows keeps 2 shadow copies of Drive " +
          volume +
          " (restore points, Previous Versions): the first write to each part of a file copies what it held "
          "into them, where neither overwriting nor \"Purge free space\" reaches.\r\nWhat you can do: Purge "
          "the free space of Drive " +
          volume +
          " when the purge has ended (the program offers it then): that overwrites the old copies in the "
          "free space. Purged as administrator, the free space includes the file records that deleted files "
          "left free; the names in the folder indexes and the change journal stay until NTFS reuses their "
          "room. Delete the shadow copies of Drive " +
          volume + " (System Protection, or \"vssadmin delete shadows /for=" + volume +
          " /all\" as administrator) before its free space is purged: this program does not delete them for "
          "you.\r\n\r\nDo you wish to go on with the purge?");
  EXPECT_TRUE(ui.DialogsShown().empty());

  // The command line asks once for all the paths it is given.
  warning.holdAnswers = true;
  ui.ClearMessages();
  ui.Answer(Answer::Yes);
  EXPECT_TRUE(warning.Confirm({Folder("vol/ntfs")}, "Purge files"));
  EXPECT_EQ(warning.FreeSpaceVolumes(), std::vector<std::string>{volume});
  EXPECT_TRUE(warning.Confirm({Folder("vol/ntfs") + "a.txt", Folder("vol/ntfs") + "b.txt"}, "Purge files"));
  EXPECT_EQ(Warnings().size(), 1u);
}

TEST_F(NtfsResidueWarningTest, ShadowCopiesThatCouldNotBeAskedAboutAreAStandingNoteOnAFixedDrive) {
  PresentNtfs(-1, true);
  EXPECT_FALSE(PurgeFolder("a", [&] {
    ui.CheckNextBox(true);
    ui.Answer(Answer::No);
  }));
  ASSERT_EQ(Warnings().size(), 1u);
  const std::string text = Warnings().front().text;
  EXPECT_TRUE(Contains(text, "Drive " + volume + " is an NTFS file system on a flash device.\r\nNTFS keeps"))
      << text;
  EXPECT_TRUE(
      Contains(text, "\r\nWindows may keep shadow copies of Drive " + volume +
                         " (restore points, Previous Versions), and whether it does could not be asked: that "
                         "takes the administrator's rights. While one exists, the first write to each part "
                         "of a file copies what it held into it, where neither overwriting nor \"Purge free "
                         "space\" reaches.\r\nA solid-state disk"))
      << text;
  EXPECT_TRUE(Contains(text, "Look for shadow copies of Drive " + volume +
                                 " (\"vssadmin list shadows /for=" + volume +
                                 "\" as administrator) and delete them before its free space is purged: this "
                                 "program does not delete them for you."))
      << text;
  EXPECT_EQ(Warnings().front().checkBox, mainwindow::ResidueWarning::kDontWarnAgain);

  // Not told again on that volume, until shadow copies are found there.
  EXPECT_FALSE(PurgeFolder("b", [&] {
    AnswerConfirmation(false);
    ui.Answer(Answer::Ok);  // "No files purged."
  }));
  EXPECT_TRUE(Warnings().empty());
  PresentNtfs(1, true);
  EXPECT_FALSE(PurgeFolder("c", [&] { ui.Answer(Answer::No); }));
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_TRUE(Contains(Warnings().front().text, "Windows keeps a shadow copy of Drive " + volume +
                                                    " (restore points, Previous Versions): the first write "
                                                    "to each part of a file copies what it held into it,"))
      << Warnings().front().text;
  EXPECT_EQ(Warnings().front().checkBox, "");
  EXPECT_TRUE(ui.AllAnswersUsed());
}

}  // namespace
}  // namespace nulvane::testing
