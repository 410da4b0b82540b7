#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Random.h"
#include "support/FolderServices.h"

namespace nulvane::engine {

// Overwrites the free space of a volume: writes files of one pass of random bytes into a folder of its own
// on that volume until the file system reports it full, smaller writes at the end taking the last clusters,
// flushes each file, and deletes them all again.
//
// The files are made without names where the file system allows it, so they vanish with the program even
// when it ends abruptly; elsewhere they are named and deleted one by one. Clear() removes everything the
// fill made, the folder included; the destructor does it when Clear() has not run (after a stop, a failure
// or an exception from a write).
class FreeSpaceFill {
 public:
  enum class Outcome { Full, Stopped, Failed };
  struct Result {
    Outcome outcome = Outcome::Full;
    std::int64_t written = 0;
    std::string error;       // the system's description of a failure
    std::int64_t files = 0;  // made by FillRecords
  };
  // Called after each write with the bytes written so far; false stops the fill.
  using Progress = std::function<bool(std::int64_t written)>;

  // One write. Larger writes are no faster, and on a loop device over ext4 8 MiB writes were throttled to
  // half the speed of 1 MiB ones, the size of `dd bs=1M`.
  static constexpr std::int64_t kChunk = std::int64_t{1} << 20;
  // A file this large starts the next one: no file system's size limit is met, and a volume of many
  // terabytes still needs few descriptors.
  static constexpr std::int64_t kFileLimit = std::int64_t{64} << 30;

  // `folder` exists, is held, and belongs to the fill from now on: its files are made and deleted in it,
  // and it is removed from the folder above only while its name still names it. Named files are `stub`
  // followed by a number.
  FreeSpaceFill(platform::FileSystem& fileSystem, platform::Random& random,
                support::FolderServices::OwnFolder folder, std::string stub);
  ~FreeSpaceFill();
  FreeSpaceFill(const FreeSpaceFill&) = delete;
  FreeSpaceFill& operator=(const FreeSpaceFill&) = delete;

  // How far writing over the file system's journal came (CycleJournal).
  struct JournalResult {
    bool known = false;        // the system tells how far its journal has come round
    std::int64_t size = 0;     // bytes the journal holds (at most)
    std::int64_t written = 0;  // bytes written through it since the fill began
    bool complete = false;     // at least its size: every record it held before is written over
    bool stopped = false;
  };
  // Called between rounds with the share of the journal written over so far; false stops.
  using JournalProgress = std::function<bool(double share)>;
  static constexpr int kJournalFiles = 1024;

  Result Fill(std::int64_t clusterSize, const Progress& progress);
  // Overwrites the file records that deleted files left free (NTFS): `count` small files, as many as the
  // file table has free records and no more, so the table does not grow, each with as much data as a
  // record holds beside its names, so that the data stays in the record and replaces what a deleted file
  // (or the early part of one, or a named stream) left there. Full once all are made, or when the volume
  // has no room for another (a folder's index needs some). Before Fill, while the volume has room.
  Result FillRecords(std::int64_t count, std::int64_t recordSize, const Progress& progress);

  // What a file record of NTFS holds beside a record-filling file's data: its header, its times, its name
  // (digits alone, so NTFS keeps no second, short name) and the data's own header, with some to spare.
  static constexpr std::int64_t kRecordOverhead = 320;

  // Deletes the files written, so the volume has its space back; the folder stays for CycleJournal.
  void ReleaseSpace();
  // Writes the file system's journal over, where it keeps copies of recently changed folders and so the
  // names of deleted files: a round of changes to the times of many empty files of the folder, each round
  // forced through the journal, until it has written as much as the journal holds (what the fill wrote
  // through it counts too) or `seconds` have passed. Nothing where the system does not tell how far its
  // journal has come.
  JournalResult CycleJournal(double seconds, const JournalProgress& progress);
  // Deletes every file written and the folder. False when something stayed; `problem` then names it.
  bool Clear(std::string& problem);

  // The folder's path, for display.
  const std::string& folder() const { return path_; }
  // Files written so far, with and without names.
  std::size_t files() const { return unnamed_.size() + named_.size(); }

 private:
  enum class Ending { None, Full, Failed };

  platform::File NewFile(bool& named);
  // A new named file: `prefix` and the lowest number that names nothing yet.
  platform::File NewNamedFile(const std::string& prefix);
  // A buffer of at least `bytes` random bytes.
  void PrepareBuffer(std::int64_t bytes);
  // Written since the fill began, as far as the journal tells; nothing where it does not.
  std::optional<std::int64_t> JournalWritten();
  // Deletes the named files (and closes the unnamed ones); how many stayed, with the last error.
  std::size_t RemoveNamed(std::string& lastError);
  bool IsGone(const platform::Folder& in, const std::string& name);
  void Write(const platform::File& file, std::int64_t size, std::int64_t offset);
  // Flushes a finished file; a named one is closed, an unnamed one is kept open until Clear().
  Ending Finish(platform::File& file, bool named, std::string& error);

  platform::FileSystem& fileSystem_;
  platform::Random& random_;
  support::FolderServices::OwnFolder folder_;
  std::string path_;
  std::string stub_;
  std::vector<unsigned char> buffer_;
  std::uint64_t sector_ = 0;
  bool unnamedPossible_ = true;
  bool cleared_ = false;
  std::vector<platform::File> unnamed_;
  std::vector<std::string> named_;
  // The journal's count when the fill began.
  std::optional<platform::JournalUse> journalAtStart_;
};

}  // namespace nulvane::engine
