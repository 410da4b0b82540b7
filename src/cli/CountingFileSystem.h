#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace nulvane::cli {

// The file system the command line's logic works on: the real one, with the bytes written counted for the
// progress bar (by the purge's worker threads too), in all and for each file. Everything else passes through
// unchanged.
class CountingFileSystem final : public platform::FileSystem {
 public:
  explicit CountingFileSystem(platform::FileSystem& real) : real_(real) {}

  std::int64_t bytesWritten() const { return bytesWritten_; }
  // The bytes written to the file of that path since the last call for it, which forgets it.
  std::int64_t TakeBytesWrittenTo(const std::string& path) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = bytesByPath_.find(path);
    if (found == bytesByPath_.end()) return 0;
    const std::int64_t bytes = found->second;
    bytesByPath_.erase(found);
    return bytes;
  }

  platform::FolderHandle OpenFolder(const std::string& path) override { return real_.OpenFolder(path); }
  platform::FolderHandle OpenSubfolder(const platform::Folder& parent, const std::string& name) override {
    return real_.OpenSubfolder(parent, name);
  }
  std::vector<platform::DirEntry> List(const platform::Folder& folder, bool withSizes) override {
    return real_.List(folder, withSizes);
  }
  std::vector<platform::DirEntry> ListNames(const platform::Folder& folder) override {
    return real_.ListNames(folder);
  }
  platform::FileStatus StatusAt(const platform::Folder& folder, const std::string& name) override {
    return real_.StatusAt(folder, name);
  }
  platform::File OpenForWritingAt(const platform::Folder& folder, const std::string& name) override {
    return real_.OpenForWritingAt(folder, name);
  }
  platform::File OpenAndLeaseAt(const platform::Folder& folder, const std::string& name,
                                platform::WriteLease& lease, platform::FileStatus& status) override {
    return real_.OpenAndLeaseAt(folder, name, lease, status);
  }
  platform::File CreateNewFileAt(const platform::Folder& folder, const std::string& name) override {
    return real_.CreateNewFileAt(folder, name);
  }
  platform::File CreateUnnamedFile(const platform::Folder& folder) override {
    return real_.CreateUnnamedFile(folder);
  }
  void SetAttributesAt(const platform::Folder& folder, const std::string& name,
                       const platform::FileAttributes& attributes) override {
    real_.SetAttributesAt(folder, name, attributes);
  }
  void SetAttributes(const platform::File& file, const platform::FileAttributes& attributes) override {
    real_.SetAttributes(file, attributes);
  }
  bool RemoveFileAt(const platform::Folder& folder, const std::string& name,
                    const platform::FileIdentity* expected, platform::File* open) override {
    return real_.RemoveFileAt(folder, name, expected, open);
  }
  platform::FolderHandle MakeFolderAt(const platform::Folder& parent, const std::string& name) override {
    return real_.MakeFolderAt(parent, name);
  }
  bool RemoveFolderAt(const platform::Folder& parent, const std::string& name,
                      const platform::FileIdentity* expected) override {
    return real_.RemoveFolderAt(parent, name, expected);
  }
  bool RenameAt(const platform::Folder& folder, const std::string& from, const std::string& to,
                const platform::FileIdentity* expected, platform::File* open) override {
    return real_.RenameAt(folder, from, to, expected, open);
  }
  void MakeEmptyFileAt(const platform::Folder& folder, const std::string& name) override {
    real_.MakeEmptyFileAt(folder, name);
  }
  bool FreedEntriesKeepNames(const platform::Folder& folder) override {
    return real_.FreedEntriesKeepNames(folder);
  }
  std::optional<platform::JournalUse> JournalOf(const platform::Folder& folder) override {
    return real_.JournalOf(folder);
  }
  void FlushVolume(const platform::Folder& folder) override { real_.FlushVolume(folder); }
  platform::File LockFolder(const platform::Folder& folder) override { return real_.LockFolder(folder); }

  platform::File OpenForWriting(const std::string& path) override { return real_.OpenForWriting(path); }
  platform::File OpenForReading(const std::string& path) override { return real_.OpenForReading(path); }
  platform::File CreateFile(const std::string& path) override { return real_.CreateFile(path); }
  platform::File CreateNewFile(const std::string& path) override { return real_.CreateNewFile(path); }
  std::string RealPath(const std::string& path) override { return real_.RealPath(path); }
  platform::FileStatus Status(const std::string& path) override { return real_.Status(path); }
  platform::FileStatus Status(const platform::File& file) override { return real_.Status(file); }
  void WriteAt(const platform::File& file, const void* data, std::size_t size, std::int64_t offset) override {
    real_.WriteAt(file, data, size, offset);
    Count(file, static_cast<std::int64_t>(size));
  }
  void WriteRepeated(const platform::File& file, const void* block, std::size_t blockSize, std::int64_t count,
                     std::int64_t offset) override {
    real_.WriteRepeated(file, block, blockSize, count, offset);
    Count(file, static_cast<std::int64_t>(blockSize) * count);
  }
  std::size_t ReadAt(const platform::File& file, void* data, std::size_t size, std::int64_t offset) override {
    return real_.ReadAt(file, data, size, offset);
  }
  void Flush(const platform::File& file) override { real_.Flush(file); }
  void WriteBack(const platform::File& file, std::int64_t offset, std::int64_t length) override {
    real_.WriteBack(file, offset, length);
  }
  void FlushFolder(const std::string& path) override { real_.FlushFolder(path); }
  void SetLength(const platform::File& file, std::int64_t length) override { real_.SetLength(file, length); }
  void SetTimes(const platform::File& file, const platform::FileTimes& times) override {
    real_.SetTimes(file, times);
  }
  platform::WriteLease TakeWriteLease(const platform::File& file) override {
    return real_.TakeWriteLease(file);
  }
  bool LeaseBroken(const platform::File& file) override { return real_.LeaseBroken(file); }
  void ReleaseLease(const platform::File& file) override { real_.ReleaseLease(file); }
  void SetPermissions(const platform::File& file, std::uint32_t mode, std::uint32_t owner,
                      std::uint32_t group) override {
    real_.SetPermissions(file, mode, owner, group);
  }
  std::vector<platform::NamedStream> NamedStreams(const platform::File& file) override {
    return real_.NamedStreams(file);
  }
  platform::File OpenNamedStream(const platform::File& file, const std::string& stream) override {
    return real_.OpenNamedStream(file, stream);
  }
  bool Decompress(const platform::File& file) override { return real_.Decompress(file); }
  std::vector<platform::ByteRange> AllocatedRanges(const platform::File& file, std::int64_t length) override {
    return real_.AllocatedRanges(file, length);
  }
  void Remove(const std::string& path) override { real_.Remove(path); }
  void Rename(const std::string& from, const std::string& to) override { real_.Rename(from, to); }
  void MakeFolder(const std::string& path) override { real_.MakeFolder(path); }
  std::string VolumeOf(const std::string& path) override { return real_.VolumeOf(path); }
  std::vector<platform::Volume> Volumes() override { return real_.Volumes(); }
  platform::DiskSpace QueryDisk(const std::string& volume) override { return real_.QueryDisk(volume); }
  platform::VolumeClass ClassifyVolume(const std::string& path) override {
    return real_.ClassifyVolume(path);
  }
  platform::FileRecordTable FileRecords(const std::string& volume) override {
    return real_.FileRecords(volume);
  }
  std::vector<std::string> SwapFiles() override { return real_.SwapFiles(); }
  std::string ProgramFolder() override { return real_.ProgramFolder(); }
  std::string UserDataFolder() override { return real_.UserDataFolder(); }
  std::string HomeFolder() override { return real_.HomeFolder(); }

 private:
  void Count(const platform::File& file, std::int64_t bytes) {
    bytesWritten_ += bytes;
    std::string path = file.Path();
#ifdef _WIN32
    // A named stream ("C:\a.txt:hidden") counts with its file, whose purge it is part of.
    const std::size_t name = path.find_last_of(platform::kPathSeparator);
    const std::size_t stream = path.find(':', name == std::string::npos ? 0 : name + 1);
    if (name != std::string::npos && stream != std::string::npos) path.resize(stream);
#endif
    const std::lock_guard<std::mutex> lock(mutex_);
    bytesByPath_[path] += bytes;
  }

  platform::FileSystem& real_;
  std::atomic<std::int64_t> bytesWritten_ = 0;
  std::mutex mutex_;
  std::map<std::string, std::int64_t> bytesByPath_;
};

}  // namespace nulvane::cli
