#pragma once

#include <cstdint>
#include <string>

namespace nulvane::testing {

// What the tests need of the platform beyond the program's own file system.

// Links and other names for the tests of what a purge must never follow, on every platform: a symbolic
// link here; on Windows a junction for a folder and a symbolic link for a file. Wine can make neither, so
// under Wine the link is one of the system below, which Wine shows as a reparse point (a folder) or follows
// (a file). A relative target is taken from the link's folder. False when no link can be made.
bool MakeLink(const std::string& target, const std::string& link);
// A second name for an existing file.
bool MakeHardLink(const std::string& existing, const std::string& link);
// Removes a link made by MakeLink, never what it leads to.
bool RemoveLink(const std::string& link);
// Gives the file the modification time, in seconds since 1970, without following a link.
bool SetModificationTime(const std::string& path, std::int64_t seconds);
// The read-only attribute (on POSIX systems the owner's write permission).
bool MakeReadOnly(const std::string& path);

// Wine runs the Windows tests on Linux; a few Windows features it keeps only in part.
bool RunningUnderWine();

// A path written with "/" as the platform writes it.
std::string Native(const std::string& path);

// The description that an error of this errno value carries (the C library's text).
std::string ErrnoText(int error);
// The system's description of a file or folder that is not there, as a failing call on one reports it.
std::string NotFoundText();

}  // namespace nulvane::testing
