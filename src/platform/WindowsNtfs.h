#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FileStorage.h"

namespace nulvane::platform {

// What Windows file systems keep of a file beside its main contents, reached on the file's open handle:
// its named data streams, its compression and its sparse ranges; and, for a volume, its table of file
// records and its shadow copies. Only for the Windows build.

// The named data streams in a FILE_STREAM_INFO list as the system fills it (`size` bytes long): the main
// stream ("::$DATA") is left out.
std::vector<NamedStream> ParseStreamList(const void* list, std::size_t size);

// The named data streams of the open file. With `strict`, a file system that keeps named streams and does
// not tell them throws; without, it gives none (for a listing, which must not stop at one file).
std::vector<NamedStream> NamedStreamsOf(File::Handle file, bool strict);

// Opens the named stream of the open file relative to the file's handle, so the stream is the file's
// whatever its path has come to name; 0 (NTSTATUS) with the handle, else the status.
long TryOpenStreamOf(File::Handle file, const std::string& stream, unsigned long access, unsigned long share,
                     File::Handle& opened);
// Whether the system refuses a relative open (a network redirector does): the stream is opened by path then.
bool RelativeOpenRefused(long status);

// Stores the open file's (or stream's) data uncompressed, where it is compressed: true when it was. A file
// system that compresses nothing gives false. Throws when the data cannot be decompressed (61 on a full
// volume).
bool DecompressData(File::Handle file);

// The ranges of the first `length` bytes that take room on the disk: of a sparse file its allocated ranges,
// of any other file the whole length. Throws when a sparse file's ranges cannot be read.
std::vector<ByteRange> AllocatedRangesOf(File::Handle file, std::int64_t length);

// The free records of a table of `totalRecords`, counted with `inUseAtOrBelow`, which gives the number of
// the highest record in use at or below the one asked for (-1 when there is none): one call per record in
// use, from the top down.
std::int64_t CountFreeRecords(std::int64_t totalRecords,
                              const std::function<std::int64_t(std::int64_t)>& inUseAtOrBelow);

// The file record table of the NTFS volume whose root is `root` ("C:\"), read through the volume's handle,
// which only an administrator may open.
FileRecordTable FileRecordsOf(const std::wstring& root);

// The shadow copies that the Volume Shadow Copy Service keeps of the volume (its name as
// GetVolumeNameForVolumeMountPoint gives it, "\\?\Volume{...}\"): their number, or -1 when the service
// cannot be asked (that takes the administrator's rights).
int ShadowCopiesOf(const std::wstring& volumeName);

}  // namespace nulvane::platform
