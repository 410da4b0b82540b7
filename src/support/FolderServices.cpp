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

std::string Join(const std::string& folder, const std::string& name) {
  return WithTrailingSeparator(folder) + name;
}

// What a purge can purge: a regular file. Links, pipes, sockets, devices and mount points are never
// counted as files to purge.
bool IsFile(const DirEntry& entry) {
  return entry.kind == FileKind::Regular;
}

// The size of a regular file; 0 when it has gone or become something else since it was listed.
double RegularFileSize(platform::FileSystem& fileSystem, const std::string& path) {
  const platform::FileStatus status = fileSystem.Status(path);
  return status.kind == FileKind::Regular ? static_cast<double>(status.size) : 0.0;
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

std::string FolderServices::NewNumberedFolder(const std::string& drivePath, const std::string& stem) {
  if (drivePath.empty()) return {};
  const std::string base = WithTrailingSeparator(drivePath) + stem;
  constexpr int kMaxNumber = 100000;
  try {
    for (int n = 1; n <= kMaxNumber; ++n) {
      const std::string candidate = base + std::to_string(n);
      if (fileSystem_.Status(candidate).kind != FileKind::Missing) continue;
      try {
        fileSystem_.MakeFolder(candidate);
        return candidate;
      } catch (const PlatformError&) {
        // Taken between the check and the creation: try the next number; any other failure ends the search.
        if (fileSystem_.Status(candidate).kind == FileKind::Missing) return {};
      }
    }
  } catch (const std::exception&) {
  }
  return {};
}

std::int32_t FolderServices::CountMatchingFiles(const std::string& folder, const FileMatcher& files,
                                                bool stopAtFirst, bool showError, std::string& errText,
                                                double& total) {
  errText.clear();
  const bool withSizes = total == -1;
  try {
    const std::string listed = WithoutTrailingSeparators(folder);
    const std::vector<DirEntry> entries = fileSystem_.ListFolder(listed);
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
        if (withSizes) {
          total += RegularFileSize(fileSystem_, Join(listed, entry.name));
        }
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

std::int32_t FolderServices::CountSubfolders(const std::string& folder, std::string& errText) {
  errText.clear();
  try {
    std::int32_t count = 0;
    for (const DirEntry& entry : fileSystem_.ListFolder(WithoutTrailingSeparators(folder))) {
      count += entry.kind == FileKind::Directory ? 1 : 0;
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
  // Anything at all (a link or a pipe too) keeps a folder from being empty, and a folder whose contents
  // cannot be read is not known to be empty: removing it would fail, or worse.
  try {
    return fileSystem_.ListFolder(WithoutTrailingSeparators(folder)).empty();
  } catch (const std::exception&) {
    return false;
  }
}

bool FolderServices::HoldsOnlyFolders(const std::string& folder) {
  try {
    std::vector<std::string> pending{WithoutTrailingSeparators(folder)};
    while (!pending.empty()) {
      const std::string current = std::move(pending.back());
      pending.pop_back();
      for (const DirEntry& entry : fileSystem_.ListFolder(current)) {
        if (entry.kind != FileKind::Directory) return false;
        pending.push_back(Join(current, entry.name));
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
  // cannot exhaust the call stack.
  struct Level {
    std::string path;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
  };
  std::vector<Level> stack;
  try {
    // Lists one folder, counts its files and pushes it; false when the walk must end.
    auto enter = [&](const std::string& path, bool isTop) -> bool {
      std::vector<DirEntry> entries;
      try {
        entries = fileSystem_.ListFolder(path);
      } catch (const PlatformError& error) {
        // A subfolder removed since its parent was listed holds nothing to count.
        if (!isTop && error.number == platform::kErrorFileNotFound) return true;
        throw;
      }
      Level level{path, {}, 0};
      for (const DirEntry& entry : entries) {
        if (entry.kind == FileKind::Directory) {
          level.subfolders.push_back(entry.name);
          continue;
        }
        if (!IsFile(entry) || !files.Matches(entry.name)) continue;
        ++count;
        if (withSizes) {
          try {
            total += RegularFileSize(fileSystem_, Join(path, entry.name));
          } catch (const PlatformError&) {
          }
        }
        if (limit > 0 && count >= limit) {
          limit = -2;
          return false;
        }
      }
      stack.push_back(std::move(level));
      return true;
    };

    if (!enter(WithoutTrailingSeparators(folder), true)) return;
    while (!stack.empty()) {
      Level& top = stack.back();
      if (top.next == top.subfolders.size()) {
        stack.pop_back();
        continue;
      }
      const std::string child = Join(top.path, top.subfolders[top.next++]);
      if (!enter(child, false) || err > 0) return;
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

bool FolderServices::RemoveTree(const std::string& path, std::string& errText, bool force, bool foldersOnly) {
  errText.clear();
  const std::string top = WithoutTrailingSeparators(path);
  try {
    if (top.empty()) platform::ThrowErrno(ENOENT);
    // A volume's root is never what the program means to delete.
    if (top == "/" || fileSystem_.VolumeOf(top) == top) platform::ThrowErrno(EBUSY);

    auto makeDeletable = [&](const std::string& entryPath) {
      if (!fileSystem_.Attributes(entryPath).readOnly) return;
      if (!force) platform::ThrowErrno(EACCES);
      fileSystem_.SetReadOnly(entryPath, false);
    };

    // Post-order: a folder is removed once everything in it is gone. Links are removed as links, since
    // only real directories are entered.
    struct Level {
      std::string path;
      std::vector<std::string> subfolders;
      std::size_t next = 0;
    };
    std::vector<Level> stack;
    auto enter = [&](const std::string& folder, bool isTop) {
      if (fileSystem_.Status(folder).kind != FileKind::Directory) {
        if (isTop) {
          // A link given as the folder is refused rather than followed.
          platform::ThrowErrno(fileSystem_.Status(folder).kind == FileKind::Missing ? ENOENT : ENOTDIR);
        }
        return;  // replaced or removed since it was listed
      }
      makeDeletable(folder);
      Level level{folder, {}, 0};
      for (const DirEntry& entry : fileSystem_.ListFolder(folder)) {
        const std::string entryPath = Join(folder, entry.name);
        if (entry.kind == FileKind::Directory) {
          level.subfolders.push_back(entry.name);
          continue;
        }
        if (foldersOnly) platform::ThrowErrno(ENOTEMPTY);
        if (entry.kind == FileKind::Regular) makeDeletable(entryPath);
        try {
          fileSystem_.Remove(entryPath);
        } catch (const PlatformError& error) {
          if (error.number != platform::kErrorFileNotFound) throw;
        }
      }
      stack.push_back(std::move(level));
    };

    enter(top, true);
    while (!stack.empty()) {
      Level& level = stack.back();
      if (level.next < level.subfolders.size()) {
        const std::string child = Join(level.path, level.subfolders[level.next++]);
        enter(child, false);
        continue;
      }
      const std::string done = level.path;
      const bool isTop = stack.size() == 1;
      stack.pop_back();
      try {
        fileSystem_.RemoveFolder(done);
      } catch (const PlatformError& error) {
        if (isTop || error.number != platform::kErrorFileNotFound) throw;
      }
    }
    return true;
  } catch (const PlatformError& error) {
    errText = error.description;
  } catch (const std::bad_alloc&) {
    errText = OutOfMemory().description;
  }
  return false;
}

}  // namespace nulvane::support
