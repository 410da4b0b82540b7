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

bool IsAbsolutePath(const std::string& path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 2 && separator(path[0]) && separator(path[1])) return true;
  // "C:" alone is the drive itself, its root folder; "C:x" would be relative to the drive's working folder.
  const bool letter =
      path.size() >= 2 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return letter && path[1] == ':' && (path.size() == 2 || separator(path[2]));
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

bool IsAbsolutePath(const std::string& path) {
  return !path.empty() && path[0] == '/';
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
