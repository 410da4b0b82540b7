#include "support/FolderServices.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "platform/PlatformError.h"
#include "support/Match.h"

namespace nulvane::support {
namespace {

using platform::DirEntry;
using platform::FileKind;
using platform::kPathSeparator;
using platform::PlatformError;

// Without trailing separators, so that the last component is itself what the platform opens (a trailing
// separator would make it resolve a link); "/" stays the root.
std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  return path;
}

std::string WithTrailingSeparator(std::string path) {
  if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
  return path;
}

// What a purge can purge: a regular file. Links, pipes, sockets, devices and mount points are never
// counted as files to purge.
bool IsFile(const DirEntry& entry) {
  return entry.kind == FileKind::Regular;
}

PlatformError OutOfMemory() {
  return platform::ErrorFromErrno(ENOMEM);
}

}  // namespace

FolderServices::FolderServices(platform::FileSystem& fileSystem, platform::Ui& ui)
    : fileSystem_(fileSystem), ui_(ui) {}

std::string FolderServices::BrowseForFolder(const std::string& prompt) {
  return ui_.BrowseForFolder(prompt);
}

std::string FolderServices::ResolveChosenFolder(const std::string& path) {
  if (path.empty()) return path;
  try {
    std::string resolved = fileSystem_.RealPath(path);
    if (path.back() == kPathSeparator) resolved = WithTrailingSeparator(resolved);
    return resolved;
  } catch (const PlatformError&) {
    return path;
  }
}

std::string FolderServices::SpecialFolderPath(SpecialFolder /*folder*/) {
  try {
    const std::string folder = fileSystem_.UserDataFolder();
    return folder.empty() ? folder : WithoutTrailingSeparators(folder);
  } catch (const std::exception&) {
    return {};
  }
}

std::string FolderServices::UserDataFilePath(const std::string& name, const std::string& sub) {
  std::string base = SpecialFolderPath(SpecialFolder::UserData);
  if (base.empty()) {
    try {
      for (const platform::Volume& volume : fileSystem_.Volumes()) {
        if (volume.type == platform::DriveType::Fixed) {
          base = WithoutTrailingSeparators(volume.mountPoint);
          break;
        }
      }
    } catch (const std::exception&) {
    }
  }
  // The root's own separator already separates.
  const std::string prefix = base == "/" ? base : base + kPathSeparator;
  if (sub.empty()) return prefix + name;
  const std::string folder = prefix + sub;
  // A failure here shows later, when the file itself cannot be written.
  if (!FolderExists(folder)) CreateFolderPath(folder);
  return folder + kPathSeparator + name;
}

bool FolderServices::FolderExists(const std::string& path) {
  if (path.empty()) return false;
  try {
    return fileSystem_.Status(WithoutTrailingSeparators(path)).kind == FileKind::Directory;
  } catch (const std::exception&) {
    return false;
  }
}

bool FolderServices::FileExists(const std::string& path) {
  if (path.empty()) return false;
  try {
    const FileKind kind = fileSystem_.Status(path).kind;
    return kind != FileKind::Missing && kind != FileKind::Directory;
  } catch (const std::exception&) {
    return false;
  }
}

bool FolderServices::CreateFolderPath(const std::string& path) {
  if (path.empty()) return false;
  try {
    std::string prefix;
    std::size_t start = 0;
    while (start <= path.size()) {
      std::size_t end = path.find(kPathSeparator, start);
      if (end == std::string::npos) end = path.size();
      prefix = path.substr(0, end);
      start = end + 1;
      if (prefix.empty() || prefix.back() == kPathSeparator) continue;  // the root, or a doubled separator
      const FileKind kind = fileSystem_.Status(prefix).kind;
      if (kind == FileKind::Missing) {
        try {
          fileSystem_.MakeFolder(prefix);
        } catch (const PlatformError&) {
          // Someone else may have created it in between; the check below decides.
          if (fileSystem_.Status(prefix).kind != FileKind::Directory) return false;
        }
      }
    }
  } catch (const std::exception&) {
    return false;
  }
  return FolderExists(path);
}

