#include <gtest/gtest.h>

#include "SpeedTestFixture.h"

namespace nulvane::mainwindow::testing {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

class SpeedTestCommand : public SpeedTestFixture {};

TEST_F(SpeedTestCommand, OneDriveRunsThreeTimesStoresTheAverageAndLeavesNothingBehind) {
  ui.Answer(Answer::Yes);
  test.TestPurgeSpeed();

  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[0].title, "Test purge speed");
  EXPECT_EQ(
      ui.messages()[0].text,
      "This writes test files to Drive " + volume +
          " and then purges them to test the purge speed so as to get an approximate estimate of purge time "
          "required for other files.\r\n\r\nDo you wish to proceed with this test?");
  EXPECT_EQ(ui.messages()[0].buttons, Buttons::YesNo);
  EXPECT_EQ(ui.messages()[0].icon, Icon::None);
  EXPECT_EQ(ui.messages()[1].icon, Icon::Information);
  EXPECT_EQ(
      ui.messages()[1].text.rfind("The purge speed is approximately 2.00 MB/sec. for a single overwrite.", 0),
      0u);
  EXPECT_TRUE(ui.DialogsShown().empty());

  EXPECT_FLOAT_EQ(state.SpeedOf(volume), 2.0f);
  EXPECT_EQ(state.intSpeedTestsByDrive[volume], 3);
  EXPECT_EQ(backend.keys[Key()]["Speed"], "2");
  EXPECT_EQ(state.strLastSpeedTestDrive, volume);
  EXPECT_FALSE(state.blnPerformingSpeedTest);
  EXPECT_EQ(ui.waits(), (std::vector<int>{1000, 1000, 1000}));
  EXPECT_EQ(host.purgeSpeed, "2.00 MB/sec. (1 overwrite) for Drive " + volume + ".");
  EXPECT_FALSE(host.purgeSpeedBold);

