#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/SystemFileSystem.h"

namespace nulvane::testing {

// The real file system with failures injected on request. Operations are named after the FileSystem
// methods ("OpenForWriting", "WriteRepeated", "Flush", "Remove", "ListFolder", "QueryDisk", ...).
// A fault matches an operation whose path (or the open file's path) contains `pathContains`, and follows
// the file when the program renames it (RenameAt).
// The purge's worker threads may call it: faults, counts and the hook are taken one call at a time.
class FaultyFileSystem : public platform::FileSystem {
 public:
  struct Fault {
    std::string operation;
    std::string pathContains;
    int error = 5;   // errno to fail with (EIO unless told)
    int skip = 0;    // let this many matching calls through first
    int times = -1;  // fail this many times, -1 forever
  };

  void Inject(Fault fault) {
    const std::lock_guard lock(mutex_);
    faults_.push_back(std::move(fault));
  }
  // Runs before every operation (and before its faults), with the operation's name and path: a test stages
  // a race here, such as a folder swapped for a link between the listing and the opening of a file.
  using Hook = std::function<void(const std::string& operation, const std::string& path)>;
  void SetHook(Hook hook) {
    const std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
  }
  void ClearFaults() {
    const std::lock_guard lock(mutex_);
    faults_.clear();
  }
  // Counts of calls per operation, for tests that check what was (not) done.
  int Calls(const std::string& operation) const;
  // Volumes reported instead of the real ones, when set.
  void OverrideVolumes(std::vector<platform::Volume> volumes) { volumes_ = std::move(volumes); }
  void OverrideDisk(std::function<platform::DiskSpace(const std::string&)> disk) { disk_ = std::move(disk); }
  // What ClassifyVolume reports, when set: volumes of another system (NTFS with its shadow copies, say).
  void OverrideClassification(std::function<platform::VolumeClass(const std::string&)> classify) {
    classify_ = std::move(classify);
  }
  // What FileRecords reports, when set: an NTFS file table.
  void OverrideFileRecords(std::function<platform::FileRecordTable(const std::string&)> records) {
    records_ = std::move(records);
  }
  // An empty folder: the executable's folder cannot be told, as without /proc.
  void OverrideProgramFolder(std::string folder) { programFolder_ = std::move(folder); }
  void OverrideSwapFiles(std::vector<std::string> files) { swapFiles_ = std::move(files); }
  void OverrideUserDataFolder(std::string folder) { userDataFolder_ = std::move(folder); }
  // Whether removed names stay in a folder's freed entries, and the journal, as a file system would tell.
  // Unless told, as a file system that wipes removed entries and tells of no journal, whatever disks the
  // machine has, so every machine runs the tests alike.
  void OverrideFreedEntriesKeepNames(bool keep) { freedEntriesKeepNames_ = keep; }
  // What the open file holds now, read through this file system.
  std::string ContentOf(const platform::File& file);
  void OverrideJournal(std::function<std::optional<platform::JournalUse>(const platform::Folder&)> journal) {
    journal_ = std::move(journal);
  }

  // Calls on a held folder are named and matched as the path calls were: "ListFolder" (List), "Status"
  // (StatusAt), "OpenForWriting", "CreateNewFile", "CreateUnnamedFile", "SetAttributes" (by name and on an
  // open file), "Remove" (RemoveFileAt), "Rename" and "RenameTo" (RenameAt: the old name, then the new
  // one), "MakeEmptyFile", "MakeFolder", "RemoveFolder", "FlushVolume"; "OpenFolder" and "OpenSubfolder"
  // open folders. The path matched is the folder's path followed by the name.
  platform::FolderHandle OpenFolder(const std::string& path) override;
  platform::FolderHandle OpenSubfolder(const platform::Folder& parent, const std::string& name) override;
  std::vector<platform::DirEntry> List(const platform::Folder& folder, bool withSizes) override;
  platform::FileStatus StatusAt(const platform::Folder& folder, const std::string& name) override;
  platform::File OpenForWritingAt(const platform::Folder& folder, const std::string& name) override;
  platform::File CreateNewFileAt(const platform::Folder& folder, const std::string& name) override;
  platform::File CreateUnnamedFile(const platform::Folder& folder) override;
  void SetAttributesAt(const platform::Folder& folder, const std::string& name,
                       const platform::FileAttributes& attributes) override;
  void SetAttributes(const platform::File& file, const platform::FileAttributes& attributes) override;
  bool RemoveFileAt(const platform::Folder& folder, const std::string& name,
                    const platform::FileIdentity* expected, platform::File* open) override;
  bool RenameAt(const platform::Folder& folder, const std::string& from, const std::string& to,
                const platform::FileIdentity* expected, platform::File* open) override;
  void MakeEmptyFileAt(const platform::Folder& folder, const std::string& name) override;
  bool FreedEntriesKeepNames(const platform::Folder& folder) override;
  std::optional<platform::JournalUse> JournalOf(const platform::Folder& folder) override;
  platform::FolderHandle MakeFolderAt(const platform::Folder& parent, const std::string& name) override;
  bool RemoveFolderAt(const platform::Folder& parent, const std::string& name,
                      const platform::FileIdentity* expected) override;
  void FlushVolume(const platform::Folder& folder) override;
  platform::File LockFolder(const platform::Folder& folder) override;

