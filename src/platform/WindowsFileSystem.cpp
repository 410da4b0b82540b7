#include "platform/WindowsFileSystem.h"

// clang-format off
#include <windows.h>
#include <winternl.h>
#include <winioctl.h>
#include <knownfolders.h>
#include <shlobj.h>
// clang-format on

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cwchar>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/WindowsNtfs.h"
#include "platform/WindowsText.h"

// windows.h spells these as macros; here they are the names of FileSystem's methods.
#undef CreateFile

namespace nulvane::platform {
namespace {

// Shared with everyone else: other programs may read, write or delete while we only look.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Nothing is ever opened through a reparse point, and folders open like files.
constexpr DWORD kOpenFlags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;  // 1970-01-01 in 100 ns ticks from 1601
constexpr std::int64_t kTicksPerSecond = 10000000;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  Handle& operator=(Handle&&) = delete;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

[[noreturn]] void ThrowThroughLink() {
  throw PlatformError(ErrorNumberFromErrno(ELOOP),
                      "The path passes through a link (a junction or a symbolic link)");
}

[[noreturn]] void ThrowUnreachablePath() {
  throw PlatformError(ErrorNumberFromErrno(EINVAL),
                      "Paths through a volume's name (\\\\?\\Volume{...}) or the system's object names "
                      "(\\\\?\\GLOBALROOT\\...) are not taken: name the file by its drive letter, or by the "
                      "folder on which its volume is mounted");
}

[[noreturn]] void ThrowNotRegular() {
  throw PlatformError(ErrorNumberFromErrno(EINVAL), "Not a regular file");
}

bool IsLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

wchar_t UpperLetter(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

std::wstring WorkingFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) ThrowLastError();
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(length);
  }
}

// The working folder that Windows keeps for a drive ("C:" alone names it).
std::wstring WorkingFolderOfDrive(wchar_t letter) {
  const wchar_t drive[] = {letter, L':', L'\0'};
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameW(drive, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) ThrowLastError();
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(length);
  }
}

// The absolute path with "." and ".." resolved by name and "/" read as "\", without the "\\?\" prefix:
// "C:\Data\x.txt", "C:\" for a drive's root, "\\server\share\dir" for a network path. Names are left as
// they are: the system's own clean-up would drop trailing dots and blanks and so name another file.
std::wstring FullPathOf(const std::wstring& given) {
  std::wstring path = given;
  if (path.empty()) ThrowWin32(ERROR_FILE_NOT_FOUND);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    path = L"\\\\" + path.substr(8);
  } else if (path.rfind(L"\\\\?\\", 0) == 0) {
    path = path.substr(4);
    // A volume named by its identifier ("\\?\Volume{...}\") or a path among the system's objects
    // ("\\?\GLOBALROOT\Device\..."): the system names what was opened there by its drive, if any, so it
    // could never be checked to lie where its path says. Refused with a word of its own, not resolved
    // against the working folder.
    if (path.size() < 2 || !IsLetter(path[0]) || path[1] != L':' || (path.size() > 2 && path[2] != L'\\'))
      ThrowUnreachablePath();
  } else if (path.rfind(L"\\\\.\\", 0) == 0) {
    ThrowWin32(ERROR_INVALID_NAME);  // devices are not files
  }

  std::wstring root;
  std::wstring rest;
  if (path.size() >= 2 && IsLetter(path[0]) && path[1] == L':') {
    root = {UpperLetter(path[0]), L':', L'\\'};
    if (path.size() == 2 || path[2] == L'\\') {
      rest = path.substr(2);
    } else {
      rest = WorkingFolderOfDrive(path[0]).substr(2) + L"\\" + path.substr(2);
    }
  } else if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    const std::size_t serverEnd = path.find(L'\\', 2);
    if (serverEnd == std::wstring::npos || serverEnd == 2) ThrowWin32(ERROR_BAD_PATHNAME);
    std::size_t shareEnd = path.find(L'\\', serverEnd + 1);
    if (shareEnd == std::wstring::npos) shareEnd = path.size();
    if (shareEnd == serverEnd + 1) ThrowWin32(ERROR_BAD_PATHNAME);
    root = path.substr(0, shareEnd) + L"\\";
    rest = path.substr(shareEnd);
  } else if (path[0] == L'\\') {
    const std::wstring working = FullPathOf(WorkingFolder());
    const std::size_t rootEnd =
        working.size() >= 2 && working[1] == L':' ? 3 : working.find(L'\\', working.find(L'\\', 2) + 1) + 1;
    return FullPathOf(working.substr(0, rootEnd) + path.substr(1));
  } else {
    return FullPathOf(WorkingFolder() + L"\\" + path);
  }

  std::vector<std::wstring> parts;
  for (std::size_t start = 0; start <= rest.size();) {
    std::size_t end = rest.find(L'\\', start);
    if (end == std::wstring::npos) end = rest.size();
    std::wstring part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  std::wstring full = root;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) full += L'\\';
    full += parts[i];
  }
  return full;
}

std::wstring FullPathOf(const std::string& path) {
  return FullPathOf(Widen(path));
}

bool IsRoot(const std::wstring& full) {
  return !full.empty() && full.back() == L'\\';
}

// The folder that holds the path's last component; the path itself for a root.
std::wstring ParentOf(const std::wstring& full) {
  if (IsRoot(full)) return full;
  const std::size_t separator = full.rfind(L'\\');
  const std::wstring parent = full.substr(0, separator);
  // "C:" and "\\server\share" are roots, which keep their separator.
  if (parent.size() == 2 && parent[1] == L':') return parent + L"\\";
  if (parent.rfind(L"\\\\", 0) == 0 && std::count(parent.begin(), parent.end(), L'\\') == 3)
    return parent + L"\\";
  return parent;
}

// The form that the system takes without any clean-up of names, and without the length limit.
std::wstring Extended(const std::wstring& full) {
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// Where the opened file really is, in the same form as FullPathOf; 0 on success, else the error.
DWORD TryFinalPathOf(HANDLE handle, std::wstring& path) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) {
      // Some systems say only that the buffer was too small, not how large it must be.
      const DWORD error = ::GetLastError();
      if ((error != ERROR_MORE_DATA && error != ERROR_INSUFFICIENT_BUFFER) || buffer.size() > 65536)
        return error;
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(length + 1);
  }
  if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    path = L"\\\\" + buffer.substr(8);
  } else if (buffer.rfind(L"\\\\?\\", 0) == 0) {
    path = buffer.substr(4);
  } else {
    path = buffer;
  }
  return 0;
}

std::wstring FinalPathOf(HANDLE handle) {
  std::wstring path;
  if (const DWORD error = TryFinalPathOf(handle, path); error != 0) ThrowWin32(error);
  return path;
}

