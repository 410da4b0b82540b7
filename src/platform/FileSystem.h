#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/File.h"
#include "platform/FileStorage.h"
#include "platform/Folder.h"

namespace nulvane::platform {

// Borders that a walk meets below the folder it was given, and never crosses, as it never follows a link:
// MountPoint, a folder that is the root of a mount (another file system, or a bind mount of any folder,
// even one of the same file system); MountedFile, a file that is the root of a mount (another file bound
// onto this name); Subvolume, a folder that is a file system of its own inside the same mount (a btrfs
// subvolume). Only Regular files are ever purged; every other kind is left alone and reported as what it is.
enum class FileKind {
  Missing,
  Regular,
  Directory,
  Symlink,
  Pipe,
  Socket,
  Device,
  Other,
  MountPoint,
  MountedFile,
  Subvolume
};

// A point in time as seconds and nanoseconds since the Unix epoch.
struct FileTime {
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  friend bool operator==(const FileTime&, const FileTime&) = default;
};

// The times that can be read and restored. Windows keeps all three; POSIX systems cannot set a file's birth
// time, so `creation` stays zero there and is left alone. A zero time is never written.
struct FileTimes {
  FileTime access;
  FileTime modification;
  FileTime creation;
  friend bool operator==(const FileTimes&, const FileTimes&) = default;
};

// The file attributes. On Windows they are the file's own; on POSIX systems read-only = the owner may not
// write, hidden = the name begins with ".", and there is no system attribute.
struct FileAttributes {
  bool readOnly = false;
  bool hidden = false;
  bool system = false;
};

// What lstat (for a path) or fstat (for an open file) reports. A symbolic link is never followed.
// On Windows `device` is the volume's serial number and `inode` the file's index on it: together they name
// one file, whatever path reaches it.
struct FileStatus {
  FileKind kind = FileKind::Missing;
  std::int64_t size = 0;
  std::uint32_t mode = 0;  // permission bits
  FileTimes times;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  // Names the file has: above 1, a hard link elsewhere (perhaps outside the target) shows the same bytes.
  std::uint64_t linkCount = 0;
  // Hidden from the name the path or the open file has, so a purge that has the file open needs no second
  // look by name.
  FileAttributes attributes;
  // The owning user and group (0 on Windows, where files have no such numbers).
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  // Of a regular file: its named streams, compression, sparseness and encryption (Windows only).
  FileStorage storage;

