// "Purge free space" on a small volume of the test's own (SmallDisk): the drive, the question with its
// estimate, the run in the report window, and that nothing it made is left, however the run ends.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "dialogs/PurgeConfirmationDialog.h"
#include "mainwindow/FreeSpacePurge.h"
#include "mainwindow/SpeedTestFixture.h"
#include "platform/PlatformError.h"
#include "report/ReportTestSupport.h"
#include "testsupport/PathCalls.h"
#include "testsupport/SmallDisk.h"

namespace nulvane::mainwindow::testing {
namespace {

using nulvane::testing::Exists;
using nulvane::testing::ReadFile;
using platform::Answer;
using platform::DriveType;
using Result = FreeSpacePurge::Result;

constexpr std::int64_t kMiB = 1 << 20;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class FreeSpacePurgeTest : public ::testing::Test {
 protected:
  FreeSpacePurgeTest() {
    support::SetLocale(support::LocaleSettings{});
    volume = temp.MakeFolder("vol");
    volume.pop_back();
    other = temp.MakeFolder("other");
    other.pop_back();
    disk.OverrideVolumes({{volume, "/dev/sdz1", "ext4", "DATA", DriveType::Fixed, "rw", false},
                          {other, "/dev/sdy1", "xfs", "", DriveType::Fixed}});
    disk.capacity = 20 * kMiB;
    // Every reading of the clock is a quarter of a second after the one before.
    clock.reading = [this] { return now += 0.25; };
    random.Seed(5);
  }

  std::vector<std::string> Leftovers() {
    std::vector<std::string> found;
    for (const platform::DirEntry& entry : ListFolder(disk, volume)) found.push_back(entry.name);
    return found;
  }
  const std::string& Report() const { return report.txbText.text(); }
  // The report from its second line on: the first holds the date and time.
  std::string ReportAfterDate() const { return Report().substr(Report().find("\r\n") + 2); }

  nulvane::testing::TempDir temp;
  std::string volume;
  std::string other;
  double now = 1000;
  nulvane::testing::SmallDisk disk;
  nulvane::testing::FakeUi ui;
  ScriptedClock clock;
  platform::Random random;
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes{disk};
  engine::PurgeEngine engine{disk, ui, clusterSizes, state};
  dialogs::TypeOfPurgeDialog typeOfPurge{ui};
  support::FolderServices folders{disk, ui};
  MemoryBackend backend;
  support::SettingsStore store{backend, "Maker", "Nulvane"};
  DriveDialog driveDialog{disk};
  RecordingHost host;
  SpeedTest speedTest{host,   disk,         ui,          clock,   random, state,
                      engine, clusterSizes, typeOfPurge, folders, store,  driveDialog};
  dialogs::PurgeConfirmationDialog confirmation{clusterSizes, state};
  nulvane::testing::FakeReportHost reportHost;
  report::ReportWindow report{disk, ui, clock, state, engine, typeOfPurge, confirmation, reportHost};
  FreeSpacePurge purge{host, disk, ui, clock, random, state, clusterSizes, report, speedTest, driveDialog};
};

TEST_F(FreeSpacePurgeTest, TheChosenDriveIsEstimatedFilledFlushedAndEmptiedAgain) {
  disk.capacity = 64 * kMiB;
  state.sngSpeedByDrive[volume] = 16;
  ui.OnDialog("frmSpecifyDrive2", [&](platform::Dialog&) {
    EXPECT_EQ(driveDialog.caption, "Purge the free space of which drive?");
    EXPECT_EQ(driveDialog.cboDrives.SelectedText(), other);  // the target's drive comes first
    driveDialog.SelectDrive(0);
    driveDialog.Accept();
  });
  ui.Answer(Answer::Yes);
  std::vector<std::string> progress;
  ui.OnYield([&](long) {
    const std::size_t lineBreak = Report().rfind("\r\n");
    const std::string last = lineBreak == std::string::npos ? "" : Report().substr(lineBreak + 2);
    if (last.rfind("Written ", 0) == 0 && (progress.empty() || progress.back() != last))
      progress.push_back(last);
  });
  purge.cmdPurgeFreeSpace(other);

  EXPECT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].title, "Purge free space");
  EXPECT_EQ(ui.messages()[0].defaultButton, Answer::No);
  EXPECT_EQ(
      ui.messages()[0].text,
      "This fills the free space of Drive " + volume +
          " (64.00 MB) with random bytes, flushes them to the disk and deletes them again, so that what "
          "deleted files left there cannot be recovered.\r\nAt the purge speed measured for this drive "
          "(16.00 MB/sec.) this takes about 4 seconds.\r\n\r\nWhile Drive " +
          volume +
          " is full, other programs cannot write to it: it is emptied again as soon as it is full, so that "
          "lasts only moments.\r\n\r\nDo you wish to proceed?");
  EXPECT_EQ(purge.lastResult, Result::Done);
  EXPECT_EQ(purge.strLastDrive, volume);
  EXPECT_EQ(disk.used, disk.capacity);
  EXPECT_TRUE(Leftovers().empty());

