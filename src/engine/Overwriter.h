#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/AllocatedBlocks.h"
#include "engine/PurgeResult.h"
#include "platform/FileSystem.h"
#include "platform/PlatformError.h"
#include "platform/RandomStream.h"

namespace nulvane::engine {

// One PurgeFile call with everything decided beforehand by the thread that owns the program's tables, so
// that any thread can carry it out.
struct PurgeRequest {
  // The folder the walk holds and the file's name in it: the file is reached through them alone, wherever
  // the folder hangs by the time a pass runs.
  platform::FolderHandle folder;
  std::string name;
  // The file's path as the walk reached it: for the user's eyes, and for the rule on long paths' times.
  std::string path;
  int purgeType = 0;
  int repetitions = 1;
  bool deleteAfter = false;
  bool okReadOnly = false;
  bool okSystem = false;
  // From the cluster-size table.
  std::int32_t clusterSize = 0;
  // Give a file that is kept its length and times back (the speed test's dummy files keep what they got).
  bool restore = true;
  // The file as the walk found it: anything else found under the name is left alone. 0: not known.
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  // A file to be deleted is first given a random name like its own, so that the entry its name freed in
  // the folder holds nothing of it (the speed test's dummy files need not be).
  bool hideName = true;
};

// A failure of the system that came after the first write to the file: part of it is overwritten already,
// so its report line must not say it was left as it was.
struct FailedAfterWriting : platform::PlatformError {
  explicit FailedAfterWriting(const platform::PlatformError& error) : PlatformError(error) {}
};

// What the overwriting does between its writes: the user-interface thread lets its events run and waits in
// its event loop; a worker thread has no events to let run.
class Pacer {
 public:
  virtual ~Pacer() = default;
  // Before every block.
  virtual void Yield() = 0;
  virtual void Wait(int milliseconds) = 0;
  // Whether the pass being written ends at its next block, flushed and kept, because the program is about
  // to be ended from outside (its console window closed): a file then stays partly overwritten with a true
  // report line instead of being cut off in the middle of a write with none.
  virtual bool CutShort() { return false; }
};

// Overwrites, flushes and deletes single files, with pattern buffers and a random source of its own: one
// per thread that purges. It touches nothing but the file system, which the real implementation allows
// from several threads at once.
class Overwriter {
 public:
  Overwriter(platform::FileSystem& fileSystem, Pacer& pacer);

  // PurgeFile: checks the file against the request's permissions on the open descriptor, overwrites it,
  // and deletes it or gives it back its length and times. A failure to open or write the file after the
  // checks throws PlatformError; one after the first write throws it as FailedAfterWriting.
  // `notes` gets what the purge met beyond the file's main contents, also when it throws.
  std::int16_t Purge(const PurgeRequest& request, PurgeNotes* notes = nullptr);
  std::int16_t OverwriteFile(const std::string& path, int purgeType, int repetitions, bool deleteAfter,
                             std::int32_t clusterSize);
  std::int16_t WritePatternPass(const std::string& path, int patternCode, std::int32_t clusterSize);
  // The five constant buffers and the random buffer, each of `clusterSize` bytes; the random one drawn
  // afresh. Throws PlatformError when the system has no random source.
  void BuildPatternBuffers(std::int32_t clusterSize);
  const std::vector<unsigned char>& PatternBuffer(int patternCode) const;
  bool DeleteFileForced(const std::string& path, bool clearHidden, bool clearReadOnly, bool clearSystem);
  // The same for the entry `name` of a held folder.
  bool DeleteFileForced(const platform::Folder& folder, const std::string& name, bool clearHidden,
                        bool clearReadOnly, bool clearSystem);

 private:
  using Identity = platform::FileIdentity;

  // Opens the file and checks it; 0 when it may be written, else the code that keeps it from that.
  std::int16_t Open(const PurgeRequest& request, platform::File& file, platform::FileStatus& opened);
  // The same when opening at once failed: each check by name first, as the reason decides the code.
  std::int16_t OpenAfterLooking(const PurgeRequest& request, platform::File& file,
                                platform::FileStatus& opened);
  std::int16_t OverwriteOpenFile(platform::File& file, std::int64_t length, int purgeType, int repetitions,
                                 std::int32_t clusterSize);
  // OverwriteOpenFile for the main contents or a named stream, a sparse one over its allocated ranges, with
  // a failure after the file's first write (`wrote_`) thrown as FailedAfterWriting.
  std::int16_t OverwriteTelling(platform::File& file, std::int64_t length, bool sparse, int purgeType,
                                int repetitions, std::int32_t clusterSize);

