#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/FolderServices.h"

namespace nulvane::platform {
class Clock;
class FileSystem;
class Random;
class Ui;
}  // namespace nulvane::platform
namespace nulvane::support {
class SettingsStore;
struct OperationState;
}  // namespace nulvane::support
namespace nulvane::engine {
class ClusterSizeTable;
class PurgeEngine;
}  // namespace nulvane::engine
namespace nulvane::dialogs {
class TypeOfPurgeDialog;
}  // namespace nulvane::dialogs

namespace nulvane::mainwindow {

class DriveDialog;

// What the speed test needs of the main window.
class SpeedTestHost {
 public:
  virtual ~SpeedTestHost() = default;
  virtual void ShowTargetRows(bool visible) = 0;
  virtual void EnableMenu(bool enabled) = 0;
  // lblPurgeSpeed, shown at once.
  virtual void SetPurgeSpeedCaption(const std::string& caption, bool bold) = 0;
  virtual void SetEstimatedTimeCaption(const std::string& caption) = 0;
  virtual void SetLargePurgeMessageCaption(const std::string& caption) = 0;
  virtual void Repaint() = 0;
};

// The "Test purge speed" command: writes dummy files to a drive, purges them with the current type of purge,
// times the purge and keeps the speed per drive (in the operation state and the settings store).
class SpeedTest {
 public:
  SpeedTest(SpeedTestHost& host, platform::FileSystem& fileSystem, platform::Ui& ui, platform::Clock& clock,
            platform::Random& random, support::OperationState& state, engine::PurgeEngine& engine,
            engine::ClusterSizeTable& clusterSizes, dialogs::TypeOfPurgeDialog& typeOfPurge,
            support::FolderServices& folders, support::SettingsStore& settings, DriveDialog& driveDialog);

  // The click on cmdTestPurgeSpeed.
  void TestPurgeSpeed();

  // 0 success, -1 the disk cannot be queried, -2 too little free space, -3 the dummy files could not be
  // written, -4 they could not be purged.
  int RunSpeedTest(const std::string& drive, bool isLastRun);
  bool CreateDummyFiles();
  bool PurgeDummyFiles();
  // Deletes the dummy files and their folder, by their names in the folder the test made and holds.
  void RemoveDummyFiles();
  // Averages the measurement into the drive's speed; returns the new average.
  float RecordSpeedMeasurement(const std::string& drive, float speed);
  // Refreshes lblPurgeSpeed for the drive (also used when a single file is chosen).
  void ShowPurgeSpeed(const std::string& drive, bool floppy);
  // The message shown after the last run.
  std::string ResultMessage(float averageSpeed, bool floppy) const;

  // Disk procedures. GetFirstDrive returns the number of drives.
  int GetFirstDrive(std::string& drive, int& type);
  int GetDiskSpace(const std::string& drive, double& freeBytes, double& totalBytes);
  bool IsDriveReady(const std::string& drive);

  // Creates stub<n> at the drive's root, or where the user cannot write there, in the home folder or a
  // temporary folder that lies on the same drive, and holds it; nothing when there is no such place.
  support::FolderServices::OwnFolder CreateFolderOnDrive(const std::string& drive, const std::string& stub);
  // Where CreateFolderOnDrive makes its folders, in the order it tries them: the drive's root, then the
  // home and temporary folders that lie on the drive.
  std::vector<std::string> PlacesOnDrive(const std::string& drive);

  // The settings key of a drive.
  std::string DriveKey(const std::string& drive) const;
  // The speed an earlier test stored for the drive (by this window or the command line, which share the
  // settings), when it is a plausible one.
  std::optional<float> StoredSpeed(const std::string& drive);

  // Working state of one run.
  std::string strDummyDrive;
  std::string strDummyFolder;  // its path, for display
  support::FolderServices::OwnFolder dummyFolder;
  std::int16_t intDummyFilesWanted = 0;
  std::int64_t lngDummyBytes = 0;
  bool blnDummyFilesReady = false;

  static constexpr const char* kTitle = "Test purge speed";

 private:
  void ShowDummyFileError();
  void ResetDrive(const std::string& drive);

  SpeedTestHost& host_;
  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
  platform::Clock& clock_;
  platform::Random& random_;
  support::OperationState& state_;
  engine::PurgeEngine& engine_;
  engine::ClusterSizeTable& clusterSizes_;
  dialogs::TypeOfPurgeDialog& typeOfPurge_;
  support::FolderServices& folders_;
  support::SettingsStore& settings_;
  DriveDialog& driveDialog_;
};

// The stored "Speed" text: a point as decimal separator, at most seven significant digits, no exponent.
std::string SpeedText(float speed);
// Reads a "Speed" text whatever the user's locale; nothing when it is not a number.
std::optional<float> ParseSpeed(const std::string& text);

}  // namespace nulvane::mainwindow