  EXPECT_EQ(report.caption, "Purge free space");
  const std::string text = ReportAfterDate();
  EXPECT_EQ(text.substr(0, text.find("Written")),
            "Purging the free space of Drive " + volume +
                " (64.00 MB free)\r\nwith one pass of random bytes in " + volume + "/_nv_free1.\r\n");
  EXPECT_TRUE(Contains(text, "\r\nWritten 64.00 MB in ")) << text;
  EXPECT_TRUE(Contains(
      text, " MB/sec.), flushed and deleted.\r\nThe free space of Drive " + volume + " has been purged.\r\n"))
      << text;
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress.front().rfind("Written 1.00 MB of 64.00 MB (2%) at ", 0), 0u) << progress.front();
  EXPECT_TRUE(Contains(progress.back(), " of 64.00 MB (")) << progress.back();
  EXPECT_TRUE(Contains(progress.back(), " MB/sec., about ")) << progress.back();
  EXPECT_EQ(report.lblPausedDone.caption, "Done");
  EXPECT_TRUE(report.cmdClose.visible);
  EXPECT_FALSE(report.cmdPauseContinue.visible);
  EXPECT_EQ(ui.clipboard(), Report());
  EXPECT_EQ(host.events, (std::vector<std::string>{"menu disabled", "menu enabled"}));
}

TEST_F(FreeSpacePurgeTest, WithoutAMeasuredSpeedTheQuestionSaysSoAndNoWritesNothing) {
  ui.Answer(Answer::No);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::NotRun);
  EXPECT_TRUE(
      Contains(ui.LastMessage().text,
               "(20.00 MB) with random bytes, flushes them to the disk and deletes them again, so that what "
               "deleted files left there cannot be recovered.\r\nThe purge speed of Drive " +
                   volume +
                   " has not been measured, so the time this takes is not known (\"Test purge speed\" "
                   "measures it).\r\n\r\n"));
  EXPECT_EQ(disk.Calls("MakeFolder"), 0);
  EXPECT_FALSE(report.IsVisible());
}

TEST_F(FreeSpacePurgeTest, AFullVolumeOrOneWithoutRoomForTheFolderEndsCleanly) {
  disk.capacity = 0;
  ui.Answer(Answer::Ok);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::NotRun);
  EXPECT_EQ(ui.LastMessage().text, "Drive " + volume + " has no free space to purge.");
  EXPECT_EQ(ui.LastMessage().icon, platform::Icon::Information);
  EXPECT_EQ(disk.Calls("MakeFolder"), 0);

  disk.capacity = kMiB;
  disk.Inject({"MakeFolder", volume + "/_nv_free", ENOSPC});
  ui.Answer(Answer::Yes);
  ui.Answer(Answer::Ok);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Failed);
  EXPECT_EQ(ui.LastMessage().text,
            "The free space of Drive " + volume +
                " cannot be purged: no folder can be made there (the drive may be full or "
                "read-only). Nothing was written.");
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_EQ(disk.used, 0);
  EXPECT_EQ(host.events.back(), "menu enabled");
}

