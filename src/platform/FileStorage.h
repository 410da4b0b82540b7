#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nulvane::platform {

// How a file's data is kept beyond one plain run of bytes: Windows file systems keep named data streams
// beside a file's main contents ("report.txt:hidden", the ":Zone.Identifier" of every download), and may
// store it compressed, sparse (only the ranges written take room on the disk) or encrypted (EFS). On POSIX
// systems a file has none of these.
struct FileStorage {
  bool compressed = false;
  bool sparse = false;
  bool encrypted = false;
  // The named data streams and the bytes they hold (the main contents not counted).
  int namedStreams = 0;
  std::int64_t namedStreamBytes = 0;
  friend bool operator==(const FileStorage&, const FileStorage&) = default;
};

// A named data stream of a file, by its name without the colons and the type (":hidden:$DATA" is "hidden").
struct NamedStream {
  std::string name;
  std::int64_t size = 0;
  friend bool operator==(const NamedStream&, const NamedStream&) = default;
};

// A stretch of a file: `length` bytes from `offset`.
struct ByteRange {
  std::int64_t offset = 0;
  std::int64_t length = 0;
  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// The table of file records of an NTFS volume, as far as the program may read it: each file has a record
// there that holds its names and, for a small file (or a named stream), its whole contents; a deleted
// file's record is free for the next new file and keeps what it held until then.
struct FileRecordTable {
  bool known = false;
  std::int64_t freeRecords = 0;
  std::int64_t recordSize = 0;  // bytes
  // Why it is not known (the system's words, or that reading it takes the administrator's rights).
  std::string reason;
};

}  // namespace nulvane::platform
