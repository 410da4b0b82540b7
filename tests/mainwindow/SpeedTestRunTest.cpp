#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "SpeedTestFixture.h"
#include "platform/PlatformError.h"
#include "support/Format.h"

namespace nulvane::mainwindow::testing {
namespace {

using platform::Icon;

class SpeedTestRun : public SpeedTestFixture {
 protected:
  void ExpectReset() {
    EXPECT_EQ(state.SpeedOf(volume), 0.0f);
    EXPECT_EQ(state.intSpeedTestsByDrive[volume], 0);
    EXPECT_EQ(host.purgeSpeed, "");
  }
  void Measured() {
    state.sngSpeedByDrive[volume] = 5.0f;
    state.intSpeedTestsByDrive[volume] = 3;
  }
};

TEST_F(SpeedTestRun, DummyFileCountFollowsTheDriveSize) {
  struct Case {
    double total;
    int files;
  };
  for (const Case& c : {Case{4.0 * 1073741824, 5}, Case{5.0 * 1073741824 - 1, 5}, Case{5.0 * 1073741824, 10},
                        Case{20.0 * 1073741824, 10}, Case{500.0 * 1073741824, 20}}) {
    totalBytes = c.total;
    const int before = fileSystem.Calls("CreateNewFile");
    EXPECT_EQ(test.RunSpeedTest(volume, false), 0);
    EXPECT_EQ(test.intDummyFilesWanted, c.files);
    EXPECT_EQ(fileSystem.Calls("CreateNewFile") - before, c.files);
    EXPECT_TRUE(Leftovers().empty());
  }
}

TEST_F(SpeedTestRun, DummyFilesAreNumberedInTheirOwnFolderWithSizesInRange) {
  temp.Write("volume/_nv_dummy1", "a file of the user's that is in the way");
  test.strDummyDrive = volume;
  test.intDummyFilesWanted = 20;
  ASSERT_TRUE(test.CreateDummyFiles());
  EXPECT_EQ(test.strDummyFolder, volume + "/_nv_dummy2");
  std::int64_t total = 0;
  for (int n = 1; n <= 20; ++n) {
    const auto status = fileSystem.Status(test.strDummyFolder + "/_nv_dummy" + std::to_string(n));
    ASSERT_EQ(status.kind, platform::FileKind::Regular) << n;
    EXPECT_GE(status.size, 51200);
    EXPECT_LE(status.size, 131072);
    EXPECT_EQ((status.size - 51200) % 3, 0);
    total += status.size;
  }
  EXPECT_EQ(test.lngDummyBytes, total);
  test.RemoveDummyFiles();
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"_nv_dummy1"});
}

TEST_F(SpeedTestRun, SpeedIsMegabytesPerOverwriteOverTheTimedSpanAcrossMidnight) {
  int calls = 0;
  clock.reading = [&] { return calls++ == 0 ? 86399.9 : 0.1; };
  ASSERT_EQ(test.RunSpeedTest(volume, false), 0);
  const double expected = static_cast<double>(test.lngDummyBytes) / 1048576.0 * 6 / 0.2;
  EXPECT_NEAR(state.SpeedOf(volume), expected, expected * 1e-4);
  EXPECT_EQ(state.intSpeedTestsByDrive[volume], 1);
}

TEST_F(SpeedTestRun, DiskThatCannotBeQueried) {
  Measured();
  fileSystem.Inject({"QueryDisk", volume, EIO});
  EXPECT_EQ(test.RunSpeedTest(volume, false), -1);
  EXPECT_EQ(ui.LastMessage().text,
            "An error occurred when attempting to ascertain\r\ninformation about the disk in Drive " +
                volume + ".  ");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Information);
  ExpectReset();
  EXPECT_EQ(fileSystem.Calls("MakeFolder"), 0);
}

TEST_F(SpeedTestRun, TooLittleFreeSpace) {
  Measured();
  freeBytes = 1048575;
  EXPECT_EQ(test.RunSpeedTest(volume, false), -2);
  EXPECT_EQ(ui.LastMessage().text,
            "Drive " + volume +
                " has only 1,048,575 bytes free.\r\nAt least 1 MB of free space is required for this test.");
  ExpectReset();
  freeBytes = 1048576;
  EXPECT_EQ(test.RunSpeedTest(volume, false), 0);
}

TEST_F(SpeedTestRun, DiskFullAfterSixFilesIsMeasuredButEarlierIsAFailure) {
  // Six whole files, then the seventh cannot get its length: the six (and the short seventh) are purged.
  fileSystem.Inject({"SetLength", "_nv_dummy", ENOSPC, 6});
  EXPECT_EQ(test.RunSpeedTest(volume, false), 0);
  EXPECT_EQ(fileSystem.Calls("CreateNewFile"), 7);
  EXPECT_GE(test.lngDummyBytes, 6 * 51200);
  EXPECT_LE(test.lngDummyBytes, 6 * 131072);
  EXPECT_TRUE(Leftovers().empty());

  // The disk full while the seventh file is written.
  fileSystem.ClearFaults();
  fileSystem.Inject({"WriteAt", "_nv_dummy", ENOSPC, 6});
  EXPECT_EQ(test.RunSpeedTest(volume, false), 0);
  EXPECT_TRUE(Leftovers().empty());

  for (const char* operation : {"SetLength", "WriteAt", "CreateNewFile"}) {
    SCOPED_TRACE(operation);
    Measured();
    fileSystem.ClearFaults();
    fileSystem.Inject({operation, "_nv_dummy", ENOSPC, 2});
    ui.ClearMessages();
    EXPECT_EQ(test.RunSpeedTest(volume, false), -3);
    EXPECT_EQ(ui.LastMessage().text, "An error occurred when creating the dummy files in the disk in Drive " +
                                         volume + "\r\nfor the speed test.  Please repeat the test.");
    EXPECT_EQ(ui.LastMessage().icon, Icon::Warning);
    ExpectReset();
    EXPECT_TRUE(Leftovers().empty());
  }
}

