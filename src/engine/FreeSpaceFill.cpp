#include "engine/FreeSpaceFill.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/PlatformError.h"
#include "support/Format.h"

namespace nulvane::engine {

namespace {

constexpr std::int64_t kSector = 512;
constexpr int kDeleteAttempts = 3;

bool IsFull(const platform::PlatformError& error) {
  return error.number == platform::kErrorDiskFull;
}

bool IsTooLarge(const platform::PlatformError& error) {
  return error.number == platform::ErrorNumberFromErrno(EFBIG);
}

}  // namespace

FreeSpaceFill::FreeSpaceFill(platform::FileSystem& fileSystem, platform::Random& random,
                             support::FolderServices::OwnFolder folder, std::string stub)
    : fileSystem_(fileSystem), random_(random), folder_(std::move(folder)), stub_(std::move(stub)) {
  if (folder_) path_ = folder_.folder->Path();
  while (path_.size() > 1 && path_.back() == platform::kPathSeparator) path_.pop_back();
}

FreeSpaceFill::~FreeSpaceFill() {
  if (cleared_) return;
  try {
    std::string problem;
    Clear(problem);
  } catch (...) {
  }
}

platform::File FreeSpaceFill::NewFile(bool& named) {
  if (unnamedPossible_) {
    try {
      named = false;
      return fileSystem_.CreateUnnamedFile(*folder_.folder);
    } catch (const platform::PlatformError& error) {
      if (IsFull(error)) throw;
      // Not offered by this file system, or out of descriptors: named files from here on.
      unnamedPossible_ = false;
    }
  }
  named = true;
  return NewNamedFile(stub_);
}

platform::File FreeSpaceFill::NewNamedFile(const std::string& prefix) {
  for (std::size_t number = named_.size() + 1;; ++number) {
    const std::string name = prefix + std::to_string(number);
    try {
      platform::File file = fileSystem_.CreateNewFileAt(*folder_.folder, name);
      named_.push_back(name);
      return file;
    } catch (const platform::PlatformError& error) {
      // Something else took the name since: the next number.
      if (error.number != platform::ErrorNumberFromErrno(EEXIST)) throw;
    }
  }
}

void FreeSpaceFill::PrepareBuffer(std::int64_t bytes) {
  if (static_cast<std::int64_t>(buffer_.size()) >= bytes) return;
  buffer_.resize(static_cast<std::size_t>(bytes));
  // A fast generator seeded from the program's random source: one pass of random bytes costs next to
  // nothing beside the writes.
  std::uint64_t state = static_cast<std::uint64_t>(random_.RandomInteger(0, 0x7fffffff)) << 31 ^
                        static_cast<std::uint64_t>(random_.RandomInteger(0, 0x7fffffff));
  for (std::size_t i = 0; i + 8 <= buffer_.size(); i += 8) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    z ^= z >> 31;
    std::memcpy(buffer_.data() + i, &z, 8);
  }
}

void FreeSpaceFill::Write(const platform::File& file, std::int64_t size, std::int64_t offset) {
  // Each sector is stamped with its own number, so no two of them are alike: a device or file system that
  // stores equal blocks once (deduplication) or compresses them still has to write every one.
  for (std::int64_t at = 0; at + 8 <= size; at += kSector) {
    ++sector_;
    std::memcpy(buffer_.data() + at, &sector_, sizeof sector_);
  }
  fileSystem_.WriteAt(file, buffer_.data(), static_cast<std::size_t>(size), offset);
}

FreeSpaceFill::Ending FreeSpaceFill::Finish(platform::File& file, bool named, std::string& error) {
  Ending ending = Ending::None;
  try {
    fileSystem_.Flush(file);
  } catch (const platform::PlatformError& failure) {
    // A file system that allocates late finds out at the flush that the bytes do not fit.
    ending = IsFull(failure) ? Ending::Full : Ending::Failed;
    error = failure.description;
  }
  if (named) {
    file = platform::File();
  } else {
    unnamed_.push_back(std::move(file));
  }
  return ending;
}

