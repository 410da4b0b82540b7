#include "platform/WindowsNtfs.h"

// clang-format off
#include <windows.h>
#include <winioctl.h>
#include <winternl.h>
#include <objbase.h>
#include <vss.h>
#include <vsbackup.h>
#include <vsserror.h>
// clang-format on

#include <cstddef>
#include <thread>
#include <utility>

#include "platform/PlatformError.h"
#include "platform/WindowsText.h"

namespace nulvane::platform {

namespace {

constexpr NTSTATUS kNameInvalid = static_cast<NTSTATUS>(0xC0000033L);  // STATUS_OBJECT_NAME_INVALID

bool EndsWithDataType(const std::wstring& name) {
  static const std::wstring kType = L":$DATA";
  return name.size() > kType.size() &&
         ::CompareStringOrdinal(name.data() + name.size() - kType.size(), static_cast<int>(kType.size()),
                                kType.data(), static_cast<int>(kType.size()), TRUE) == CSTR_EQUAL;
}

// Whether the volume that holds the open file keeps named streams at all.
bool VolumeKeepsNamedStreams(HANDLE file) {
  DWORD flags = 0;
  if (!::GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) return true;
  return (flags & FILE_NAMED_STREAMS) != 0;
}

class VolumeHandle {
 public:
  explicit VolumeHandle(HANDLE handle) : handle_(handle) {}
  ~VolumeHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  VolumeHandle(const VolumeHandle&) = delete;
  VolumeHandle& operator=(const VolumeHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

void FreeSnapshot(VSS_SNAPSHOT_PROP& snapshot) {
  for (VSS_PWSZ text : {snapshot.m_pwszSnapshotDeviceObject, snapshot.m_pwszOriginalVolumeName,
                        snapshot.m_pwszOriginatingMachine, snapshot.m_pwszServiceMachine,
                        snapshot.m_pwszExposedName, snapshot.m_pwszExposedPath})
    ::CoTaskMemFree(text);
}

bool SameVolumeName(const wchar_t* a, const std::wstring& b) {
  return a != nullptr &&
         ::CompareStringOrdinal(a, -1, b.data(), static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// On a thread that has COM ready. The service's entry point is looked up, not linked: a system without it
// (Wine has none that works) still runs the program.
int CountShadowCopies(const std::wstring& volumeName) {
  const HMODULE library = ::LoadLibraryExW(L"vssapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library == nullptr) return -1;
  using Create = HRESULT(WINAPI*)(IVssBackupComponents**);
  const auto create = reinterpret_cast<Create>(
      reinterpret_cast<void*>(::GetProcAddress(library, "CreateVssBackupComponentsInternal")));
  IVssBackupComponents* components = nullptr;
  // Refused (E_ACCESSDENIED) unless the program runs as an administrator or backup operator.
  if (create == nullptr || FAILED(create(&components)) || components == nullptr) {
    ::FreeLibrary(library);
    return -1;
  }
  int count = -1;
  if (SUCCEEDED(components->InitializeForBackup(nullptr)) &&
      SUCCEEDED(components->SetContext(static_cast<LONG>(VSS_CTX_ALL)))) {
    IVssEnumObject* list = nullptr;
    const HRESULT queried = components->Query(GUID_NULL, VSS_OBJECT_NONE, VSS_OBJECT_SNAPSHOT, &list);
    if (queried == S_FALSE || queried == VSS_E_OBJECT_NOT_FOUND) count = 0;
    if (queried == S_OK && list != nullptr) {
      count = 0;
      VSS_OBJECT_PROP object{};
      ULONG fetched = 0;
      while (list->Next(1, &object, &fetched) == S_OK && fetched == 1) {
        if (object.Type == VSS_OBJECT_SNAPSHOT) {
          if (SameVolumeName(object.Obj.Snap.m_pwszOriginalVolumeName, volumeName)) ++count;
          FreeSnapshot(object.Obj.Snap);
        }
      }
    }
    if (list != nullptr) list->Release();
  }
  components->Release();
  ::FreeLibrary(library);
  return count;
}

}  // namespace

std::vector<NamedStream> ParseStreamList(const void* list, std::size_t size) {
  std::vector<NamedStream> streams;
  const auto* bytes = static_cast<const unsigned char*>(list);
  constexpr std::size_t kHeader = offsetof(FILE_STREAM_INFO, StreamName);
  for (std::size_t at = 0; at + kHeader <= size;) {
    const auto* entry = reinterpret_cast<const FILE_STREAM_INFO*>(bytes + at);
    if (at + kHeader + entry->StreamNameLength > size) break;
    const std::wstring name(entry->StreamName, entry->StreamNameLength / sizeof(wchar_t));
    // ":hidden:$DATA"; the main stream is "::$DATA".
    if (name.size() > 7 && name[0] == L':' && EndsWithDataType(name)) {
      const std::wstring inner = name.substr(1, name.size() - 7);
      if (!inner.empty()) streams.push_back({Narrow(inner), entry->StreamSize.QuadPart});
    }
    if (entry->NextEntryOffset == 0) break;
    at += entry->NextEntryOffset;
  }
  return streams;
}

std::vector<NamedStream> NamedStreamsOf(File::Handle file, bool strict) {
  std::vector<std::uint64_t> buffer(512);
  for (;;) {
    const auto bytes = static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t));
    if (::GetFileInformationByHandleEx(file, FileStreamInfo, buffer.data(), bytes))
      return ParseStreamList(buffer.data(), bytes);
    const DWORD error = ::GetLastError();
    if ((error == ERROR_MORE_DATA || error == ERROR_INSUFFICIENT_BUFFER) && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 4);
      continue;
    }
    // No data stream at all.
    if (error == ERROR_HANDLE_EOF) return {};
    if (!strict || !VolumeKeepsNamedStreams(file)) return {};
    ThrowWin32(error);
  }
}

long TryOpenStreamOf(File::Handle file, const std::string& stream, unsigned long access, unsigned long share,
                     File::Handle& opened) {
  if (stream.empty() || stream.find_first_of(":\\/") != std::string::npos) return kNameInvalid;
  std::wstring name = L":" + Widen(stream) + L":$DATA";
  UNICODE_STRING objectName;
  objectName.Buffer = name.data();
  objectName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  objectName.MaximumLength = objectName.Length;
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &objectName, OBJ_CASE_INSENSITIVE, file, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE handle = INVALID_HANDLE_VALUE;
  const NTSTATUS status =
      ::NtCreateFile(&handle, access | SYNCHRONIZE, &object, &io, nullptr, 0, share, FILE_OPEN,
                     FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (status >= 0) opened = handle;
  return status;
}

bool RelativeOpenRefused(long status) {
  switch (static_cast<unsigned long>(status)) {
    case 0xC000000DUL:  // STATUS_INVALID_PARAMETER
    case 0xC0000010UL:  // STATUS_INVALID_DEVICE_REQUEST
    case 0xC000003BUL:  // STATUS_OBJECT_PATH_SYNTAX_BAD
    case 0xC00000BBUL:  // STATUS_NOT_SUPPORTED
      return true;
    default:
      return false;
  }
}

bool DecompressData(File::Handle file) {
  USHORT format = COMPRESSION_FORMAT_NONE;
  DWORD returned = 0;
  if (!::DeviceIoControl(file, FSCTL_GET_COMPRESSION, nullptr, 0, &format, sizeof format, &returned,
                         nullptr)) {
    const DWORD error = ::GetLastError();
    // A file system that compresses nothing.
    if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_PARAMETER)
      return false;
    ThrowWin32(error);
  }
  if (format == COMPRESSION_FORMAT_NONE) return false;
  // The data is written out uncompressed at once, in clusters of its own: room the volume must have.
  USHORT none = COMPRESSION_FORMAT_NONE;
  if (!::DeviceIoControl(file, FSCTL_SET_COMPRESSION, &none, sizeof none, nullptr, 0, &returned, nullptr))
    ThrowLastError();
  return true;
}

std::vector<ByteRange> AllocatedRangesOf(File::Handle file, std::int64_t length) {
  std::vector<ByteRange> ranges;
  FILE_ALLOCATED_RANGE_BUFFER query{};
  query.FileOffset.QuadPart = 0;
  query.Length.QuadPart = length;
  FILE_ALLOCATED_RANGE_BUFFER found[64];
  while (query.Length.QuadPart > 0) {
    DWORD returned = 0;
    const BOOL complete = ::DeviceIoControl(file, FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, found,
                                            sizeof found, &returned, nullptr);
    const DWORD error = complete ? 0 : ::GetLastError();
    if (!complete && error != ERROR_MORE_DATA) ThrowWin32(error);
    const std::size_t count = returned / sizeof(FILE_ALLOCATED_RANGE_BUFFER);
    for (std::size_t i = 0; i < count; ++i)
      ranges.push_back({found[i].FileOffset.QuadPart, found[i].Length.QuadPart});
    if (complete) break;
    if (count == 0) ThrowWin32(error);
    const std::int64_t next = found[count - 1].FileOffset.QuadPart + found[count - 1].Length.QuadPart;
    query.FileOffset.QuadPart = next;
    query.Length.QuadPart = length - next;
  }
  return ranges;
}

std::int64_t CountFreeRecords(std::int64_t totalRecords,
                              const std::function<std::int64_t(std::int64_t)>& inUseAtOrBelow) {
  std::int64_t used = 0;
  for (std::int64_t next = totalRecords - 1; next >= 0;) {
    const std::int64_t found = inUseAtOrBelow(next);
    if (found < 0 || found > next) break;
    ++used;
    next = found - 1;
  }
  return totalRecords - used;
}

FileRecordTable FileRecordsOf(const std::wstring& root) {
  FileRecordTable table;
  if (root.size() != 3 || root[1] != L':') {
    table.reason = "the volume has no drive letter";
    return table;
  }
  const std::wstring device = L"\\\\.\\" + root.substr(0, 2);
  const VolumeHandle volume(::CreateFileW(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
  if (volume.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    table.reason =
        error == ERROR_ACCESS_DENIED ? "reading them takes the administrator's rights" : SystemMessage(error);
    return table;
  }
  NTFS_VOLUME_DATA_BUFFER data{};
  DWORD returned = 0;
  if (!::DeviceIoControl(volume.get(), FSCTL_GET_NTFS_VOLUME_DATA, nullptr, 0, &data, sizeof data, &returned,
                         nullptr)) {
    table.reason = SystemMessage(::GetLastError());
    return table;
  }
  const std::int64_t recordSize = data.BytesPerFileRecordSegment;
  if (recordSize <= 0) {
    table.reason = "the volume tells no size of its file records";
    return table;
  }
  std::vector<std::uint64_t> record((sizeof(NTFS_FILE_RECORD_OUTPUT_BUFFER) + recordSize) / 8 + 1);
  std::string failure;
  const std::int64_t free = CountFreeRecords(
      data.MftValidDataLength.QuadPart / recordSize, [&](std::int64_t number) -> std::int64_t {
        NTFS_FILE_RECORD_INPUT_BUFFER input{};
        input.FileReferenceNumber.QuadPart = number;
        DWORD got = 0;
        if (!::DeviceIoControl(volume.get(), FSCTL_GET_NTFS_FILE_RECORD, &input, sizeof input, record.data(),
                               static_cast<DWORD>(record.size() * 8), &got, nullptr)) {
          failure = SystemMessage(::GetLastError());
          return -1;
        }
        const auto* output = reinterpret_cast<const NTFS_FILE_RECORD_OUTPUT_BUFFER*>(record.data());
        // The record's number is the reference's lower 48 bits; the rest is its sequence number.
        return output->FileReferenceNumber.QuadPart & 0xFFFFFFFFFFFFLL;
      });
  if (!failure.empty()) {
    table.reason = failure;
    return table;
  }
  table.known = true;
  table.freeRecords = free;
  table.recordSize = recordSize;
  return table;
}

int ShadowCopiesOf(const std::wstring& volumeName) {
  int count = -1;
  // COM on a thread of its own, so the caller's thread keeps whatever it had.
  std::thread asking([&] {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return;
    // The service answers only a caller whose security allows it to identify the caller; another call
    // before this one (RPC_E_TOO_LATE) has set it already.
    ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                           RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
    count = CountShadowCopies(volumeName);
    ::CoUninitialize();
  });
  asking.join();
  return count;
}

}  // namespace nulvane::platform
