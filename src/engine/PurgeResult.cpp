#include "engine/PurgeResult.h"

#include <algorithm>

#include "support/Locale.h"

namespace nulvane::engine {

namespace {

constexpr const char* kInUseReason = ": another program opened or extended the file during the purge.";

}  // namespace

std::string PurgeResultText(std::int16_t code, const std::string& extension) {
  switch (code) {
    case kInProgramFolder:
      return ": a file in the current application folder, not purged.";
    case kPageFile:
      return ": the page file (swap file), not purged.";
    case kHasOtherNames:
      return ": a file with other names (hard links) elsewhere, not purged.";
    case kSensitiveNotAllowed:
      return ": \"" + extension + "\" files are not purged.";
    case kEmptyPath:
      return ": empty file name.";
    case kCannotOpenForWriting:
      return ": unable to open file for writing.";
    case kNotDeleted:
      return ": file overwritten but not deleted.";
    case kFlushFailed:
      return ": error when flushing file.";
    case kInvalidPurgeType:
      return ": invalid purge type.";
    case kInvalidClusterSize:
      return ": invalid cluster size.";
    case kInUseDuringPurge:
      return std::string(": partly overwritten, not deleted") + kInUseReason;
    case kCompressedNoRoom:
      return ": a compressed file, and the drive has no room to decompress it for overwriting, not purged.";
    case kNotDecompressed:
      return ": a compressed file that could not be decompressed for overwriting, not purged.";
    case kReadOnlyNotPermitted:
      return ": file is a read-only file, not purged.\r\n(Perhaps file is in use by another program.)";
    case kSystemNotPermitted:
      return ": file is a system file, not purged.";
    default:
      return " not purged.";
  }
}

std::string EntryKindName(platform::FileKind kind) {
  switch (kind) {
    case platform::FileKind::Symlink:
      return "a symbolic link";
    case platform::FileKind::Pipe:
      return "a named pipe";
    case platform::FileKind::Socket:
      return "a socket";
    case platform::FileKind::Device:
      return "a device";
    case platform::FileKind::MountPoint:
      return "a mount point";
    case platform::FileKind::MountedFile:
      return "a file mounted from elsewhere";
    case platform::FileKind::Subvolume:
      return "a subvolume";
    default:
      return "not a regular file";
  }
}

namespace {

std::string PartlyOverwritten(int done, int passes) {
  // No whole pass was written, but the first had begun: the file may no longer be what it was.
  if (done == 0) return ": overwriting broke off in pass 1 of " + std::to_string(passes) + ", not deleted";
  return ": partly overwritten (" + std::to_string(done) + " of " + std::to_string(passes) +
         " passes), not deleted";
}

}  // namespace

std::string PartlyOverwrittenText(int done, int passes, std::int16_t code, const std::string& extension) {
  const std::string reason = code == kPurged             ? std::string()
                             : code == kInUseDuringPurge ? std::string(kInUseReason)
                                                         : PurgeResultText(code, extension);
  return PartlyOverwritten(done, passes) + (reason.starts_with(":") ? reason : ".");
}

std::string PartlyOverwrittenText(int done, int passes, const std::string& description) {
  return PartlyOverwritten(done, passes) + (description.empty() ? "." : ": " + description + ".");
}

void PurgeNotes::Add(const PurgeNotes& later) {
  namedStreams = std::max(namedStreams, later.namedStreams);
  namedStreamBytes = std::max(namedStreamBytes, later.namedStreamBytes);
  decompressed = decompressed || later.decompressed;
  encrypted = encrypted || later.encrypted;
  if (!later.renamedTo.empty()) renamedTo = later.renamedTo;
  nameKept = nameKept || later.nameKept;
}

std::string NamedStreamsText(const PurgeNotes& notes) {
  if (notes.namedStreams <= 0) return {};
  const std::string bytes =
      support::FormatGrouped(static_cast<double>(notes.namedStreamBytes), 0) + " bytes)";
  return notes.namedStreams == 1
             ? ", with its named stream (" + bytes
             : ", with its " + std::to_string(notes.namedStreams) + " named streams (" + bytes;
}

std::string StorageNotesText(const PurgeNotes& notes) {
  std::string text;
  if (notes.decompressed) {
    text +=
        " It was stored compressed and was decompressed first: the clusters that held it compressed are free "
        "space now, which \"Purge free space\" overwrites.";
  }
  if (notes.encrypted) {
    text +=
        " It is encrypted (EFS): what it held before it was encrypted may remain in the free space, which "
        "\"Purge free space\" overwrites.";
  }
  return text;
}

int NumOverwritesPerPass(int purgeType) {
  switch (purgeType) {
    case 0:
      return 2;
    case 1:
      return 3;
    case 2:
      return 6;
    default:
      return 0;
  }
}

}  // namespace nulvane::engine
