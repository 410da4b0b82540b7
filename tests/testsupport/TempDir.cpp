#include "testsupport/TempDir.h"

#ifndef _WIN32
#include <stdlib.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/FileSystem.h"
#include "platform/PlatformError.h"
#include "platform/SystemFileSystem.h"
#include "testsupport/PathCalls.h"

namespace nulvane::testing {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// Removes the tree below `path` the way the program would: links removed as links, never entered.
void RemoveTree(platform::FileSystem& fileSystem, const std::string& path) {
  std::vector<platform::DirEntry> entries;
  try {
    entries = ListFolder(fileSystem, path);
  } catch (const platform::PlatformError&) {
    return;
  }
  for (const platform::DirEntry& entry : entries) {
    const std::string child = path + platform::kPathSeparator + entry.name;
    try {
      if (entry.kind == platform::FileKind::Directory) {
        RemoveTree(fileSystem, child);
        continue;
      }
      // Tests may leave read-only files behind.
      if (entry.kind == platform::FileKind::Regular) SetAttributes(fileSystem, child, {});
      fileSystem.Remove(child);
    } catch (const platform::PlatformError&) {
    }
  }
  try {
    SetReadOnly(fileSystem, path, false);
    RemoveFolder(fileSystem, path);
  } catch (const platform::PlatformError&) {
  }
}
#endif

}  // namespace

fs::path PathOf(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

std::string TextOf(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#ifdef _WIN32

TempDir::TempDir() {
  platform::SystemFileSystem fileSystem;
  std::random_device seed;
  std::mt19937 random(seed());
  const std::string base = TextOf(fs::temp_directory_path());
  for (int attempt = 0; path_.empty(); ++attempt) {
    const std::string candidate =
        (base.empty() || base.back() == platform::kPathSeparator ? base : base + platform::kPathSeparator) +
        "nulvane-test-" + std::to_string(random() % 100000000);
    try {
      fileSystem.MakeFolder(candidate);
      // The program reaches nothing through a link, so a temporary folder behind one is resolved, as the
      // program resolves a folder the user chooses.
      path_ = fileSystem.RealPath(candidate) + platform::kPathSeparator;
    } catch (const platform::PlatformError&) {
      if (attempt > 100) throw std::runtime_error("cannot create a temporary folder");
    }
  }
}

TempDir::~TempDir() {
  platform::SystemFileSystem fileSystem;
  RemoveTree(fileSystem, path_.substr(0, path_.size() - 1));
}

#else

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "nulvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
  // The program reaches nothing through a link, so a temporary folder behind one ($TMPDIR may be) is
  // resolved, as the program resolves a folder the user chooses.
  path_ = fs::canonical(pattern).string() + "/";
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may leave read-only entries behind; give the owner write permission back before removing.
  for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

#endif

std::string TempDir::operator/(const std::string& relative) const {
  std::string native = relative;
  std::replace(native.begin(), native.end(), '/', platform::kPathSeparator);
  return path_ + native;
}

#ifdef _WIN32

// Through the program's own file system, which reaches every name Windows allows ("con.txt", "nul", long
// paths), where the standard library's streams would open a device or stop at 260 characters.
std::string TempDir::Write(const std::string& relative, const std::string& content) const {
  const std::string target = *this / relative;
  MakeFolder(
      relative.substr(0, relative.find_last_of('/') == std::string::npos ? 0 : relative.find_last_of('/')));
  platform::SystemFileSystem fileSystem;
  platform::File file = fileSystem.CreateFile(target);
  if (!content.empty()) fileSystem.WriteAt(file, content.data(), content.size(), 0);
  file.Close();
  return target;
}

std::string TempDir::MakeFolder(const std::string& relative) const {
  platform::SystemFileSystem fileSystem;
  std::string folder = path_;
  std::size_t start = 0;
  while (start < relative.size()) {
    std::size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    if (end > start) {
      folder += relative.substr(start, end - start);
      if (fileSystem.Status(folder).kind == platform::FileKind::Missing) fileSystem.MakeFolder(folder);
      folder += platform::kPathSeparator;
    }
    start = end + 1;
  }
  return folder;
}

#else

std::string TempDir::Write(const std::string& relative, const std::string& content) const {
  const fs::path target = PathOf(*this / relative);
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + TextOf(target));
  return TextOf(target);
}

std::string TempDir::MakeFolder(const std::string& relative) const {
  const fs::path target = PathOf(*this / relative);
  fs::create_directories(target);
  std::string folder = TextOf(target);
  if (folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
  return folder;
}

#endif

std::string ReadFile(const std::string& path) {
#ifdef _WIN32
  platform::SystemFileSystem fileSystem;
  try {
    const platform::File file = fileSystem.OpenForReading(path);
    std::string content;
    char buffer[65536];
    for (std::int64_t offset = 0;;) {
      const std::size_t got = fileSystem.ReadAt(file, buffer, sizeof buffer, offset);
      if (got == 0) return content;
      content.append(buffer, got);
      offset += static_cast<std::int64_t>(got);
    }
  } catch (const platform::PlatformError&) {
    return {};
  }
#else
  std::ifstream in(PathOf(path), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
#endif
}

bool Exists(const std::string& path) {
  platform::SystemFileSystem fileSystem;
  try {
    return fileSystem.Status(path).kind != platform::FileKind::Missing;
  } catch (const platform::PlatformError&) {
    return true;  // something is there, if only a link on the way
  }
}

std::string SampleContent(std::size_t size, unsigned seed) {
  std::string content(size, '\0');
  unsigned state = seed * 2654435761u + 12345u;
  for (auto& byte : content) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>('a' + (state >> 16) % 26);  // letters only: never a purge pattern's bytes
  }
  return content;
}

}  // namespace nulvane::testing
