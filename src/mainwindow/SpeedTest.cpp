#include "mainwindow/SpeedTest.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/ClusterSizeTable.h"
#include "engine/PurgeEngine.h"
#include "mainwindow/DriveDialog.h"
#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/PlatformError.h"
#include "platform/Random.h"
#include "platform/Ui.h"
#include "support/Drive.h"
#include "support/FolderServices.h"
#include "support/Format.h"
#include "support/Locale.h"
#include "support/Match.h"
#include "support/OperationState.h"
#include "support/SettingsStore.h"

namespace nulvane::mainwindow {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

constexpr float kHighestPlausibleSpeed = 100000.0f;  // MB per second

constexpr const char* kCrLf = "\r\n";
constexpr double kMegabyte = 1048576.0;
constexpr const char* kSpeedValue = "Speed";

std::string SpeedForDisplay(float speed, bool floppy) {
  return support::FormatGrouped(speed, floppy ? 3 : 2);
}

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && path.back() == platform::kPathSeparator) path.pop_back();
  return path;
}

}  // namespace

std::string SpeedText(float speed) {
  if (!std::isfinite(speed)) return "0";
  const double value = speed;
  // Seven significant digits in plain decimal notation: the exponent decides the decimals.
  const int exponent = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(value))));
  const int decimals = std::max(0, 6 - exponent);
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string text(buffer, result.ptr);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

