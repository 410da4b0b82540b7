#include "platform/Environment.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/WindowsText.h"
#else
#include <unistd.h>

#include <cstdlib>
#include <memory>
#endif

namespace nulvane::platform {

#ifdef _WIN32

std::string CurrentFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) return Narrow(buffer.data(), length);
    buffer.resize(length);
  }
}

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && !IsSeparator(folder.back())) folder += '\\';
  return folder;
}

// The working folder that Windows keeps for a drive, as "dir C:" shows it; empty when it cannot be told.
std::string WorkingFolderOfDrive(char letter) {
  const wchar_t drive[] = {static_cast<wchar_t>(letter), L':', L'\0'};
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameW(drive, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return {};
    if (length < buffer.size()) {
      // Spelt as the working folder is, without a separator at its end unless it is the root.
      std::string folder = Narrow(buffer.data(), length);
      if (folder.size() > 3 && IsSeparator(folder.back())) folder.pop_back();
      return folder;
    }
    buffer.resize(length);
  }
}

// "C:" or "\\server\share" of an absolute folder.
std::string RootOf(const std::string& folder) {
  if (folder.size() >= 2 && folder[1] == ':') return folder.substr(0, 2);
  const std::size_t server = folder.find_first_of("\\/", 2);
  if (server == std::string::npos) return folder;
  const std::size_t share = folder.find_first_of("\\/", server + 1);
  return share == std::string::npos ? folder : folder.substr(0, share);
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  // "\\server\share\x", "\\?\..." and "\\.\...": the file system takes them as they are, or refuses them.
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return path;
  const bool letter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
  if (path.size() >= 2 && letter && path[1] == ':') {
    if (path.size() > 2 && IsSeparator(path[2])) return path;
    const std::string folder = WorkingFolderOfDrive(path[0]);
    if (folder.empty()) return path;
    return path.size() == 2 ? folder : WithSeparator(folder) + path.substr(2);
  }
  const std::string working = CurrentFolder();
  if (working.empty()) return path;
  if (IsSeparator(path[0])) return RootOf(working) + path;
  return WithSeparator(working) + path;
}

std::vector<std::string> TemporaryFolders() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD length = ::GetTempPathW(MAX_PATH + 2, buffer);
  if (length == 0 || length > MAX_PATH + 1) return {};
  std::string folder = Narrow(buffer, length);
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return {folder};
}

std::optional<std::tm> LocalTime(std::time_t moment) {
  std::tm local{};
  if (::localtime_s(&local, &moment) != 0) return std::nullopt;
  return local;
}

bool RunningAsRoot() {
  return false;
}

#else

std::string CurrentFolder() {
  std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
  return folder ? std::string(folder.get()) : std::string();
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::string folder = CurrentFolder();
  if (folder.empty()) return path;
  if (folder.back() != '/') folder += '/';
  return folder + path;
}

std::vector<std::string> TemporaryFolders() {
  std::vector<std::string> folders;
  if (const char* temporary = std::getenv("TMPDIR"); temporary != nullptr && temporary[0] != '\0')
    folders.emplace_back(temporary);
  folders.emplace_back("/tmp");
  folders.emplace_back("/var/tmp");
  return folders;
}

std::optional<std::tm> LocalTime(std::time_t moment) {
  std::tm local{};
  if (::localtime_r(&moment, &local) == nullptr) return std::nullopt;
  return local;
}

bool RunningAsRoot() {
  return ::geteuid() == 0;
}

#endif

}  // namespace nulvane::platform