// NTFS keeps small files whole in their file records, which the fill of the free clusters never reaches:
// the free records are filled first, as many as the file table has free, each with data that stays in the
// record; what stays unreached (records it could not count or fill, shadow copies) keeps the run from being
// called a purge of the free space.
TEST_F(FreeSpacePurgeTest, OnNtfsTheFreeFileRecordsAreFilledAsFarAsTheTableHasThem) {
  std::vector<platform::ResidueKind> kinds = {platform::ResidueKind::NtfsRecords};
  disk.OverrideClassification([&](const std::string&) {
    return platform::VolumeClass{volume, "NTFS", "\\\\?\\Volume{1}\\", kinds, kinds.size() > 1 ? 3 : 0};
  });
  platform::FileRecordTable table;
  table.known = true;
  table.freeRecords = 6;
  table.recordSize = 1024;
  disk.OverrideFileRecords([&](const std::string&) { return table; });
  std::vector<std::pair<std::string, std::uintmax_t>> records;
  disk.SetHook([&](const std::string& operation, const std::string& path) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    if (operation == "Flush" && !name.empty() && name.find_first_not_of("0123456789") == std::string::npos)
      records.emplace_back(name, std::filesystem::file_size(path));
  });
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Done);
  EXPECT_EQ(records, (std::vector<std::pair<std::string, std::uintmax_t>>{
                         {"1", 704}, {"2", 704}, {"3", 704}, {"4", 704}, {"5", 704}, {"6", 704}}));
  EXPECT_TRUE(Contains(Report(),
                       "flushed and deleted.\r\nThe 6 file records that deleted files left free on "
                       "Drive " +
                           volume +
                           " were overwritten too.\r\nThe names of deleted files stay "
                           "in the folder indexes and the change journal of Drive " +
                           volume + " until NTFS reuses their room.\r\nThe free space of Drive " + volume +
                           " has been purged."))
      << Report();
  EXPECT_TRUE(Leftovers().empty());

  // Without the rights to read the table, the records stay as they are, and so do shadow copies.
  disk.SetHook({});
  disk.Reset();
  table = {};
  table.reason = "reading them takes the administrator's rights";
  kinds.push_back(platform::ResidueKind::ShadowCopies);
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Incomplete);
  EXPECT_TRUE(
      Contains(Report(), "The file records that deleted files left free on Drive " + volume +
                             " were not overwritten: reading them takes the administrator's rights. They "
                             "may hold small deleted files whole, and the early part of others: purge the "
                             "free space as administrator to overwrite them.\r\n"))
      << Report();
  EXPECT_TRUE(Contains(Report(), "The shadow copies of Drive " + volume +
                                     " keep what they held, which is not free space and was not overwritten: "
                                     "delete them (\"vssadmin delete shadows /for=" +
                                     volume +
                                     " /all\" as administrator), then purge the free space again.\r\n"))
      << Report();
  EXPECT_FALSE(Contains(Report(), "has been purged"));

  // A drive that fills before the last free record is taken says how many were.
  disk.Reset();
  disk.capacity = 10 * 704 + 100;
  table = {true, 50, 1024, ""};
  kinds = {platform::ResidueKind::NtfsRecords, platform::ResidueKind::MayHaveShadowCopies};
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Incomplete);
  EXPECT_TRUE(
      Contains(Report(), "Of the 50 file records that deleted files left free on Drive " + volume +
                             ", 10 were overwritten before the drive was full; the others may still hold "
                             "small deleted files whole.\r\n"))
      << Report();
  EXPECT_TRUE(Contains(Report(), "Whether Drive " + volume +
                                     " has shadow copies could not be asked (that takes the administrator's "
                                     "rights): what any of them keeps is not free space and was not "
                                     "overwritten.\r\n"))
      << Report();
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(FreeSpacePurgeTest, ADiskThatSaysItIsFullWhileShowingFreeSpaceIsNotCalledPurged) {
  disk.capacity = 8 * kMiB;
  disk.reportedFree = 64.0 * kMiB;
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Incomplete);
  EXPECT_TRUE(Contains(Report(), "flushed and deleted.\r\nThe file system reported Drive " + volume +
                                     " full while it still showed 64.00 MB free; that space was not "
                                     "overwritten.\r\n"))
      << Report();
  EXPECT_FALSE(Contains(Report(), "has been purged"));
  EXPECT_EQ(report.lblPausedDone.caption, "");
  EXPECT_TRUE(Leftovers().empty());
}

