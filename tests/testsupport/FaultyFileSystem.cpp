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
File FaultyFileSystem::CreateUnnamedFile(const std::string& folder) {
  Check("CreateUnnamedFile", folder);
  return real_.CreateUnnamedFile(folder);
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
FileAttributes FaultyFileSystem::Attributes(const std::string& path) {
  Check("Attributes", path);
  return real_.Attributes(path);
}
void FaultyFileSystem::SetReadOnly(const std::string& path, bool readOnly) {
  Check("SetReadOnly", path);
  real_.SetReadOnly(path, readOnly);
}
void FaultyFileSystem::SetAttributes(const std::string& path, const FileAttributes& attributes) {
  Check("SetAttributes", path);
  real_.SetAttributes(path, attributes);
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
void FaultyFileSystem::FlushVolume(const std::string& folder) {
  Check("FlushVolume", folder);
  real_.FlushVolume(folder);
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
void FaultyFileSystem::Remove(const std::string& path) {
  Check("Remove", path);
  real_.Remove(path);
}
void FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  Check("Rename", from);
  Check("RenameTo", to);
  real_.Rename(from, to);
}
std::vector<DirEntry> FaultyFileSystem::ListFolder(const std::string& path) {
  Check("ListFolder", path);
  return real_.ListFolder(path);
}
std::vector<DirEntry> FaultyFileSystem::ListFolderWithSizes(const std::string& path) {
  Check("ListFolder", path);
  return real_.ListFolderWithSizes(path);
}
void FaultyFileSystem::MakeFolder(const std::string& path) {
  Check("MakeFolder", path);
  real_.MakeFolder(path);
}
void FaultyFileSystem::RemoveFolder(const std::string& path) {
  Check("RemoveFolder", path);
  real_.RemoveFolder(path);
}
platform::File FaultyFileSystem::LockFolder(const std::string& path) {
  Check("LockFolder", path);
  return real_.LockFolder(path);
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