  FileIdentity Identity() const { return {device, inode}; }
};

struct DirEntry {
  std::string name;
  FileKind kind = FileKind::Other;  // of the entry itself; links are reported as Symlink
  // Bytes of a regular file, read by List with sizes only: all of its data, its named streams too.
  std::int64_t size = 0;
};

// Drive types as the program numbers them.
enum class DriveType { Unknown = 0, Removable = 1, Fixed = 2, Network = 3, CdRom = 4, RamDisk = 5 };

// A mounted file system that counts as a drive (pseudo file systems are left out).
struct Volume {
  std::string mountPoint;  // e.g. "/" or "/home"; on Windows the drive, "C:"
  std::string device;
  std::string fileSystemType;
  std::string volumeName;  // label, empty when unknown
  DriveType type = DriveType::Unknown;
  std::string options;  // the file system's own mount options, "rw,data=journal"
  bool flash = false;   // the block device under it does not rotate (queue/rotational is 0)
};

// Why overwriting a file in place may not reach every copy of its data on a volume.
enum class ResidueKind {
  CopyOnWrite,    // btrfs, zfs, bcachefs: changed data goes to new blocks; the old ones stay until reused
  LogStructured,  // f2fs, nilfs2: every write is appended to a log
  DataJournal,    // ext3 or ext4 mounted with data=journal: file data passes through the journal first
  Network,        // nfs, cifs, sshfs ...: the server decides where the bytes land
  UserSpace,      // other fuse file systems: a program decides where the bytes land
  Memory,         // tmpfs, ramfs: the memory may have been written to swap
  // NTFS keeps names, small files' whole contents and named streams in its file records, names also in its
  // folder indexes and change journal; a deleted file's record keeps what it held until it is reused.
  NtfsRecords,
  // Windows keeps shadow copies of the volume: the first write to a block copies what it held there.
  ShadowCopies,
  // NTFS or ReFS on a fixed drive, where the shadow copies could not be counted.
  MayHaveShadowCopies,
  Flash,  // wear levelling may keep old cells that no program can reach
};

// The volume that holds a path and what overwriting in place may not reach there: nothing when `kinds` is
// empty. Flash, when present, comes last.
struct VolumeClass {
  std::string mountPoint;
  std::string fileSystemType;
  std::string device;
  std::vector<ResidueKind> kinds;
  int shadowCopies = 0;  // how many, with ShadowCopies
};

// Whether anyone else can write to a file opened for writing while the purge holds it.
enum class WriteLease {
  // Nobody else has the file open, and nobody can write to it unseen until it is released or closed: on
  // Linux a write lease (another open waits for its release and shows as LeaseBroken), on Windows the
  // sharing mode the file was opened with.
  Held,
  // Another program (or another descriptor of this one) has the file open.
  InUse,
  // The system grants no lease here (another owner's file without the right to lease it, a network file
  // system): only the file's length on the descriptor tells of another writer.
  Unavailable,
};

// The journal (log) of the file system that holds a folder, as far as the system tells: what it holds, and
// how much has been written to it since the volume was mounted. The journal is written round and round, so
// once `written` has grown by `size`, every record it held before (copies of changed folders, with the names
// of deleted files in them) has been written over.
struct JournalUse {
  std::int64_t size = 0;     // bytes; the most it may hold where the system tells only a bound
  std::int64_t written = 0;  // bytes, counted from an arbitrary start
};

struct DiskSpace {
  std::int64_t clusterSize = 0;  // bytes per allocation unit
  double freeBytes = 0;          // available to the current user
  double totalBytes = 0;         // 0: the file system does not tell its size (nor its free space)
  // Free space that the current user cannot fill, as far as the file system tells (0 where it keeps none or
  // does not say): the part kept for the administrator, who may fill it (`administrator`: the program runs
  // as one), and what the file system keeps back for its own use, which no program can fill: ext4's
  // reserved clusters, xfs's reserve pool, the room btrfs keeps for its own records. Either may hold what
  // deleted files left.
  double administratorReserveBytes = 0;
  double fileSystemReserveBytes = 0;
  // The file system's reserve is the size it would have by default: the real one is for the administrator
  // to read.
  bool fileSystemReserveEstimated = false;
  bool administrator = false;
};

// The file system as the program reaches it. The real implementations are PosixFileSystem and
// WindowsFileSystem (SystemFileSystem.h names the one of the build); tests wrap it to inject failures. Every
// failure is thrown as PlatformError unless a method says otherwise.
//
// Walks speak in folder handles: a walk opens the folder the user chose once (OpenFolder, after RealPath of
// what the user typed), each subfolder relative to its parent's handle (OpenSubfolder), and lists, looks
// at, opens, changes and removes entries by their names in the folder it holds. No whole path is resolved
// again below the chosen folder, so neither a link nor a rename, nor an exchange of any folder mid-run, can
// send a walk elsewhere, and no path grows too long to be opened however deep a tree goes (a walk holds one
// handle per level; the soft limit on open files is raised to the hard one). Names given with a folder are
// single entries (IsEntryName): a separator, "." or ".." is refused.
//
// A mount is a border by identity, not by device number: what is the root of a mount below the folder a
// walk was given (a bind mount of the same file system included, a file bound onto a file included), and a
// subvolume, is reported as such by List and StatusAt, and never opened, written or removed through a name.
//
// The calls that take a whole path are for what the user names (a folder or file chosen, a setup file, the
// report file) and the program's own files. No method follows a symbolic link in any component of a path
// (a trailing separator, "..", doubled separators) or of a name: a path that passes through a link fails,
// and a link as the last component is reported as the link itself. A path the user chooses, which may lie
// behind a link (a home folder reached through one, say), is resolved once with RealPath and the program
// works below it. On Windows every junction, symbolic link or other reparse point counts as a link, and
// paths are UTF-8.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // --- folders held by walks
  // Opens a folder for a walk: one the user chose (resolved with RealPath), or one of the program's own.
  // The folder may itself be the root of a mount.
  virtual FolderHandle OpenFolder(const std::string& path) = 0;
  // Opens a subfolder of a held folder. Refused when the name is a link (or anything but a folder), and with
  // EXDEV when it is the root of a mount or a subvolume.
  virtual FolderHandle OpenSubfolder(const Folder& parent, const std::string& name) = 0;
  // The entries of the folder in the order the system delivers them, without "." and "..". A subfolder that
  // is the root of a mount is reported as a MountPoint, one that is a subvolume as a Subvolume. With
  // `withSizes`, each regular file is looked at for its size (and a file bound onto it is reported as a
  // MountedFile); without, files are not looked at one by one.
  virtual std::vector<DirEntry> List(const Folder& folder, bool withSizes = false) = 0;
  // The same entries with the kinds the listing itself gives, nothing looked at one by one: a subfolder that
  // is the root of a mount or a subvolume shows as a Directory here (entering it is refused all the same).
  // For counts and checks that enter nothing on the strength of a kind: a folder of many subfolders is read
  // at the cost of its listing alone.
  virtual std::vector<DirEntry> ListNames(const Folder& folder) { return List(folder); }
  // The entry as it is (a link not followed); kind Missing (no error) when nothing of that name exists.
  // Mount roots and subvolumes come back as MountPoint, MountedFile and Subvolume.
  virtual FileStatus StatusAt(const Folder& folder, const std::string& name) = 0;
  // Opens an existing regular file of the folder for reading and writing, without truncating it; a link,
  // a file bound onto the name (EXDEV) or anything but a regular file is refused.
  virtual File OpenForWritingAt(const Folder& folder, const std::string& name) = 0;
  // What a purge does first, in as few calls as the system allows: opens the file as OpenForWritingAt does,
  // takes the write lease on it (TakeWriteLease) and then reads its status from the open file.
  virtual File OpenAndLeaseAt(const Folder& folder, const std::string& name, WriteLease& lease,
                              FileStatus& status) {
    File file = OpenForWritingAt(folder, name);
    lease = TakeWriteLease(file);
    status = Status(file);
    return file;
  }
  // Creates a regular file that does not exist yet; fails (EEXIST) when anything has that name already.
  virtual File CreateNewFileAt(const Folder& folder, const std::string& name) = 0;
  // A regular file without a name in the folder, open for writing: it vanishes with its descriptor, even
  // when the program ends abruptly. Throws where the file system cannot make one (EOPNOTSUPP, EISDIR).
  virtual File CreateUnnamedFile(const Folder& folder) = 0;
  // Sets the read-only, hidden and system attributes of an entry as given, as far as the platform keeps
  // them (on POSIX systems only read-only, through a descriptor of the file itself: a name's leading dot is
  // not an attribute to change). A link is left as it is; its target is never touched.
  virtual void SetAttributesAt(const Folder& folder, const std::string& name,
                               const FileAttributes& attributes) = 0;
  // The same for a file that is open.
  virtual void SetAttributes(const File& file, const FileAttributes& attributes) = 0;
  // Removes the entry `name` (a file, or a link itself), only while it is still `expected` when that is
  // given: false, and nothing removed, when the name has come to name another file. The file itself may be
  // given as `open` while it is still open (as OpenForWritingAt opened it): on Windows it is then deleted
  // through that handle, with its named streams, so nobody can open it between its last write and its
  // deletion and keep it (and its name goes at once where the system allows); the handle is closed. Throws
  // (53) when nothing has that name.
  virtual bool RemoveFileAt(const Folder& folder, const std::string& name, const FileIdentity* expected,
                            File* open = nullptr) = 0;
  // Gives the entry `from` the name `to` in the same folder, only while `from` is still `expected` when that
  // is given: false, and nothing renamed, when it has come to name another file. Never replaces anything:
  // fails with EEXIST when `to` names anything, and where the file system cannot rename without the risk
  // of replacing (a driver that refuses the system's no-replace flag fails with EINVAL), nothing is renamed.
  // The file itself may be given as `open` while it is still open (as OpenForWritingAt opened it): on
  // Windows it is then renamed through that handle where it has the right to, else closed first.
  virtual bool RenameAt(const Folder& folder, const std::string& from, const std::string& to,
                        const FileIdentity* expected, File* open = nullptr) = 0;
  // Creates an empty regular file without keeping it open; fails (EEXIST) when anything has that name.
  virtual void MakeEmptyFileAt(const Folder& folder, const std::string& name) = 0;
  // Whether the name of an entry removed from the folder stays in the folder's freed entries until a new
  // entry takes its place (FAT, exFAT, NTFS, xfs): false where the file system wipes a removed entry itself
  // (ext4) or writes changed folders to new places (copy-on-write), or keeps them in memory.
  virtual bool FreedEntriesKeepNames(const Folder& folder) = 0;
  // The journal of the file system that holds the folder; nothing where the system does not tell.
  virtual std::optional<JournalUse> JournalOf(const Folder& folder) = 0;
  // Creates the subfolder and opens it.
  virtual FolderHandle MakeFolderAt(const Folder& parent, const std::string& name) = 0;
  // Removes the empty subfolder `name`, only while it is still `expected` when that is given: false, and
  // nothing removed, when the name has come to name another folder. Throws (53) when nothing has that name.
  virtual bool RemoveFolderAt(const Folder& parent, const std::string& name,
                              const FileIdentity* expected) = 0;
  // Forces everything of the file system that holds the folder to the device: the space of deleted files is
  // then free for others at once, also where the file system frees it only when it next commits (btrfs).
  virtual void FlushVolume(const Folder& folder) = 0;
  // Takes a lock on the folder for as long as the returned file stays open, so that another run of the
  // program can tell that the folder is in use: a lock that another process holds already fails with
  // EWOULDBLOCK.
  virtual File LockFolder(const Folder& folder) = 0;