// File names are compared as the file system compares them: without regard to letter case.
bool SamePath(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// The root folder of the drive that holds the path: "C:\" or "\\server\share\".
std::wstring RootOf(const std::wstring& full) {
  if (full.size() >= 2 && full[1] == L':') return full.substr(0, 2) + L"\\";
  const std::size_t shareEnd = full.find(L'\\', full.find(L'\\', 2) + 1);
  return shareEnd == std::wstring::npos ? full + L"\\" : full.substr(0, shareEnd + 1);
}

// Whether the opened file lies at exactly this path, reached through no link.
bool LiesAt(HANDLE handle, const std::wstring& full) {
  std::wstring final;
  const DWORD error = TryFinalPathOf(handle, final);
  if (error == 0) return SamePath(full, final);
  if (error != ERROR_MORE_DATA) ThrowWin32(error);
  // Wine names no final path longer than MAX_PATH. The path inside the volume, and the volume, tell the same.
  std::vector<std::uint64_t> buffer(70000 / sizeof(std::uint64_t));
  if (!::GetFileInformationByHandleEx(handle, FileNameInfo, buffer.data(),
                                      static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t))))
    ThrowLastError();
  const auto* name = reinterpret_cast<const FILE_NAME_INFO*>(buffer.data());
  const std::wstring inVolume(name->FileName, name->FileNameLength / sizeof(wchar_t));
  const std::wstring root = RootOf(full);
  if (!SamePath(full.substr(root.size() - 1), inVolume)) return false;
  DWORD serial = 0;
  BY_HANDLE_FILE_INFORMATION information{};
  return ::GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0) &&
         ::GetFileInformationByHandle(handle, &information) && information.dwVolumeSerialNumber == serial;
}

// Opens what lies at `full` itself: a reparse point there is opened, not followed, and the open is refused
// when anything on the way was a link (the file opened then lies elsewhere).
Handle OpenExactly(const std::wstring& full, DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING,
                   DWORD flags = 0) {
  const HANDLE opened =
      ::CreateFileW(Extended(full).c_str(), access, share, nullptr, disposition, flags | kOpenFlags, nullptr);
  if (opened == INVALID_HANDLE_VALUE) ThrowLastError();
  Handle handle(opened);
  if (!LiesAt(handle.get(), full)) ThrowThroughLink();
  return handle;
}

BY_HANDLE_FILE_INFORMATION InformationOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle, &information)) ThrowLastError();
  return information;
}

// The part of a mount-point reparse buffer that tells a junction from a volume mounted on a folder.
struct MountPointReparseData {
  DWORD tag;
  WORD dataLength;
  WORD reserved;
  WORD substituteNameOffset;
  WORD substituteNameLength;
  WORD printNameOffset;
  WORD printNameLength;
  WCHAR pathBuffer[1];
};

bool LeadsToVolume(HANDLE handle) {
  std::vector<std::uint64_t> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE / sizeof(std::uint64_t) + 1);
  DWORD returned = 0;
  if (!::DeviceIoControl(handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t)), &returned, nullptr)) {
    return false;
  }
  const auto* data = reinterpret_cast<const MountPointReparseData*>(buffer.data());
  const std::wstring target(data->pathBuffer + data->substituteNameOffset / sizeof(WCHAR),
                            data->substituteNameLength / sizeof(WCHAR));
  return target.rfind(L"\\??\\Volume{", 0) == 0;
}

// Every reparse point counts as a link: symbolic links and junctions lead elsewhere, a volume on a folder is
// another drive, and the other kinds (deduplicated, cloud or compressed files) keep their data where an
// overwrite in place does not reach it.
FileKind KindOfReparsePoint(DWORD tag, bool directory, const std::function<bool()>& leadsToVolume) {
  switch (tag) {
    case 0:  // a link the system reports without a tag
    case IO_REPARSE_TAG_SYMLINK:
      return FileKind::Symlink;
    case IO_REPARSE_TAG_MOUNT_POINT:
      return directory && leadsToVolume() ? FileKind::MountPoint : FileKind::Symlink;
    default:
      return FileKind::Other;
  }
}

FileKind KindOf(HANDLE handle, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) tag.ReparseTag = 0;
    return KindOfReparsePoint(tag.ReparseTag, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                              [&] { return LeadsToVolume(handle); });
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::Directory;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return FileKind::Device;
  // Paths of devices and pipes ("\\.\") are refused before anything is opened, so what a path on a drive
  // opens is a file on a disk.
  return FileKind::Regular;
}

