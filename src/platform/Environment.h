#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace nulvane::platform {

// The process's working folder (UTF-8), empty when it cannot be told.
std::string CurrentFolder();
// A path that the user typed, made absolute as the system's own shell reads it, without resolving anything
// else: against the working folder; on Windows "C:", "C:." and "C:x" against drive C:'s own working folder
// and "\x" against the root of the working folder's drive, while "C:\x" and "\\..." paths stay as they
// are. Empty stays empty, and so does a path when the working folder cannot be told.
std::string AbsolutePath(const std::string& path);
// The folders meant for temporary files, as the environment names them ($TMPDIR, /tmp, /var/tmp; on Windows
// the user's temporary folder), unresolved and perhaps missing.
std::vector<std::string> TemporaryFolders();
// Whether the program runs with the rights of root (never on Windows, whose administrators own no files
// the way root does).
bool RunningAsRoot();
// The calendar fields of a moment in local time; nothing for a moment the system cannot convert.
std::optional<std::tm> LocalTime(std::time_t moment);

}  // namespace nulvane::platform