  // --- files the user names, and the program's own
  // Opens an existing regular file for reading and writing, without truncating it and without following a
  // symbolic link in its last component (a link gives an error).
  virtual File OpenForWriting(const std::string& path) = 0;
  virtual File OpenForReading(const std::string& path) = 0;
  // Creates (or truncates) a regular file for writing; a symbolic link is not followed.
  virtual File CreateFile(const std::string& path) = 0;
  // Creates a regular file that does not exist yet; fails (EEXIST) when anything has that name already.
  virtual File CreateNewFile(const std::string& path) = 0;

  // The absolute path with every link, ".", ".." and doubled separator resolved; throws when the path does
  // not exist. Only for paths the user chooses: everything below such a path is reached without links.
  virtual std::string RealPath(const std::string& path) = 0;

  // lstat of the path; kind Missing (no error) when nothing of that name exists.
  virtual FileStatus Status(const std::string& path) = 0;
  virtual FileStatus Status(const File& file) = 0;

  virtual void WriteAt(const File& file, const void* data, std::size_t size, std::int64_t offset) = 0;
  // Writes `count` copies of the block one after another from `offset`, in few system calls.
  virtual void WriteRepeated(const File& file, const void* block, std::size_t blockSize, std::int64_t count,
                             std::int64_t offset) = 0;
  // Reads up to `size` bytes; returns how many were read (0 at the end).
  virtual std::size_t ReadAt(const File& file, void* data, std::size_t size, std::int64_t offset) = 0;
  // Forces the file's data to the device.
  virtual void Flush(const File& file) = 0;
  // Starts writing the range just written to the device and waits for what was written a bounded window
  // before it: a long run of writes then keeps little data waiting in memory, so the Flush that ends it is
  // short. Does nothing where the system offers no such thing; a failure to write is thrown as Flush's is.
  virtual void WriteBack(const File& file, std::int64_t offset, std::int64_t length) = 0;
  // Forces the folder's own entries (a file created, renamed or removed in it) to the device.
  virtual void FlushFolder(const std::string& path) = 0;
  virtual void SetLength(const File& file, std::int64_t length) = 0;
  virtual void SetTimes(const File& file, const FileTimes& times) = 0;
  // Takes the write lease on a file opened for writing; never throws. Take it before the file's length is
  // read: while it is held, the length and contents change only by this program's own writes.
  virtual WriteLease TakeWriteLease(const File& file) = 0;
  // Whether someone has opened the file since the lease was taken (asked only while it is Held). Their open
  // waits until the lease is released (on Linux for at most the system's lease break time, 45 seconds by
  // default), so release it at once.
  virtual bool LeaseBroken(const File& file) = 0;
  // Never throws; closing the file releases the lease too.
  virtual void ReleaseLease(const File& file) = 0;
  // Gives the open file these permission bits, owner and group, as a file it replaces had them (changing the
  // owner takes the rights of root; asking for the owner and group it has already does not). On Windows,
  // where neither exists, nothing changes.
  virtual void SetPermissions(const File& file, std::uint32_t mode, std::uint32_t owner,
                              std::uint32_t group) = 0;