  const auto has = [&](const std::string& event) {
    return std::find(host.events.begin(), host.events.end(), event) != host.events.end();
  };
  for (const char* run : {" ... 1 (bold)", " ... 2 (bold)", " ... 3 (bold)"}) {
    EXPECT_TRUE(has("speed: Testing Drive " + volume + run)) << run;
  }
  EXPECT_EQ(host.events.front(), "rows hidden");
  EXPECT_EQ(host.events[1], "large: ");
  EXPECT_TRUE(has("menu disabled"));
  EXPECT_EQ(host.events[host.events.size() - 2], "menu enabled");
  EXPECT_EQ(host.events.back(), "rows shown");
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(SpeedTestCommand, SecondTestOnTheDriveAveragesSixRuns) {
  ui.Answer(Answer::Yes);
  test.TestPurgeSpeed();
  MeasureAt(4.0);
  ui.ClearMessages();
  ui.Answer(Answer::Yes);
  ui.Answer(Answer::No);  // the earlier 2.00 is offered and declined
  test.TestPurgeSpeed();

  ASSERT_GE(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[1].text,
            "A previous test has found this drive to have\r\na purge speed of 2.00 MB/sec. (1 overwrite).\r\n"
            "Do you wish to accept this value?\r\nIf not, click on 'No' to perform the test again.");
  EXPECT_EQ(ui.messages()[1].buttons, Buttons::YesNoCancel);
  EXPECT_EQ(ui.messages()[1].icon, Icon::None);
  EXPECT_EQ(state.intSpeedTestsByDrive[volume], 6);
  EXPECT_FLOAT_EQ(state.SpeedOf(volume), 3.0f);
  EXPECT_EQ(backend.keys[Key()]["Speed"], "3");
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(SpeedTestCommand, EarlierResultIsOfferedOnlyWhenPlausible) {
  struct Case {
    std::string stored;
    bool offered;
  };
  for (const Case& c : {Case{"0", false}, Case{"12.5", true}, Case{"100", true}, Case{"150", true},
                        Case{"-3", false}, Case{"99.99", true}, Case{"2500", true}, Case{"100000", false},
                        Case{"1e9", false}, Case{"fast", false}}) {
    SCOPED_TRACE(c.stored);
    backend.keys[Key()]["Speed"] = c.stored;
    state.sngSpeedByDrive[volume] = 1.0f;
    state.intSpeedTestsByDrive[volume] = 4;
    freeBytes = 0;  // a run that is not offered stops at once
    ui.ClearMessages();
    host.events.clear();
    const int writes = backend.writes;
    ui.Answer(Answer::Yes);
    if (c.offered) ui.Answer(Answer::Yes);
    test.TestPurgeSpeed();

    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_EQ(backend.writes, writes);
    if (c.offered) {
      EXPECT_NE(ui.messages()[1].text.find("a purge speed of " +
                                           support::FormatGrouped(std::stof(c.stored), 2) + " MB/sec."),
                std::string::npos);
      EXPECT_FLOAT_EQ(state.SpeedOf(volume), std::stof(c.stored));
      EXPECT_EQ(state.intSpeedTestsByDrive[volume], 4);
      EXPECT_EQ(host.purgeSpeed, support::FormatGrouped(std::stof(c.stored), 2) +
                                     " MB/sec. (1 overwrite) for Drive " + volume + ".");
      EXPECT_EQ(host.events.back(), "rows shown");
    } else {
      EXPECT_EQ(ui.messages()[1].text, "There is no free space on the disk in Drive " + volume +
                                           ".\r\nAt least 1 MB of free space is required for this test.");
      EXPECT_EQ(state.SpeedOf(volume), 0.0f);
      EXPECT_EQ(state.intSpeedTestsByDrive[volume], 0);
    }
  }
  EXPECT_EQ(fileSystem.Calls("CreateFile"), 0);
}

TEST_F(SpeedTestCommand, CancelOrNoEndsWithoutWriting) {
  ui.Answer(Answer::No);
  test.TestPurgeSpeed();
  EXPECT_EQ(host.events, (std::vector<std::string>{"rows hidden", "large: ", "rows shown"}));

  backend.keys[Key()]["Speed"] = "12.5";
  ui.Answer(Answer::Yes);
  ui.Answer(Answer::Cancel);
  test.TestPurgeSpeed();
  EXPECT_EQ(state.SpeedOf(volume), 0.0f);
  EXPECT_EQ(fileSystem.Calls("MakeFolder"), 0);
  EXPECT_EQ(backend.writes, 0);
}

TEST_F(SpeedTestCommand, SeveralDrivesAskWhichOneAndRememberIt) {
  const std::string other = temp / "other";
  temp.MakeFolder("other");
  fileSystem.OverrideVolumes({{volume, "/dev/sdz1", "ext4", "DATA", platform::DriveType::Fixed},
                              {other, "/dev/sdy1", "ext4", "", platform::DriveType::Fixed}});
  ui.Answer(Answer::Yes);
  ui.OnDialog("frmSpecifyDrive2", [&](platform::Dialog&) {
    EXPECT_EQ(driveDialog.caption, "Test purge speed on which drive?");
    EXPECT_EQ(driveDialog.cboDrives.items, (std::vector<std::string>{volume + " [DATA]", other}));
    EXPECT_EQ(driveDialog.cboDrives.selected, 0);
    driveDialog.cboDrives.selected = 1;
    driveDialog.Accept();
  });
  test.TestPurgeSpeed();
  EXPECT_EQ(ui.messages()[0].text.rfind("This writes test files to a selected drive and then purges", 0), 0u);
  EXPECT_EQ(state.intSpeedTestsByDrive[other], 3);
  EXPECT_EQ(state.intSpeedTestsByDrive.count(volume), 0u);
  EXPECT_EQ(state.strLastSpeedTestDrive, other);

  // The next showing preselects the drive tested last; cancelling ends the command.
  ui.Answer(Answer::Yes);
  ui.OnDialog("frmSpecifyDrive2", [&](platform::Dialog&) {
    EXPECT_EQ(driveDialog.cboDrives.selected, 1);
    driveDialog.Cancel();
  });
  host.events.clear();
  test.TestPurgeSpeed();
  EXPECT_EQ(host.events.back(), "rows shown");
  EXPECT_EQ(state.intSpeedTestsByDrive[other], 3);
}

TEST_F(SpeedTestCommand, NoDriveAndNoMedium) {
  fileSystem.Inject({"Volumes", "", 5, 0, 1});
  test.TestPurgeSpeed();
  EXPECT_EQ(ui.LastMessage().text, "Cannot find any disk drive.");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Warning);
  EXPECT_EQ(host.events.back(), "rows shown");

  for (const auto type : {platform::DriveType::Removable, platform::DriveType::CdRom}) {
    fileSystem.OverrideVolumes({{volume, "/dev/sr0", "iso9660", "", type}});
    fileSystem.Inject({"QueryDisk", volume, 123, 0, 1});
    ui.Answer(Answer::Yes);
    test.TestPurgeSpeed();
    EXPECT_EQ(ui.LastMessage().text, std::string("There is no ") +
                                         (type == platform::DriveType::CdRom ? "CD-ROM" : "disk") +
                                         " in Drive " + volume + ".");
  }
  EXPECT_EQ(fileSystem.Calls("MakeFolder"), 0);
  EXPECT_TRUE(backend.keys.empty());
}

}  // namespace
}  // namespace nulvane::mainwindow::testing
