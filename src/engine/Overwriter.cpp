#include "engine/Overwriter.h"

#include <algorithm>
#include <cerrno>
#include <tuple>

#include "engine/FileProcedures.h"
#include "engine/NameHiding.h"
#include "engine/PurgeEngine.h"
#include "engine/PurgeResult.h"
#include "platform/PlatformError.h"

namespace nulvane::engine {

namespace {

using platform::FileKind;
using platform::PlatformError;

constexpr std::int32_t kSmallestCluster = 512;
constexpr std::int32_t kLargestCluster = 65536;
constexpr std::size_t kRandomBufferIndex = 5;
// Blocks handed to the file system in one call; each block is still the one cluster-sized buffer.
constexpr std::int64_t kBlocksPerWrite = 256;
// A long pattern is handed to the device in stretches of this size as it is written, so the flush that
// ends it finds little left to write (and a window on the user-interface thread never waits long for it).
constexpr std::int64_t kWriteBackStretch = std::int64_t{8} << 20;
constexpr int kDeleteWaitMilliseconds = 500;
constexpr int kDeleteRetries = 3;
// Random names tried while each one drawn is taken.
constexpr int kRenameAttempts = 16;

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

}  // namespace

bool IsValidClusterSize(std::int32_t size) {
  return size >= kSmallestCluster && size <= kLargestCluster && size % kSmallestCluster == 0;
}

Overwriter::Overwriter(platform::FileSystem& fileSystem, Pacer& pacer)
    : fileSystem_(fileSystem), pacer_(pacer) {}

std::int16_t Overwriter::Purge(const PurgeRequest& request, PurgeNotes* notes) {
  PurgeNotes unused;
  if (notes == nullptr) notes = &unused;
  *notes = {};
  if (!request.folder || request.name.empty()) return kEmptyPath;
  // Not even opened (opening may clear the read-only attribute).
  if (pacer_.CutShort()) return kCutShortUnwritten;
  platform::File file;
  platform::FileStatus opened;
  if (const std::int16_t refused = Open(request, file, opened); refused != 0) return refused;
  const bool timesSaved = request.path.size() <= kMaxTimesPathLength;
  const std::int64_t savedLength = opened.size;
  notes->encrypted = opened.storage.encrypted;

  std::vector<OpenStream> streams;
  if (const std::int16_t refused = OpenStreams(file, streams); refused != 0) return refused;
  if (const std::int16_t refused = DecompressAll(file, opened, streams, *notes); refused != 0) return refused;
  const std::int16_t code =
      OverwriteWithStreams(file, opened, streams, request.purgeType, request.repetitions, request.clusterSize,
                           request.restore, *notes);
  // A length another program changed is its own now: cutting it back would cut what that program wrote.
  const bool lengthChangedElsewhere = code == kInUseDuringPurge && lease_ != platform::WriteLease::Held;

  if (request.restore && !lengthChangedElsewhere) {
    // Only a length the writes changed is cut back (a file of whole clusters keeps its own): so is a file
    // whose deletion fails below.
    try {
      if (writtenEnd_ != savedLength) fileSystem_.SetLength(file, savedLength);
    } catch (const PlatformError&) {
    }
    if (!request.deleteAfter && timesSaved) {
      try {
        fileSystem_.SetTimes(file, opened.times);
      } catch (const PlatformError&) {
      }
    }
  }
  if (code == kInUseDuringPurge) {
    // The program that opened it waits for the lease: it goes on now, and the file stays.
    fileSystem_.ReleaseLease(file);
    return code;
  }
  if (!request.deleteAfter || !Overwrote(code) || cutInCall_) return code;
  // The streams go with the file; the file's own handle, which others must let delete it, stays to the end.
  streams.clear();
  return CloseAndDelete(file, *request.folder, request.name, code, opened, request.hideName, *notes);
}

bool Overwriter::Overwrote(std::int16_t code) {
  return code != kInvalidPurgeType && code != kInvalidClusterSize && code != kCutShort &&
         code != kCutShortUnwritten;
}

std::int16_t Overwriter::CloseAndDelete(platform::File& file, const platform::Folder& folder,
                                        const std::string& name, std::int16_t passCode,
                                        const platform::FileStatus& opened, bool hideName,
                                        PurgeNotes& notes) {
  const Identity identity = opened.Identity();
  std::string hidden;
  const bool renamed = hideName && HideName(folder, name, identity, file, hidden, notes);
  // Renamed only while the name named the file: it is the one looked at when it was opened.
  const bool deleted = renamed
                           ? DeleteWithRetries(folder, hidden, &file, &identity, true, true, true, &opened)
                           : DeleteWithRetries(folder, name, &file, &identity, true, true, true);
  if (renamed && !deleted) {
    try {
      const platform::FileStatus now = fileSystem_.StatusAt(folder, hidden);
      if (now.kind != FileKind::Missing && now.Identity() == identity) {
        notes.renamedTo = hidden;
      } else if (now.kind != FileKind::Missing) {
        // Another file was put under the old name just before the rename: it gets its name back, or the
        // report says where what had that name is now.
        const Identity other = now.Identity();
        if (!fileSystem_.RenameAt(folder, hidden, name, &other)) notes.renamedTo = hidden;
      }
    } catch (const PlatformError&) {
      notes.renamedTo = hidden;
    }
  }
  // Its data is flushed already, so a failure to close changes nothing that was written.
  try {
    file.Close();
  } catch (const PlatformError&) {
  }
  if (deleted) return passCode;
  return passCode != 0 ? passCode : kNotDeleted;
}

std::int16_t Overwriter::Open(const PurgeRequest& request, platform::File& file,
                              platform::FileStatus& opened) {
  // Everything is checked on the one descriptor, so a file swapped for another (or for a link) after the
  // checks is never written; a link is never followed to open it.
  lease_ = platform::WriteLease::Unavailable;
  try {
    // The lease is taken before the length is read: while it is held, nobody else can make the file longer.
    file = fileSystem_.OpenAndLeaseAt(*request.folder, request.name, lease_, opened);
  } catch (const PlatformError&) {
    file = platform::File();
    return OpenAfterLooking(request, file, opened);
  }
  if (request.device != 0 && (opened.device != request.device || opened.inode != request.inode))
    return kCannotOpenForWriting;
  // Checked on the open file, so a second name made after the walk looked is still seen.
  if (opened.linkCount > 1) return kHasOtherNames;
  // A file that another program has open is one that cannot be opened for writing: what that program
  // writes would stay on the disk after the purge. It is left exactly as it is.
  const bool inUse = lease_ == platform::WriteLease::InUse;
  if (opened.attributes.readOnly) {
    if (!request.okReadOnly) return kReadOnlyNotPermitted;
    if (inUse) return kCannotOpenForWriting;
    try {
      platform::FileAttributes writable = opened.attributes;
      writable.readOnly = false;
      fileSystem_.SetAttributes(file, writable);
    } catch (const PlatformError&) {
      // It is open for writing already.
    }
  }
  if (opened.attributes.system && !request.okSystem) return kSystemNotPermitted;
  return inUse ? kCannotOpenForWriting : 0;
}

std::int16_t Overwriter::OpenAfterLooking(const PurgeRequest& request, platform::File& file,
                                          platform::FileStatus& opened) {
  const platform::Folder& folder = *request.folder;
  const platform::FileStatus before = fileSystem_.StatusAt(folder, request.name);
  if (before.kind == FileKind::Missing) platform::ThrowErrno(ENOENT);
  // A link is never followed, a file bound onto the name is not this folder's, and a device or pipe is
  // never written.
  if (before.kind != FileKind::Regular) return kCannotOpenForWriting;
  if (before.linkCount > 1) return kHasOtherNames;
  if (before.attributes.readOnly) {
    if (!request.okReadOnly) return kReadOnlyNotPermitted;
    try {
      platform::FileAttributes writable = before.attributes;
      writable.readOnly = false;
      fileSystem_.SetAttributesAt(folder, request.name, writable);
    } catch (const PlatformError&) {
      // Opening for writing below tells whether clearing mattered.
    }
  }
  if (before.attributes.system && !request.okSystem) return kSystemNotPermitted;
  try {
    file = fileSystem_.OpenForWritingAt(folder, request.name);
  } catch (const PlatformError&) {
    return kCannotOpenForWriting;
  }
  lease_ = fileSystem_.TakeWriteLease(file);
  opened = fileSystem_.Status(file);
  if (opened.device != before.device || opened.inode != before.inode) return kCannotOpenForWriting;
  if (request.device != 0 && (opened.device != request.device || opened.inode != request.inode))
    return kCannotOpenForWriting;
  if (opened.linkCount > 1) return kHasOtherNames;
  return lease_ == platform::WriteLease::InUse ? kCannotOpenForWriting : 0;
}

std::int16_t Overwriter::OverwriteFile(const std::string& path, int purgeType, int repetitions,
                                       bool deleteAfter, std::int32_t clusterSize) {
  if (path.empty()) return kEmptyPath;
  const auto [folder, name] = platform::OpenParentOf(fileSystem_, path);
  platform::File file = fileSystem_.OpenForWritingAt(*folder, name);
  lease_ = fileSystem_.TakeWriteLease(file);
  if (lease_ == platform::WriteLease::InUse) return kCannotOpenForWriting;
  const platform::FileStatus status = fileSystem_.Status(file);
  std::vector<OpenStream> streams;
  if (const std::int16_t refused = OpenStreams(file, streams); refused != 0) return refused;
  PurgeNotes notes;
  if (const std::int16_t refused = DecompressAll(file, status, streams, notes); refused != 0) return refused;
  const std::int16_t code =
      OverwriteWithStreams(file, status, streams, purgeType, repetitions, clusterSize, false, notes);
  if (code == kInUseDuringPurge) {
    fileSystem_.ReleaseLease(file);
    return code;
  }
  if (!deleteAfter || !Overwrote(code) || cutInCall_) return code;
  streams.clear();
  return CloseAndDelete(file, *folder, name, code, status, true, notes);
}

std::int16_t Overwriter::OpenStreams(const platform::File& file, std::vector<OpenStream>& streams) {
  for (const platform::NamedStream& named : fileSystem_.NamedStreams(file)) {
    OpenStream stream;
    stream.file = fileSystem_.OpenNamedStream(file, named.name);
    stream.lease = fileSystem_.TakeWriteLease(stream.file);
    if (stream.lease == platform::WriteLease::InUse) return kCannotOpenForWriting;
    stream.length = fileSystem_.Status(stream.file).size;
    streams.push_back(std::move(stream));
  }
  return 0;
}

std::int16_t Overwriter::DecompressAll(const platform::File& file, const platform::FileStatus& opened,
                                       std::vector<OpenStream>& streams, PurgeNotes& notes) {
  if (!opened.storage.compressed) return 0;
  try {
    if (fileSystem_.Decompress(file)) notes.decompressed = true;
    for (const OpenStream& stream : streams) {
      if (fileSystem_.Decompress(stream.file)) notes.decompressed = true;
    }
  } catch (const PlatformError& error) {
    return error.number == platform::kErrorDiskFull ? kCompressedNoRoom : kNotDecompressed;
  }
  return 0;
}

std::int16_t Overwriter::OverwriteWithStreams(platform::File& file, const platform::FileStatus& opened,
                                              std::vector<OpenStream>& streams, int purgeType,
                                              int repetitions, std::int32_t clusterSize, bool restoreStreams,
                                              PurgeNotes& notes) {
  wrote_ = false;
  const bool sparse = opened.storage.sparse;
  std::int16_t code = OverwriteTelling(file, opened.size, sparse, purgeType, repetitions, clusterSize);
  const std::int64_t mainEnd = writtenEnd_;
  const platform::WriteLease mainLease = lease_;
  std::int64_t streamBytes = 0;
  for (OpenStream& stream : streams) {
    // A file whose main contents were not overwritten in full is kept: its streams wait for another purge.
    if (code != 0 || cutInCall_) break;
    // Whether another program takes the stream up is told by the stream's own lease.
    lease_ = stream.lease;
    code = OverwriteTelling(stream.file, stream.length, sparse, purgeType, repetitions, clusterSize);
    lease_ = mainLease;
    const bool lengthChangedElsewhere =
        code == kInUseDuringPurge && stream.lease != platform::WriteLease::Held;
    if (restoreStreams && !lengthChangedElsewhere && writtenEnd_ != stream.length) {
      try {
        fileSystem_.SetLength(stream.file, stream.length);
      } catch (const PlatformError&) {
      }
    }
    streamBytes += stream.length;
  }
  if (code == 0 && !cutInCall_) {
    notes.namedStreams = static_cast<int>(streams.size());
    notes.namedStreamBytes = streamBytes;
  }
  writtenEnd_ = mainEnd;
  return code;
}

std::int16_t Overwriter::OverwriteTelling(platform::File& file, std::int64_t length, bool sparse,
                                          int purgeType, int repetitions, std::int32_t clusterSize) {
  allocated_.reset();
  try {
    // An empty file gets its one cluster whatever it is.
    if (sparse && length > 0) allocated_ = fileSystem_.AllocatedRanges(file, length);
    return OverwriteOpenFile(file, length, purgeType, repetitions, clusterSize);
  } catch (const PlatformError& error) {
    if (wrote_) throw FailedAfterWriting(error);
    throw;
  }
}

std::int16_t Overwriter::OverwriteOpenFile(platform::File& file, std::int64_t length, int purgeType,
                                           int repetitions, std::int32_t clusterSize) {
  currentFileLength_ = length;
  writtenEnd_ = length;
  cutInCall_ = false;
  const std::vector<int> sequence = PatternSequence(purgeType);
  // Without a single repetition nothing would be overwritten, yet the file would be deleted as purged.
  if (sequence.empty() || repetitions < 1) return kInvalidPurgeType;
  if (!IsValidClusterSize(clusterSize)) return kInvalidClusterSize;

  const bool random = std::find(sequence.begin(), sequence.end(), kRandomPattern) != sequence.end();
  std::int16_t passCode = 0;
  for (int repetition = 0; repetition < repetitions; ++repetition) {
    pacer_.Yield();
    BuildPatternBuffers(clusterSize, random);
    for (const int patternCode : sequence) {
      passCode = WritePattern(file, patternCode, clusterSize);
      // A failed flush ends only its repetition; a file another program took up is left to it at once.
      if (passCode == kInUseDuringPurge) return passCode;
      if (passCode != 0) break;
    }
    if (cutInCall_) break;
  }
  return passCode;
}

std::int16_t Overwriter::WritePatternPass(const std::string& path, int patternCode,
                                          std::int32_t clusterSize) {
  if (!IsValidClusterSize(clusterSize)) return kInvalidClusterSize;
  if (PatternBuffer(patternCode).size() != static_cast<std::size_t>(clusterSize)) {
    BuildPatternBuffers(clusterSize);
  }
  const auto [folder, name] = platform::OpenParentOf(fileSystem_, path);
  platform::File file = fileSystem_.OpenForWritingAt(*folder, name);
  lease_ = fileSystem_.TakeWriteLease(file);
  if (lease_ == platform::WriteLease::InUse) return kCannotOpenForWriting;
  wrote_ = false;
  cutInCall_ = false;
  allocated_.reset();
  return WritePattern(file, patternCode, clusterSize);
}

std::int16_t Overwriter::WritePattern(platform::File& file, int patternCode, std::int32_t clusterSize) {
  const int index = BufferIndex(patternCode);
  if (index < 0) return kInvalidPurgeType;
  const std::vector<unsigned char>& buffer = buffers_[static_cast<std::size_t>(index)];

  // An empty file is overwritten with one whole cluster.
  if (currentFileLength_ == 0) currentFileLength_ = 1;
  const std::int64_t blocks = (currentFileLength_ + clusterSize - 1) / clusterSize;
  // A sparse file's holes hold nothing and are left holes; every other file is written whole.
  const std::vector<BlockSpan> spans =
      allocated_ ? AllocatedBlocks(*allocated_, blocks, clusterSize) : std::vector<BlockSpan>{{0, blocks}};
  std::int64_t total = 0;
  for (const BlockSpan& span : spans) total += span.end - span.first;
  if (!spans.empty()) writtenEnd_ = std::max(writtenEnd_, spans.back().end * clusterSize);
  const bool writeBack = total * clusterSize > kWriteBackStretch;
  std::int64_t waiting = 0;  // bytes written since the last stretch was handed to the device
  std::int64_t stretch = 0;  // where that stretch begins (holes of a sparse file lie in it unwritten)
  std::int64_t written = 0;  // blocks
  for (const BlockSpan& span : spans) {
    for (std::int64_t at = span.first; at < span.end;) {
      // Another program's open waits for the lease: the writing stops at the next block and lets it go on.
      if (written > 0 && TakenOverByAnother(file, false)) return kInUseDuringPurge;
      const std::int64_t run = std::min(kBlocksPerWrite, span.end - at);
      for (std::int64_t block = 0; block < run; ++block) pacer_.Yield();
      if (pacer_.CutShort()) {
        cutInCall_ = true;
        if (!wrote_) return kCutShortUnwritten;
        // What was written goes to the disk, so the report's "partly overwritten" is true of the disk.
        try {
          fileSystem_.Flush(file);
        } catch (const PlatformError&) {
          return kFlushFailed;
        }
        return kCutShort;
      }
      wrote_ = true;
      if (waiting == 0) stretch = at * clusterSize;
      fileSystem_.WriteRepeated(file, buffer.data(), static_cast<std::size_t>(clusterSize), run,
                                at * clusterSize);
      at += run;
      written += run;
      waiting += run * clusterSize;
      if (writeBack && waiting >= kWriteBackStretch && written < total) {
        try {
          fileSystem_.WriteBack(file, stretch, at * clusterSize - stretch);
        } catch (const PlatformError&) {
          // The device refused what was written: as a failed flush.
          return kFlushFailed;
        }
        waiting = 0;
      }
    }
  }
  try {
    fileSystem_.Flush(file);
  } catch (const PlatformError&) {
    return kFlushFailed;
  }
  return TakenOverByAnother(file, true) ? kInUseDuringPurge : 0;
}

bool Overwriter::TakenOverByAnother(const platform::File& file, bool patternFlushed) {
  switch (lease_) {
    case platform::WriteLease::Held:
      return fileSystem_.LeaseBroken(file);
    case platform::WriteLease::Unavailable:
      // Without a lease only a length that is no longer the one written tells of another writer. Growth
      // is not chased: a writer that goes on writing could not be outrun, and its writes inside the file
      // could not be seen at all.
      return patternFlushed && fileSystem_.Status(file).size != writtenEnd_;
    case platform::WriteLease::InUse:
      return true;
  }
  return true;
}

void Overwriter::BuildPatternBuffers(std::int32_t clusterSize) {
  BuildPatternBuffers(clusterSize, true);
}

void Overwriter::BuildPatternBuffers(std::int32_t clusterSize, bool withRandom) {
  static constexpr unsigned char kValues[] = {0x00, 0x0A, 0x55, 0xAA, 0xF5};
  const std::size_t size = clusterSize > 0 ? static_cast<std::size_t>(clusterSize) : 0;
  if (buffers_[0].size() != size) {
    for (std::size_t i = 0; i < std::size(kValues); ++i) buffers_[i].assign(size, kValues[i]);
  }
  if (!withRandom) return;
  // Every byte drawn afresh for each repetition from a cryptographic stream, so nobody who reads the disk
  // can predict one block from another, or from another file's.
  std::vector<unsigned char>& random = buffers_[kRandomBufferIndex];
  random.resize(size);
  random_.Fill(random.data(), size);
}

const std::vector<unsigned char>& Overwriter::PatternBuffer(int patternCode) const {
  static const std::vector<unsigned char> kNone;
  const int index = BufferIndex(patternCode);
  return index < 0 ? kNone : buffers_[static_cast<std::size_t>(index)];
}

bool Overwriter::HideName(const platform::Folder& folder, const std::string& name, const Identity& identity,
                          platform::File& open, std::string& hidden, PurgeNotes& notes) {
  for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
    try {
      const std::string drawn = RandomNameLike(name, random_);
      // Nothing in it to hide (only signs and dots).
      if (drawn.empty()) return false;
      if (!fileSystem_.RenameAt(folder, name, drawn, &identity, &open)) return false;
      hidden = drawn;
      return true;
    } catch (const PlatformError& error) {
      if (error.number == platform::ErrorNumberFromErrno(EEXIST)) continue;
      if (error.number == platform::kErrorFileNotFound) return false;
      // The file system cannot rename without the risk of replacing another file (a driver that refuses
      // the no-replace flag), or refuses the rename: the name stays rather than risk that.
      break;
    }
  }
  notes.nameKept = true;
  return false;
}