  // --- what Windows keeps of a file beyond one plain run of bytes (FileStorage); POSIX systems keep none
  // The named data streams of the open file, not its main contents: none where the file system keeps none.
  // Throws where it keeps them and cannot tell them.
  virtual std::vector<NamedStream> NamedStreams(const File& file) = 0;
  // Opens a named stream of the open file for reading and writing as the file is open, through the file
  // itself (relative to its handle, or by its path under the check that it is the same file), so it is a
  // stream of that file whatever its path has come to name.
  virtual File OpenNamedStream(const File& file, const std::string& stream) = 0;
  // Stores the data of the open file (or stream) uncompressed where it is compressed, in clusters of its
  // own: true when it was compressed. Throws when it cannot (61 when the volume has no room for it).
  virtual bool Decompress(const File& file) = 0;
  // The stretches of the open file's first `length` bytes that take room on the disk: a sparse file's
  // allocated ranges, with its holes left out; the whole length for any other file.
  virtual std::vector<ByteRange> AllocatedRanges(const File& file, std::int64_t length) = 0;

  // Removes a file (or a symbolic link itself, never its target).
  virtual void Remove(const std::string& path) = 0;
  // Gives `from` the name `to` in one step, replacing what `to` named (both on one file system).
  virtual void Rename(const std::string& from, const std::string& to) = 0;
  virtual void MakeFolder(const std::string& path) = 0;

