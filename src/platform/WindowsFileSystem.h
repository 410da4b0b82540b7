#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace nulvane::platform {

// The file system through the wide-character Windows API. A path the user names is made absolute and
// normalised by name ("." and ".." resolved, "/" taken as "\"), then used in its "\\?\" form, so that long
// paths work and no name is changed by the system's own clean-up (trailing dots and blanks are kept); what
// it opens is checked to lie at exactly that path, so a path that passes through a link is refused. Below a
// folder a walk holds, every name is opened relative to the folder's handle (NtCreateFile with the folder as
// the root of the name): one name, which passes through nothing, and a reparse point (junction, symbolic
// link, mount point) opened as itself, never followed; so neither a junction nor a rename during a run can
// send a purge elsewhere.
class WindowsFileSystem final : public FileSystem {
 public:
  WindowsFileSystem();
  WindowsFileSystem(const WindowsFileSystem&) = delete;
  WindowsFileSystem& operator=(const WindowsFileSystem&) = delete;

  FolderHandle OpenFolder(const std::string& path) override;
  FolderHandle OpenSubfolder(const Folder& parent, const std::string& name) override;
  std::vector<DirEntry> List(const Folder& folder, bool withSizes) override;
  FileStatus StatusAt(const Folder& folder, const std::string& name) override;
  File OpenForWritingAt(const Folder& folder, const std::string& name) override;
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
  void SetPermissions(const File&, std::uint32_t, std::uint32_t, std::uint32_t) override {}
  std::vector<NamedStream> NamedStreams(const File& file) override;
  File OpenNamedStream(const File& file, const std::string& stream) override;
  bool Decompress(const File& file) override;
  std::vector<ByteRange> AllocatedRanges(const File& file, std::int64_t length) override;
  void Remove(const std::string& path) override;
  void Rename(const std::string& from, const std::string& to) override;
  void MakeFolder(const std::string& path) override;
  std::string VolumeOf(const std::string& path) override;
  std::vector<Volume> Volumes() override;
  DiskSpace QueryDisk(const std::string& volume) override;
  VolumeClass ClassifyVolume(const std::string& path) override;
  FileRecordTable FileRecords(const std::string& volume) override;
  std::vector<std::string> SwapFiles() override;
  std::string ProgramFolder() override;
  std::string UserDataFolder() override;
  std::string HomeFolder() override;

 private:
  std::string programFolder_;
};

// The absolute, normalised form of a path as this file system uses it ("C:\Data\x.txt"); a drive alone
// ("C:") is its root folder, as the program names drives (a path the user typed goes through AbsolutePath
// first, which reads "C:" as the drive's working folder). Throws PlatformError for a name that cannot be a
// Windows path, and for volume and object paths ("\\?\Volume{...}", "\\?\GLOBALROOT\...").
std::string NormalisedPath(const std::string& path);

// What overwriting in place may not reach on a drive, from what the system tells of it: its drive type
// (GetDriveType), its file system ("NTFS", "ReFS"), whether its disk has no seek penalty (flash) and how many
// shadow copies the Volume Shadow Copy Service keeps of it (-1: it could not be asked).
std::vector<ResidueKind> ResidueKindsOfDrive(DriveType type, const std::string& fileSystemType, bool flash,
                                             int shadowCopies);

// The page files that `PagingFiles` (the system's list: "C:\pagefile.sys 1024 4096", "?:\pagefile.sys")
// names: "?:" stands for every fixed drive. The first fixed drive's pagefile.sys and swapfile.sys are always
// among them.
std::vector<std::string> PageFilesOf(const std::vector<std::string>& pagingFiles,
                                     const std::vector<std::string>& fixedDrives);

}  // namespace nulvane::platform