FileTime FromFiletime(const FILETIME& time) {
  const std::int64_t ticks =
      (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | static_cast<std::int64_t>(time.dwLowDateTime);
  if (ticks == 0) return {};  // not kept
  const std::int64_t sinceEpoch = ticks - kUnixEpochTicks;
  std::int64_t seconds = sinceEpoch / kTicksPerSecond;
  std::int64_t remainder = sinceEpoch % kTicksPerSecond;
  if (remainder < 0) {
    --seconds;
    remainder += kTicksPerSecond;
  }
  return {seconds, remainder * 100};
}

FILETIME ToFiletime(const FileTime& time) {
  const std::int64_t ticks = time.seconds * kTicksPerSecond + time.nanoseconds / 100 + kUnixEpochTicks;
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
  result.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
  return result;
}

FileStatus StatusOf(HANDLE handle) {
  const BY_HANDLE_FILE_INFORMATION information = InformationOf(handle);
  FileStatus status;
  status.kind = KindOf(handle, information.dwFileAttributes);
  status.size = (static_cast<std::int64_t>(information.nFileSizeHigh) << 32) |
                static_cast<std::int64_t>(information.nFileSizeLow);
  const bool readOnly = (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  status.mode = status.kind == FileKind::Directory ? (readOnly ? 0555 : 0777) : (readOnly ? 0444 : 0666);
  status.times = {FromFiletime(information.ftLastAccessTime), FromFiletime(information.ftLastWriteTime),
                  FromFiletime(information.ftCreationTime)};
  status.device = information.dwVolumeSerialNumber;
  status.inode = (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  status.linkCount = information.nNumberOfLinks;
  status.attributes.readOnly = readOnly;
  status.attributes.hidden = (information.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
  status.attributes.system = (information.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
  if (status.kind == FileKind::Regular) {
    status.storage.compressed = (information.dwFileAttributes & FILE_ATTRIBUTE_COMPRESSED) != 0;
    status.storage.sparse = (information.dwFileAttributes & FILE_ATTRIBUTE_SPARSE_FILE) != 0;
    status.storage.encrypted = (information.dwFileAttributes & FILE_ATTRIBUTE_ENCRYPTED) != 0;
    for (const NamedStream& stream : NamedStreamsOf(handle, false)) {
      ++status.storage.namedStreams;
      status.storage.namedStreamBytes += stream.size;
    }
  }
  return status;
}

// A folder reached without a link; throws otherwise, or when it is not a folder.
void RequireFolder(const std::wstring& full) {
  const Handle folder = OpenExactly(full, FILE_READ_ATTRIBUTES, kShareAll);
  const FileKind kind = StatusOf(folder.get()).kind;
  if (kind == FileKind::Symlink || kind == FileKind::MountPoint) ThrowThroughLink();
  if (kind != FileKind::Directory) ThrowWin32(ERROR_DIRECTORY);
}

// Removes the name when the last handle closes; at once where the system can.
void MarkForDeletion(HANDLE handle) {
  FILE_DISPOSITION_INFO_EX immediate{FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS};
  // FileDispositionInfoEx (Windows 10 1607 and later), which the headers name only for newer targets.
  constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
  if (::SetFileInformationByHandle(handle, kDispositionInfoEx, &immediate, sizeof immediate)) return;
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (!::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition))
    ThrowLastError();
}

constexpr DWORD kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Sets and clears attributes through a handle opened with the right to change them.
void ChangeAttributes(HANDLE handle, DWORD set, DWORD clear) {
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) ThrowLastError();
  const DWORD current = basic.FileAttributes & kSettableAttributes;
  const DWORD wanted = (current | set) & ~clear;
  if (wanted == current) return;
  FILE_BASIC_INFO change{};  // times of zero stay as they are
  change.FileAttributes = wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted;
  if (!::SetFileInformationByHandle(handle, FileBasicInfo, &change, sizeof change)) ThrowLastError();
}

void ChangeAttributes(HANDLE handle, const FileAttributes& attributes) {
  DWORD set = 0;
  DWORD clear = 0;
  (attributes.readOnly ? set : clear) |= FILE_ATTRIBUTE_READONLY;
  (attributes.hidden ? set : clear) |= FILE_ATTRIBUTE_HIDDEN;
  (attributes.system ? set : clear) |= FILE_ATTRIBUTE_SYSTEM;
  ChangeAttributes(handle, set, clear);
}

// --- Names in held folders

// What a held folder is opened with: listed, looked at, and the root of opens relative to it.
constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr NTSTATUS kNameInvalid = static_cast<NTSTATUS>(0xC0000033L);    // STATUS_OBJECT_NAME_INVALID
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035L);  // STATUS_OBJECT_NAME_COLLISION

[[noreturn]] void ThrowNtStatus(NTSTATUS status) {
  ThrowWin32(::RtlNtStatusToDosError(status));
}

bool IsNotFound(NTSTATUS status) {
  return status == static_cast<NTSTATUS>(0xC0000034L) ||  // STATUS_OBJECT_NAME_NOT_FOUND
         status == static_cast<NTSTATUS>(0xC000003AL) ||  // STATUS_OBJECT_PATH_NOT_FOUND
         status == static_cast<NTSTATUS>(0xC000000FL);    // STATUS_NO_SUCH_FILE
}

// Opens the entry `name` of a held folder relative to its handle (NtCreateFile with the folder as the root
// of the name): a single name, which passes through nothing, and a reparse point there is opened itself,
// never followed. The handle is synchronous, as CreateFileW's are. The status; the handle when it is 0.
NTSTATUS TryOpenAt(const Folder& folder, const std::string& name, ACCESS_MASK access, ULONG share,
                   ULONG disposition, ULONG options, ULONG attributes, HANDLE& opened) {
  if (!IsEntryName(name)) return kNameInvalid;
  std::wstring wide = Widen(name);
  UNICODE_STRING objectName;
  objectName.Buffer = wide.data();
  objectName.Length = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
  objectName.MaximumLength = objectName.Length;
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &objectName, OBJ_CASE_INSENSITIVE, folder.NativeHandle(), nullptr);
  IO_STATUS_BLOCK io{};
  return ::NtCreateFile(
      &opened, access | SYNCHRONIZE, &object, &io, nullptr, attributes, share, disposition,
      options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT, nullptr,
      0);
}

// Where the opened object lies inside its volume ("\\Data\\x.txt"), whatever the length, and the volume.
bool NameInVolume(HANDLE handle, std::wstring& name, DWORD& serial) {
  std::vector<std::uint64_t> buffer(70000 / sizeof(std::uint64_t));
  if (!::GetFileInformationByHandleEx(handle, FileNameInfo, buffer.data(),
                                      static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t))))
    return false;
  const auto* info = reinterpret_cast<const FILE_NAME_INFO*>(buffer.data());
  name.assign(info->FileName, info->FileNameLength / sizeof(wchar_t));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle, &information)) return false;
  serial = information.dwVolumeSerialNumber;
  return true;
}

// Whether the opened object is the entry `name` of the held folder itself. Windows opens a name relative
// to the folder's handle and a reparse point there as itself; a system that follows a link there anyway
// (Wine follows the links of the system below it) opens something that lies elsewhere, and is caught here.
bool IsEntryOf(const Folder& folder, const std::string& name, HANDLE opened) {
  std::wstring folderName;
  std::wstring entryName;
  DWORD folderSerial = 0;
  DWORD entrySerial = 0;
  if (!NameInVolume(folder.NativeHandle(), folderName, folderSerial) ||
      !NameInVolume(opened, entryName, entrySerial))
    return false;
  if (folderName.empty() || folderName.back() != L'\\') folderName += L'\\';
  return folderSerial == entrySerial && SamePath(folderName + Widen(name), entryName);
}

Handle OpenAt(const Folder& folder, const std::string& name, ACCESS_MASK access, ULONG share,
              ULONG disposition = FILE_OPEN, ULONG options = 0, ULONG attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE opened = INVALID_HANDLE_VALUE;
  const NTSTATUS status =
      TryOpenAt(folder, name, access | FILE_READ_ATTRIBUTES, share, disposition, options, attributes, opened);
  if (status < 0) ThrowNtStatus(status);
  Handle handle(opened);
  if (!IsEntryOf(folder, name, handle.get())) {
    // Something was made where a link led: taken back, wherever it landed.
    if (disposition == FILE_CREATE && (access & DELETE) != 0) {
      try {
        MarkForDeletion(handle.get());
      } catch (const PlatformError&) {
      }
    }
    ThrowThroughLink();
  }
  return handle;
}

// A held folder for the open handle (taken over), reached by `path`.
FolderHandle HoldFolder(Handle handle, std::string path) {
  const FileStatus status = StatusOf(handle.get());
  if (status.kind == FileKind::Symlink || status.kind == FileKind::Other) ThrowThroughLink();
  // A volume mounted on a folder is another drive.
  if (status.kind == FileKind::MountPoint) ThrowErrno(EXDEV);
  if (status.kind != FileKind::Directory) ThrowWin32(ERROR_DIRECTORY);
  if (path.empty() || path.back() != '\\') path += '\\';
  return std::make_shared<const Folder>(handle.release(), std::move(path), status.Identity(), 0);
}

File OpenRegular(const std::string& path, DWORD access, DWORD share) {
  Handle handle = OpenExactly(FullPathOf(path), access, share);
  if (StatusOf(handle.get()).kind != FileKind::Regular) ThrowNotRegular();
  return File(handle.release(), path);
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* folder = nullptr;
  if (FAILED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &folder))) {
    ::CoTaskMemFree(folder);
    return {};
  }
  std::string path = Narrow(folder, std::wcslen(folder));
  ::CoTaskMemFree(folder);
  return path;
}