  // The drive that holds the path: on POSIX systems its mount point (longest matching prefix, "/" when none
  // is known), on Windows its drive letter with a colon ("C:") or, for a network path, "\\server\share".
  virtual std::string VolumeOf(const std::string& path) = 0;
  virtual std::vector<Volume> Volumes() = 0;
  virtual DiskSpace QueryDisk(const std::string& volume) = 0;
  // What overwriting in place may not reach on the volume that holds the path.
  virtual VolumeClass ClassifyVolume(const std::string& path) = 0;
  // The file records of the volume (NTFS): how many are free and how large one is. Not known where the volume
  // keeps none, or where reading them takes rights the program does not have (`reason` says which).
  virtual FileRecordTable FileRecords(const std::string& volume) = 0;
  // Paths of the active swap files (on Windows the page files, with the first fixed drive's pagefile.sys).
  virtual std::vector<std::string> SwapFiles() = 0;

  // The folder of the running executable, with a trailing separator.
  virtual std::string ProgramFolder() = 0;
  // The per-user application-data folder ($XDG_DATA_HOME or ~/.local/share; %APPDATA% on Windows), without
  // trailing separator.
  virtual std::string UserDataFolder() = 0;
  virtual std::string HomeFolder() = 0;
};

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
// Whether names that differ only in letter case name different files.
constexpr bool kCaseSensitiveNames = false;
#else
constexpr char kPathSeparator = '/';
constexpr bool kCaseSensitiveNames = true;
#endif

// How many folder levels below the folder it was given a walk goes at most, each level held open: as deep
// as any path the system accepts reaches (4,096 bytes on Linux: 2,048 levels of one-letter names), and
// within what the walks' call stacks take. What lies deeper is reported as not reached.
constexpr int kDeepestWalk = 2048;

// A path the user names split into the folder that holds it, opened, and its name there: what the calls
// that act on one named file take. Throws when the folder cannot be opened, or the path names no entry
// (a root, or a path ending in "." or "..").
std::pair<FolderHandle, std::string> OpenParentOf(FileSystem& fileSystem, const std::string& path);

}  // namespace nulvane::platform
