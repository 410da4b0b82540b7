#include "mainwindow/ResidueWarning.h"

#include <algorithm>

#include "platform/PlatformError.h"
#include "support/Format.h"
#include "support/SettingsStore.h"

namespace nulvane::mainwindow {

using platform::Answer;
using platform::ResidueKind;

namespace {

constexpr const char* kCrLf = "\r\n";
// The device of the volume whose flash warning the user turned off.
constexpr const char* kFlashWarningOff = "NoFlashWarning";
// The same for the warning of what every NTFS volume keeps (with flash and the shadow copies that could not
// be asked about).
constexpr const char* kStandingWarningOff = "NoStandingWarning";

bool Has(const platform::VolumeClass& volume, ResidueKind kind) {
  return std::find(volume.kinds.begin(), volume.kinds.end(), kind) != volume.kinds.end();
}

// What holds for every volume of its kind and does not change from one purge to the next: the user may
// choose not to be told again. Shadow copies that were found are told every time.
bool Standing(const platform::VolumeClass& volume) {
  return !volume.kinds.empty() && std::all_of(volume.kinds.begin(), volume.kinds.end(), [](ResidueKind kind) {
    return kind == ResidueKind::Flash || kind == ResidueKind::NtfsRecords ||
           kind == ResidueKind::MayHaveShadowCopies;
  });
}

bool FlashAlone(const platform::VolumeClass& volume) {
  return volume.kinds == std::vector<ResidueKind>{ResidueKind::Flash};
}

// Where the old copies lie in the volume's own free space, which a free-space purge overwrites.
bool FreeSpaceHelps(const platform::VolumeClass& volume) {
  return !volume.kinds.empty() && !Has(volume, ResidueKind::Network) &&
         !Has(volume, ResidueKind::UserSpace) && !Has(volume, ResidueKind::Memory);
}

std::string KindName(ResidueKind kind, const std::string& type) {
  switch (kind) {
    case ResidueKind::CopyOnWrite:
      return "a copy-on-write file system (" + type + ")";
    case ResidueKind::LogStructured:
      return "a log-structured file system (" + type + ")";
    case ResidueKind::DataJournal:
      return "an " + type + " file system mounted with data=journal";
    case ResidueKind::Network:
      return "a network file system (" + type + ")";
    case ResidueKind::UserSpace:
      return "a file system run by a program (" + type + ")";
    case ResidueKind::Memory:
      return "a memory file system (" + type + ")";
    case ResidueKind::NtfsRecords:
      return "an NTFS file system";
    case ResidueKind::ShadowCopies:
    case ResidueKind::MayHaveShadowCopies:
    case ResidueKind::Flash:
      break;
  }
  return {};
}

std::string ShadowCopyCount(int count) {
  return count == 1 ? "a shadow copy" : std::to_string(count) + " shadow copies";
}

std::string Why(ResidueKind kind, const platform::VolumeClass& volume, const std::string& drive) {
  switch (kind) {
    case ResidueKind::CopyOnWrite:
      return "It writes changed data to new places and leaves the old blocks as they were until it needs the "
             "room, so a purge overwrites new blocks, not those that held the files; a snapshot keeps the "
             "old "
             "blocks for as long as it exists. The names of the files stay in its old records too, where no "
             "program can write.";
    case ResidueKind::LogStructured:
      return "It appends every write to its log and leaves the old data in place until it cleans that part "
             "of the disk, so a purge overwrites new blocks, not those that held the files; checkpoints and "
             "snapshots keep them longer. The names of the files stay in its old records too.";
    case ResidueKind::DataJournal:
      return "Every write goes through the file system's journal first, so the journal may still hold "
             "copies of the files' contents, which overwriting the files does not reach.";
    case ResidueKind::Network:
      return "The server decides where the bytes land and may keep copies (snapshots, backups, a "
             "copy-on-write disk) that this program can neither reach nor check.";
    case ResidueKind::UserSpace:
      return "The program behind it decides where the bytes land (perhaps on another computer) and may keep "
             "copies that this program can neither reach nor check. It may also refuse to rename a file "
             "without the risk of replacing another one: the files are then deleted under their own names, "
             "which may stay in their folders.";
    case ResidueKind::Memory:
      return "Its files live in the computer's memory, and memory may have been written to the swap space "
             "on a disk, which overwriting the files does not reach.";
    case ResidueKind::NtfsRecords:
      return "NTFS keeps the contents of small files (up to about 700 bytes) and of small named streams in "
             "its file records, and a file that was once that small may keep its early part there; the "
             "names of files stay in the file records, the folder indexes and the change journal. "
             "Overwriting a file does not reach these copies, and a deleted file's record keeps them until "
             "a new file takes it.";
    case ResidueKind::ShadowCopies:
      return "Windows keeps " + ShadowCopyCount(volume.shadowCopies) + " of Drive " + drive +
             " (restore points, Previous Versions): the first write to each part of a file copies what it "
             "held into " +
             (volume.shadowCopies == 1 ? "it" : "them") +
             ", where neither overwriting nor \"Purge free space\" reaches.";
    case ResidueKind::MayHaveShadowCopies:
      return "Windows may keep shadow copies of Drive " + drive +
             " (restore points, Previous Versions), and whether it does could not be asked: that takes the "
             "administrator's rights. While one exists, the first write to each part of a file copies what "
             "it held into it, where neither overwriting nor \"Purge free space\" reaches.";
    case ResidueKind::Flash:
      return "A solid-state disk, memory card or USB stick spreads its writes over its cells (wear "
             "levelling) and may keep old cells with the files' data, which no program can reach.";
  }
  return {};
}

std::vector<std::string> Remedies(ResidueKind kind, const std::string& drive) {
  const std::string freeSpace = "Purge the free space of Drive " + drive +
                                " when the purge has ended (the program offers it then): that overwrites the "
                                "old copies in the free space.";
  switch (kind) {
    case ResidueKind::CopyOnWrite:
    case ResidueKind::LogStructured:
      return {freeSpace, "Delete the snapshots that hold the files first: what they keep is not free space."};
    case ResidueKind::DataJournal:
      return {freeSpace + " Its writes pass through the journal too and replace what it holds."};
    case ResidueKind::Network:
      return {"Ask the owner of the server how data is destroyed there."};
    case ResidueKind::UserSpace:
      return {"Ask the owner of the computer or service behind it how data is destroyed there."};
    case ResidueKind::Memory:
      return {
          "Encrypted swap space (or none) keeps such copies from being read; the memory itself is cleared "
          "when the computer is switched off."};
    case ResidueKind::NtfsRecords:
      return {freeSpace,
              "Purged as administrator, the free space includes the file records that deleted files left "
              "free; the names in the folder indexes and the change journal stay until NTFS reuses their "
              "room."};
    case ResidueKind::ShadowCopies:
      return {"Delete the shadow copies of Drive " + drive + " (System Protection, or \"vssadmin delete " +
              "shadows /for=" + drive + " /all\" as administrator) before its free space is purged: this " +
              "program does not delete them for you."};
    case ResidueKind::MayHaveShadowCopies:
      return {"Look for shadow copies of Drive " + drive + " (\"vssadmin list shadows /for=" + drive +
              "\" as administrator) and delete them before its free space is purged: this program does " +
              "not delete them for you."};
    case ResidueKind::Flash:
      return {
          freeSpace,
          "On flash that reaches most old copies, not all: only encrypting the whole device from the start, "
          "or the device's own secure erase, reaches every cell."};
  }
  return {};
}

}  // namespace

ResidueWarning::ResidueWarning(platform::FileSystem& fileSystem, platform::Ui& ui,
                               support::SettingsStore& settings)
    : fileSystem_(fileSystem), ui_(ui), settings_(settings) {}

std::string ResidueWarning::Text(const platform::VolumeClass& volume) {
  const std::string drive = support::DisplayName(volume.mountPoint);
  const std::string type = support::DisplayName(volume.fileSystemType);
  const bool flash = Has(volume, ResidueKind::Flash);
  std::string text = kHeadline + drive + "." + kCrLf;
  if (const std::string kind = KindName(volume.kinds.front(), type); !kind.empty()) {
    text += "Drive " + drive + " is " + kind + (flash ? " on a flash device" : "") + ".";
  } else {
    text +=
        "Drive " + drive + (type.empty() ? "" : " (" + type + ")") + (flash ? " is on a flash device." : ".");
  }
  std::vector<std::string> remedies;
  for (const ResidueKind kind : volume.kinds) {
    text += std::string(kCrLf) + Why(kind, volume, drive);
    for (const std::string& remedy : Remedies(kind, drive)) {
      if (std::find(remedies.begin(), remedies.end(), remedy) == remedies.end()) remedies.push_back(remedy);
    }
  }
  text += std::string(kCrLf) + "What you can do:";
  for (const std::string& remedy : remedies) text += " " + remedy;
  return text;
}

std::string ResidueWarning::Key(const platform::VolumeClass& volume) const {
  return settings_.ProgramKey() + "\\" + volume.mountPoint;
}

bool ResidueWarning::WarningOff(const platform::VolumeClass& volume) {
  if (!Standing(volume)) return false;
  const auto off = [&](const char* name) {
    std::string device;
    const std::string result =
        settings_.RestoreSetting(support::Hive::CurrentUser, Key(volume), name, device);
    return !result.empty() && result[0] == '0' && device == volume.device;
  };
  return (FlashAlone(volume) && off(kFlashWarningOff)) || off(kStandingWarningOff);
}

bool ResidueWarning::Confirm(const std::vector<std::string>& paths, const std::string& title) {
  declined_ = false;
  freeSpaceVolumes_.clear();
  if (!holdAnswers) accepted_.clear();
  std::vector<platform::VolumeClass> warned;
  for (const std::string& path : paths) {
    platform::VolumeClass volume;
    try {
      volume = fileSystem_.ClassifyVolume(path);
    } catch (const platform::PlatformError&) {
      continue;
    }
    if (volume.kinds.empty() || accepted_.count(volume.mountPoint) > 0 ||
        std::any_of(warned.begin(), warned.end(), [&](const platform::VolumeClass& other) {
          return other.mountPoint == volume.mountPoint;
        }))
      continue;
    if (WarningOff(volume)) continue;
    warned.push_back(std::move(volume));
  }
  if (warned.empty()) return true;

  std::string text;
  for (const platform::VolumeClass& volume : warned) text += Text(volume) + kCrLf + kCrLf;
  text += kQuestion;
  Answer answer;
  if (warned.size() == 1 && Standing(warned.front())) {
    bool dontWarnAgain = false;
    answer = ui_.MessageWithCheckBox(title, text, platform::Buttons::YesNo, platform::Icon::Warning,
                                     Answer::No, kDontWarnAgain, dontWarnAgain);
    if (dontWarnAgain) {
      settings_.SaveSetting(support::Hive::CurrentUser, Key(warned.front()),
                            FlashAlone(warned.front()) ? kFlashWarningOff : kStandingWarningOff,
                            warned.front().device);
    }
  } else {
    answer = ui_.Message(title, text, platform::Buttons::YesNo, platform::Icon::Warning, Answer::No);
  }
  if (answer != Answer::Yes) {
    declined_ = true;
    return false;
  }
  for (const platform::VolumeClass& volume : warned) {
    accepted_.insert(volume.mountPoint);
    if (FreeSpaceHelps(volume)) freeSpaceVolumes_.push_back(volume.mountPoint);
  }
  return true;
}

}  // namespace nulvane::mainwindow