TEST_F(SpeedTestRun, DummyFileThatCannotBePurged) {
  Measured();
  fileSystem.Inject({"WriteRepeated", "_nv_dummy3", EIO});
  EXPECT_EQ(test.RunSpeedTest(volume, true), -4);
  EXPECT_EQ(ui.LastMessage().text,
            "An error occurred when purging the dummy files.\r\nPlease repeat the test.");
  EXPECT_EQ(ui.messages().size(), 1u);
  ExpectReset();
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(SpeedTestRun, DummyFolderGoesToTheHomeFolderWhenTheRootRefusesIt) {
  const char* savedHome = std::getenv("HOME");
  const std::string saved = savedHome != nullptr ? savedHome : "";
  const std::string home = temp.MakeFolder("volume/home");
  setenv("HOME", home.c_str(), 1);
  fileSystem.Inject({"MakeFolder", volume + "/_nv_dummy"});
  test.strDummyDrive = volume;
  test.intDummyFilesWanted = 5;
  const bool created = test.CreateDummyFiles();
  const std::string folder = test.strDummyFolder;
  setenv("HOME", saved.c_str(), 1);

  ASSERT_TRUE(created);
  EXPECT_EQ(folder.rfind(volume + "/home", 0), 0u) << folder;
  test.RemoveDummyFiles();
  EXPECT_FALSE(nulvane::testing::Exists(folder));

  // Nowhere on the volume to write to.
  fileSystem.Inject({"MakeFolder", "_nv_dummy"});
  EXPECT_FALSE(test.CreateDummyFiles());
  EXPECT_EQ(ui.LastMessage().text.rfind("An error occurred when creating the dummy files", 0), 0u);
}

TEST_F(SpeedTestRun, AveragesEveryRunUntilAFailureResetsIt) {
  EXPECT_FLOAT_EQ(test.RecordSpeedMeasurement("/a", 2.0f), 2.0f);
  EXPECT_FLOAT_EQ(test.RecordSpeedMeasurement("/a", 4.0f), 3.0f);
  EXPECT_FLOAT_EQ(test.RecordSpeedMeasurement("/a", 6.0f), 4.0f);
  EXPECT_EQ(state.intSpeedTestsByDrive["/a"], 3);
  EXPECT_FLOAT_EQ(test.RecordSpeedMeasurement("/b", 1.0f), 1.0f);
  state.intSpeedTestsByDrive["/a"] = 0;
  EXPECT_FLOAT_EQ(test.RecordSpeedMeasurement("/a", 7.0f), 7.0f);
}

TEST_F(SpeedTestRun, ResultMessageForTheCurrentTypeOfPurge) {
  const std::string head =
      "The purge speed is approximately 2.00 MB/sec. for a single overwrite.\r\n\r\n"
      "It thus requires, using the type of purge currently specified (1 pass = 6 overwrites), approximately "
      "30 seconds to purge 10 MB, 5 minutes to purge 100 MB, ";
  const std::string hint =
      "\r\n\r\nTo decrease the time required change the type of purge so as to decrease the number of "
      "overwrites.";
  std::string text = test.ResultMessage(2.0f, false);
  EXPECT_EQ(text.rfind(head, 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - hint.size()), hint);

  text = test.ResultMessage(4.0f, false);
  EXPECT_NE(text.find("approximately 15 seconds to purge 10 MB, " + support::FormatDuration(150, false) +
                      " to purge 100 MB, " + support::FormatDuration(1536, true) + " to purge 1 GB, " +
                      support::FormatDuration(15360, true) + " to purge 10 GB, and " +
                      support::FormatDuration(153600, true) + " to purge 100 GB."),
            std::string::npos)
      << text;

  typeOfPurge.SelectType(1);
  typeOfPurge.SelectPasses(1, 2);
  EXPECT_NE(test.ResultMessage(3.0f, false).find("(2 passes = 6 overwrites)"), std::string::npos);
  EXPECT_NE(test.ResultMessage(3.0f, true).find("approximately 3 seconds to purge a full floppy disk."),
            std::string::npos);
}

TEST(SpeedText, PlainDecimalWithSevenSignificantDigitsReadBackAnywhere) {
  struct Case {
    float speed;
    std::string text;
  };
  for (const Case& c : {Case{12.5f, "12.5"}, Case{2.0f, "2"}, Case{1234.5678f, "1234.568"},
                        Case{0.012345678f, "0.01234568"}, Case{98765432.0f, "98765432"}, Case{0.0f, "0"}}) {
    EXPECT_EQ(SpeedText(c.speed), c.text);
    const std::optional<float> back = ParseSpeed(c.text);
    ASSERT_TRUE(back.has_value()) << c.text;
    EXPECT_NEAR(*back, c.speed, std::fabs(c.speed) * 1e-6) << c.text;
  }
  for (const std::string bad : {"", "12,5", "1e3", " 1", "1 ", "x", "inf", "nan"}) {
    EXPECT_FALSE(ParseSpeed(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace nulvane::mainwindow::testing
