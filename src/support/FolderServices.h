#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Ui.h"
#include "support/FileMatcher.h"

namespace nulvane::support {

// The questions the commands ask about folders (does it exist, how many matching files, how large, how many
// subfolders, any match in the tree), plus the folder chooser, the per-user data folder, folder creation and
// deletion. No operation throws: failures come back as -1, false or the empty text, with the system's
// description where there is an error text.
//
// Walks open the folder they are given once and each subfolder relative to its parent's handle, never
// follow symbolic links and never enter a mount or a subvolume inside. A "file" is what a purge can purge, a
// regular file: links, pipes, sockets, devices and mount points are not counted as files. Folder paths may
// be given with or without a trailing separator.
class FolderServices {
 public:
  enum class SpecialFolder { UserData };

  // A folder the program made for its own files, held, with the folder it was made in: it is removed by its
  // name there only while that name still names it.
  struct OwnFolder {
    platform::FolderHandle parent;
    std::string name;
    platform::FolderHandle folder;
    // A lock on the folder (LockFolder) while it is in use, so that another run can tell; released before
    // the folder is removed.
    platform::File lock;
    explicit operator bool() const { return folder != nullptr; }
  };

  FolderServices(platform::FileSystem& fileSystem, platform::Ui& ui);

  // The platform's folder chooser; empty when the user cancels.
  std::string BrowseForFolder(const std::string& prompt);
  // A folder the user chose, with its links resolved once (a home folder is often reached through one), so
  // that everything below it is reached without links; as given when it cannot be resolved, so that the
  // caller's own checks report the problem. A trailing separator stays.
  std::string ResolveChosenFolder(const std::string& path);
  // The folder's path without a trailing separator, empty when the platform names none.
  std::string SpecialFolderPath(SpecialFolder folder = SpecialFolder::UserData);
  // base/sub/name, where base is the per-user application-data folder (or, when there is none, the first
  // fixed volume). The folder base/sub is created when it does not exist yet.
  std::string UserDataFilePath(const std::string& name, const std::string& sub);

  // True for a real directory; a link to a folder is not one.
  bool FolderExists(const std::string& path);
  // True for any existing entry that is not a directory (links included); false for an empty path.
  bool FileExists(const std::string& path);
  // Creates every missing folder along the path; true when the whole path is a folder at the end.
  bool CreateFolderPath(const std::string& path);
  // Creates drivePath/stem<n> for the first n = 1, 2, ... under which nothing exists yet, and holds it;
  // nothing when it cannot be created.
  OwnFolder NewNumberedFolder(const std::string& drivePath, const std::string& stem);
  // Removes a folder the program made, emptied by then, while its name still names it; false when it cannot
  // be, or the name has come to name another folder.
  bool RemoveOwnFolder(OwnFolder& folder);

  // Files directly in the folder whose names `files` matches.
  // Sizes are summed into `total` only when it is exactly -1 on entry; otherwise it is set to 0, except
  // that where every name matches ("*.*") without sizes every file is counted without matching and `total`
  // is left alone. Stops after the
  // first match when `stopAtFirst`. Lets the user interface run after every file.
  // On failure: -1 and errText = the system's description, also shown (title "Error", warning icon) when
  // `showError`.
  std::int32_t CountMatchingFiles(const std::string& folder, const FileMatcher& files, bool stopAtFirst,
                                  bool showError, std::string& errText, double& total);
  // Direct subfolders (the roots of mounts and subvolumes left out, as the walks leave them), counted up to
  // `upTo`; or -1 with errText = "Error: " + description.
  std::int32_t CountSubfolders(const std::string& folder, std::string& errText,
                               std::int32_t upTo = INT32_MAX);
  // True when the folder holds no entry of any kind; false when it cannot be read.
  bool FolderIsEmpty(const std::string& folder);
  bool FolderIsEmpty(const platform::Folder& folder);
  // True when nothing but folders lies in the folder's tree (no file, link, pipe, device or mount point);
  // false when any folder of the tree cannot be read.
  bool HoldsOnlyFolders(const std::string& folder);
  bool HoldsOnlyFolders(const platform::FolderHandle& folder);

  // Walks the folder and everything below it (files first, then the subfolders in platform order).
  // `first` resets count, total and err. When `limit` is above 0 and `count` reaches it, limit becomes -2 and
  // the walk ends at once. Sizes of regular files are added to `total` when `withSizes` (a size that cannot
  // be read is skipped). A folder that cannot be read sets `err` to the PlatformError number and ends the
  // walk; a subfolder that vanished after it was listed is skipped.
  void CountFilesInTree(bool first, const std::string& folder, const FileMatcher& files, std::int32_t& count,
                        std::int32_t& limit, bool withSizes, double& total, int& err);
  bool AnyMatchingFileInTree(const std::string& folder, const FileMatcher& files);

  // Deletes the folder with everything in it. Links inside are removed as links; their targets are never
  // touched, and a link given as `path` is not followed (false). Without `force` a read-only entry stops the
  // deletion with "Permission denied"; with it, read-only entries are made writable first. A volume's root is
  // never deleted. On failure: false and errText = the system's description.
  bool DeleteFolder(const std::string& path, std::string& errText, bool force);
  // Deletes a tree that holds nothing but folders; stops at the first entry of any other kind, so nothing
  // but empty folders is ever removed, even when something appeared since the tree was looked at.
  bool DeleteEmptyFolderTree(const std::string& path, std::string& errText);
  // The same for a folder a run holds: its tree is removed below the handle, and then its name from the
  // folder above, `parent`, only while that name still names it (`replaced` says when it no longer did).
  bool DeleteEmptyFolderTree(const platform::Folder& parent, const std::string& name,
                             const platform::FolderHandle& folder, std::string& errText, bool& replaced);

 private:
  // Whether a subfolder the listing named is one a walk enters: not gone since, nor the root of a mount or
  // a subvolume.
  bool IsWalkedSubfolder(const platform::Folder& folder, const std::string& name);
  bool RemoveTree(const std::string& path, std::string& errText, bool force, bool foldersOnly);
  // Removes everything below `top` and then `name` from `parent` while it is still `top`.
  void RemoveHeldTree(const platform::Folder& parent, const std::string& name,
                      const platform::FolderHandle& top, bool force, bool foldersOnly, bool& replaced);

  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
};

}  // namespace nulvane::support
