#pragma once

#include <string>
#include <utility>

namespace nulvane::platform {

// An open file (a descriptor, or a HANDLE on Windows) with the path it was opened by; closed on destruction.
class File {
 public:
#ifdef _WIN32
  using Handle = void*;
  static constexpr Handle kNoHandle = nullptr;
#else
  using Handle = int;
  static constexpr Handle kNoHandle = -1;
#endif

  File() = default;
  File(Handle handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  File(File&& other) noexcept
      : handle_(std::exchange(other.handle_, kNoHandle)), path_(std::move(other.path_)) {}
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  // A destructor may run while an error unwinds: a failing close is not reported from here.
  ~File();

  bool IsOpen() const {
    return handle_ != kNoHandle;
  }
  Handle NativeHandle() const {
    return handle_;
  }
#ifndef _WIN32
  int Descriptor() const {
    return handle_;
  }
#endif
  const std::string& Path() const {
    return path_;
  }
  // Closes the file; a failure to close is reported by throwing PlatformError.
  void Close();

 private:
  Handle handle_ = kNoHandle;
  std::string path_;
};

}  // namespace nulvane::platform
