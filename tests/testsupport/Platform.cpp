#include "testsupport/Platform.h"

#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/PlatformError.h"
#include "platform/SystemFileSystem.h"
#include "testsupport/PathCalls.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <winioctl.h>
// clang-format on

#include <cstring>
#include <vector>

#include "platform/WindowsText.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace nulvane::testing {

namespace {

#ifdef _WIN32

using platform::Narrow;
using platform::Widen;

std::string AbsoluteTarget(const std::string& target, const std::string& link) {
  if (target.size() >= 2 && (target[1] == ':' || target.rfind("\\\\", 0) == 0)) return target;
  return platform::NormalisedPath(link.substr(0, link.find_last_of("\\/") + 1) + target);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The reparse data of a junction: its target as the system names it and as it is shown.
bool MakeJunction(const std::string& target, const std::string& link) {
  const std::wstring wideLink = Widen(link);
  if (!::CreateDirectoryW(wideLink.c_str(), nullptr)) return false;
  const HANDLE folder = ::CreateFileW(wideLink.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  bool made = false;
  if (folder != INVALID_HANDLE_VALUE) {
    const std::wstring substitute = L"\\??\\" + Widen(target);
    const std::wstring print = Widen(target);
    const auto substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    const auto printBytes = static_cast<WORD>(print.size() * sizeof(wchar_t));
    std::vector<char> buffer(8 + 8 + substituteBytes + 2 + printBytes + 2, 0);
    auto put16 = [&](std::size_t at, WORD value) { std::memcpy(buffer.data() + at, &value, 2); };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(buffer.data(), &tag, 4);
    put16(4, static_cast<WORD>(buffer.size() - 8));
    put16(8, 0);
    put16(10, substituteBytes);
    put16(12, static_cast<WORD>(substituteBytes + 2));
    put16(14, printBytes);
    std::memcpy(buffer.data() + 16, substitute.data(), substituteBytes);
    std::memcpy(buffer.data() + 16 + substituteBytes + 2, print.data(), printBytes);
    DWORD returned = 0;
    made = ::DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(),
                             static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
    ::CloseHandle(folder);
  }
  if (!made) ::RemoveDirectoryW(wideLink.c_str());
  return made;
}

std::string UnixPath(const std::string& path) {
  using Convert = char*(CDECL*)(const wchar_t*);
  // Through void*: a function found by name has no type the compiler could check.
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (convert == nullptr) return {};
  char* unixPath = convert(Widen(path).c_str());
  if (unixPath == nullptr) return {};
  std::string result = unixPath;
  ::HeapFree(::GetProcessHeap(), 0, unixPath);
  return result;
}

// Starts a program of the system below Wine. Wine can neither wait for such a program nor tell its exit
// code, so the caller watches for its effect.
bool StartUnix(const std::wstring& program, const std::vector<std::string>& arguments) {
  std::wstring line = L"\"" + program + L"\"";
  for (const std::string& argument : arguments) line += L" \"" + Widen(argument) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
    return false;
  if (process.hThread != nullptr) ::CloseHandle(process.hThread);
  if (process.hProcess != nullptr) ::CloseHandle(process.hProcess);
  return true;
}

// Waits until the system below has made (or removed) the name.
bool Settled(const std::string& path, bool present) {
  for (int attempt = 0; attempt < 250; ++attempt) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    const bool there = attributes != INVALID_FILE_ATTRIBUTES ||
                       (::GetLastError() != ERROR_FILE_NOT_FOUND && ::GetLastError() != ERROR_PATH_NOT_FOUND);
    if (there == present) return true;
    ::Sleep(20);
  }
  return false;
}

#endif

}  // namespace

bool RunningUnderWine() {
#ifdef _WIN32
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll"), "wine_get_version") != nullptr;
#else
  return false;
#endif
}

std::string Native(const std::string& path) {
  std::string native = path;
  for (char& c : native) {
    if (c == '/') c = platform::kPathSeparator;
  }
  return native;
}

std::string ErrnoText(int error) {
  return platform::ErrorFromErrno(error).description;
}

std::string NotFoundText() {
#ifdef _WIN32
  return platform::SystemMessage(ERROR_FILE_NOT_FOUND);
#else
  return ErrnoText(ENOENT);
#endif
}

bool MakeLink(const std::string& target, const std::string& link) {
#ifdef _WIN32
  const std::string absolute = AbsoluteTarget(target, link);
  const bool folder = IsFolder(absolute);
  if (folder && MakeJunction(absolute, link)) return true;
  // Wine answers that it made a symbolic link without making one: only a reparse point there counts.
  if (!folder && ::CreateSymbolicLinkW(Widen(link).c_str(), Widen(absolute).c_str(),
                                       SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    const DWORD attributes = ::GetFileAttributesW(Widen(link).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
      return true;
  }
  if (!RunningUnderWine()) return false;
  const std::string unixTarget = UnixPath(absolute);
  const std::string unixLink = UnixPath(link);
  return !unixTarget.empty() && !unixLink.empty() &&
         StartUnix(L"Z:\\bin\\ln", {"-s", unixTarget, unixLink}) && Settled(link, true);
#else
  return ::symlink(target.c_str(), link.c_str()) == 0;
#endif
}

bool MakeHardLink(const std::string& existing, const std::string& link) {
#ifdef _WIN32
  return ::CreateHardLinkW(Widen(link).c_str(), Widen(existing).c_str(), nullptr);
#else
  return ::link(existing.c_str(), link.c_str()) == 0;
#endif
}

bool RemoveLink(const std::string& link) {
#ifdef _WIN32
  const std::wstring wide = Widen(link);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
      ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ::RemoveDirectoryW(wide.c_str())
                                                    : ::DeleteFileW(wide.c_str())))
    return true;
  if (!RunningUnderWine()) return false;
  const std::string unixLink = UnixPath(link);
  return !unixLink.empty() && StartUnix(L"Z:\\bin\\rm", {"-f", unixLink}) && Settled(link, false);
#else
  return ::unlink(link.c_str()) == 0;
#endif
}

bool SetModificationTime(const std::string& path, std::int64_t seconds) {
  platform::SystemFileSystem fileSystem;
  try {
    platform::File file = fileSystem.OpenForReading(path);
    platform::FileTimes times = fileSystem.Status(file).times;
    times.modification = {seconds, 0};
    fileSystem.SetTimes(file, times);
    return true;
  } catch (const platform::PlatformError&) {
    return false;
  }
}

bool MakeReadOnly(const std::string& path) {
  platform::SystemFileSystem fileSystem;
  try {
    SetReadOnly(fileSystem, path, true);
    return true;
  } catch (const platform::PlatformError&) {
    return false;
  }
}

}  // namespace nulvane::testing
