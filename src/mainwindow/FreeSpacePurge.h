#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/FolderServices.h"

namespace nulvane::platform {
class Clock;
struct DiskSpace;
struct FileRecordTable;
struct VolumeClass;
class FileSystem;
class Random;
class Ui;
}  // namespace nulvane::platform
namespace nulvane::support {
struct OperationState;
}  // namespace nulvane::support
namespace nulvane::engine {
class ClusterSizeTable;
}  // namespace nulvane::engine
namespace nulvane::report {
class ReportWindow;
}  // namespace nulvane::report

namespace nulvane::mainwindow {

class DriveDialog;
class SpeedTest;
class SpeedTestHost;

// "Purge free space": overwrites the free space of a volume with one pass of random bytes, so that what
// deleted files (and the old copies that overwriting in place cannot reach) left there cannot be
// recovered. The speed test's drive dialog chooses the volume and its measured speed gives the estimate;
// the run shows its progress in the report window, which pauses and stops it.
class FreeSpacePurge {
 public:
  enum class Result { NotRun, Done, Incomplete, Stopped, Failed };

  FreeSpacePurge(SpeedTestHost& host, platform::FileSystem& fileSystem, platform::Ui& ui,
                 platform::Clock& clock, platform::Random& random, support::OperationState& state,
                 engine::ClusterSizeTable& clusterSizes, report::ReportWindow& report, SpeedTest& speedTest,
                 DriveDialog& driveDialog);

  // The main window's button: the drive dialog chooses the volume (`preferredDrive` preselected when no
  // drive was chosen before).
  void cmdPurgeFreeSpace(const std::string& preferredDrive);
  // After a purge that the residue warning went before: offered for the volume, and run on in the purge's
  // report.
  void OfferAfterPurge(const std::string& volume);
  // Asks (with `intro` before the question), then purges the free space of the volume; with `keepReport` the
  // report window's text is continued rather than replaced.
  Result PurgeFreeSpace(const std::string& volume, const std::string& intro, bool keepReport);

  // The drive chosen last, the drive dialog's default.
  std::string strLastDrive;
  Result lastResult = Result::NotRun;

  static constexpr const char* kTitle = "Purge free space";
  static constexpr const char* kFolderStub = "_nv_free";
  static constexpr const char* kAfterPurge = "The purge has ended.";
  // The longest time the journal is written over for: at a flash disk's speed, even a journal of 1 GB
  // (the largest that ext4 gives by default) takes seconds; a slow disk is told how far it came.
  static constexpr double kJournalSeconds = 180;

  // What of a full volume's free space the fill could not reach, and why: one line per cause (empty when
  // nothing stayed); `unreached` is the sum. `type` is the file system's.
  static std::vector<std::string> UnreachedLines(const std::string& drive, const std::string& type,
                                                 const platform::DiskSpace& space, double& unreached);

 private:
  // The folders that fills cut short (the program killed, the computer switched off) left on the volume.
  std::vector<std::string> Leftovers(const std::string& volume);
  // Deletes a leftover folder with the files in it, unless another run holds it or it holds anything a
  // fill does not write: the report's line about it.
  std::string RemoveLeftover(const std::string& folder);
  Result Run(const std::string& volume, const platform::VolumeClass& kind, double freeBytes,
             std::int64_t clusterSize, bool keepReport, const std::vector<std::string>& leftovers);
  // What a volume keeps besides its free space, that the fill of its free space did not reach (NTFS: the
  // file records it could not overwrite, and shadow copies), one line each; `unreached` is set when
  // anything was not reached. `records` is the file table as read before the fill, `recordsFilled` how
  // many records it overwrote.
  static std::vector<std::string> KeptBesideLines(const std::string& drive, const platform::VolumeClass& kind,
                                                  const platform::FileRecordTable& records,
                                                  std::int64_t recordsFilled, bool& unreached);
  std::string EstimateText(const std::string& volume, double freeBytes) const;
  double Elapsed(double start) const;

  SpeedTestHost& host_;
  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
  platform::Clock& clock_;
  platform::Random& random_;
  support::OperationState& state_;
  engine::ClusterSizeTable& clusterSizes_;
  report::ReportWindow& report_;
  SpeedTest& speedTest_;
  DriveDialog& driveDialog_;
};

}  // namespace nulvane::mainwindow