FreeSpaceFill::Result FreeSpaceFill::Fill(std::int64_t clusterSize, const Progress& progress) {
  Result result;
  if (folder_) {
    try {
      journalAtStart_ = fileSystem_.JournalOf(*folder_.folder);
    } catch (const platform::PlatformError&) {
    }
  }
  clusterSize = std::max<std::int64_t>(clusterSize, kSector);
  std::int64_t chunk = std::max(kChunk / clusterSize, std::int64_t{1}) * clusterSize;
  PrepareBuffer(chunk);

  for (;;) {
    bool named = false;
    platform::File file;
    try {
      file = NewFile(named);
    } catch (const platform::PlatformError& error) {
      if (IsFull(error)) return result;
      result.outcome = Outcome::Failed;
      result.error = error.description;
      return result;
    }
    std::int64_t offset = 0;
    bool volumeFull = false;
    while (offset < kFileLimit) {
      const std::int64_t size = std::min(chunk, kFileLimit - offset);
      try {
        Write(file, size, offset);
        offset += size;
        result.written += size;
      } catch (const platform::PlatformError& error) {
        if (!IsFull(error) && !IsTooLarge(error)) {
          Finish(file, named, result.error);
          result.outcome = Outcome::Failed;
          result.error = error.description;
          return result;
        }
        // What the write got in before the error counts too.
        try {
          const std::int64_t reached = fileSystem_.Status(file).size;
          if (reached > offset) result.written += reached - offset;
        } catch (const platform::PlatformError&) {
        }
        if (IsFull(error)) {
          // Smaller writes in a new file take what is left, down to single clusters.
          if (chunk <= clusterSize) volumeFull = true;
          chunk = std::max(clusterSize, chunk / 16 / clusterSize * clusterSize);
        } else if (offset == 0) {
          // Too large for an empty file: the next file would fare no better.
          Finish(file, named, result.error);
          result.outcome = Outcome::Failed;
          result.error = error.description;
          return result;
        }
        break;
      }
      if (!progress(result.written)) {
        if (!named) unnamed_.push_back(std::move(file));
        result.outcome = Outcome::Stopped;
        return result;
      }
    }
    std::string error;
    const Ending ending = Finish(file, named, error);
    if (ending == Ending::Failed) {
      result.outcome = Outcome::Failed;
      result.error = error;
      return result;
    }
    if (volumeFull || ending == Ending::Full) return result;
  }
}

FreeSpaceFill::Result FreeSpaceFill::FillRecords(std::int64_t count, std::int64_t recordSize,
                                                 const Progress& progress) {
  Result result;
  const std::int64_t size = recordSize - kRecordOverhead;
  if (count <= 0 || size <= 0) return result;
  PrepareBuffer(size);
  for (std::int64_t made = 0; made < count; ++made) {
    platform::File file;
    try {
      file = NewNamedFile("");
      Write(file, size, 0);
    } catch (const platform::PlatformError& error) {
      if (IsFull(error)) return result;
      result.outcome = Outcome::Failed;
      result.error = error.description;
      return result;
    }
    std::string error;
    const Ending ending = Finish(file, true, error);
    if (ending == Ending::Failed) {
      result.outcome = Outcome::Failed;
      result.error = error;
      return result;
    }
    if (ending == Ending::Full) return result;
    result.written += size;
    ++result.files;
    if (!progress(result.written)) {
      result.outcome = Outcome::Stopped;
      return result;
    }
  }
  return result;
}

std::size_t FreeSpaceFill::RemoveNamed(std::string& lastError) {
  // Closing an unnamed file gives its space back.
  unnamed_.clear();
  if (!folder_) return 0;
  const platform::Folder& folder = *folder_.folder;
  std::vector<std::string> left;
  for (const std::string& name : named_) {
    for (int attempt = 1; attempt <= kDeleteAttempts; ++attempt) {
      try {
        fileSystem_.RemoveFileAt(folder, name, nullptr);
        break;
      } catch (const platform::PlatformError& error) {
        lastError = error.description;
        if (IsGone(folder, name)) break;
        if (attempt == kDeleteAttempts) left.push_back(name);
      }
    }
  }
  named_ = std::move(left);
  return named_.size();
}

