#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace nulvane::platform {

// The process's working folder (UTF-8), empty when it cannot be told.
std::string CurrentFolder();
// Whether a path names its place without the working folder: "/x" here; "C:\x", "C:" (the drive's root)
// or "\\server\share" on Windows.
bool IsAbsolutePath(const std::string& path);
// The folders meant for temporary files, as the environment names them ($TMPDIR, /tmp, /var/tmp; on Windows
// the user's temporary folder), unresolved and perhaps missing.
std::vector<std::string> TemporaryFolders();
// Whether the program runs with the rights of root (never on Windows, whose administrators own no files
// the way root does).
bool RunningAsRoot();
// The calendar fields of a moment in local time; nothing for a moment the system cannot convert.
std::optional<std::tm> LocalTime(std::time_t moment);

}  // namespace nulvane::platform
