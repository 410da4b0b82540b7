#include "engine/PurgeEngine.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "engine/FileProcedures.h"
#include "platform/PlatformError.h"
#include "support/DataFolder.h"
#include "support/Drive.h"
#include "support/FileServices.h"
#include "support/Format.h"

namespace nulvane::engine {

namespace {

using platform::FileKind;
using platform::PlatformError;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

#ifdef _WIN32
// Windows page files go by their names: pagefile.sys on any drive, and the "*.swp" files of old versions.
constexpr bool kPageFilesByName = true;
#else
// Here a swap file is one the kernel swaps to, whatever its name (SwapFiles); an editor's "*.swp" holds the
// text being edited and is an ordinary file.
constexpr bool kPageFilesByName = false;
#endif

std::string WithTrailingSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
  return folder;
}

}  // namespace

std::vector<int> PatternSequence(int purgeType) {
  switch (purgeType) {
    case 0:
      return {kRandomPattern, 0};
    case 1:
      return {170, 85, 0};
    case 2:
      return {170, 85, kRandomPattern, 10, 245, kRandomPattern};
    default:
      return {};
  }
}

PurgeEngine::PurgeEngine(platform::FileSystem& fileSystem, platform::Ui& ui, ClusterSizeTable& clusterSizes,
                         const support::OperationState& state)
    : fileSystem_(fileSystem), ui_(ui), clusterSizes_(clusterSizes), state_(state) {
  // Sensitive files stay protected even before the first run resets the table.
  InitSensitiveExtensions(0);
}

bool PurgeEngine::PurgeFile(const std::string& path, int purgeType, int repetitions, bool deleteAfter,
                            bool okReadOnly, bool okSystem, std::int16_t& resultCode) {
  resultCode = Purge(Request(path, purgeType, repetitions, deleteAfter, okReadOnly, okSystem));
  return resultCode >= 0;
}

PurgeRequest PurgeEngine::Request(platform::FolderHandle folder, const std::string& name, int purgeType,
                                  int repetitions, bool deleteAfter, bool okReadOnly, bool okSystem,
                                  const std::string& drive) {
  PurgeRequest request;
  if (folder) request.path = folder->PathOf(name);
  request.name = name;
  request.purgeType = purgeType;
  request.repetitions = repetitions;
  request.deleteAfter = deleteAfter;
  request.okReadOnly = okReadOnly;
  request.okSystem = okSystem;
  if (folder && !name.empty())
    request.clusterSize =
        clusterSizes_.GetClusterSize(drive.empty() ? support::DriveOf(fileSystem_, folder->Path()) : drive);
  request.folder = std::move(folder);
  // The speed test's dummy files keep whatever the purge left.
  request.restore = !state_.blnPerformingSpeedTest;
  return request;
}

PurgeRequest PurgeEngine::Request(const std::string& path, int purgeType, int repetitions, bool deleteAfter,
                                  bool okReadOnly, bool okSystem) {
  if (path.empty()) return Request(nullptr, {}, purgeType, repetitions, deleteAfter, okReadOnly, okSystem);
  auto [folder, name] = platform::OpenParentOf(fileSystem_, path);
  return Request(std::move(folder), name, purgeType, repetitions, deleteAfter, okReadOnly, okSystem,
                 support::DriveOf(fileSystem_, path));
}

std::int16_t PurgeEngine::Purge(const PurgeRequest& request, PurgeNotes* notes) {
  return overwriter_.Purge(request, notes);
}

std::int32_t PurgeEngine::ClusterSizeOf(const std::string& path) {
  return clusterSizes_.GetClusterSize(support::DriveOf(fileSystem_, path));
}

std::int16_t PurgeEngine::OverwriteFile(const std::string& path, int purgeType, int repetitions,
                                        bool deleteAfter) {
  if (path.empty()) return kEmptyPath;
  return overwriter_.OverwriteFile(path, purgeType, repetitions, deleteAfter, ClusterSizeOf(path));
}

std::int16_t PurgeEngine::WritePatternPass(const std::string& path, int patternCode,
                                           std::int32_t clusterSize) {
  return overwriter_.WritePatternPass(path, patternCode, clusterSize);
}

void PurgeEngine::BuildPatternBuffers(std::int32_t clusterSize) {
  overwriter_.BuildPatternBuffers(clusterSize);
}

const std::vector<unsigned char>& PurgeEngine::PatternBuffer(int patternCode) const {
  return overwriter_.PatternBuffer(patternCode);
}

std::optional<PurgeEngine::Identity> PurgeEngine::IdentityOf(const std::string& path, bool resolveLinks) {
  try {
    platform::FileStatus status;
    try {
      status = fileSystem_.Status(path);
    } catch (const PlatformError&) {
      if (!resolveLinks) throw;
      status.kind = FileKind::Symlink;  // a link on the way: resolved below
    }
    // Only to recognise what must not be purged: a path through a link still names the protected folder.
    if (status.kind == FileKind::Symlink && resolveLinks)
      status = fileSystem_.Status(fileSystem_.RealPath(path));
    if (status.kind == FileKind::Missing) return std::nullopt;
    return Identity{status.device, status.inode};
  } catch (const PlatformError&) {
    return std::nullopt;
  }
}

