#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "testsupport/FaultyFileSystem.h"

namespace nulvane::testing {

// Files as Windows keeps them, on the real disk of the tests: a file's named streams are the files beside it
// named "<file>#<stream>" (StreamPath), which listings do not show and which go with the file when it is
// deleted, and a test gives a file compression, sparse ranges or encryption, or another program that takes
// the file as soon as the purge closes it. Faults and the hook see "NamedStreams", "OpenNamedStream" (the
// stream's path), "Decompress" and "AllocatedRanges" as well.
class StreamFileSystem : public FaultyFileSystem {
 public:
  // What joins a file's name and a stream's in the name of the file that stands for the stream: a character
  // that every file system takes in a name.
  static constexpr char kStreamMark = '#';
  static std::string StreamPath(const std::string& path, const std::string& stream);
  // Makes the stream beside the file and returns its path.
  std::string AddStream(const std::string& path, const std::string& stream, const std::string& content);
  // Storage that Status reports for the file (its streams are counted from the disk).
  void SetStorage(const std::string& path, const platform::FileStorage& storage);
  // The ranges that take room on the disk, for a file set sparse.
  void SetAllocatedRanges(const std::string& path, std::vector<platform::ByteRange> ranges);
  // Another program opens the file (sharing reading and writing, not deleting) whenever it is not held
  // open by the purge: it cannot then be deleted by name.
  void TakeWhenClosed(const std::string& path);
  // What each flush left in the file or stream flushed, by its path, in order, once `recordFlushes` is set.
  const std::vector<std::pair<std::string, std::string>>& Flushed() const { return flushed_; }
  bool recordFlushes = false;

  std::vector<platform::DirEntry> List(const platform::Folder& folder, bool withSizes) override;
  platform::FileStatus StatusAt(const platform::Folder& folder, const std::string& name) override;
  platform::FileStatus Status(const std::string& path) override;
  platform::FileStatus Status(const platform::File& file) override;
  std::vector<platform::NamedStream> NamedStreams(const platform::File& file) override;
  platform::File OpenNamedStream(const platform::File& file, const std::string& stream) override;
  bool Decompress(const platform::File& file) override;
  std::vector<platform::ByteRange> AllocatedRanges(const platform::File& file, std::int64_t length) override;
  void Flush(const platform::File& file) override;
  bool RemoveFileAt(const platform::Folder& folder, const std::string& name,
                    const platform::FileIdentity* expected, platform::File* open) override;
  // The streams, and whatever the test gave the file, go with it to its new name.
  bool RenameAt(const platform::Folder& folder, const std::string& from, const std::string& to,
                const platform::FileIdentity* expected, platform::File* open) override;

 private:
  platform::FileStatus WithStorage(platform::FileStatus status, const std::string& path);
  static std::vector<platform::NamedStream> StreamsBeside(const std::string& path);

  std::recursive_mutex mutex_;
  std::map<std::string, platform::FileStorage> storage_;
  std::map<std::string, std::vector<platform::ByteRange>> ranges_;
  std::set<std::string> taken_;
  std::vector<std::pair<std::string, std::string>> flushed_;
};

}  // namespace nulvane::testing
