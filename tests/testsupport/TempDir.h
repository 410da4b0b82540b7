#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace nulvane::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's path with a trailing separator.
  const std::string& path() const { return path_; }
  // A path inside the folder; "/" in `relative` stands for the platform's separator.
  std::string operator/(const std::string& relative) const;

  // Creates the file (and any missing folders on its way) with the given bytes; returns its path.
  std::string Write(const std::string& relative, const std::string& content) const;
  std::string MakeFolder(const std::string& relative) const;

 private:
  std::string path_;
};

// Paths are UTF-8 on every platform; the standard library's paths are not, on Windows.
std::filesystem::path PathOf(const std::string& path);
std::string TextOf(const std::filesystem::path& path);

std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// A deterministic content of `size` bytes that no purge pattern produces.
std::string SampleContent(std::size_t size, unsigned seed = 1);

}  // namespace nulvane::testing
