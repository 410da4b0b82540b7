#include "testsupport/StreamFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/PlatformError.h"

namespace nulvane::testing {

namespace {

namespace fs = std::filesystem;

std::string Key(const std::string& path) {
  return fs::path(path).lexically_normal().string();
}

// A stream's path: the mark in its last component.
bool IsStream(const std::string& path) {
  return fs::path(path).filename().string().find(StreamFileSystem::kStreamMark) != std::string::npos;
}

}  // namespace

std::string StreamFileSystem::StreamPath(const std::string& path, const std::string& stream) {
  return path + kStreamMark + stream;
}

std::string StreamFileSystem::AddStream(const std::string& path, const std::string& stream,
                                        const std::string& content) {
  const std::string streamPath = StreamPath(path, stream);
  std::ofstream(streamPath, std::ios::binary) << content;
  return streamPath;
}

void StreamFileSystem::SetStorage(const std::string& path, const platform::FileStorage& storage) {
  const std::lock_guard lock(mutex_);
  storage_[Key(path)] = storage;
}

void StreamFileSystem::SetAllocatedRanges(const std::string& path, std::vector<platform::ByteRange> ranges) {
  const std::lock_guard lock(mutex_);
  ranges_[Key(path)] = std::move(ranges);
}

void StreamFileSystem::TakeWhenClosed(const std::string& path) {
  const std::lock_guard lock(mutex_);
  taken_.insert(Key(path));
}

std::vector<platform::NamedStream> StreamFileSystem::StreamsBeside(const std::string& path) {
  std::vector<platform::NamedStream> streams;
  const fs::path file(path);
  const std::string prefix = file.filename().string() + kStreamMark;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(file.parent_path(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0)
      streams.push_back({name.substr(prefix.size()), static_cast<std::int64_t>(entry.file_size())});
  }
  std::sort(streams.begin(), streams.end(),
            [](const platform::NamedStream& a, const platform::NamedStream& b) { return a.name < b.name; });
  return streams;
}

platform::FileStatus StreamFileSystem::WithStorage(platform::FileStatus status, const std::string& path) {
  if (status.kind != platform::FileKind::Regular || IsStream(path)) return status;
  const std::lock_guard lock(mutex_);
  const auto found = storage_.find(Key(path));
  if (found != storage_.end()) status.storage = found->second;
  status.storage.namedStreams = 0;
  status.storage.namedStreamBytes = 0;
  for (const platform::NamedStream& stream : StreamsBeside(path)) {
    ++status.storage.namedStreams;
    status.storage.namedStreamBytes += stream.size;
  }
  return status;
}

std::vector<platform::DirEntry> StreamFileSystem::List(const platform::Folder& folder, bool withSizes) {
  std::vector<platform::DirEntry> entries;
  for (platform::DirEntry& entry : FaultyFileSystem::List(folder, withSizes)) {
    if (entry.name.find(kStreamMark) != std::string::npos) continue;
    if (withSizes && entry.kind == platform::FileKind::Regular) {
      for (const platform::NamedStream& stream : StreamsBeside(folder.PathOf(entry.name)))
        entry.size += stream.size;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

platform::FileStatus StreamFileSystem::StatusAt(const platform::Folder& folder, const std::string& name) {
  return WithStorage(FaultyFileSystem::StatusAt(folder, name), folder.PathOf(name));
}

platform::FileStatus StreamFileSystem::Status(const std::string& path) {
  return WithStorage(FaultyFileSystem::Status(path), path);
}

platform::FileStatus StreamFileSystem::Status(const platform::File& file) {
  return WithStorage(FaultyFileSystem::Status(file), file.Path());
}

std::vector<platform::NamedStream> StreamFileSystem::NamedStreams(const platform::File& file) {
  Check("NamedStreams", file.Path());
  if (IsStream(file.Path())) return {};
  return StreamsBeside(file.Path());
}

platform::File StreamFileSystem::OpenNamedStream(const platform::File& file, const std::string& stream) {
  const std::string path = StreamPath(file.Path(), stream);
  Check("OpenNamedStream", path);
  return FaultyFileSystem::OpenForWriting(path);
}

bool StreamFileSystem::Decompress(const platform::File& file) {
  Check("Decompress", file.Path());
  const std::lock_guard lock(mutex_);
  const auto found = storage_.find(Key(file.Path()));
  if (found == storage_.end() || !found->second.compressed) return false;
  found->second.compressed = false;
  return true;
}

std::vector<platform::ByteRange> StreamFileSystem::AllocatedRanges(const platform::File& file,
                                                                   std::int64_t length) {
  Check("AllocatedRanges", file.Path());
  const std::lock_guard lock(mutex_);
  const auto found = ranges_.find(Key(file.Path()));
  if (found != ranges_.end()) return found->second;
  if (length <= 0) return {};
  return {{0, length}};
}

void StreamFileSystem::Flush(const platform::File& file) {
  FaultyFileSystem::Flush(file);
  if (!recordFlushes) return;
  std::string content = ContentOf(file);
  const std::lock_guard lock(mutex_);
  flushed_.emplace_back(file.Path(), std::move(content));
}

bool StreamFileSystem::RemoveFileAt(const platform::Folder& folder, const std::string& name,
                                    const platform::FileIdentity* expected, platform::File* open) {
  const std::string path = folder.PathOf(name);
  bool taken = false;
  {
    const std::lock_guard lock(mutex_);
    taken = taken_.count(Key(path)) > 0;
  }
  // The other program opened it, without sharing its deletion, the moment the purge let go of it: Windows
  // refuses to delete it by name while that program holds it.
  if (taken && (open == nullptr || !open->IsOpen())) platform::ThrowErrno(EBUSY);
  const std::vector<platform::NamedStream> streams = StreamsBeside(path);
  const bool removed = FaultyFileSystem::RemoveFileAt(folder, name, expected, open);
  if (removed) {
    if (open != nullptr && open->IsOpen()) open->Close();
    for (const platform::NamedStream& stream : streams) fs::remove(StreamPath(path, stream.name));
  }
  return removed;
}

bool StreamFileSystem::RenameAt(const platform::Folder& folder, const std::string& from,
                                const std::string& to, const platform::FileIdentity* expected,
                                platform::File* open) {
  const std::string before = folder.PathOf(from);
  const std::string after = folder.PathOf(to);
  const std::vector<platform::NamedStream> streams = StreamsBeside(before);
  if (!FaultyFileSystem::RenameAt(folder, from, to, expected, open)) return false;
  for (const platform::NamedStream& stream : streams)
    fs::rename(StreamPath(before, stream.name), StreamPath(after, stream.name));
  const std::lock_guard lock(mutex_);
  if (taken_.erase(Key(before)) > 0) taken_.insert(Key(after));
  if (const auto found = storage_.find(Key(before)); found != storage_.end()) {
    storage_[Key(after)] = found->second;
    storage_.erase(found);
  }
  if (const auto found = ranges_.find(Key(before)); found != ranges_.end()) {
    ranges_[Key(after)] = found->second;
    ranges_.erase(found);
  }
  return true;
}

}  // namespace nulvane::testing