// The free space the fill cannot take is named with its amount, its cause and what would reach it, and
// the run is not called a purge of the free space.
TEST_F(FreeSpacePurgeTest, ReservesThatStayFullOfOldDataAreNamedAndTheRunIsNotCalledPurged) {
  disk.administratorReserve = 3.0 * kMiB;
  disk.fileSystemReserve = 1.0 * kMiB;
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Incomplete);
  EXPECT_EQ(disk.used, disk.capacity);
  EXPECT_TRUE(Contains(
      Report(),
      " MB/sec.), flushed and deleted.\r\n3.00 MB is kept for the administrator: purging the free "
      "space as administrator (root) overwrites that too.\r\n1.00 MB is the reserve that ext4 keeps "
      "free for writes already under way when the drive is full: no program may fill it, and lowering "
      "it while the drive is mounted can lose what other programs write.\r\nSo 4.00 MB of the free "
      "space of Drive " +
          volume + " was not overwritten, and what deleted files left there may still be recovered;"))
      << Report();
  EXPECT_FALSE(Contains(Report(), "has been purged"));
  EXPECT_EQ(report.lblPausedDone.caption, "");

  // The administrator fills the administrator's part too: only the file system's own reserve stays.
  disk.Reset();
  disk.administrator = true;
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Incomplete);
  EXPECT_TRUE(Contains(ui.LastMessage().text, "(20.00 MB) with random bytes")) << ui.LastMessage().text;
  EXPECT_EQ(disk.used, disk.capacity);
  EXPECT_FALSE(Contains(ReportAfterDate(), "administrator")) << Report();
  EXPECT_TRUE(Contains(ReportAfterDate(), "\r\nSo 1.00 MB of the free space of Drive ")) << Report();

  // Nothing left to fill, only reserves: said at once, and not called done.
  disk.capacity = 0;
  disk.Reset();
  disk.administrator = false;
  const int foldersMade = disk.Calls("MakeFolder");
  ui.Answer(Answer::Ok);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Incomplete);
  EXPECT_EQ(
      ui.LastMessage().text.rfind("Drive " + volume +
                                      " has no free space that this program may fill.\r\n3.00 MB is kept "
                                      "for the administrator",
                                  0),
      0u)
      << ui.LastMessage().text;
  EXPECT_EQ(disk.Calls("MakeFolder"), foldersMade);
}

TEST_F(FreeSpacePurgeTest, ADriveThatDoesNotTellItsSizeIsFilledUntilItRefuses) {
  disk.sizeUnknown = true;
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Done);
  EXPECT_TRUE(
      Contains(ui.messages()[0].text, "This fills the free space of Drive " + volume +
                                          " (the drive does not tell how much is free) with random bytes"))
      << ui.messages()[0].text;
  EXPECT_EQ(disk.used, disk.capacity);
  EXPECT_TRUE(Contains(Report(), "(free space not known)")) << Report();
  EXPECT_TRUE(
      Contains(Report(), "Drive " + volume +
                             " could not tell how much was free: 20.00 MB was written before it refused "
                             "more, because it was full.\r\nThe free space of Drive " +
                             volume + " has been purged.\r\n"))
      << Report();

  // A fill that ends any other way is no purge.
  disk.Reset();
  disk.Inject({"CreateUnnamedFile", "", EOPNOTSUPP});
  disk.Inject({"WriteAt", "_nv_free", EIO, 1, 1});
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Failed);
  EXPECT_TRUE(Leftovers().empty());
}