std::vector<std::string> RegistryStrings(HKEY root, const wchar_t* key, const wchar_t* value) {
  DWORD size = 0;
  if (::RegGetValueW(root, key, value, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return {};
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (::RegGetValueW(root, key, value, RRF_RT_REG_MULTI_SZ, nullptr, buffer.data(), &size) != ERROR_SUCCESS)
    return {};
  std::vector<std::string> strings;
  for (std::size_t start = 0; start < buffer.size();) {
    const std::size_t end = buffer.find(L'\0', start);
    if (end == start || end == std::wstring::npos) break;
    strings.push_back(Narrow(buffer.substr(start, end - start)));
    start = end + 1;
  }
  return strings;
}

DriveType DriveTypeOf(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE:
      return DriveType::Removable;
    case DRIVE_FIXED:
      return DriveType::Fixed;
    case DRIVE_REMOTE:
      return DriveType::Network;
    case DRIVE_CDROM:
      return DriveType::CdRom;
    case DRIVE_RAMDISK:
      return DriveType::RamDisk;
    default:
      return DriveType::Unknown;
  }
}

}  // namespace

std::string NormalisedPath(const std::string& path) {
  return Narrow(FullPathOf(path));
}

std::vector<ResidueKind> ResidueKindsOfDrive(DriveType type, const std::string& fileSystemType, bool flash,
                                             int shadowCopies) {
  std::vector<ResidueKind> kinds;
  if (type == DriveType::Network) kinds.push_back(ResidueKind::Network);
  if (type == DriveType::RamDisk) kinds.push_back(ResidueKind::Memory);
  // ReFS writes changed blocks elsewhere (its integrity streams, its block cloning); the old ones stay.
  if (fileSystemType == "ReFS") kinds.push_back(ResidueKind::CopyOnWrite);
  const bool local = type == DriveType::Fixed || type == DriveType::Removable;
  if (fileSystemType == "NTFS" && local) kinds.push_back(ResidueKind::NtfsRecords);
  // The service keeps shadow copies of local NTFS and ReFS volumes only.
  if (shadowCopies > 0) {
    kinds.push_back(ResidueKind::ShadowCopies);
  } else if (shadowCopies < 0 && type == DriveType::Fixed &&
             (fileSystemType == "NTFS" || fileSystemType == "ReFS")) {
    kinds.push_back(ResidueKind::MayHaveShadowCopies);
  }
  if (flash && type != DriveType::Network && type != DriveType::RamDisk) kinds.push_back(ResidueKind::Flash);
  return kinds;
}

std::vector<std::string> PageFilesOf(const std::vector<std::string>& pagingFiles,
                                     const std::vector<std::string>& fixedDrives) {
  std::vector<std::string> files;
  const auto add = [&](const std::string& file) {
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
  };
  for (const std::string& entry : pagingFiles) {
    // "path [initial size] [maximum size]": the sizes are the last words, the path may hold blanks.
    std::string path = entry;
    for (int sizes = 0; sizes < 2; ++sizes) {
      while (!path.empty() && path.back() == ' ') path.pop_back();
      const std::size_t blank = path.rfind(' ');
      if (blank == std::string::npos) break;
      const std::string word = path.substr(blank + 1);
      if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos) break;
      path.resize(blank);
    }
    while (!path.empty() && path.back() == ' ') path.pop_back();
    if (path.empty()) continue;
    if (path.rfind("?:", 0) == 0) {
      for (const std::string& drive : fixedDrives) add(drive + path.substr(2));
    } else {
      add(path);
    }
  }
  if (!fixedDrives.empty()) {
    add(fixedDrives.front() + "\\pagefile.sys");
    add(fixedDrives.front() + "\\swapfile.sys");
  }
  return files;
}

WindowsFileSystem::WindowsFileSystem() {
  // Probing a drive without a disk must not stop the program with the system's "insert a disk" box.
  ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

FolderHandle WindowsFileSystem::OpenFolder(const std::string& path) {
  const std::wstring full = FullPathOf(path);
  Handle handle = OpenExactly(full, kFolderAccess, kShareAll);
  return HoldFolder(std::move(handle), Narrow(full));
}

FolderHandle WindowsFileSystem::OpenSubfolder(const Folder& parent, const std::string& name) {
  Handle handle = OpenAt(parent, name, kFolderAccess, kShareAll, FILE_OPEN, FILE_DIRECTORY_FILE);
  return HoldFolder(std::move(handle), parent.PathOf(name));
}

std::vector<DirEntry> WindowsFileSystem::List(const Folder& folder, bool withSizes) {
  const std::lock_guard lock(folder.ListingLock());
  // A file's named streams are not in its folder's entries: where the volume keeps any, each file is asked.
  DWORD volumeFlags = 0;
  const bool streams = withSizes &&
                       ::GetVolumeInformationByHandleW(folder.NativeHandle(), nullptr, 0, nullptr, nullptr,
                                                       &volumeFlags, nullptr, 0) &&
                       (volumeFlags & FILE_NAMED_STREAMS) != 0;
  std::vector<DirEntry> entries;
  std::vector<std::uint64_t> buffer(64 * 1024 / sizeof(std::uint64_t));
  // The entries of the folder that is held, from its first one on every listing, read through a handle of
  // their own to the same folder: Wine keeps what a handle listed once, and a file renamed since would be
  // missing from a second listing through the same handle.
  const HANDLE reopened = ::ReOpenFile(folder.NativeHandle(), FILE_LIST_DIRECTORY | SYNCHRONIZE, kShareAll,
                                       FILE_FLAG_BACKUP_SEMANTICS);
  if (reopened == INVALID_HANDLE_VALUE) ThrowLastError();
  const Handle listing(reopened);
  FILE_INFO_BY_HANDLE_CLASS request = FileFullDirectoryRestartInfo;
  for (;;) {
    if (!::GetFileInformationByHandleEx(listing.get(), request, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t)))) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_NO_MORE_FILES) break;
      ThrowWin32(error);
    }
    request = FileFullDirectoryInfo;
    const auto* bytes = reinterpret_cast<const char*>(buffer.data());
    for (;;) {
      const auto* entry = reinterpret_cast<const FILE_FULL_DIR_INFO*>(bytes);
      const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") {
        const DWORD attributes = entry->FileAttributes;
        const std::string narrow = Narrow(name);
        FileKind entryKind;
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
          // For a reparse point the extended-attribute size field holds its tag.
          entryKind = KindOfReparsePoint(entry->EaSize, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, [&] {
            HANDLE point = INVALID_HANDLE_VALUE;
            if (TryOpenAt(folder, narrow, FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN, 0, 0, point) < 0)
              return false;
            const Handle pointHandle(point);
            return LeadsToVolume(pointHandle.get());
          });
        } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
          entryKind = FileKind::Directory;
        } else if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
          entryKind = FileKind::Device;
        } else {
          entryKind = FileKind::Regular;
        }
        // The listing carries every size; they are handed on only where asked for.
        std::int64_t size = withSizes && entryKind == FileKind::Regular ? entry->EndOfFile.QuadPart : 0;
        HANDLE file = INVALID_HANDLE_VALUE;
        if (streams && entryKind == FileKind::Regular &&
            TryOpenAt(folder, narrow, FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN, FILE_NON_DIRECTORY_FILE, 0,
                      file) >= 0) {
          const Handle opened(file);
          for (const NamedStream& stream : NamedStreamsOf(opened.get(), false)) size += stream.size;
        }
        entries.push_back({narrow, entryKind, size});
      }
      if (entry->NextEntryOffset == 0) break;
      bytes += entry->NextEntryOffset;
    }
  }
  return entries;
}

