#include "testsupport/FaultyFileSystem.h"

#include <algorithm>
#include <cerrno>

#include "platform/PlatformError.h"
#include "platform/VolumeClass.h"

namespace nulvane::testing {

using namespace platform;

int FaultyFileSystem::Calls(const std::string& operation) const {
  const std::lock_guard lock(mutex_);
  const auto found =
      std::find_if(calls_.begin(), calls_.end(), [&](const auto& c) { return c.first == operation; });
  return found == calls_.end() ? 0 : found->second;
}

void FaultyFileSystem::Check(const std::string& operation, const std::string& path) {
  const std::lock_guard lock(mutex_);
  if (hook_) hook_(operation, path);
  auto counted =
      std::find_if(calls_.begin(), calls_.end(), [&](const auto& c) { return c.first == operation; });
  if (counted == calls_.end()) {
    calls_.emplace_back(operation, 1);
  } else {
    ++counted->second;
  }
  for (Fault& fault : faults_) {
    if (fault.operation != operation || path.find(fault.pathContains) == std::string::npos) continue;
    if (fault.skip > 0) {
      --fault.skip;
      continue;
    }
    if (fault.times == 0) continue;
    if (fault.times > 0) --fault.times;
    ThrowErrno(fault.error);
  }
}

std::string FaultyFileSystem::ContentOf(const File& file) {
  std::string content(static_cast<std::size_t>(FaultyFileSystem::Status(file).size), '\0');
  std::size_t done = 0;
  while (done < content.size()) {
    const std::size_t got =
        ReadAt(file, content.data() + done, content.size() - done, static_cast<std::int64_t>(done));
    if (got == 0) break;
    done += got;
  }
  return content;
}

FolderHandle FaultyFileSystem::OpenFolder(const std::string& path) {
  Check("OpenFolder", path);
  return real_.OpenFolder(path);
}
FolderHandle FaultyFileSystem::OpenSubfolder(const Folder& parent, const std::string& name) {
  Check("OpenSubfolder", parent.PathOf(name));
  return real_.OpenSubfolder(parent, name);
}
std::vector<DirEntry> FaultyFileSystem::List(const Folder& folder, bool withSizes) {
  Check("ListFolder", folder.Path());
  return real_.List(folder, withSizes);
}
FileStatus FaultyFileSystem::StatusAt(const Folder& folder, const std::string& name) {
  Check("Status", folder.PathOf(name));
  return real_.StatusAt(folder, name);
}
File FaultyFileSystem::OpenForWritingAt(const Folder& folder, const std::string& name) {
  Check("OpenForWriting", folder.PathOf(name));
  return real_.OpenForWritingAt(folder, name);
}
File FaultyFileSystem::CreateNewFileAt(const Folder& folder, const std::string& name) {
  Check("CreateNewFile", folder.PathOf(name));
  return real_.CreateNewFileAt(folder, name);
}
File FaultyFileSystem::CreateUnnamedFile(const Folder& folder) {
  Check("CreateUnnamedFile", folder.Path());
  return real_.CreateUnnamedFile(folder);
}
void FaultyFileSystem::SetAttributesAt(const Folder& folder, const std::string& name,
                                       const FileAttributes& attributes) {
  Check("SetAttributes", folder.PathOf(name));
  real_.SetAttributesAt(folder, name, attributes);
}
void FaultyFileSystem::SetAttributes(const File& file, const FileAttributes& attributes) {
  Check("SetAttributes", file.Path());
  real_.SetAttributes(file, attributes);
}
bool FaultyFileSystem::RemoveFileAt(const Folder& folder, const std::string& name,
                                    const FileIdentity* expected, File* open) {
  Check("Remove", folder.PathOf(name));
  return real_.RemoveFileAt(folder, name, expected, open);
}
bool FaultyFileSystem::RenameAt(const Folder& folder, const std::string& from, const std::string& to,
                                const FileIdentity* expected, File* open) {
  Check("Rename", folder.PathOf(from));
  Check("RenameTo", folder.PathOf(to));
  if (!real_.RenameAt(folder, from, to, expected, open)) return false;
  // A fault staged for the file stays with it under its new name.
  const std::lock_guard lock(mutex_);
  const std::string before = folder.PathOf(from);
  const std::string after = folder.PathOf(to);
  const std::vector<Fault> staged = faults_;
  for (const Fault& fault : staged) {
    if (!fault.pathContains.empty() && before.find(fault.pathContains) != std::string::npos &&
        after.find(fault.pathContains) == std::string::npos && fault.operation != "Rename") {
      Fault moved = fault;
      moved.pathContains = after;
      faults_.push_back(moved);
    }
  }
  return true;
}
void FaultyFileSystem::MakeEmptyFileAt(const Folder& folder, const std::string& name) {
  Check("MakeEmptyFile", folder.PathOf(name));
  real_.MakeEmptyFileAt(folder, name);
}
bool FaultyFileSystem::FreedEntriesKeepNames(const Folder& /*folder*/) {
  return freedEntriesKeepNames_;
}
std::optional<platform::JournalUse> FaultyFileSystem::JournalOf(const Folder& folder) {
  Check("Journal", folder.Path());
  if (journal_) return journal_(folder);
  return std::nullopt;
}
FolderHandle FaultyFileSystem::MakeFolderAt(const Folder& parent, const std::string& name) {
  Check("MakeFolder", parent.PathOf(name));
  return real_.MakeFolderAt(parent, name);
}
bool FaultyFileSystem::RemoveFolderAt(const Folder& parent, const std::string& name,
                                      const FileIdentity* expected) {
  Check("RemoveFolder", parent.PathOf(name));
  return real_.RemoveFolderAt(parent, name, expected);
}
void FaultyFileSystem::FlushVolume(const Folder& folder) {
  Check("FlushVolume", folder.Path());
  real_.FlushVolume(folder);
}
File FaultyFileSystem::LockFolder(const Folder& folder) {
  Check("LockFolder", folder.Path());
  return real_.LockFolder(folder);
}
File FaultyFileSystem::OpenForWriting(const std::string& path) {
  Check("OpenForWriting", path);
  return real_.OpenForWriting(path);
}
File FaultyFileSystem::OpenForReading(const std::string& path) {
  Check("OpenForReading", path);
  return real_.OpenForReading(path);
}
File FaultyFileSystem::CreateFile(const std::string& path) {
  Check("CreateFile", path);
  return real_.CreateFile(path);
}
File FaultyFileSystem::CreateNewFile(const std::string& path) {
  Check("CreateNewFile", path);
  return real_.CreateNewFile(path);
}
std::string FaultyFileSystem::RealPath(const std::string& path) {
  Check("RealPath", path);
  return real_.RealPath(path);
}
FileStatus FaultyFileSystem::Status(const std::string& path) {
  Check("Status", path);
  return real_.Status(path);
}
FileStatus FaultyFileSystem::Status(const File& file) {
  Check("StatusOfFile", file.Path());
  return real_.Status(file);
}
void FaultyFileSystem::WriteAt(const File& file, const void* data, std::size_t size, std::int64_t offset) {
  Check("WriteAt", file.Path());
  real_.WriteAt(file, data, size, offset);
}
void FaultyFileSystem::WriteRepeated(const File& file, const void* block, std::size_t blockSize,
                                     std::int64_t count, std::int64_t offset) {
  Check("WriteRepeated", file.Path());
  real_.WriteRepeated(file, block, blockSize, count, offset);
}
std::size_t FaultyFileSystem::ReadAt(const File& file, void* data, std::size_t size, std::int64_t offset) {
  Check("ReadAt", file.Path());
  return real_.ReadAt(file, data, size, offset);
}
void FaultyFileSystem::Flush(const File& file) {
  Check("Flush", file.Path());
  real_.Flush(file);
}
void FaultyFileSystem::WriteBack(const File& file, std::int64_t offset, std::int64_t length) {
  Check("WriteBack", file.Path());
  real_.WriteBack(file, offset, length);
}
void FaultyFileSystem::FlushFolder(const std::string& path) {
  Check("FlushFolder", path);
  real_.FlushFolder(path);
}
void FaultyFileSystem::SetLength(const File& file, std::int64_t length) {
  Check("SetLength", file.Path());
  real_.SetLength(file, length);
}
void FaultyFileSystem::SetTimes(const File& file, const FileTimes& times) {
  Check("SetTimes", file.Path());
  real_.SetTimes(file, times);
}
WriteLease FaultyFileSystem::TakeWriteLease(const File& file) {
  try {
    Check("TakeWriteLease", file.Path());
  } catch (const PlatformError& error) {
    const bool busy =
        error.number == ErrorNumberFromErrno(EAGAIN) || error.number == ErrorNumberFromErrno(EBUSY);
    return busy ? WriteLease::InUse : WriteLease::Unavailable;
  }
  return real_.TakeWriteLease(file);
}
bool FaultyFileSystem::LeaseBroken(const File& file) {
  try {
    Check("LeaseBroken", file.Path());
  } catch (const PlatformError&) {
    return true;
  }
  return real_.LeaseBroken(file);
}
void FaultyFileSystem::ReleaseLease(const File& file) {
  try {
    Check("ReleaseLease", file.Path());
  } catch (const PlatformError&) {
  }
  real_.ReleaseLease(file);
}
void FaultyFileSystem::SetPermissions(const File& file, std::uint32_t mode, std::uint32_t owner,
                                      std::uint32_t group) {
  Check("SetPermissions", file.Path());
  real_.SetPermissions(file, mode, owner, group);
}
std::vector<platform::NamedStream> FaultyFileSystem::NamedStreams(const File& file) {
  Check("NamedStreams", file.Path());
  return real_.NamedStreams(file);
}
File FaultyFileSystem::OpenNamedStream(const File& file, const std::string& stream) {
  Check("OpenNamedStream", file.Path() + ":" + stream);
  return real_.OpenNamedStream(file, stream);
}
bool FaultyFileSystem::Decompress(const File& file) {
  Check("Decompress", file.Path());
  return real_.Decompress(file);
}
std::vector<platform::ByteRange> FaultyFileSystem::AllocatedRanges(const File& file, std::int64_t length) {
  Check("AllocatedRanges", file.Path());
  return real_.AllocatedRanges(file, length);
}
void FaultyFileSystem::Remove(const std::string& path) {
  Check("Remove", path);
  real_.Remove(path);
}
void FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  Check("Rename", from);
  Check("RenameTo", to);
  real_.Rename(from, to);
}
void FaultyFileSystem::MakeFolder(const std::string& path) {
  Check("MakeFolder", path);
  real_.MakeFolder(path);
}
std::string FaultyFileSystem::VolumeOf(const std::string& path) {
  Check("VolumeOf", path);
  if (!volumes_.empty()) {
    std::string best;
    for (const Volume& volume : volumes_) {
      if (path.rfind(volume.mountPoint, 0) == 0 && volume.mountPoint.size() > best.size())
        best = volume.mountPoint;
    }
    if (!best.empty()) return best;
  }
  return real_.VolumeOf(path);
}
std::vector<Volume> FaultyFileSystem::Volumes() {
  Check("Volumes", "");
  return volumes_.empty() ? real_.Volumes() : volumes_;
}
DiskSpace FaultyFileSystem::QueryDisk(const std::string& volume) {
  Check("QueryDisk", volume);
  return disk_ ? disk_(volume) : real_.QueryDisk(volume);
}
VolumeClass FaultyFileSystem::ClassifyVolume(const std::string& path) {
  Check("ClassifyVolume", path);
  if (classify_) return classify_(path);
  const Volume* best = nullptr;
  for (const Volume& volume : volumes_) {
    if (path.rfind(volume.mountPoint, 0) == 0 &&
        (best == nullptr || volume.mountPoint.size() > best->mountPoint.size()))
      best = &volume;
  }
  if (best == nullptr) return {VolumeOf(path), "", "", {}};
  return {best->mountPoint, best->fileSystemType, best->device,
          ResidueKindsOf(best->fileSystemType, best->options, best->flash)};
}
platform::FileRecordTable FaultyFileSystem::FileRecords(const std::string& volume) {
  Check("FileRecords", volume);
  return records_ ? records_(volume) : real_.FileRecords(volume);
}
std::vector<std::string> FaultyFileSystem::SwapFiles() {
  Check("SwapFiles", "");
  return swapFiles_.empty() ? real_.SwapFiles() : swapFiles_;
}
std::string FaultyFileSystem::ProgramFolder() {
  return programFolder_ ? *programFolder_ : real_.ProgramFolder();
}
std::string FaultyFileSystem::UserDataFolder() {
  return userDataFolder_.empty() ? real_.UserDataFolder() : userDataFolder_;
}
std::string FaultyFileSystem::HomeFolder() {
  return real_.HomeFolder();
}

}  // namespace nulvane::testing