// A fill cut short (the program killed) leaves its folder; the next run deletes it first and says so,
// but never one that another run holds or one that holds anything a fill does not write.
TEST_F(FreeSpacePurgeTest, FoldersLeftByAFillCutShortAreDeletedFirstUnlessHeldOrNotOurs) {
  temp.Write("vol/_nv_free3/_nv_free1", "random");
  temp.Write("vol/_nv_free3/_nv_free2", "random");
  temp.Write("vol/_nv_free3/17", "a free file record's filling");
  temp.MakeFolder("vol/_nv_free5");
  temp.Write("vol/_nv_free7/notes.txt", "mine");
  temp.Write("vol/_nv_freedom/_nv_free1", "not a fill's folder");
  // Another run is filling from this one.
  const platform::File held = disk.LockFolder(*disk.OpenFolder(volume + "/_nv_free5"));
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Done);
  EXPECT_TRUE(
      Contains(ui.messages()[0].text, "The folder " + volume +
                                          "/_nv_free3 that an earlier purge of the free space left when "
                                          "it was cut short is deleted first.\r\n"))
      << ui.messages()[0].text;
  EXPECT_TRUE(
      Contains(Report(), "Deleted the folder " + volume +
                             "/_nv_free3 and the 3 files of random bytes in it, left by an earlier purge "
                             "of the free space that was cut short.\r\n"))
      << Report();
  EXPECT_TRUE(
      Contains(Report(), "The folder " + volume +
                             "/_nv_free5 belongs to a purge of the free space that is running now: it is "
                             "left alone.\r\n"));
  EXPECT_TRUE(
      Contains(Report(), "The folder " + volume +
                             "/_nv_free7 holds notes.txt, which no purge of the free space writes, so it "
                             "is left as it is.\r\n"));
  EXPECT_FALSE(Exists(temp / "vol/_nv_free3"));
  EXPECT_EQ(ReadFile(temp / "vol/_nv_free7/notes.txt"), "mine");
  EXPECT_TRUE(Exists(temp / "vol/_nv_free5"));
  EXPECT_TRUE(Exists(temp / "vol/_nv_freedom/_nv_free1"));
  // The run's own folder took a free number and is gone again.
  EXPECT_TRUE(Contains(Report(), "with one pass of random bytes in " + volume + "/_nv_free1.")) << Report();
  EXPECT_FALSE(Exists(temp / "vol/_nv_free1"));
}

TEST_F(FreeSpacePurgeTest, PauseThenStopEndsTheRunAndEverythingWrittenIsDeleted) {
  disk.capacity = 64 * kMiB;
  disk.Inject({"CreateUnnamedFile", "", EOPNOTSUPP});
  ui.Answer(Answer::Yes);
  bool stopped = false;
  ui.OnYield([&](long count) {
    if (count == 4) {
      report.cmdPauseContinue_Click();
      EXPECT_TRUE(report.cmdStop.visible);
    } else if (report.blnPaused && !stopped) {
      // What was written is still there while the run waits.
      EXPECT_EQ(Leftovers(), std::vector<std::string>{"_nv_free1"});
      stopped = true;
      report.cmdStop_Click();
    }
  });
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Stopped);
  EXPECT_TRUE(stopped);
  EXPECT_LT(disk.used, disk.capacity);
  EXPECT_TRUE(Contains(Report(), "\r\nStopped after ")) << Report();
  EXPECT_TRUE(Contains(Report(),
                       " had been written: the free space was not purged to the end.\r\nEverything "
                       "written has been deleted.\r\n"))
      << Report();
  EXPECT_EQ(report.lblPausedDone.caption, "Stopped");
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(FreeSpacePurgeTest, AWriteThatFailsOrCrashesIsToldAndLeavesNothing) {
  disk.capacity = 64 * kMiB;
  disk.Inject({"CreateUnnamedFile", "", EOPNOTSUPP});
  disk.Inject({"WriteAt", "_nv_free", EIO, 1, 1});
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Failed);
  EXPECT_TRUE(
      Contains(ReportAfterDate(),
               "An error occurred after 1.00 MB had been written: Input/output error\r\nThe free space was "
               "not purged to the end.\r\nEverything written has been deleted.\r\n"))
      << Report();
  EXPECT_TRUE(Leftovers().empty());

  int writes = 0;
  disk.SetHook([&](const std::string& operation, const std::string&) {
    if (operation == "WriteAt" && ++writes == 2) throw std::runtime_error("the write crashed");
  });
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Failed);
  EXPECT_TRUE(Contains(Report(), "had been written: the write crashed\r\n")) << Report();
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(FreeSpacePurgeTest, AFileThatCannotBeDeletedIsNamedInTheReportAndInAMessage) {
  disk.Inject({"CreateUnnamedFile", "", EOPNOTSUPP});
  disk.Inject({"Remove", "_nv_free1/_nv_free2", EACCES});
  ui.Answer(Answer::Yes);
  ui.Answer(Answer::Ok);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Incomplete);
  const std::string problem = "The folder " + volume +
                              "/_nv_free1 still holds 1 file of random bytes that could not be deleted "
                              "(Permission denied): delete that folder to give the space back.";
  EXPECT_EQ(ui.LastMessage().text, problem);
  EXPECT_EQ(ui.LastMessage().icon, platform::Icon::Warning);
  EXPECT_TRUE(Contains(Report(), " MB/sec.), flushed.\r\nThe free space of Drive " + volume +
                                     " has been purged.\r\n" + problem + "\r\n"))
      << Report();
  EXPECT_NE(report.lblPausedDone.caption, "Done");
}

