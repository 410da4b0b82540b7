#pragma once

#include "platform/FileSystem.h"

namespace nulvane::platform {

// One mounted file system of /proc/self/mountinfo.
struct MountEntry {
  std::string mountPoint;
  std::string fileSystemType;
  std::string device;
  std::string deviceNumber;  // "8:1"; major 0 for file systems without a block device
  std::string options;       // the file system's own options ("rw,data=journal")
};

class PosixFileSystem final : public FileSystem {
 public:
  // Raises the soft limit on open files to the hard one (once for the program): walks hold a descriptor per
  // folder level.
  PosixFileSystem();
  ~PosixFileSystem() override;
  PosixFileSystem(const PosixFileSystem&) = delete;
  PosixFileSystem& operator=(const PosixFileSystem&) = delete;

  // Tests: resolve paths folder by folder, and open names in a folder with openat and a look at the mount
  // afterwards, as on a kernel without openat2.
  static void UseComponentWalkOnly(bool only);

  FolderHandle OpenFolder(const std::string& path) override;
  FolderHandle OpenSubfolder(const Folder& parent, const std::string& name) override;
  std::vector<DirEntry> List(const Folder& folder, bool withSizes) override;
  std::vector<DirEntry> ListNames(const Folder& folder) override;
  FileStatus StatusAt(const Folder& folder, const std::string& name) override;
  File OpenForWritingAt(const Folder& folder, const std::string& name) override;
  File OpenAndLeaseAt(const Folder& folder, const std::string& name, WriteLease& lease,
                      FileStatus& status) override;
  File CreateNewFileAt(const Folder& folder, const std::string& name) override;
  File CreateUnnamedFile(const Folder& folder) override;
  void SetAttributesAt(const Folder& folder, const std::string& name,
                       const FileAttributes& attributes) override;
  void SetAttributes(const File& file, const FileAttributes& attributes) override;
  bool RemoveFileAt(const Folder& folder, const std::string& name, const FileIdentity* expected,
                    File* open) override;
  bool RenameAt(const Folder& folder, const std::string& from, const std::string& to,
                const FileIdentity* expected, File* open) override;
  void MakeEmptyFileAt(const Folder& folder, const std::string& name) override;
  bool FreedEntriesKeepNames(const Folder& folder) override;
  std::optional<JournalUse> JournalOf(const Folder& folder) override;
  FolderHandle MakeFolderAt(const Folder& parent, const std::string& name) override;
  bool RemoveFolderAt(const Folder& parent, const std::string& name, const FileIdentity* expected) override;
  void FlushVolume(const Folder& folder) override;
  File LockFolder(const Folder& folder) override;

  File OpenForWriting(const std::string& path) override;
  File OpenForReading(const std::string& path) override;
  File CreateFile(const std::string& path) override;
  File CreateNewFile(const std::string& path) override;
  std::string RealPath(const std::string& path) override;
  FileStatus Status(const std::string& path) override;
  FileStatus Status(const File& file) override;
  void WriteAt(const File& file, const void* data, std::size_t size, std::int64_t offset) override;
  void WriteRepeated(const File& file, const void* block, std::size_t blockSize, std::int64_t count,
                     std::int64_t offset) override;
  std::size_t ReadAt(const File& file, void* data, std::size_t size, std::int64_t offset) override;
  void Flush(const File& file) override;
  void WriteBack(const File& file, std::int64_t offset, std::int64_t length) override;
  void FlushFolder(const std::string& path) override;
  void SetLength(const File& file, std::int64_t length) override;
  void SetTimes(const File& file, const FileTimes& times) override;
  WriteLease TakeWriteLease(const File& file) override;
  bool LeaseBroken(const File& file) override;
  void ReleaseLease(const File& file) override;
  void SetPermissions(const File& file, std::uint32_t mode, std::uint32_t owner,
                      std::uint32_t group) override;
  // A POSIX file is one plain run of bytes: no named streams, nothing stored compressed for the program to
  // undo, and its holes are written like the rest.
  std::vector<NamedStream> NamedStreams(const File&) override { return {}; }
  File OpenNamedStream(const File& file, const std::string& stream) override;
  bool Decompress(const File&) override { return false; }
  std::vector<ByteRange> AllocatedRanges(const File&, std::int64_t length) override;
  void Remove(const std::string& path) override;
  void Rename(const std::string& from, const std::string& to) override;
  void MakeFolder(const std::string& path) override;
  std::string VolumeOf(const std::string& path) override;
  std::vector<Volume> Volumes() override;
  DiskSpace QueryDisk(const std::string& volume) override;
  VolumeClass ClassifyVolume(const std::string& path) override;
  FileRecordTable FileRecords(const std::string&) override { return {}; }
  std::vector<std::string> SwapFiles() override;
  std::string ProgramFolder() override;
  std::string UserDataFolder() override;
  std::string HomeFolder() override;

 private:
  // The mount table, read again only when the system reports a mount or unmount since the last reading:
  // every file of a walk asks for its volume, and the table rarely changes.
  const std::vector<MountEntry>& Mounts();

  int mountInfoDescriptor_ = -1;
  bool mountsRead_ = false;
  std::vector<MountEntry> mounts_;
  std::string programFolder_;
};

// Parses the text of /proc/self/mountinfo into every mounted file system (pseudo ones included).
std::vector<MountEntry> ParseMountInfo(const std::string& text);
// Whether a file-system type is a pseudo file system that is not offered as a drive.
bool IsPseudoFileSystem(const std::string& type);
// Whether a mount point belongs to the system itself (/dev, /proc, /sys, /run) and is not offered as a drive.
bool IsSystemMountPoint(const std::string& mountPoint);
DriveType DriveTypeOf(const std::string& fileSystemType, bool removableDevice);
// Parses the text of /proc/swaps into the paths of the swap files.
std::vector<std::string> ParseSwaps(const std::string& text);

}  // namespace nulvane::platform