bool Overwriter::DeleteFileForced(const std::string& path, bool clearHidden, bool clearReadOnly,
                                  bool clearSystem) {
  platform::FolderHandle folder;
  std::string name;
  try {
    std::tie(folder, name) = platform::OpenParentOf(fileSystem_, path);
  } catch (const PlatformError& error) {
    // No folder, no file: gone.
    return error.number == platform::kErrorFileNotFound || error.number == platform::kErrorPathNotFound;
  }
  return DeleteFileForced(*folder, name, clearHidden, clearReadOnly, clearSystem);
}

bool Overwriter::DeleteFileForced(const platform::Folder& folder, const std::string& name, bool clearHidden,
                                  bool clearReadOnly, bool clearSystem) {
  return DeleteWithRetries(folder, name, nullptr, nullptr, clearHidden, clearReadOnly, clearSystem);
}

bool Overwriter::IsGone(const platform::Folder& folder, const std::string& name) {
  try {
    return fileSystem_.StatusAt(folder, name).kind == FileKind::Missing;
  } catch (const PlatformError&) {
    return false;
  }
}

bool Overwriter::DeleteWithRetries(const platform::Folder& folder, const std::string& name,
                                   platform::File* open, const Identity* identity, bool clearHidden,
                                   bool clearReadOnly, bool clearSystem, const platform::FileStatus* known) {
  int failures = 0;
  bool cleared = false;
  for (;;) {
    platform::FileStatus now;
    if (known != nullptr) {
      now = *known;
      known = nullptr;
    } else {
      try {
        now = fileSystem_.StatusAt(folder, name);
      } catch (const PlatformError&) {
        return false;
      }
    }
    if (now.kind == FileKind::Missing) return true;
    // The name was given to another file since it was overwritten: that one is not ours to delete.
    if (identity != nullptr && now.Identity() != *identity) return false;
    // The attributes asked for are cleared once, from the look just taken, on the open file where there
    // is one. Where the platform keeps no hidden or system attribute (a leading dot is part of the name),
    // clearing them changes nothing.
    if (!cleared) {
      cleared = true;
      platform::FileAttributes attributes = now.attributes;
      const bool change = (clearReadOnly && attributes.readOnly) || (clearHidden && attributes.hidden) ||
                          (clearSystem && attributes.system);
      if (clearReadOnly) attributes.readOnly = false;
      if (clearHidden) attributes.hidden = false;
      if (clearSystem) attributes.system = false;
      try {
        if (change && open != nullptr && open->IsOpen()) {
          fileSystem_.SetAttributes(*open, attributes);
        } else if (change) {
          fileSystem_.SetAttributesAt(folder, name, attributes);
        }
      } catch (const PlatformError&) {
      }
    }
    try {
      return fileSystem_.RemoveFileAt(folder, name, identity, open);
    } catch (const PlatformError&) {
      if (IsGone(folder, name)) return true;
      if (++failures > kDeleteRetries) return false;
      pacer_.Wait(kDeleteWaitMilliseconds);
    }
  }
}

}  // namespace nulvane::engine