TEST_F(FreeSpacePurgeTest, AMemoryVolumeIsNotFilled) {
  disk.OverrideVolumes({{volume, "tmpfs", "tmpfs", "", DriveType::RamDisk, "rw", false}});
  ui.Answer(Answer::Ok);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::NotRun);
  EXPECT_EQ(ui.LastMessage().text,
            "Drive " + volume +
                " is a memory file system: its free space is memory that other programs "
                "need, and it holds no old files. Nothing was written.");
  EXPECT_EQ(disk.Calls("MakeFolder"), 0);
}

// A journal of 10 MB that one look in three finds a megabyte further round.
std::optional<platform::JournalUse> SlowJournal(int& looks) {
  ++looks;
  return platform::JournalUse{10 * kMiB, (looks / 3) * kMiB};
}

TEST_F(FreeSpacePurgeTest, TheJournalIsWrittenOverAfterTheFillAndTheReportSaysSo) {
  int looks = 0;
  disk.OverrideJournal([&](const platform::Folder&) { return SlowJournal(looks); });
  ui.Answer(Answer::Yes);
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Done);
  EXPECT_TRUE(Contains(
      Report(), "The free space of Drive " + volume + " has been purged.\r\nThe journal of Drive " + volume +
                    " (10.00 MB), where the file system keeps copies of its recently changed "
                    "folders with the names of deleted files, has been written over.\r\n"))
      << Report();
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(FreeSpacePurgeTest, AJournalNotWrittenOverToTheEndIsSaidAndTheRunIsNotCalledDone) {
  int looks = 0;
  disk.OverrideJournal([&](const platform::Folder&) { return SlowJournal(looks); });
  ui.Answer(Answer::Yes);
  // Stopped while the journal is written over: the free space was purged, the journal only in part.
  ui.OnYield([&](long) {
    if (Contains(Report(), "Writing over the journal of Drive ") && !report.blnStop) report.cmdStop_Click();
  });
  EXPECT_EQ(purge.PurgeFreeSpace(volume, "", false), Result::Stopped);
  EXPECT_TRUE(Contains(Report(), "The free space of Drive " + volume + " has been purged.\r\nOnly "))
      << Report();
  EXPECT_TRUE(Contains(Report(), "% of the journal of Drive " + volume +
                                     " (10.00 MB) was written over before the purge was stopped: the names "
                                     "of files deleted recently may still be found in it.\r\n"))
      << Report();
  EXPECT_TRUE(Leftovers().empty());
}

}  // namespace
}  // namespace nulvane::mainwindow::testing