  platform::File OpenForWriting(const std::string& path) override;
  platform::File OpenForReading(const std::string& path) override;
  platform::File CreateFile(const std::string& path) override;
  platform::File CreateNewFile(const std::string& path) override;
  std::string RealPath(const std::string& path) override;
  platform::FileStatus Status(const std::string& path) override;
  platform::FileStatus Status(const platform::File& file) override;
  void WriteAt(const platform::File& file, const void* data, std::size_t size, std::int64_t offset) override;
  void WriteRepeated(const platform::File& file, const void* block, std::size_t blockSize, std::int64_t count,
                     std::int64_t offset) override;
  std::size_t ReadAt(const platform::File& file, void* data, std::size_t size, std::int64_t offset) override;
  void Flush(const platform::File& file) override;
  void WriteBack(const platform::File& file, std::int64_t offset, std::int64_t length) override;
  void FlushFolder(const std::string& path) override;
  void SetLength(const platform::File& file, std::int64_t length) override;
  void SetTimes(const platform::File& file, const platform::FileTimes& times) override;
  // A fault injected here stands for the system's answer: EAGAIN (or EBUSY) another open, any other error
  // no lease to be had.
  platform::WriteLease TakeWriteLease(const platform::File& file) override;
  // A fault injected here stands for another program's open: the lease reads as broken.
  bool LeaseBroken(const platform::File& file) override;
  void ReleaseLease(const platform::File& file) override;
  void SetPermissions(const platform::File& file, std::uint32_t mode, std::uint32_t owner,
                      std::uint32_t group) override;
  std::vector<platform::NamedStream> NamedStreams(const platform::File& file) override;
  platform::File OpenNamedStream(const platform::File& file, const std::string& stream) override;
  bool Decompress(const platform::File& file) override;
  std::vector<platform::ByteRange> AllocatedRanges(const platform::File& file, std::int64_t length) override;
  void Remove(const std::string& path) override;
  void Rename(const std::string& from, const std::string& to) override;
  void MakeFolder(const std::string& path) override;
  std::string VolumeOf(const std::string& path) override;
  std::vector<platform::Volume> Volumes() override;
  platform::DiskSpace QueryDisk(const std::string& volume) override;
  // The kinds follow the overriding volumes (type, options, flash). Paths on the machine's own disks are
  // classified as having no residue, whatever disks the machine has, so every machine runs the tests alike.
  platform::VolumeClass ClassifyVolume(const std::string& path) override;
  platform::FileRecordTable FileRecords(const std::string& volume) override;
  std::vector<std::string> SwapFiles() override;
  std::string ProgramFolder() override;
  std::string UserDataFolder() override;
  std::string HomeFolder() override;

 protected:
  // Throws the injected error when a fault matches.
  void Check(const std::string& operation, const std::string& path);

 private:
  platform::SystemFileSystem real_;
  mutable std::recursive_mutex mutex_;
  std::vector<Fault> faults_;
  Hook hook_;
  std::vector<std::pair<std::string, int>> calls_;
  std::vector<platform::Volume> volumes_;
  std::function<platform::DiskSpace(const std::string&)> disk_;
  std::function<platform::VolumeClass(const std::string&)> classify_;
  std::function<platform::FileRecordTable(const std::string&)> records_;
  std::optional<std::string> programFolder_;
  std::vector<std::string> swapFiles_;
  std::string userDataFolder_;
  bool freedEntriesKeepNames_ = false;
  std::function<std::optional<platform::JournalUse>(const platform::Folder&)> journal_;
};

}  // namespace nulvane::testing