void PurgeEngine::LearnProtectedPaths() {
  if (protectedPathsKnown_) return;
  // The program's folder and the folder its data is read from (the same in a build tree; share/nulvane
  // beside bin in an installed one).
  ownFolders_.clear();
  for (const std::string& folder : {fileSystem_.ProgramFolder(), support::DataFolder(fileSystem_)}) {
    if (folder.empty()) continue;
    ownFolders_.push_back({Lower(WithTrailingSeparator(folder)), IdentityOf(folder, true)});
  }
  swapFiles_.clear();
  swapFileIdentities_.clear();
  for (const std::string& swapFile : fileSystem_.SwapFiles()) {
    swapFiles_.push_back(platform::kCaseSensitiveNames ? swapFile : Lower(swapFile));
    if (const auto identity = IdentityOf(swapFile, true)) swapFileIdentities_.push_back(*identity);
  }
  protectedPathsKnown_ = true;
}

bool PurgeEngine::InOwnFolder(const std::string& loweredFolder,
                              const std::optional<Identity>& identity) const {
  return std::any_of(ownFolders_.begin(), ownFolders_.end(), [&](const OwnFolder& own) {
    return own.identity && identity ? *own.identity == *identity : loweredFolder == own.lowered;
  });
}

int PurgeEngine::ClassifyProtectedFile(const std::string& path, const platform::FileStatus* known,
                                       const platform::Folder* holder) {
  const std::string lowered = Lower(path);
  const std::size_t slash = lowered.find_last_of(platform::kPathSeparator);
  const std::string folder = slash == std::string::npos ? std::string() : lowered.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? lowered : lowered.substr(slash + 1);
  LearnProtectedPaths();

  // The program's folder and the swap files are recognised by what they are, not by how a path spells
  // them: "alias/own.dat" through a link to the program's folder, or "bin/../bin/own.dat", is still ours.
  const std::string folderPath = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  // A walk holds the folder, which is what it is; otherwise the files of one folder come in a row, and the
  // folder is looked at once for all of them.
  if (holder != nullptr) {
    lastFolder_.clear();
    lastFolderIdentity_ = Identity{holder->Identity().device, holder->Identity().inode};
  } else if (folderPath != lastFolder_) {
    lastFolder_ = folderPath;
    lastFolderIdentity_ = IdentityOf(folderPath, true);
  }
  if (InOwnFolder(folder, lastFolderIdentity_)) return kInProgramFolder;
  platform::FileStatus file;
  if (known != nullptr) {
    file = *known;
  } else {
    try {
      file = fileSystem_.Status(path);
    } catch (const PlatformError&) {
    }
  }
  if (file.kind != FileKind::Missing &&
      std::find(swapFileIdentities_.begin(), swapFileIdentities_.end(), Identity{file.device, file.inode}) !=
          swapFileIdentities_.end())
    return kPageFile;
  if (std::find(swapFiles_.begin(), swapFiles_.end(), platform::kCaseSensitiveNames ? path : lowered) !=
      swapFiles_.end())
    return kPageFile;

  const std::size_t dot = name.find_last_of('.');
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  if (kPageFilesByName && (name == "pagefile.sys" || (dot != std::string::npos && extension == "swp")))
    return kPageFile;
  // Overwriting changes what every other name of the file shows, perhaps outside what the user chose, and
  // deleting one name would leave the contents behind the others.
  if (file.kind == FileKind::Regular && file.linkCount > 1) return kHasOtherNames;
  if (dot == std::string::npos) return 0;
  for (const auto& [known, permission] : sensitiveExtensions_) {
    if (known != extension) continue;
    if (permission == -1) return kSensitiveRefused;
    if (permission == 0) return kSensitiveNotAllowed;
    return 0;
  }
  return 0;
}

void PurgeEngine::InitSensitiveExtensions(int permission) {
  static const char* const kExtensions[] = {"bat", "bin", "com", "dll", "drv", "exe",
                                            "ini", "ovl", "pif", "sys", "ocx", "kbd"};
  sensitiveExtensions_.clear();
  protectedPathsKnown_ = false;
  lastFolder_.clear();
  for (const char* extension : kExtensions) sensitiveExtensions_.emplace_back(extension, permission);
}

void PurgeEngine::SetExtensionPermission(const std::string& extension, int permission) {
  const std::string lowered = Lower(extension);
  for (auto& [known, value] : sensitiveExtensions_) {
    if (known == lowered) value = permission;
  }
}

bool PurgeEngine::DeleteFileForced(const std::string& path, bool clearHidden, bool clearReadOnly,
                                   bool clearSystem) {
  return overwriter_.DeleteFileForced(path, clearHidden, clearReadOnly, clearSystem);
}

bool PurgeEngine::DeleteFileForced(const platform::Folder& folder, const std::string& name, bool clearHidden,
                                   bool clearReadOnly, bool clearSystem) {
  return overwriter_.DeleteFileForced(folder, name, clearHidden, clearReadOnly, clearSystem);
}

std::int16_t PurgeEngine::ChangeFileSize(const std::string& path, std::int64_t size) {
  const std::int32_t result = support::change_filesize(fileSystem_, path, size);
  return result == 0 ? 0 : static_cast<std::int16_t>(std::clamp<std::int32_t>(result, -32768, -1));
}

bool PurgeEngine::FlushFile(const std::string& path) {
  return support::flush_file(fileSystem_, path) == 0;
}

}  // namespace nulvane::engine
