#pragma once

#include <string>
#include <utility>

namespace nulvane::platform {

// An open file descriptor with the path it was opened by; closed on destruction.
class File {
 public:
  File() = default;
  File(int descriptor, std::string path) : descriptor_(descriptor), path_(std::move(path)) {}
  File(File&& other) noexcept
      : descriptor_(std::exchange(other.descriptor_, -1)), path_(std::move(other.path_)) {}
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  // A destructor may run while an error unwinds: a failing close is not reported from here.
  ~File();

  bool IsOpen() const { return descriptor_ >= 0; }
  int Descriptor() const { return descriptor_; }
  const std::string& Path() const { return path_; }
  // Closes the descriptor; a failure to close is reported by throwing PlatformError.
  void Close();

 private:
  int descriptor_ = -1;
  std::string path_;
};

}  // namespace nulvane::platform
