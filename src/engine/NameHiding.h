#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/RandomStream.h"

namespace nulvane::engine {

// A random name that takes as much room in a folder as `name` does on any file system: as many bytes, as
// many UTF-16 units, and the same short (8.3) form or none. Each letter becomes a random letter of the same
// case, each digit a random digit, each other character a random letter as long in UTF-8 (a byte that is
// no UTF-8 becomes a random letter); dots, spaces and other signs stay where they were. Never a name that
// Windows keeps for a device (CON, NUL, COM1 ...). Empty when there is nothing in the name to change.
// Throws PlatformError when the system has no random source.
std::string RandomNameLike(const std::string& name, platform::RandomStream& random);

// Writes random names over the entries that the names `removed` left in the folder when they were removed,
// where the file system leaves them there (FreedEntriesKeepNames): one empty file with a random name like
// each removed one is made, and then all of them are removed again. A file system gives a new entry the
// first freed room it fits in, so these take the rooms the removed names left (unless older free rooms
// come first). All are made before any is removed; one at a time, each would take the same room.
// A file that cannot be made ends the filling, and nothing here throws. Returns the names of the empty files
// that could not be removed again, for the report.
std::vector<std::string> FillFreedEntries(platform::FileSystem& fileSystem, platform::RandomStream& random,
                                          const platform::Folder& folder,
                                          const std::vector<std::string>& removed);

}  // namespace nulvane::engine
