#include <gtest/gtest.h>

#include <cstdio>

#include "SpeedTestFixture.h"

namespace nulvane::mainwindow::testing {
namespace {

// Measures the real disk that holds the temporary folder, with the real clock and the default type of purge.
// Run by hand: mainwindow_tests --gtest_also_run_disabled_tests --gtest_filter='*RealDisk*'
TEST(SpeedTestRealDisk, DISABLED_MeasuresTheTemporaryFoldersDisk) {
  support::SetLocale(support::LocaleSettings{});
  nulvane::testing::TempDir temp;
  std::string volume = temp.path();
  volume.pop_back();
  nulvane::testing::FaultyFileSystem fileSystem;
  const platform::DiskSpace space = fileSystem.QueryDisk(volume);
  fileSystem.OverrideVolumes({{volume, "", "", "", platform::DriveType::Fixed}});
  nulvane::testing::FakeUi ui;
  ui.AnswerOkByDefault();
  ui.Answer(platform::Answer::Yes);
  platform::SystemClock clock;
  platform::Random random;
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes(fileSystem);
  engine::PurgeEngine engine(fileSystem, ui, clusterSizes, state);
  dialogs::TypeOfPurgeDialog typeOfPurge(ui);
  typeOfPurge.Initialization();
  support::FolderServices folders(fileSystem, ui);
  MemoryBackend backend;
  support::SettingsStore store(backend, "Maker", "Nulvane");
  DriveDialog driveDialog(fileSystem);
  RecordingHost host;
  SpeedTest test(host, fileSystem, ui, clock, random, state, engine, clusterSizes, typeOfPurge, folders,
                 store, driveDialog);

  test.TestPurgeSpeed();
  std::printf("disk of %s: %.0f bytes total, cluster %lld; %d overwrites per file; %d dummy files\n",
              volume.c_str(), space.totalBytes, static_cast<long long>(space.clusterSize),
              typeOfPurge.GetNumOverwrites(), test.intDummyFilesWanted);
  std::printf("average over %d runs: %s MB/sec. for one overwrite (stored \"%s\")\n%s\n",
              state.intSpeedTestsByDrive[volume], support::FormatGrouped(state.SpeedOf(volume), 2).c_str(),
              backend.keys[test.DriveKey(volume)]["Speed"].c_str(), ui.LastMessage().text.c_str());
  EXPECT_EQ(state.intSpeedTestsByDrive[volume], 3);
}

}  // namespace
}  // namespace nulvane::mainwindow::testing