std::optional<float> ParseSpeed(const std::string& text) {
  float value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

SpeedTest::SpeedTest(SpeedTestHost& host, platform::FileSystem& fileSystem, platform::Ui& ui,
                     platform::Clock& clock, platform::Random& random, support::OperationState& state,
                     engine::PurgeEngine& engine, engine::ClusterSizeTable& clusterSizes,
                     dialogs::TypeOfPurgeDialog& typeOfPurge, support::FolderServices& folders,
                     support::SettingsStore& settings, DriveDialog& driveDialog)
    : host_(host),
      fileSystem_(fileSystem),
      ui_(ui),
      clock_(clock),
      random_(random),
      state_(state),
      engine_(engine),
      clusterSizes_(clusterSizes),
      typeOfPurge_(typeOfPurge),
      folders_(folders),
      settings_(settings),
      driveDialog_(driveDialog) {}

std::string SpeedTest::DriveKey(const std::string& drive) const {
  return settings_.ProgramKey() + "\\" + support::DriveName(drive);
}

void SpeedTest::TestPurgeSpeed() {
  host_.ShowTargetRows(false);
  host_.SetLargePurgeMessageCaption("");

  std::string drive;
  int type = -1;
  const int drives = GetFirstDrive(drive, type);
  if (drives == 0) {
    ui_.Message(kTitle, "Cannot find any disk drive.", Buttons::Ok, Icon::Warning);
    host_.ShowTargetRows(true);
    return;
  }

  const std::string question =
      (drives == 1 ? "This writes test files to Drive " + support::DisplayName(support::DriveName(drive))
                   : std::string("This writes test files to a selected drive")) +
      " and then purges them to test the purge speed so as to get an approximate "
      "estimate of purge time required "
      "for other files." +
      kCrLf + kCrLf + "Do you wish to proceed with this test?";
  if (ui_.Message(kTitle, question, Buttons::YesNo, Icon::None) != Answer::Yes) {
    host_.ShowTargetRows(true);
    return;
  }

  if (drives > 1) {
    driveDialog_.caption = "Test purge speed on which drive?";
    driveDialog_.strDrive = state_.strLastSpeedTestDrive.empty() ? drive : state_.strLastSpeedTestDrive;
    driveDialog_.backColor = 0x80;
    ui_.ShowModal(driveDialog_);
    if (!driveDialog_.blnAccept) {
      host_.ShowTargetRows(true);
      return;
    }
    // Mount points are case-sensitive names: the chosen one is kept as it is.
    drive = driveDialog_.strDrive;
    type = driveDialog_.intDriveType;
  }

  state_.strLastSpeedTestDrive = drive;
  const bool floppy = support::IsFloppyDrive(drive);

  const auto driveType = static_cast<platform::DriveType>(type);
  if ((driveType == platform::DriveType::Removable || driveType == platform::DriveType::CdRom) &&
      !IsDriveReady(drive)) {
    ui_.Message(kTitle,
                std::string("There is no ") + (driveType == platform::DriveType::CdRom ? "CD-ROM" : "disk") +
                    " in Drive " + support::DisplayName(support::DriveName(drive)) + ".",
                Buttons::Ok, Icon::Warning);
    host_.ShowTargetRows(true);
    return;
  }

  if (const std::optional<float> earlier = StoredSpeed(drive)) {
    const std::string offer = std::string("A previous test has found this drive to have") + kCrLf +
                              "a purge speed of " + SpeedForDisplay(*earlier, floppy) +
                              " MB/sec. (1 overwrite)." + kCrLf + "Do you wish to accept this value?" +
                              kCrLf + "If not, click on 'No' to perform the test again.";
    const Answer answer = ui_.Message(kTitle, offer, Buttons::YesNoCancel, Icon::None);
    if (answer == Answer::Yes) {
      state_.sngSpeedByDrive[drive] = *earlier;
      ShowPurgeSpeed(drive, floppy);
      host_.ShowTargetRows(true);
      return;
    }
    if (answer != Answer::No) {
      host_.ShowTargetRows(true);
      return;
    }
  }

  state_.blnStop = false;
  state_.blnPerformingSpeedTest = true;
  host_.EnableMenu(false);
  int result = 0;
  for (int run = 1; run <= 3; ++run) {
    host_.SetPurgeSpeedCaption(
        "Testing Drive " + support::DisplayName(support::DriveName(drive)) + " ... " + std::to_string(run),
        true);
    host_.Repaint();
    result = RunSpeedTest(drive, run == 3);
    if (result < 0) break;
  }
  state_.blnPerformingSpeedTest = false;
  host_.EnableMenu(true);
  host_.ShowTargetRows(true);

  if (result == 0) {
    settings_.SaveSetting(support::Hive::CurrentUser, DriveKey(drive), kSpeedValue,
                          SpeedText(state_.SpeedOf(drive)));
  }
  state_.blnStop = false;
}

int SpeedTest::RunSpeedTest(const std::string& drive, bool isLastRun) {
  const bool floppy = support::IsFloppyDrive(drive);
  double freeBytes = 0;
  double totalBytes = 0;
  int result = 0;
  std::string message;
  if (GetDiskSpace(drive, freeBytes, totalBytes) != 0) {
    message = std::string("An error occurred when attempting to ascertain") + kCrLf +
              "information about the disk in Drive " + support::DisplayName(support::DriveName(drive)) +
              ".  ";
    result = -1;
  } else if (freeBytes < (floppy ? 131072.0 : 1048576.0)) {
    message = freeBytes != 0 ? "Drive " + support::DisplayName(support::DriveName(drive)) + " has only " +
                                   support::FormatGrouped(freeBytes, 0) + " bytes free."
                             : "There is no free space on the disk in Drive " +
                                   support::DisplayName(support::DriveName(drive)) + ".";
    message += kCrLf;
    message += floppy ? "At least 128 KB of free space is required for this test."
                      : "At least 1 MB of free space is required for this test.";
    result = -2;
  }
  if (result < 0) {
    ui_.Message(kTitle, message, Buttons::Ok, Icon::Information);
    ResetDrive(drive);
    host_.SetPurgeSpeedCaption("", false);
    return result;
  }

  strDummyDrive = drive;
  if (floppy) {
    intDummyFilesWanted = 1;
  } else if (totalBytes < 5368709120.0) {
    intDummyFilesWanted = 5;
  } else if (totalBytes < 53687091200.0) {
    intDummyFilesWanted = 10;
  } else {
    intDummyFilesWanted = 20;
  }

  CreateDummyFiles();
  host_.Repaint();
  if (!blnDummyFilesReady) {
    host_.SetPurgeSpeedCaption("", false);
    ResetDrive(drive);
    return -3;
  }

  host_.SetEstimatedTimeCaption("");
  host_.Repaint();
  ui_.Wait(1000);
  const double start = clock_.SecondsSinceMidnight();
  const bool purged = PurgeDummyFiles();
  double elapsed = clock_.SecondsSinceMidnight() - start;
  if (elapsed < 0) elapsed += 86400;  // midnight passed during the purge

  if (!purged) {
    host_.SetPurgeSpeedCaption("", false);
    ui_.Message(
        kTitle,
        std::string("An error occurred when purging the dummy files.") + kCrLf + "Please repeat the test.",
        Buttons::Ok, Icon::Warning);
    ResetDrive(drive);
    return -4;
  }

  if (elapsed < 0.001) elapsed = 0.001;
  const auto speed = static_cast<float>(static_cast<double>(lngDummyBytes) / kMegabyte *
                                        typeOfPurge_.GetNumOverwrites() / elapsed);
  const float average = RecordSpeedMeasurement(drive, speed);
  host_.SetPurgeSpeedCaption("", false);
  host_.Repaint();

  if (isLastRun) {
    ui_.Message(kTitle, ResultMessage(average, floppy), Buttons::Ok, Icon::Information);
    ShowPurgeSpeed(drive, floppy);
  }
  return 0;
}

std::optional<float> SpeedTest::StoredSpeed(const std::string& drive) {
  std::string stored;
  const std::string readResult =
      settings_.RestoreSetting(support::Hive::CurrentUser, DriveKey(drive), kSpeedValue, stored);
  if (readResult.empty() || readResult[0] != '0') return std::nullopt;
  const std::optional<float> speed = ParseSpeed(stored);
  // Only a plausible speed counts. Today's disks purge well above 100 MB/sec., so the bound is one that no
  // real disk reaches; it still keeps a damaged stored value out.
  if (!speed || !(*speed > 0) || !(*speed < kHighestPlausibleSpeed)) return std::nullopt;
  return speed;
}

void SpeedTest::ResetDrive(const std::string& drive) {
  state_.sngSpeedByDrive[drive] = 0;
  state_.intSpeedTestsByDrive[drive] = 0;
}

std::vector<std::string> SpeedTest::PlacesOnDrive(const std::string& drive) {
  // The root of the volume where the user may write there; otherwise a folder of the same volume that a user
  // would expect to be written to (home, then the temporary folders), so the work stays on that volume.
  std::vector<std::string> places = {drive};
  std::vector<std::string> candidates = {fileSystem_.HomeFolder()};
  for (const std::string& temporary : platform::TemporaryFolders()) candidates.push_back(temporary);
  for (const std::string& candidate : candidates) {
    if (candidate.empty() || candidate == drive) continue;
    // Resolved like a chosen folder: /tmp or $TMPDIR may be a link, and nothing is reached through one.
    const std::string place = folders_.ResolveChosenFolder(candidate);
    try {
      if (place.empty() || fileSystem_.VolumeOf(place) != drive) continue;
    } catch (const platform::PlatformError&) {
      continue;
    }
    if (std::find(places.begin(), places.end(), place) == places.end()) places.push_back(place);
  }
  return places;
}

support::FolderServices::OwnFolder SpeedTest::CreateFolderOnDrive(const std::string& drive,
                                                                  const std::string& stub) {
  for (const std::string& place : PlacesOnDrive(drive)) {
    support::FolderServices::OwnFolder folder = folders_.NewNumberedFolder(place, stub);
    if (folder) return folder;
  }
  return {};
}

void SpeedTest::ShowDummyFileError() {
  ui_.Message(kTitle,
              "An error occurred when creating the dummy files in the disk in Drive " +
                  support::DisplayName(strDummyDrive) + kCrLf +
                  "for the speed test.  Please repeat the test.",
              Buttons::Ok, Icon::Warning);
}

bool SpeedTest::CreateDummyFiles() {
  blnDummyFilesReady = false;
  lngDummyBytes = 0;

  dummyFolder = CreateFolderOnDrive(strDummyDrive, state_.strDummyFileFolderStub);
  if (!dummyFolder) {
    strDummyFolder.clear();
    ShowDummyFileError();
    return false;
  }
  strDummyFolder = WithoutTrailingSeparator(dummyFolder.folder->Path());
  const platform::Folder& folder = *dummyFolder.folder;

  std::int32_t clusterSize = clusterSizes_.GetClusterSize(strDummyDrive);
  if (clusterSize <= 0) clusterSize = 4096;
  const std::vector<unsigned char> block(static_cast<std::size_t>(clusterSize), 0);
  const std::string& stub = state_.strDummyFileFolderStub;

  int written = 0;
  int number = 0;
  while (true) {
    const std::int64_t size = 51200 + 3 * static_cast<std::int64_t>(random_.RandomInteger(0, 26624));
    platform::File file;
    try {
      // Names keep their case: the file system is case-sensitive. A name taken already takes the next.
      for (;;) {
        try {
          file = fileSystem_.CreateNewFileAt(folder, stub + std::to_string(++number));
          break;
        } catch (const platform::PlatformError& error) {
          if (error.number != platform::ErrorNumberFromErrno(EEXIST)) throw;
        }
      }
      fileSystem_.WriteAt(file, block.data(), block.size(), 0);
    } catch (const platform::PlatformError& error) {
      ++written;
      if (error.number == platform::kErrorDiskFull && written > 5) {
        blnDummyFilesReady = true;
        return true;
      }
      RemoveDummyFiles();
      ShowDummyFileError();
      return false;
    }
    try {
      fileSystem_.SetLength(file, size);
    } catch (const platform::PlatformError&) {
      // A full disk after six files still leaves enough to time; the short file is purged with the others.
      if (written > 5) {
        blnDummyFilesReady = true;
        return true;
      }
      RemoveDummyFiles();
      ShowDummyFileError();
      return false;
    }
    ++written;
    lngDummyBytes += size;
    ui_.Yield();
    if (written >= intDummyFilesWanted) {
      blnDummyFilesReady = true;
      return true;
    }
  }
}

namespace {

// The dummy files are the stub followed by their number.
bool IsDummyFile(const platform::DirEntry& entry, const std::string& stub) {
  return entry.kind == platform::FileKind::Regular && support::MatchFilespec(entry.name, stub + "*", true);
}

}  // namespace

bool SpeedTest::PurgeDummyFiles() {
  const int purgeType = typeOfPurge_.GetPurgeType();
  const int passes = typeOfPurge_.GetNumberOfPasses();
  bool purged = static_cast<bool>(dummyFolder);
  try {
    for (const platform::DirEntry& entry :
         purged ? fileSystem_.List(*dummyFolder.folder) : std::vector<platform::DirEntry>{}) {
      if (!IsDummyFile(entry, state_.strDummyFileFolderStub)) continue;
      std::int16_t code = 0;
      try {
        engine::PurgeRequest request = engine_.Request(dummyFolder.folder, entry.name, purgeType, passes,
                                                       true, true, true, strDummyDrive);
        // The dummy files' names are the program's own: there is nothing to hide, and a renamed one
        // would not be found again.
        request.hideName = false;
        code = engine_.Purge(request);
      } catch (const platform::PlatformError&) {
        code = -1;
      }
      if (code < 0) {
        purged = false;
        break;
      }
      ui_.Yield();
    }
  } catch (const platform::PlatformError&) {
    purged = false;
  }
  RemoveDummyFiles();
  return purged;
}

void SpeedTest::RemoveDummyFiles() {
  if (!dummyFolder) return;
  const platform::Folder& folder = *dummyFolder.folder;
  try {
    for (const platform::DirEntry& entry : fileSystem_.List(folder)) {
      if (!IsDummyFile(entry, state_.strDummyFileFolderStub)) continue;
      try {
        engine_.DeleteFileForced(folder, entry.name, true, true, true);
      } catch (const platform::PlatformError&) {
      }
    }
  } catch (const platform::PlatformError&) {
  }
  folders_.RemoveOwnFolder(dummyFolder);
  dummyFolder = {};
}

float SpeedTest::RecordSpeedMeasurement(const std::string& drive, float speed) {
  std::int16_t& count = state_.intSpeedTestsByDrive[drive];
  float& average = state_.sngSpeedByDrive[drive];
  if (count == 0) {
    average = speed;
    count = 1;
  } else {
    average = (count * average + speed) / static_cast<float>(count + 1);
    ++count;
  }
  return average;
}

std::string SpeedTest::ResultMessage(float averageSpeed, bool floppy) const {
  const int overwrites = typeOfPurge_.GetNumOverwrites();
  const int passes = typeOfPurge_.GetNumberOfPasses();
  std::string text = "The purge speed is approximately " + SpeedForDisplay(averageSpeed, floppy) +
                     " MB/sec. for a single overwrite." + kCrLf + kCrLf +
                     "It thus requires, using the type of purge currently specified (";
  text += passes == 1 ? std::string("1 pass = ") : std::to_string(passes) + " passes = ";
  text += overwrites == 1 ? std::string("1 overwrite") : std::to_string(overwrites) + " overwrites";
  text += "), approximately ";

  const auto duration = [](double seconds, bool wholeMinutes) {
    return support::FormatDuration(static_cast<std::int32_t>(support::RoundHalfEven(seconds)), wholeMinutes);
  };
  if (floppy) {
    text += duration(overwrites * 1.44 / averageSpeed, false) + " to purge a full floppy disk.";
  } else {
    const double perMegabyte = overwrites / static_cast<double>(averageSpeed);
    text += duration(perMegabyte * 10, false) + " to purge 10 MB, " + duration(perMegabyte * 100, false) +
            " to purge 100 MB, " + duration(perMegabyte * 1024, true) + " to purge 1 GB, " +
            duration(perMegabyte * 10240, true) + " to purge 10 GB, and " +
            duration(perMegabyte * 102400, true) + " to purge 100 GB.";
    if (overwrites > 1) {
      text += std::string(kCrLf) + kCrLf +
              "To decrease the time required change the type of purge so as to decrease the number of "
              "overwrites.";
    }
  }
  return text;
}

void SpeedTest::ShowPurgeSpeed(const std::string& drive, bool floppy) {
  const float speed = state_.SpeedOf(drive);
  host_.SetPurgeSpeedCaption(speed > 0
                                 ? SpeedForDisplay(speed, floppy) + " MB/sec. (1 overwrite) for Drive " +
                                       support::DisplayName(support::DriveName(drive)) + "."
                                 : "",
                             false);
  host_.Repaint();
}

int SpeedTest::GetFirstDrive(std::string& drive, int& type) {
  const std::vector<platform::Volume> drives = ListDrives(fileSystem_);
  if (drives.empty()) {
    drive.clear();
    type = -1;
    return 0;
  }
  drive = drives.front().mountPoint;
  type = static_cast<int>(drives.front().type);
  return static_cast<int>(drives.size());
}

int SpeedTest::GetDiskSpace(const std::string& drive, double& freeBytes, double& totalBytes) {
  try {
    const platform::DiskSpace space = fileSystem_.QueryDisk(drive);
    freeBytes = space.freeBytes;
    totalBytes = space.totalBytes;
    return 0;
  } catch (const platform::PlatformError&) {
    return -1;
  }
}

bool SpeedTest::IsDriveReady(const std::string& drive) {
  for (const platform::Volume& volume : ListDrives(fileSystem_)) {
    if (volume.mountPoint == drive &&
        (volume.type == platform::DriveType::Fixed || volume.type == platform::DriveType::RamDisk)) {
      return true;
    }
  }
  double freeBytes = 0;
  double totalBytes = 0;
  return GetDiskSpace(drive, freeBytes, totalBytes) == 0;
}

}  // namespace nulvane::mainwindow
