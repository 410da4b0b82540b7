#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Ui.h"

namespace nulvane::support {
class SettingsStore;
}  // namespace nulvane::support

namespace nulvane::mainwindow {

// The message before a purge on a volume where overwriting a file in place may not reach every copy of its
// data: it names the volume and its kind, says what stays there and why, and what the user can do. For what
// holds for every volume of its kind (a flash device, which most users have, and what NTFS keeps of every
// file) it offers not to warn again for that volume; the choice is kept in the settings store with the
// volume's device, so another device mounted there is warned about again.
class ResidueWarning {
 public:
  ResidueWarning(platform::FileSystem& fileSystem, platform::Ui& ui, support::SettingsStore& settings);

  // One message for the volumes that hold `paths`, before a purge's confirmation. True to go on (also when
  // there is nothing to say); false when the user answered No.
  bool Confirm(const std::vector<std::string>& paths, const std::string& title);
  // The volumes of the last Confirm whose old copies a free-space purge overwrites: not where a server or a
  // program decides where the bytes land, nor in memory.
  const std::vector<std::string>& FreeSpaceVolumes() const { return freeSpaceVolumes_; }
  // The last Confirm was answered No.
  bool declined() const { return declined_; }
  // The command line purges all its paths as one command: a volume accepted for one is not asked about again.
  bool holdAnswers = false;

  // What the message says about one volume, without the closing question.
  static std::string Text(const platform::VolumeClass& volume);

  static constexpr const char* kHeadline = "Overwriting may not reach all of the data on Drive ";
  static constexpr const char* kQuestion = "Do you wish to go on with the purge?";
  static constexpr const char* kDontWarnAgain = "Don't warn again for this volume";

 private:
  std::string Key(const platform::VolumeClass& volume) const;
  // The user chose not to be told again of what this volume keeps (on the same device).
  bool WarningOff(const platform::VolumeClass& volume);

  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
  support::SettingsStore& settings_;
  std::vector<std::string> freeSpaceVolumes_;
  std::set<std::string> accepted_;
  bool declined_ = false;
};

}  // namespace nulvane::mainwindow