FileStatus WindowsFileSystem::StatusAt(const Folder& folder, const std::string& name) {
  HANDLE opened = INVALID_HANDLE_VALUE;
  const NTSTATUS status = TryOpenAt(folder, name, FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN, 0, 0, opened);
  if (status < 0) {
    if (IsNotFound(status)) return {};
    ThrowNtStatus(status);
  }
  const Handle handle(opened);
  // What was reached through a link is not the entry: the entry is the link.
  if (!IsEntryOf(folder, name, handle.get())) {
    FileStatus link;
    link.kind = FileKind::Symlink;
    return link;
  }
  return StatusOf(handle.get());
}

File WindowsFileSystem::OpenForWritingAt(const Folder& folder, const std::string& name) {
  // Nobody else may write or delete the file while it is overwritten; a file that another program holds
  // open for writing is not opened at all. With the right to delete it, so that it is deleted through this
  // handle once it is overwritten (RemoveFileAt): anyone who opens it meanwhile must let it be deleted.
  Handle handle = [&] {
    try {
      return OpenAt(folder, name, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ);
    } catch (const PlatformError& error) {
      if (error.number != kErrorPermissionDenied &&
          error.number != ErrorNumberFromWin32(ERROR_SHARING_VIOLATION))
        throw;
    }
    // Rights to write it but not to delete it, or a reader that shares writing but not deleting: it is
    // overwritten all the same (nobody writes to it meanwhile), and deleted by name afterwards as far as
    // its rights and that reader allow.
    return OpenAt(folder, name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
  }();
  if (StatusOf(handle.get()).kind != FileKind::Regular) ThrowNotRegular();
  return File(handle.release(), folder.PathOf(name));
}

File WindowsFileSystem::CreateNewFileAt(const Folder& folder, const std::string& name) {
  Handle handle = OpenAt(folder, name, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, FILE_CREATE,
                         FILE_NON_DIRECTORY_FILE);
  // Without the right to delete, so that others may open the file as they could any other.
  const HANDLE plain = ::ReOpenFile(handle.get(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, 0);
  if (plain == INVALID_HANDLE_VALUE) return File(handle.release(), folder.PathOf(name));
  return File(plain, folder.PathOf(name));
}

File WindowsFileSystem::CreateUnnamedFile(const Folder& folder) {
  // Windows has no file without a name; a hidden one that the system deletes when its handle closes (also
  // when the program ends abruptly) serves the same.
  for (int attempt = 0;; ++attempt) {
    const std::string name = "~nulvane-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(::GetTickCount64()) + "-" + std::to_string(attempt) + ".tmp";
    HANDLE created = INVALID_HANDLE_VALUE;
    const NTSTATUS status = TryOpenAt(folder, name, GENERIC_READ | GENERIC_WRITE | DELETE, 0, FILE_CREATE,
                                      FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, created);
    if (status == kNameCollision && attempt < 100) continue;
    if (status < 0) ThrowNtStatus(status);
    return File(created, folder.Path());
  }
}

void WindowsFileSystem::SetAttributesAt(const Folder& folder, const std::string& name,
                                        const FileAttributes& attributes) {
  const Handle handle = OpenAt(folder, name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll);
  // A link is left as it is, as on every platform.
  if (StatusOf(handle.get()).kind == FileKind::Symlink) return;
  ChangeAttributes(handle.get(), attributes);
}

void WindowsFileSystem::SetAttributes(const File& file, const FileAttributes& attributes) {
  ChangeAttributes(file.NativeHandle(), attributes);
}

bool WindowsFileSystem::RemoveFileAt(const Folder& folder, const std::string& name,
                                     const FileIdentity* expected, File* open) {
  if (open != nullptr && open->IsOpen()) {
    // Deleted through the handle that overwrote it, which shares no writing or deleting: nobody can have
    // opened it in between to keep it. Its named streams go with it.
    bool deleted = false;
    try {
      MarkForDeletion(open->NativeHandle());
      deleted = true;
    } catch (const PlatformError&) {
      // Opened without the right to delete it: by name below, as far as the file's rights allow.
    }
    try {
      open->Close();
    } catch (const PlatformError&) {
    }
    if (deleted) return true;
  }
  const Handle handle = OpenAt(folder, name, DELETE | FILE_READ_ATTRIBUTES, kShareAll);
  const FileStatus status = StatusOf(handle.get());
  if (status.kind == FileKind::Directory) ThrowErrno(EISDIR);
  if (status.kind == FileKind::MountPoint) ThrowErrno(EBUSY);
  // Checked on the handle that deletes: the name cannot come to name another file in between.
  if (expected != nullptr && status.Identity() != *expected) return false;
  MarkForDeletion(handle.get());
  return true;
}

namespace {

// Gives the file open as `handle` the name `to` in the held folder, never over another file: straight to the
// system's own call, since SetFileInformationByHandle may take the name for a path of the working folder.
NTSTATUS RenameInFolder(HANDLE handle, const Folder& folder, const std::string& to) {
  const std::wstring wide = Widen(to);
  std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + wide.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = folder.NativeHandle();
  rename->FileNameLength = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
  std::copy(wide.begin(), wide.end(), rename->FileName);
  IO_STATUS_BLOCK io{};
  return ::NtSetInformationFile(handle, &io, rename, static_cast<ULONG>(buffer.size()),
                                FileRenameInformation);
}

[[noreturn]] void ThrowRenameStatus(NTSTATUS status) {
  if (status == kNameCollision) ThrowErrno(EEXIST);
  ThrowNtStatus(status);
}

}  // namespace

bool WindowsFileSystem::RenameAt(const Folder& folder, const std::string& from, const std::string& to,
                                 const FileIdentity* expected, File* open) {
  if (!IsEntryName(to)) ThrowErrno(EINVAL);
  if (open != nullptr && open->IsOpen()) {
    // Through the handle that overwrote it, which shares no deleting (nor renaming): the file is the one it
    // opened, and its name is still `from`.
    if (expected != nullptr && StatusOf(open->NativeHandle()).Identity() != *expected) return false;
    const NTSTATUS status = RenameInFolder(open->NativeHandle(), folder, to);
    if (status >= 0) return true;
    if (status != static_cast<NTSTATUS>(0xC0000022L)) ThrowRenameStatus(status);  // STATUS_ACCESS_DENIED
    // Opened without the right to rename it: closed, and renamed by name below.
    try {
      open->Close();
    } catch (const PlatformError&) {
    }
  }
  const Handle handle = OpenAt(folder, from, DELETE | FILE_READ_ATTRIBUTES, kShareAll);
  const FileStatus status = StatusOf(handle.get());
  if (status.kind == FileKind::Directory) ThrowErrno(EISDIR);
  if (status.kind == FileKind::MountPoint) ThrowErrno(EBUSY);
  // Checked on the handle that renames: the name cannot come to name another file in between.
  if (expected != nullptr && status.Identity() != *expected) return false;
  const NTSTATUS result = RenameInFolder(handle.get(), folder, to);
  if (result < 0) ThrowRenameStatus(result);
  return true;
}

void WindowsFileSystem::MakeEmptyFileAt(const Folder& folder, const std::string& name) {
  OpenAt(folder, name, GENERIC_WRITE | DELETE, FILE_SHARE_READ, FILE_CREATE, FILE_NON_DIRECTORY_FILE);
}

bool WindowsFileSystem::FreedEntriesKeepNames(const Folder& /*folder*/) {
  // NTFS, FAT and exFAT all leave a removed name in the folder's freed entries.
  return true;
}

std::optional<JournalUse> WindowsFileSystem::JournalOf(const Folder& /*folder*/) {
  // NTFS tells no program how far its log has come round.
  return {};
}

FolderHandle WindowsFileSystem::MakeFolderAt(const Folder& parent, const std::string& name) {
  Handle handle = OpenAt(parent, name, kFolderAccess, kShareAll, FILE_CREATE, FILE_DIRECTORY_FILE);
  return HoldFolder(std::move(handle), parent.PathOf(name));
}

bool WindowsFileSystem::RemoveFolderAt(const Folder& parent, const std::string& name,
                                       const FileIdentity* expected) {
  const Handle handle = OpenAt(parent, name, DELETE | FILE_READ_ATTRIBUTES, kShareAll);
  const FileStatus status = StatusOf(handle.get());
  if (status.kind == FileKind::MountPoint) ThrowErrno(EBUSY);
  if (status.kind != FileKind::Directory) ThrowWin32(ERROR_DIRECTORY);
  if (expected != nullptr && status.Identity() != *expected) return false;
  MarkForDeletion(handle.get());
  return true;
}

File WindowsFileSystem::LockFolder(const Folder& folder) {
  // Windows locks no folder, but a handle that asks for the right to delete the folder and shares no
  // deleting keeps every other such opening out: another run's lock fails with a sharing violation, while
  // the folder stays open to listing and to what is done to the files in it. The folder itself can be
  // removed only once the lock is let go.
  const HANDLE opened = ::ReOpenFile(folder.NativeHandle(), DELETE | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, kOpenFlags);
  if (opened == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_SHARING_VIOLATION) ThrowErrno(EWOULDBLOCK);
    ThrowWin32(error);
  }
  return File(opened, folder.Path());
}

void WindowsFileSystem::FlushVolume(const Folder& folder) {
  // NTFS frees a deleted file's clusters at once. Flushing the whole volume needs a handle to the volume,
  // which only an administrator may open; without one there is nothing more to do.
  const std::wstring root = RootOf(FullPathOf(folder.Path()));
  if (root.size() != 3) return;  // a network share: its server decides
  const std::wstring volume = L"\\\\.\\" + root.substr(0, 2);
  const HANDLE opened = ::CreateFileW(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return;
  const Handle handle(opened);
  if (!::FlushFileBuffers(handle.get())) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED)
      ThrowWin32(error);
  }
}