FolderServices::OwnFolder FolderServices::NewNumberedFolder(const std::string& drivePath,
                                                            const std::string& stem) {
  if (drivePath.empty()) return {};
  constexpr int kMaxNumber = 100000;
  try {
    const platform::FolderHandle base = fileSystem_.OpenFolder(drivePath);
    for (int n = 1; n <= kMaxNumber; ++n) {
      const std::string name = stem + std::to_string(n);
      try {
        return {base, name, fileSystem_.MakeFolderAt(*base, name)};
      } catch (const PlatformError& error) {
        // Taken already: the next number; any other failure ends the search.
        if (error.number != platform::ErrorNumberFromErrno(EEXIST)) return {};
      }
    }
  } catch (const std::exception&) {
  }
  return {};
}

bool FolderServices::RemoveOwnFolder(OwnFolder& folder) {
  if (!folder) return false;
  folder.lock = platform::File();
  try {
    return fileSystem_.RemoveFolderAt(*folder.parent, folder.name, &folder.folder->Identity());
  } catch (const PlatformError&) {
    return false;
  }
}

std::int32_t FolderServices::CountMatchingFiles(const std::string& folder, const FileMatcher& files,
                                                bool stopAtFirst, bool showError, std::string& errText,
                                                double& total) {
  errText.clear();
  const bool withSizes = total == -1;
  try {
    // Sizes take a look at each file; a count alone needs only the listing.
    const platform::FolderHandle held = fileSystem_.OpenFolder(folder);
    const std::vector<DirEntry> entries =
        withSizes ? fileSystem_.List(*held, true) : fileSystem_.ListNames(*held);
    std::int32_t count = 0;
    if (files.MatchesEveryName() && !withSizes) {
      for (const DirEntry& entry : entries) count += IsFile(entry) ? 1 : 0;
      return count;
    }
    total = 0;
    for (const DirEntry& entry : entries) {
      if (!IsFile(entry)) continue;
      if (files.Matches(entry.name)) {
        ++count;
        if (withSizes) total += static_cast<double>(entry.size);
      }
      ui_.Yield();
      if (stopAtFirst && count > 0) break;
    }
    return count;
  } catch (const PlatformError& error) {
    errText = error.description;
  } catch (const std::bad_alloc&) {
    errText = OutOfMemory().description;
  }
  if (showError) ui_.Message("Error", errText, platform::Buttons::Ok, platform::Icon::Warning);
  return -1;
}

bool FolderServices::IsWalkedSubfolder(const platform::Folder& folder, const std::string& name) {
  try {
    return fileSystem_.StatusAt(folder, name).kind == FileKind::Directory;
  } catch (const PlatformError&) {
    return true;  // not known to be a border: as a listing that cannot look at it counts it
  }
}

std::int32_t FolderServices::CountSubfolders(const std::string& folder, std::string& errText,
                                             std::int32_t upTo) {
  errText.clear();
  try {
    std::int32_t count = 0;
    const platform::FolderHandle held = fileSystem_.OpenFolder(folder);
    for (const DirEntry& entry : fileSystem_.ListNames(*held)) {
      if (count >= upTo) break;
      // Only a folder a walk would enter counts, not the root of a mount or a subvolume; looked at one by
      // one, so that a count that stops early looks at few.
      if (entry.kind == FileKind::Directory && IsWalkedSubfolder(*held, entry.name)) ++count;
    }
    return count;
  } catch (const PlatformError& error) {
    errText = "Error: " + error.description;
  } catch (const std::bad_alloc&) {
    errText = "Error: " + OutOfMemory().description;
  }
  return -1;
}

bool FolderServices::FolderIsEmpty(const std::string& folder) {
  try {
    return FolderIsEmpty(*fileSystem_.OpenFolder(folder));
  } catch (const std::exception&) {
    return false;
  }
}

bool FolderServices::FolderIsEmpty(const platform::Folder& folder) {
  // Anything at all (a link or a pipe too) keeps a folder from being empty, and a folder whose contents
  // cannot be read is not known to be empty: removing it would fail, or worse.
  try {
    return fileSystem_.ListNames(folder).empty();
  } catch (const std::exception&) {
    return false;
  }
}

bool FolderServices::HoldsOnlyFolders(const std::string& folder) {
  try {
    return HoldsOnlyFolders(fileSystem_.OpenFolder(folder));
  } catch (const std::exception&) {
    return false;
  }
}