  // A named stream of the file being purged, open, with its length before the purge.
  struct OpenStream {
    platform::File file;
    std::int64_t length = 0;
    platform::WriteLease lease = platform::WriteLease::Unavailable;
  };
  // Every named stream of the open file, opened (and its lease taken) before anything is written: one that
  // cannot be opened throws, and the file stays as it was; one that another program has open gives
  // kCannotOpenForWriting.
  std::int16_t OpenStreams(const platform::File& file, std::vector<OpenStream>& streams);
  // A compressed file's data, and its streams', decompressed before the first write, so the patterns land on
  // the clusters that hold it: 0, or the code that keeps the file from being overwritten.
  std::int16_t DecompressAll(const platform::File& file, const platform::FileStatus& opened,
                             std::vector<OpenStream>& streams, PurgeNotes& notes);
  // The main contents and then each named stream with the same patterns and passes; a stream's length is
  // given back with `restoreStreams`. Leaves writtenEnd_ at the main contents'.
  std::int16_t OverwriteWithStreams(platform::File& file, const platform::FileStatus& opened,
                                    std::vector<OpenStream>& streams, int purgeType, int repetitions,
                                    std::int32_t clusterSize, bool restoreStreams, PurgeNotes& notes);
  // False for the codes that end a purge before anything is written, and for a pass cut short: a file not
  // overwritten in full is never deleted.
  static bool Overwrote(std::int16_t code);
  // Deletes the overwritten file while its name still names it (with `hideName`, after giving it a random
  // name), and closes it. `opened` is the file's status as it was opened.
  std::int16_t CloseAndDelete(platform::File& file, const platform::Folder& folder, const std::string& name,
                              std::int16_t passCode, const platform::FileStatus& opened, bool hideName,
                              PurgeNotes& notes);
  // Gives the file a random name like its own, never replacing anything: another name while the one drawn
  // is taken. True when it has the name `hidden` now; false when the name stays as it was (the file system
  // refused, noted in `notes`), or the name has come to name another file.
  bool HideName(const platform::Folder& folder, const std::string& name, const Identity& identity,
                platform::File& open, std::string& hidden, PurgeNotes& notes);
  std::int16_t WritePattern(platform::File& file, int patternCode, std::int32_t clusterSize);
  // Whether another program has taken the file up since it was opened: it broke the lease or, where no
  // lease could be had, changed the length (asked once a pattern is flushed).
  bool TakenOverByAnother(const platform::File& file, bool patternFlushed);
  void BuildPatternBuffers(std::int32_t clusterSize, bool withRandom);
  // With `identity`, deletes only while the name still names the file that was overwritten; `open` is that
  // file while it is open. `known` is the file's status when the caller has just checked it under `name`.
  bool DeleteWithRetries(const platform::Folder& folder, const std::string& name, platform::File* open,
                         const Identity* identity, bool clearHidden, bool clearReadOnly, bool clearSystem,
                         const platform::FileStatus* known = nullptr);
  bool IsGone(const platform::Folder& folder, const std::string& name);

  platform::FileSystem& fileSystem_;
  Pacer& pacer_;
  platform::RandomStream random_;
  // Of the file being overwritten: while Held, nobody else writes to it unseen.
  platform::WriteLease lease_ = platform::WriteLease::Unavailable;
  // Whether the current PurgeFile call ended at a block in the middle of a pass (Pacer::CutShort): the file
  // is kept, whatever the flush said.
  bool cutInCall_ = false;
  std::int64_t currentFileLength_ = 0;
  // The allocated ranges of the sparse file (or stream) being written; none for any other.
  std::optional<std::vector<platform::ByteRange>> allocated_;
  // How far the file reaches after the writes: a kept file is cut back to its length from there.
  std::int64_t writtenEnd_ = 0;
  // A write to the file has been asked for (it may have reached the disk even where it failed).
  bool wrote_ = false;
  std::array<std::vector<unsigned char>, 6> buffers_;  // 0x00, 0x0A, 0x55, 0xAA, 0xF5, random
};

bool IsValidClusterSize(std::int32_t size);

}  // namespace nulvane::engine