std::vector<NamedStream> WindowsFileSystem::NamedStreams(const File& file) {
  return NamedStreamsOf(file.NativeHandle(), true);
}

File WindowsFileSystem::OpenNamedStream(const File& file, const std::string& stream) {
  constexpr ACCESS_MASK kAccess = GENERIC_READ | GENERIC_WRITE;
  // As the file was opened: others may read it, nobody else may write to it.
  HANDLE opened = INVALID_HANDLE_VALUE;
  const NTSTATUS status = TryOpenStreamOf(file.NativeHandle(), stream, kAccess, FILE_SHARE_READ, opened);
  if (status >= 0) return File(opened, file.Path() + ":" + stream);
  if (!RelativeOpenRefused(status)) ThrowNtStatus(status);
  // A system that opens nothing relative to a file (a network redirector): by the file's path, and then
  // only when what opened is a stream of the same file.
  const std::wstring full = FullPathOf(file.Path()) + L":" + Widen(stream) + L":$DATA";
  opened = ::CreateFileW(Extended(full).c_str(), kAccess, FILE_SHARE_READ, nullptr, OPEN_EXISTING, kOpenFlags,
                         nullptr);
  if (opened == INVALID_HANDLE_VALUE) ThrowLastError();
  Handle handle(opened);
  const BY_HANDLE_FILE_INFORMATION ours = InformationOf(file.NativeHandle());
  const BY_HANDLE_FILE_INFORMATION found = InformationOf(handle.get());
  if (ours.dwVolumeSerialNumber != found.dwVolumeSerialNumber ||
      ours.nFileIndexHigh != found.nFileIndexHigh || ours.nFileIndexLow != found.nFileIndexLow)
    ThrowThroughLink();
  return File(handle.release(), file.Path() + ":" + stream);
}

bool WindowsFileSystem::Decompress(const File& file) {
  return DecompressData(file.NativeHandle());
}

std::vector<ByteRange> WindowsFileSystem::AllocatedRanges(const File& file, std::int64_t length) {
  if (length <= 0) return {};
  return AllocatedRangesOf(file.NativeHandle(), length);
}