bool FolderServices::HoldsOnlyFolders(const platform::FolderHandle& folder) {
  try {
    std::vector<platform::FolderHandle> pending{folder};
    while (!pending.empty()) {
      const platform::FolderHandle current = std::move(pending.back());
      pending.pop_back();
      // A mount point listed as a folder is refused when it is entered, which ends the look as false.
      for (const DirEntry& entry : fileSystem_.ListNames(*current)) {
        if (entry.kind != FileKind::Directory) return false;
        pending.push_back(fileSystem_.OpenSubfolder(*current, entry.name));
      }
      ui_.Yield();
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void FolderServices::CountFilesInTree(bool first, const std::string& folder, const FileMatcher& files,
                                      std::int32_t& count, std::int32_t& limit, bool withSizes, double& total,
                                      int& err) {
  if (first) {
    count = 0;
    total = 0;
    err = 0;
  }
  // Depth first, each folder's files before its subfolders; kept on an explicit stack so that a deep tree
  // cannot exhaust the call stack, with each folder on it held open.
  struct Level {
    platform::FolderHandle folder;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
  };
  std::vector<Level> stack;
  try {
    // Lists one folder, counts its files and pushes it; false when the walk must end.
    auto enter = [&](platform::FolderHandle held) -> bool {
      // A mount point listed as a folder is refused when it is entered, and skipped as one found later.
      const std::vector<DirEntry> entries =
          withSizes ? fileSystem_.List(*held, true) : fileSystem_.ListNames(*held);
      Level level{std::move(held), {}, 0};
      for (const DirEntry& entry : entries) {
        if (entry.kind == FileKind::Directory) {
          level.subfolders.push_back(entry.name);
          continue;
        }
        if (!IsFile(entry) || !files.Matches(entry.name)) continue;
        ++count;
        if (withSizes) total += static_cast<double>(entry.size);
        if (limit > 0 && count >= limit) {
          limit = -2;
          return false;
        }
      }
      stack.push_back(std::move(level));
      return true;
    };

    if (!enter(fileSystem_.OpenFolder(folder))) return;
    while (!stack.empty()) {
      Level& top = stack.back();
      if (top.next == top.subfolders.size()) {
        stack.pop_back();
        continue;
      }
      platform::FolderHandle child;
      try {
        child = fileSystem_.OpenSubfolder(*top.folder, top.subfolders[top.next++]);
      } catch (const PlatformError& error) {
        // A subfolder removed since its parent was listed holds nothing to count, and one mounted on since
        // is not part of the tree.
        if (error.number == platform::kErrorFileNotFound ||
            error.number == platform::ErrorNumberFromErrno(EXDEV))
          continue;
        throw;
      }
      if (!enter(std::move(child)) || err > 0) return;
    }
  } catch (const PlatformError& error) {
    err = error.number;
  } catch (const std::bad_alloc&) {
    err = platform::kErrorOutOfMemory;
  }
}

bool FolderServices::AnyMatchingFileInTree(const std::string& folder, const FileMatcher& files) {
  std::int32_t count = 0;
  std::int32_t limit = 1;
  double total = 0;
  int err = 0;
  CountFilesInTree(true, folder, files, count, limit, false, total, err);
  return limit == -2;
}

bool FolderServices::DeleteFolder(const std::string& path, std::string& errText, bool force) {
  return RemoveTree(path, errText, force, false);
}

bool FolderServices::DeleteEmptyFolderTree(const std::string& path, std::string& errText) {
  return RemoveTree(path, errText, true, true);
}

bool FolderServices::DeleteEmptyFolderTree(const platform::Folder& parent, const std::string& name,
                                           const platform::FolderHandle& folder, std::string& errText,
                                           bool& replaced) {
  errText.clear();
  replaced = false;
  try {
    RemoveHeldTree(parent, name, folder, true, true, replaced);
    return !replaced;
  } catch (const PlatformError& error) {
    errText = error.description;
  } catch (const std::bad_alloc&) {
    errText = OutOfMemory().description;
  }
  return false;
}

bool FolderServices::RemoveTree(const std::string& path, std::string& errText, bool force, bool foldersOnly) {
  errText.clear();
  const std::string top = WithoutTrailingSeparators(path);
  try {
    if (top.empty()) platform::ThrowErrno(ENOENT);
    // A volume's root is never what the program means to delete.
    if (top == "/" || fileSystem_.VolumeOf(top) == top) platform::ThrowErrno(EBUSY);
    const auto [parent, name] = platform::OpenParentOf(fileSystem_, top);
    const FileKind kind = fileSystem_.StatusAt(*parent, name).kind;
    // A link given as the folder is refused rather than followed.
    if (kind == FileKind::Missing) platform::ThrowErrno(ENOENT);
    if (kind != FileKind::Directory) platform::ThrowErrno(kind == FileKind::MountPoint ? EBUSY : ENOTDIR);
    bool replaced = false;
    RemoveHeldTree(*parent, name, fileSystem_.OpenSubfolder(*parent, name), force, foldersOnly, replaced);
    if (replaced) platform::ThrowErrno(ENOENT);
    return true;
  } catch (const PlatformError& error) {
    errText = error.description;
  } catch (const std::bad_alloc&) {
    errText = OutOfMemory().description;
  }
  return false;
}

void FolderServices::RemoveHeldTree(const platform::Folder& parent, const std::string& name,
                                    const platform::FolderHandle& top, bool force, bool foldersOnly,
                                    bool& replaced) {
  // An entry that keeps the deletion from going on unless it may be made writable first.
  auto makeDeletable = [&](const platform::Folder& folder, const std::string& entry,
                           const platform::FileStatus& status) {
    if (!status.attributes.readOnly) return;
    if (!force) platform::ThrowErrno(EACCES);
    platform::FileAttributes writable = status.attributes;
    writable.readOnly = false;
    fileSystem_.SetAttributesAt(folder, entry, writable);
  };

  // Post-order: a folder is removed once everything in it is gone, by its name in the folder above while
  // that name still names the folder that was emptied. Links are removed as links, since only real
  // directories are entered; a mount or subvolume inside ends the deletion.
  struct Level {
    platform::FolderHandle folder;
    std::string name;  // in the level below it on the stack (or in `parent`)
    std::vector<std::string> subfolders;
    std::size_t next = 0;
  };
  std::vector<Level> stack;
  // False when the name no longer names the folder that was opened.
  auto enter = [&](const platform::Folder& above, const std::string& entry, platform::FolderHandle held) {
    const platform::FileStatus status = fileSystem_.StatusAt(above, entry);
    if (status.Identity() != held->Identity()) return false;
    makeDeletable(above, entry, status);
    Level level{std::move(held), entry, {}, 0};
    for (const DirEntry& child : fileSystem_.List(*level.folder)) {
      if (child.kind == FileKind::Directory) {
        level.subfolders.push_back(child.name);
        continue;
      }
      if (foldersOnly) platform::ThrowErrno(ENOTEMPTY);
      if (child.kind == FileKind::MountPoint || child.kind == FileKind::Subvolume)
        platform::ThrowErrno(EBUSY);
      if (child.kind == FileKind::Regular)
        makeDeletable(*level.folder, child.name, fileSystem_.StatusAt(*level.folder, child.name));
      try {
        fileSystem_.RemoveFileAt(*level.folder, child.name, nullptr);
      } catch (const PlatformError& error) {
        if (error.number != platform::kErrorFileNotFound) throw;
      }
    }
    stack.push_back(std::move(level));
    return true;
  };

  if (!enter(parent, name, top)) {
    replaced = true;
    return;
  }
  while (!stack.empty()) {
    Level& level = stack.back();
    if (level.next < level.subfolders.size()) {
      const std::string child = level.subfolders[level.next++];
      platform::FolderHandle held;
      try {
        held = fileSystem_.OpenSubfolder(*level.folder, child);
      } catch (const PlatformError& error) {
        if (error.number == platform::kErrorFileNotFound) continue;  // removed since it was listed
        throw;
      }
      const platform::FolderHandle above = level.folder;
      if (!enter(*above, child, std::move(held))) {
        replaced = true;
        return;
      }
      continue;
    }
    const Level done = std::move(stack.back());
    stack.pop_back();
    const platform::Folder& above = stack.empty() ? parent : *stack.back().folder;
    try {
      if (!fileSystem_.RemoveFolderAt(above, done.name, &done.folder->Identity())) {
        // Another folder has taken the name: it is not ours to remove, and neither is anything above it.
        replaced = true;
        return;
      }
    } catch (const PlatformError& error) {
      if (stack.empty() || error.number != platform::kErrorFileNotFound) throw;
    }
  }
}

}  // namespace nulvane::support
