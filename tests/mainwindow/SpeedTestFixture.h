#pragma once

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/ClusterSizeTable.h"
#include "engine/PurgeEngine.h"
#include "mainwindow/DriveDialog.h"
#include "mainwindow/SpeedTest.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "platform/SettingsBackend.h"
#include "support/FolderServices.h"
#include "support/Locale.h"
#include "support/OperationState.h"
#include "support/SettingsStore.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/PathCalls.h"
#include "testsupport/TempDir.h"

namespace nulvane::mainwindow::testing {

// A clock whose readings come from the test.
class ScriptedClock : public platform::Clock {
 public:
  std::function<double()> reading = [] { return 0.0; };
  std::chrono::system_clock::time_point Now() const override { return {}; }
  double SecondsSinceMidnight() const override { return reading(); }
};

class MemoryBackend : public platform::SettingsBackend {
 public:
  std::map<std::string, std::map<std::string, std::string>> keys;
  int writes = 0;

  platform::KeyResult CreateOrOpenKey(const std::string& key) override {
    const bool existed = keys.count(key) != 0;
    keys[key];
    return {existed ? platform::KeyDisposition::Existed : platform::KeyDisposition::Created, 0};
  }
  int WriteString(const std::string& key, const std::string& name, const std::string& value) override {
    ++writes;
    keys[key][name] = value;
    return 0;
  }
  bool OpenKeyForReading(const std::string& key) override { return keys.count(key) != 0; }
  platform::ReadResult ReadString(const std::string& key, const std::string& name) override {
    const auto& values = keys[key];
    const auto found = values.find(name);
    if (found == values.end()) return {platform::ReadStatus::NotFound, {}, 2};
    return {platform::ReadStatus::Found, found->second, 0};
  }
  std::string StatusMessage(int) override { return "done"; }
};

class RecordingHost : public SpeedTestHost {
 public:
  std::vector<std::string> events;
  std::string purgeSpeed;
  bool purgeSpeedBold = false;

  void ShowTargetRows(bool visible) override { events.push_back(visible ? "rows shown" : "rows hidden"); }
  void EnableMenu(bool enabled) override { events.push_back(enabled ? "menu enabled" : "menu disabled"); }
  void SetPurgeSpeedCaption(const std::string& caption, bool bold) override {
    purgeSpeed = caption;
    purgeSpeedBold = bold;
    events.push_back("speed: " + caption + (bold ? " (bold)" : ""));
  }
  void SetEstimatedTimeCaption(const std::string& caption) override {
    events.push_back("estimate: " + caption);
  }
  void SetLargePurgeMessageCaption(const std::string& caption) override {
    events.push_back("large: " + caption);
  }
  void Repaint() override {}
};

// A speed test on a "volume" that is a folder of the test's temporary folder, so every dummy file is made
// there.
class SpeedTestFixture : public ::testing::Test {
 protected:
  SpeedTestFixture() {
    support::SetLocale(support::LocaleSettings{});
    volume = temp.MakeFolder("volume");
    if (volume.back() == '/') volume.pop_back();
    fileSystem.OverrideVolumes({{volume, "/dev/sdz1", "ext4", "DATA", platform::DriveType::Fixed}});
    fileSystem.OverrideDisk([this](const std::string&) {
      platform::DiskSpace space;
      space.clusterSize = 4096;
      space.freeBytes = freeBytes;
      space.totalBytes = totalBytes;
      return space;
    });
    ui.AnswerOkByDefault();
    random.Seed(7);
    typeOfPurge.Initialization();
    // One pass of the six-overwrite type.
    typeOfPurge.SelectType(2);
    typeOfPurge.SelectPasses(2, 1);
    MeasureAt(2.0);
  }

  // Makes every timed purge take as long as `speed` MB/sec. for one overwrite implies.
  void MeasureAt(double speed) {
    clock.reading = [this, speed, calls = 0]() mutable {
      const bool start = (calls++ % 2) == 0;
      return start ? 1000.0
                   : 1000.0 + static_cast<double>(test.lngDummyBytes) / 1048576.0 *
                                  typeOfPurge.GetNumOverwrites() / speed;
    };
  }

  // Everything in the volume folder whose name starts with the dummy stub.
  std::vector<std::string> Leftovers() {
    std::vector<std::string> found;
    for (const platform::DirEntry& entry : ListFolder(fileSystem, volume)) {
      if (entry.name.rfind("_nv_dummy", 0) == 0) found.push_back(entry.name);
    }
    return found;
  }

  std::string Key() const { return store.ProgramKey() + "\\" + volume; }

  nulvane::testing::TempDir temp;
  std::string volume;
  double freeBytes = 100.0 * 1048576;
  double totalBytes = 20.0 * 1073741824;
  nulvane::testing::FaultyFileSystem fileSystem;
  nulvane::testing::FakeUi ui;
  ScriptedClock clock;
  platform::Random random;
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes{fileSystem};
  engine::PurgeEngine engine{fileSystem, ui, clusterSizes, state};
  dialogs::TypeOfPurgeDialog typeOfPurge{ui};
  support::FolderServices folders{fileSystem, ui};
  MemoryBackend backend;
  support::SettingsStore store{backend, "Maker", "Nulvane"};
  DriveDialog driveDialog{fileSystem};
  RecordingHost host;
  SpeedTest test{host,   fileSystem,   ui,          clock,   random, state,
                 engine, clusterSizes, typeOfPurge, folders, store,  driveDialog};
};

}  // namespace nulvane::mainwindow::testing