File WindowsFileSystem::OpenForWriting(const std::string& path) {
  // Nobody else may write or delete the file while it is overwritten; a file that another program holds
  // open for writing is not opened at all.
  return OpenRegular(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
}

File WindowsFileSystem::OpenForReading(const std::string& path) {
  // With the right to change its attributes as well, so that its times can be given back through it.
  try {
    return OpenRegular(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
  } catch (const PlatformError& error) {
    if (error.number != kErrorPermissionDenied) throw;
  }
  return OpenRegular(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

File WindowsFileSystem::CreateFile(const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    try {
      File file = OpenForWriting(path);
      SetLength(file, 0);
      return file;
    } catch (const PlatformError& error) {
      if (error.number != kErrorFileNotFound) throw;
    }
    try {
      return CreateNewFile(path);
    } catch (const PlatformError& error) {
      // Created by someone else in between: truncated as if it had been there.
      if (error.number != ErrorNumberFromErrno(EEXIST) || attempt > 0) throw;
    }
  }
}

File WindowsFileSystem::CreateNewFile(const std::string& path) {
  const std::wstring full = FullPathOf(path);
  if (IsRoot(full)) ThrowWin32(ERROR_ACCESS_DENIED);
  RequireFolder(ParentOf(full));
  const HANDLE created =
      ::CreateFileW(Extended(full).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL | kOpenFlags, nullptr);
  if (created == INVALID_HANDLE_VALUE) ThrowLastError();
  Handle handle(created);
  if (!LiesAt(handle.get(), full)) {
    // The folder became a link after it was checked: the new, empty file is taken back from where it landed.
    try {
      MarkForDeletion(handle.get());
    } catch (const PlatformError&) {
    }
    ThrowThroughLink();
  }
  // Without the right to delete, so that others may open the file as they could any other.
  const HANDLE plain = ::ReOpenFile(handle.get(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, 0);
  if (plain == INVALID_HANDLE_VALUE) return File(handle.release(), path);
  return File(plain, path);
}

std::string WindowsFileSystem::RealPath(const std::string& path) {
  const std::wstring full = FullPathOf(path);
  const HANDLE opened = ::CreateFileW(Extended(full).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) ThrowLastError();
  const Handle handle(opened);
  return Narrow(FinalPathOf(handle.get()));
}

FileStatus WindowsFileSystem::Status(const std::string& path) {
  const std::wstring full = FullPathOf(path);
  const HANDLE opened = ::CreateFileW(Extended(full).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                      OPEN_EXISTING, kOpenFlags, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
        error == ERROR_DIRECTORY) {
      return {};
    }
    ThrowWin32(error);
  }
  const Handle handle(opened);
  if (!LiesAt(handle.get(), full)) {
    // Where the system follows a link even when asked not to, the path still names the link itself when the
    // folder above it is reached without one.
    if (!IsRoot(full)) {
      try {
        RequireFolder(ParentOf(full));
        FileStatus link;
        link.kind = FileKind::Symlink;
        return link;
      } catch (const PlatformError&) {
      }
    }
    ThrowThroughLink();
  }
  return StatusOf(handle.get());
}

FileStatus WindowsFileSystem::Status(const File& file) {
  return StatusOf(file.NativeHandle());
}

void WindowsFileSystem::WriteAt(const File& file, const void* data, std::size_t size, std::int64_t offset) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD written = 0;
    if (!::WriteFile(file.NativeHandle(), bytes, chunk, &written, &at)) ThrowLastError();
    if (written == 0) ThrowWin32(ERROR_DISK_FULL);
    bytes += written;
    size -= written;
    offset += written;
  }
}

void WindowsFileSystem::WriteRepeated(const File& file, const void* block, std::size_t blockSize,
                                      std::int64_t count, std::int64_t offset) {
  if (blockSize == 0 || count <= 0) return;
  // Windows has no gathering write at an offset for ordinary files: copies of the block side by side, up to
  // about a megabyte, go out in one call instead.
  constexpr std::size_t kStagingBytes = 1 << 20;
  const auto perCall = static_cast<std::int64_t>(std::max<std::size_t>(1, kStagingBytes / blockSize));
  const std::int64_t blocksPerCall = std::min(count, perCall);
  std::vector<char> staging(static_cast<std::size_t>(blocksPerCall) * blockSize);
  for (std::int64_t i = 0; i < blocksPerCall; ++i)
    std::copy_n(static_cast<const char*>(block), blockSize,
                staging.begin() + static_cast<std::ptrdiff_t>(i) * static_cast<std::ptrdiff_t>(blockSize));
  for (std::int64_t done = 0; done < count;) {
    const std::int64_t blocks = std::min(blocksPerCall, count - done);
    WriteAt(file, staging.data(), static_cast<std::size_t>(blocks) * blockSize,
            offset + done * static_cast<std::int64_t>(blockSize));
    done += blocks;
  }
}

std::size_t WindowsFileSystem::ReadAt(const File& file, void* data, std::size_t size, std::int64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  DWORD got = 0;
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!::ReadFile(file.NativeHandle(), data, wanted, &got, &at)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_HANDLE_EOF) return 0;
    ThrowWin32(error);
  }
  return got;
}

void WindowsFileSystem::Flush(const File& file) {
  if (!::FlushFileBuffers(file.NativeHandle())) ThrowLastError();
}

void WindowsFileSystem::WriteBack(const File& file, std::int64_t, std::int64_t) {
  // Windows offers no way to start writing a range without waiting for all of it, so all of it is written
  // now: what waits in memory stays within one stretch, and the flush that ends a pass, or a stop when the
  // console is closed and Windows grants only seconds, stays short.
  Flush(file);
}

void WindowsFileSystem::FlushFolder(const std::string& path) {
  const std::wstring full = FullPathOf(path);
  RequireFolder(full);
  // NTFS journals a folder's entries itself; where a folder cannot be opened for flushing (no right to write
  // to it, or a file system that has no such flush) there is nothing more to do.
  const HANDLE opened = ::CreateFileW(Extended(full).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                      nullptr, OPEN_EXISTING, kOpenFlags, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED) return;
    ThrowWin32(error);
  }
  const Handle folder(opened);
  if (!::FlushFileBuffers(folder.get())) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_FUNCTION) return;
    ThrowWin32(error);
  }
}

void WindowsFileSystem::SetLength(const File& file, std::int64_t length) {
  LARGE_INTEGER position;
  position.QuadPart = length;
  if (!::SetFilePointerEx(file.NativeHandle(), position, nullptr, FILE_BEGIN)) ThrowLastError();
  if (!::SetEndOfFile(file.NativeHandle())) ThrowLastError();
}

void WindowsFileSystem::SetTimes(const File& file, const FileTimes& times) {
  const auto kept = [](const FileTime& time) { return time.seconds != 0 || time.nanoseconds != 0; };
  const FILETIME creation = ToFiletime(times.creation);
  const FILETIME access = ToFiletime(times.access);
  const FILETIME modification = ToFiletime(times.modification);
  if (!::SetFileTime(file.NativeHandle(), kept(times.creation) ? &creation : nullptr,
                     kept(times.access) ? &access : nullptr,
                     kept(times.modification) ? &modification : nullptr))
    ThrowLastError();
}

// OpenForWriting shares the file for reading only: no other program can open it for writing while it is
// open here, and one that holds it open for writing already keeps it from being opened at all. So nobody
// can write to it unseen, and there is no lease to break or release.
WriteLease WindowsFileSystem::TakeWriteLease(const File&) {
  return WriteLease::Held;
}

bool WindowsFileSystem::LeaseBroken(const File&) {
  return false;
}

void WindowsFileSystem::ReleaseLease(const File&) {}

void WindowsFileSystem::Remove(const std::string& path) {
  const Handle handle = OpenExactly(FullPathOf(path), DELETE | FILE_READ_ATTRIBUTES, kShareAll);
  if (StatusOf(handle.get()).kind == FileKind::Directory) ThrowErrno(EISDIR);
  MarkForDeletion(handle.get());
}