void FreeSpaceFill::ReleaseSpace() {
  std::string lastError;
  RemoveNamed(lastError);
}

std::optional<std::int64_t> FreeSpaceFill::JournalWritten() {
  if (!journalAtStart_ || !folder_) return std::nullopt;
  try {
    const std::optional<platform::JournalUse> now = fileSystem_.JournalOf(*folder_.folder);
    if (!now) return std::nullopt;
    return now->written - journalAtStart_->written;
  } catch (const platform::PlatformError&) {
    return std::nullopt;
  }
}

FreeSpaceFill::JournalResult FreeSpaceFill::CycleJournal(double seconds, const JournalProgress& progress) {
  JournalResult result;
  std::optional<std::int64_t> written = JournalWritten();
  if (!written || journalAtStart_->size <= 0) return result;
  result.known = true;
  result.size = journalAtStart_->size;
  result.written = *written;
  if (result.written >= result.size) {
    result.complete = true;
    return result;
  }
  const auto start = std::chrono::steady_clock::now();
  // Empty files, each with an inode of its own: a change to their times is a record of the journal each,
  // and one flush forces all of them through it.
  std::vector<platform::File> files;
  while (files.size() < static_cast<std::size_t>(kJournalFiles)) {
    try {
      files.push_back(NewNamedFile(stub_));
    } catch (const platform::PlatformError&) {
      break;  // out of descriptors or room: the files made so far do
    }
  }
  if (files.empty()) return result;
  for (std::int64_t round = 1;; ++round) {
    try {
      const platform::FileTime time{1000000000 + round, 0};
      for (const platform::File& file : files) fileSystem_.SetTimes(file, {time, time, {}});
      fileSystem_.Flush(files.front());
    } catch (const platform::PlatformError&) {
      break;
    }
    written = JournalWritten();
    if (!written) break;
    result.written = *written;
    if (result.written >= result.size) {
      result.complete = true;
      break;
    }
    if (!progress(static_cast<double>(result.written) / static_cast<double>(result.size))) {
      result.stopped = true;
      break;
    }
    if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= seconds) break;
  }
  return result;
}

bool FreeSpaceFill::IsGone(const platform::Folder& in, const std::string& name) {
  try {
    return fileSystem_.StatusAt(in, name).kind == platform::FileKind::Missing;
  } catch (const platform::PlatformError&) {
    return false;
  }
}

bool FreeSpaceFill::Clear(std::string& problem) {
  cleared_ = true;
  problem.clear();
  std::string lastError;
  const std::size_t left = RemoveNamed(lastError);
  if (!folder_) return true;
  const platform::Folder& folder = *folder_.folder;
  // The lock keeps the folder itself from going on Windows.
  folder_.lock = platform::File();
  bool folderGone = false;
  for (int attempt = 1; attempt <= kDeleteAttempts && !folderGone; ++attempt) {
    try {
      // Only while the name still names the fill's folder: another folder that took it is not ours.
      folderGone = fileSystem_.RemoveFolderAt(*folder_.parent, folder_.name, &folder.Identity());
      if (!folderGone) break;
    } catch (const platform::PlatformError& error) {
      if (lastError.empty()) lastError = error.description;
      folderGone = IsGone(*folder_.parent, folder_.name);
    }
  }
  try {
    // The volume is full until the file system has taken the deletions in.
    fileSystem_.FlushVolume(folder);
  } catch (const platform::PlatformError&) {
  }
  // Windows lets a removed folder go only once nothing holds it open any more.
  folder_ = {};
  if (folderGone) return true;
  const std::string shown = support::DisplayName(path_);
  if (lastError.empty()) lastError = "another folder has taken its name";
  problem = left > 0 ? "The folder " + shown + " still holds " + std::to_string(left) +
                           (left == 1 ? " file" : " files") + " of random bytes that could not be deleted (" +
                           lastError + "): delete that folder to give the space back."
                     : "The folder " + shown + " could not be removed (" + lastError + ").";
  return false;
}

}  // namespace nulvane::engine
