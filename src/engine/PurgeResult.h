#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace nulvane::engine {

// Purge result codes: 0 purged, positive protection classes, negative failures.
constexpr std::int16_t kPurged = 0;
constexpr std::int16_t kInProgramFolder = 1;
constexpr std::int16_t kPageFile = 2;
constexpr std::int16_t kHasOtherNames = 3;
constexpr std::int16_t kSensitiveNotAllowed = 7;
constexpr std::int16_t kSensitiveRefused = 8;
constexpr std::int16_t kEmptyPath = -1;
constexpr std::int16_t kCannotOpenForWriting = -2;
constexpr std::int16_t kNotDeleted = -4;
constexpr std::int16_t kFlushFailed = -7;
constexpr std::int16_t kInvalidPurgeType = -8;
constexpr std::int16_t kInvalidClusterSize = -9;
// Another program opened the file, or made it longer, while it was overwritten: the writing stopped there
// and the file is kept, since what that program writes may stay on the disk.
constexpr std::int16_t kInUseDuringPurge = -10;
// The pass ended at a block in its middle (Pacer::CutShort): what it wrote was flushed, the file was kept.
constexpr std::int16_t kCutShort = -11;
// The same before the pass wrote anything: the file is as the passes before left it.
constexpr std::int16_t kCutShortUnwritten = -12;
// A compressed file must be decompressed before it is overwritten, or the patterns would land in new
// clusters and leave the old ones as they were; decompressing it failed, for want of room (NoRoom) or
// otherwise, and nothing was written.
constexpr std::int16_t kCompressedNoRoom = -13;
constexpr std::int16_t kNotDecompressed = -14;
constexpr std::int16_t kReadOnlyNotPermitted = -53;
constexpr std::int16_t kSystemNotPermitted = -54;

// The text that follows a file's name in a report for a result code; `extension` is used by code 7.
// Code 0 and unknown codes give " not purged." (a driver prints " purged" for a purged file itself).
std::string PurgeResultText(std::int16_t code, const std::string& extension);
// The text after a file's name when only `done` of its `passes` passes were written: the run was stopped
// (`code` 0) or a later pass failed (the failure's text follows). With `done` 0 the first pass began and
// broke off.
std::string PartlyOverwrittenText(int done, int passes, std::int16_t code, const std::string& extension);
// The same for a pass that the system's failure `description` broke off after its first write.
std::string PartlyOverwrittenText(int done, int passes, const std::string& description);

// What an entry that is not a regular file is, as the reports name it: "a symbolic link", "a named pipe",
// "a socket", "a device", "a mount point", "not a regular file".
std::string EntryKindName(platform::FileKind kind);

// What a purge of a file met beyond its main contents, for its report line.
struct PurgeNotes {
  // Named data streams, overwritten with the same patterns and passes as the main contents.
  int namedStreams = 0;
  std::int64_t namedStreamBytes = 0;
  // Stored compressed, and decompressed before the first write.
  bool decompressed = false;
  // Encrypted (EFS).
  bool encrypted = false;
  // The random name the file has now: it was renamed to hide its name, and then could not be deleted. The
  // report gives it beside the name the user knows, so that the file can be found.
  std::string renamedTo;
  // The file system would not rename the file without the risk of replacing another one (or refused the
  // rename): it was deleted, or left, under its own name.
  bool nameKept = false;

  // Another pass of the same file: the streams it overwrote, and whatever either pass met.
  void Add(const PurgeNotes& later);
  friend bool operator==(const PurgeNotes&, const PurgeNotes&) = default;
};
// The words after " purged" for the named streams that went with the file ("" for none).
std::string NamedStreamsText(const PurgeNotes& notes);
// The sentences (each with a blank before it) for what a file's storage left in the free space ("" for
// nothing): whatever became of the file, they hold once it was decompressed or while it is encrypted.
std::string StorageNotesText(const PurgeNotes& notes);

// Writes per repetition of a purge type (0, 1, 2); 0 for any other type.
int NumOverwritesPerPass(int purgeType);

}  // namespace nulvane::engine
