#include "engine/PurgeEngine.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "engine/FileProcedures.h"
#include "platform/PlatformError.h"
#include "support/Drive.h"
#include "support/FileServices.h"
#include "support/Format.h"

namespace nulvane::engine {

namespace {

using platform::FileKind;
using platform::PlatformError;

constexpr std::int32_t kSmallestCluster = 512;
constexpr std::int32_t kLargestCluster = 65536;
constexpr std::size_t kRandomDraws = 2048;
constexpr std::size_t kRandomBufferIndex = 5;
// Blocks handed to the file system in one call; each block is still the one cluster-sized buffer.
constexpr std::int64_t kBlocksPerWrite = 256;
constexpr int kDeleteWaitMilliseconds = 500;
constexpr int kDeleteRetries = 3;

bool IsValidClusterSize(std::int32_t size) {
  return size >= kSmallestCluster && size <= kLargestCluster && size % kSmallestCluster == 0;
}

int BufferIndex(int patternCode) {
  switch (patternCode) {
    case 0:
      return 0;
    case 10:
      return 1;
    case 85:
      return 2;
    case 170:
      return 3;
    case 245:
      return 4;
    case kRandomPattern:
      return static_cast<int>(kRandomBufferIndex);
    default:
      return -1;
  }
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
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

PurgeEngine::PurgeEngine(platform::FileSystem& fileSystem, platform::Ui& ui, platform::Random& random,
                         ClusterSizeTable& clusterSizes, const support::OperationState& state)
    : fileSystem_(fileSystem), ui_(ui), random_(random), clusterSizes_(clusterSizes), state_(state) {
  // Sensitive files stay protected even before the first run resets the table.
  InitSensitiveExtensions(0);
}

bool PurgeEngine::PurgeFile(const std::string& path, int purgeType, int repetitions, bool deleteAfter,
                            bool okReadOnly, bool okSystem, std::int16_t& resultCode) {
  resultCode = PurgeRegularFile(path, purgeType, repetitions, deleteAfter, okReadOnly, okSystem);
  return resultCode >= 0;
}

std::int16_t PurgeEngine::PurgeRegularFile(const std::string& path, int purgeType, int repetitions,
                                           bool deleteAfter, bool okReadOnly, bool okSystem) {
  if (path.empty()) return kEmptyPath;
  const platform::FileStatus before = fileSystem_.Status(path);
  if (before.kind == FileKind::Missing) platform::ThrowErrno(ENOENT);
  // A link is never followed and a device or pipe is never written.
  if (before.kind != FileKind::Regular) return kCannotOpenForWriting;
  if (before.linkCount > 1) return kHasOtherNames;

  if (fileSystem_.Attributes(path).readOnly) {
    if (!okReadOnly) return kReadOnlyNotPermitted;
    try {
      fileSystem_.SetReadOnly(path, false);
    } catch (const PlatformError&) {
      // Opening for writing below tells whether clearing mattered.
    }
  }
  if (fileSystem_.Attributes(path).system && !okSystem) return kSystemNotPermitted;

  // From here on everything works on the one descriptor, so a file swapped for a link is never written.
  platform::File file;
  try {
    file = fileSystem_.OpenForWriting(path);
  } catch (const PlatformError&) {
    return kCannotOpenForWriting;
  }
  const platform::FileStatus opened = fileSystem_.Status(file);
  if (opened.device != before.device || opened.inode != before.inode) return kCannotOpenForWriting;
  // Checked on the open file, so a second name made after the walk looked is still seen.
  if (opened.linkCount > 1) return kHasOtherNames;
  const bool timesSaved = path.size() <= kMaxTimesPathLength;
  const std::int64_t savedLength = opened.size;

  const std::int16_t code = OverwriteOpenFile(file, path, savedLength, purgeType, repetitions);

  // The speed test's dummy files keep whatever the purge left.
  if (!state_.blnPerformingSpeedTest) {
    try {
      if (fileSystem_.Status(file).size != savedLength) fileSystem_.SetLength(file, savedLength);
    } catch (const PlatformError&) {
    }
    if (!deleteAfter && timesSaved) {
      try {
        fileSystem_.SetTimes(file, opened.times);
      } catch (const PlatformError&) {
      }
    }
  }
  if (!deleteAfter || !Overwrote(code)) return code;
  return CloseAndDelete(file, path, code, {opened.device, opened.inode});
}

std::int16_t PurgeEngine::OverwriteFile(const std::string& path, int purgeType, int repetitions,
                                        bool deleteAfter) {
  if (path.empty()) return kEmptyPath;
  platform::File file = fileSystem_.OpenForWriting(path);
  const platform::FileStatus status = fileSystem_.Status(file);
  const std::int16_t code = OverwriteOpenFile(file, path, status.size, purgeType, repetitions);
  if (!deleteAfter || !Overwrote(code)) return code;
  return CloseAndDelete(file, path, code, {status.device, status.inode});
}

bool PurgeEngine::Overwrote(std::int16_t code) {
  return code != kInvalidPurgeType && code != kInvalidClusterSize;
}

std::int16_t PurgeEngine::CloseAndDelete(platform::File& file, const std::string& path, std::int16_t passCode,
                                         const Identity& identity) {
  // A file is deleted only once it is closed: Windows deletes no open file, and its data is flushed already,
  // so a failure to close changes nothing that was written.
  try {
    file.Close();
  } catch (const PlatformError&) {
  }
  if (DeleteWithRetries(path, &identity, true, true, true)) return passCode;
  return passCode != 0 ? passCode : kNotDeleted;
}

std::int16_t PurgeEngine::OverwriteOpenFile(platform::File& file, const std::string& path,
                                            std::int64_t length, int purgeType, int repetitions) {
  const std::int32_t clusterSize = clusterSizes_.GetClusterSize(support::DriveOf(fileSystem_, path));
  currentFileLength_ = length;
  const std::vector<int> sequence = PatternSequence(purgeType);
  // Without a single repetition nothing would be overwritten, yet the file would be deleted as purged.
  if (sequence.empty() || repetitions < 1) return kInvalidPurgeType;
  if (!IsValidClusterSize(clusterSize)) return kInvalidClusterSize;

  random_.SeedFromClock();
  std::int16_t passCode = 0;
  for (int repetition = 0; repetition < repetitions; ++repetition) {
    ui_.Yield();
    BuildPatternBuffers(clusterSize);
    for (const int patternCode : sequence) {
      passCode = WritePattern(file, patternCode, clusterSize);
      if (passCode != 0) break;
    }
  }
  return passCode;
}

std::int16_t PurgeEngine::WritePatternPass(const std::string& path, int patternCode,
                                           std::int32_t clusterSize) {
  if (!IsValidClusterSize(clusterSize)) return kInvalidClusterSize;
  if (PatternBuffer(patternCode).size() != static_cast<std::size_t>(clusterSize)) {
    BuildPatternBuffers(clusterSize);
  }
  platform::File file = fileSystem_.OpenForWriting(path);
  return WritePattern(file, patternCode, clusterSize);
}

std::int16_t PurgeEngine::WritePattern(platform::File& file, int patternCode, std::int32_t clusterSize) {
  const int index = BufferIndex(patternCode);
  if (index < 0) return kInvalidPurgeType;
  const std::vector<unsigned char>& buffer = buffers_[static_cast<std::size_t>(index)];

  // An empty file is overwritten with one whole cluster.
  if (currentFileLength_ == 0) currentFileLength_ = 1;
  const std::int64_t blocks = (currentFileLength_ + clusterSize - 1) / clusterSize;
  for (std::int64_t done = 0; done < blocks;) {
    const std::int64_t run = std::min(kBlocksPerWrite, blocks - done);
    for (std::int64_t block = 0; block < run; ++block) ui_.Yield();
    fileSystem_.WriteRepeated(file, buffer.data(), static_cast<std::size_t>(clusterSize), run,
                              done * clusterSize);
    done += run;
  }
  try {
    fileSystem_.Flush(file);
  } catch (const PlatformError&) {
    return kFlushFailed;
  }
  return 0;
}

void PurgeEngine::BuildPatternBuffers(std::int32_t clusterSize) {
  static constexpr unsigned char kValues[] = {0x00, 0x0A, 0x55, 0xAA, 0xF5};
  const std::size_t size = clusterSize > 0 ? static_cast<std::size_t>(clusterSize) : 0;
  for (std::size_t i = 0; i < std::size(kValues); ++i) buffers_[i].assign(size, kValues[i]);

  // Only 2048 bytes are drawn; a larger cluster is filled with random pieces of what is already there.
  std::vector<unsigned char>& random = buffers_[kRandomBufferIndex];
  random.clear();
  random.reserve(std::max(size, kRandomDraws) * 2);
  for (std::size_t i = 0; i < kRandomDraws; ++i)
    random.push_back(static_cast<unsigned char>(random_.RandomInteger(0, 255)));
  while (random.size() < size) {
    const std::size_t length = random.size();
    const int half = static_cast<int>(support::RoundHalfEven(static_cast<double>(length) / 2.0));
    const auto start = static_cast<std::size_t>(random_.RandomInteger(1, half));
    const auto count = static_cast<std::size_t>(random_.RandomInteger(1, half));
    random.resize(length + count);
    std::copy_n(random.begin() + static_cast<std::ptrdiff_t>(start - 1), count,
                random.begin() + static_cast<std::ptrdiff_t>(length));
  }
  random.resize(size);
}

const std::vector<unsigned char>& PurgeEngine::PatternBuffer(int patternCode) const {
  static const std::vector<unsigned char> kNone;
  const int index = BufferIndex(patternCode);
  return index < 0 ? kNone : buffers_[static_cast<std::size_t>(index)];
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
  programFolder_ = Lower(fileSystem_.ProgramFolder());
  if (!programFolder_.empty() && programFolder_.back() != platform::kPathSeparator)
    programFolder_ += platform::kPathSeparator;
  programFolderIdentity_ =
      programFolder_.empty() ? std::nullopt : IdentityOf(fileSystem_.ProgramFolder(), true);
  swapFiles_.clear();
  swapFileIdentities_.clear();
  for (const std::string& swapFile : fileSystem_.SwapFiles()) {
    swapFiles_.push_back(Lower(swapFile));
    if (const auto identity = IdentityOf(swapFile, true)) swapFileIdentities_.push_back(*identity);
  }
  protectedPathsKnown_ = true;
}

int PurgeEngine::ClassifyProtectedFile(const std::string& path) {
  const std::string lowered = Lower(path);
  const std::size_t slash = lowered.find_last_of(platform::kPathSeparator);
  const std::string folder = slash == std::string::npos ? std::string() : lowered.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? lowered : lowered.substr(slash + 1);
  LearnProtectedPaths();

  // The program's folder and the swap files are recognised by what they are, not by how a path spells
  // them: "alias/own.dat" through a link to the program's folder, or "bin/../bin/own.dat", is still ours.
  const std::string folderPath = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  const std::optional<Identity> folderIdentity = IdentityOf(folderPath, true);
  if (programFolderIdentity_ && folderIdentity ? *programFolderIdentity_ == *folderIdentity
                                               : !programFolder_.empty() && folder == programFolder_)
    return kInProgramFolder;
  platform::FileStatus file;
  try {
    file = fileSystem_.Status(path);
  } catch (const PlatformError&) {
  }
  if (file.kind != FileKind::Missing &&
      std::find(swapFileIdentities_.begin(), swapFileIdentities_.end(), Identity{file.device, file.inode}) !=
          swapFileIdentities_.end())
    return kPageFile;
  if (std::find(swapFiles_.begin(), swapFiles_.end(), lowered) != swapFiles_.end()) return kPageFile;

  const std::size_t dot = name.find_last_of('.');
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  if (name == "pagefile.sys" || (dot != std::string::npos && extension == "swp")) return kPageFile;
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
  return DeleteWithRetries(path, nullptr, clearHidden, clearReadOnly, clearSystem);
}

bool PurgeEngine::IsGone(const std::string& path) {
  try {
    return fileSystem_.Status(path).kind == FileKind::Missing;
  } catch (const PlatformError&) {
    return false;
  }
}

bool PurgeEngine::DeleteWithRetries(const std::string& path, const Identity* identity, bool clearHidden,
                                    bool clearReadOnly, bool clearSystem) {
  // Whether the path still names the file that was overwritten (always, when no file is given).
  const auto sameFile = [&]() {
    if (identity == nullptr) return true;
    try {
      const platform::FileStatus now = fileSystem_.Status(path);
      return now.device == identity->device && now.inode == identity->inode;
    } catch (const PlatformError&) {
      return false;
    }
  };
  if (IsGone(path)) return true;
  if (!sameFile()) return false;

  // Each attribute is read again before it is cleared. Where the platform keeps no hidden or system
  // attribute (a leading dot is part of the name), clearing them changes nothing.
  const auto clear = [&](bool platform::FileAttributes::*attribute) {
    try {
      platform::FileAttributes attributes = fileSystem_.Attributes(path);
      if (!(attributes.*attribute)) return;
      attributes.*attribute = false;
      if (attribute == &platform::FileAttributes::readOnly) {
        fileSystem_.SetReadOnly(path, false);
      } else {
        fileSystem_.SetAttributes(path, attributes);
      }
    } catch (const PlatformError&) {
    }
  };
  if (clearHidden) clear(&platform::FileAttributes::hidden);
  if (clearReadOnly) clear(&platform::FileAttributes::readOnly);
  if (clearSystem) clear(&platform::FileAttributes::system);

  int failures = 0;
  for (;;) {
    if (!sameFile()) return IsGone(path);
    try {
      fileSystem_.Remove(path);
      return true;
    } catch (const PlatformError&) {
      if (IsGone(path)) return true;
      if (++failures > kDeleteRetries) return false;
      ui_.Wait(kDeleteWaitMilliseconds);
    }
  }
}

std::int16_t PurgeEngine::ChangeFileSize(const std::string& path, std::int64_t size) {
  const std::int32_t result = support::change_filesize(fileSystem_, path, size);
  return result == 0 ? 0 : static_cast<std::int16_t>(std::clamp<std::int32_t>(result, -32768, -1));
}

bool PurgeEngine::FlushFile(const std::string& path) {
  return support::flush_file(fileSystem_, path) == 0;
}

}  // namespace nulvane::engine