void WindowsFileSystem::Rename(const std::string& from, const std::string& to) {
  const std::wstring source = FullPathOf(from);
  const std::wstring target = FullPathOf(to);
  RequireFolder(ParentOf(source));
  RequireFolder(ParentOf(target));
  if (!::MoveFileExW(Extended(source).c_str(), Extended(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    ThrowLastError();
}

void WindowsFileSystem::MakeFolder(const std::string& path) {
  const std::wstring full = FullPathOf(path);
  if (IsRoot(full)) ThrowWin32(ERROR_ALREADY_EXISTS);
  RequireFolder(ParentOf(full));
  if (!::CreateDirectoryW(Extended(full).c_str(), nullptr)) ThrowLastError();
}

std::string WindowsFileSystem::VolumeOf(const std::string& path) {
  const std::wstring root = RootOf(FullPathOf(path));
  return Narrow(root.substr(0, root.size() - 1));
}

std::vector<Volume> WindowsFileSystem::Volumes() {
  std::vector<Volume> volumes;
  const DWORD present = ::GetLogicalDrives();
  for (int index = 0; index < 26; ++index) {
    if ((present & (1u << index)) == 0) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + index);
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    const UINT type = ::GetDriveTypeW(root);
    if (type == DRIVE_NO_ROOT_DIR) continue;
    Volume volume;
    volume.mountPoint = std::string(1, static_cast<char>('A' + index)) + ":";
    volume.device = volume.mountPoint + "\\";
    volume.type = DriveTypeOf(type);
    // A floppy drive answers slowly, and only with a disk in it.
    const bool floppy = type == DRIVE_REMOVABLE && index < 2;
    wchar_t name[MAX_PATH + 1] = {};
    wchar_t fileSystem[MAX_PATH + 1] = {};
    if (!floppy && ::GetVolumeInformationW(root, name, MAX_PATH + 1, nullptr, nullptr, nullptr, fileSystem,
                                           MAX_PATH + 1)) {
      volume.volumeName = Narrow(name, std::wcslen(name));
      volume.fileSystemType = Narrow(fileSystem, std::wcslen(fileSystem));
    }
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

DiskSpace WindowsFileSystem::QueryDisk(const std::string& volume) {
  const std::wstring root = RootOf(FullPathOf(volume));
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!::GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
    ThrowLastError();
  DiskSpace space;
  space.clusterSize = static_cast<std::int64_t>(sectorsPerCluster) * bytesPerSector;
  // The older call counts at most 2 GB; the newer one counts all, and only what this user may fill.
  ULARGE_INTEGER available;
  ULARGE_INTEGER total;
  if (::GetDiskFreeSpaceExW(root.c_str(), &available, &total, nullptr)) {
    space.freeBytes = static_cast<double>(available.QuadPart);
    space.totalBytes = static_cast<double>(total.QuadPart);
  } else {
    space.freeBytes = static_cast<double>(freeClusters) * static_cast<double>(space.clusterSize);
    space.totalBytes = static_cast<double>(totalClusters) * static_cast<double>(space.clusterSize);
  }
  return space;
}

VolumeClass WindowsFileSystem::ClassifyVolume(const std::string& path) {
  const std::wstring root = RootOf(FullPathOf(path));
  VolumeClass volume;
  volume.mountPoint = Narrow(root.substr(0, root.size() - 1));
  const UINT type = ::GetDriveTypeW(root.c_str());
  wchar_t fileSystem[MAX_PATH + 1] = {};
  if (::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
    volume.fileSystemType = Narrow(fileSystem, std::wcslen(fileSystem));
  wchar_t device[MAX_PATH + 1] = {};
  volume.device = ::GetVolumeNameForVolumeMountPointW(root.c_str(), device, MAX_PATH + 1)
                      ? Narrow(device, std::wcslen(device))
                      : Narrow(root);
  // A disk without a seek penalty is flash. Asking needs no right beyond opening the volume for nothing.
  bool flash = false;
  if (root.size() == 3 && type == DRIVE_FIXED) {
    const std::wstring name = L"\\\\.\\" + root.substr(0, 2);
    const HANDLE opened = ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (opened != INVALID_HANDLE_VALUE) {
      const Handle handle(opened);
      STORAGE_PROPERTY_QUERY query{};
      query.PropertyId = StorageDeviceSeekPenaltyProperty;
      query.QueryType = PropertyStandardQuery;
      DEVICE_SEEK_PENALTY_DESCRIPTOR penalty{};
      DWORD returned = 0;
      if (::DeviceIoControl(handle.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &penalty,
                            sizeof penalty, &returned, nullptr) &&
          returned >= sizeof penalty)
        flash = !penalty.IncursSeekPenalty;
    }
  }
  // The service names a volume by its identifier, so only a volume that has one can be asked about.
  int shadowCopies = 0;
  if (type == DRIVE_FIXED && (volume.fileSystemType == "NTFS" || volume.fileSystemType == "ReFS"))
    shadowCopies = volume.device.rfind("\\\\?\\Volume{", 0) == 0 ? ShadowCopiesOf(Widen(volume.device)) : -1;
  volume.kinds = ResidueKindsOfDrive(DriveTypeOf(type), volume.fileSystemType, flash, shadowCopies);
  volume.shadowCopies = std::max(shadowCopies, 0);
  return volume;
}

FileRecordTable WindowsFileSystem::FileRecords(const std::string& volume) {
  const std::wstring root = RootOf(FullPathOf(volume));
  wchar_t fileSystem[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                               MAX_PATH + 1) ||
      std::wstring(fileSystem) != L"NTFS")
    return {};
  return FileRecordsOf(root);
}

std::vector<std::string> WindowsFileSystem::SwapFiles() {
  // The fixed drives from C: on, by their type alone: asking each for its name and file system is slow.
  std::vector<std::string> fixedDrives;
  const DWORD present = ::GetLogicalDrives();
  for (int index = 2; index < 26; ++index) {
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + index), L':', L'\\', L'\0'};
    if ((present & (1u << index)) != 0 && ::GetDriveTypeW(root) == DRIVE_FIXED)
      fixedDrives.push_back(std::string(1, static_cast<char>('A' + index)) + ":");
  }
  constexpr const wchar_t* kMemoryManagement =
      L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
  std::vector<std::string> listed = RegistryStrings(HKEY_LOCAL_MACHINE, kMemoryManagement, L"PagingFiles");
  // The page files in use, as the system names them ("\??\C:\pagefile.sys").
  for (std::string file : RegistryStrings(HKEY_LOCAL_MACHINE, kMemoryManagement, L"ExistingPageFiles")) {
    if (file.rfind("\\??\\", 0) == 0) file.erase(0, 4);
    listed.push_back(file);
  }
  return PageFilesOf(listed, fixedDrives);
}

std::string WindowsFileSystem::ProgramFolder() {
  if (!programFolder_.empty()) return programFolder_;
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  const std::wstring folder = ParentOf(FullPathOf(buffer));
  programFolder_ = Narrow(folder) + (IsRoot(folder) ? "" : "\\");
  return programFolder_;
}

std::string WindowsFileSystem::UserDataFolder() {
  return KnownFolder(FOLDERID_RoamingAppData);
}

std::string WindowsFileSystem::HomeFolder() {
  return KnownFolder(FOLDERID_Profile);
}

}  // namespace nulvane::platform
