// What Windows keeps beside a file's main contents: the stream list as the system fills it, the free
// records of a file table, and what a system without streams, compression or shadow copies (Wine) answers.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/WindowsFileSystem.h"
#include "platform/WindowsNtfs.h"
#include "testsupport/TempDir.h"

// clang-format off
#include <windows.h>
#undef CreateFile
// clang-format on

namespace nulvane::testing {
namespace {

using platform::NamedStream;

// A FILE_STREAM_INFO list of the given names and sizes, each entry aligned as the system aligns them.
std::vector<std::uint64_t> StreamList(const std::vector<std::pair<std::wstring, std::int64_t>>& streams) {
  std::vector<std::uint64_t> buffer(512);
  auto* bytes = reinterpret_cast<unsigned char*>(buffer.data());
  std::size_t at = 0;
  for (std::size_t i = 0; i < streams.size(); ++i) {
    auto* entry = reinterpret_cast<FILE_STREAM_INFO*>(bytes + at);
    const std::wstring& name = streams[i].first;
    entry->StreamNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    entry->StreamSize.QuadPart = streams[i].second;
    entry->StreamAllocationSize.QuadPart = (streams[i].second + 4095) / 4096 * 4096;
    std::memcpy(entry->StreamName, name.data(), name.size() * sizeof(wchar_t));
    const std::size_t length = (offsetof(FILE_STREAM_INFO, StreamName) + entry->StreamNameLength + 7) / 8 * 8;
    entry->NextEntryOffset = i + 1 < streams.size() ? static_cast<DWORD>(length) : 0;
    at += length;
  }
  return buffer;
}

TEST(WindowsNtfsTest, TheStreamListGivesTheNamedDataStreamsWithoutTheMainOne) {
  const std::vector<std::uint64_t> list = StreamList({{L"::$DATA", 11},
                                                      {L":hidden:$DATA", 3600},
                                                      {L":Zone.Identifier:$DATA", 15},
                                                      {L":\u00e9t\u00e9 \u6587:$data", 1},
                                                      {L":odd", 5}});
  const std::vector<NamedStream> streams = platform::ParseStreamList(list.data(), list.size() * 8);
  EXPECT_EQ(streams, (std::vector<NamedStream>{
                         {"hidden", 3600}, {"Zone.Identifier", 15}, {"\xc3\xa9t\xc3\xa9 \xe6\x96\x87", 1}}));

  // A list cut short by its buffer ends where the buffer does.
  EXPECT_EQ(platform::ParseStreamList(list.data(), 40), std::vector<NamedStream>{});
  EXPECT_EQ(platform::ParseStreamList(list.data(), 0), std::vector<NamedStream>{});
}

TEST(WindowsNtfsTest, FreeRecordsAreCountedFromTheTopDownOnePerRecordInUse) {
  const std::set<std::int64_t> inUse = {0, 1, 2, 3, 5, 9, 10, 31};
  int asked = 0;
  const auto highestAtOrBelow = [&](std::int64_t number) -> std::int64_t {
    ++asked;
    for (std::int64_t record = number; record >= 0; --record) {
      if (inUse.count(record) > 0) return record;
    }
    return -1;
  };
  EXPECT_EQ(platform::CountFreeRecords(32, highestAtOrBelow), 24);
  EXPECT_EQ(asked, 8);
  EXPECT_EQ(platform::CountFreeRecords(0, highestAtOrBelow), 0);
  // A table that cannot be read further counts what was read as in use, no more.
  EXPECT_EQ(platform::CountFreeRecords(32, [](std::int64_t) { return -1; }), 32);
}

// Wine keeps no named streams, compresses nothing and has no shadow copy service: each is answered as
// "none" or "not known", never as an error that would stop every purge, and never as a count it has not.
TEST(WindowsNtfsTest, ASystemWithoutStreamsCompressionOrShadowCopiesSaysSo) {
  TempDir dir;
  const std::string path = dir.Write("plain.txt", "plain contents");
  platform::WindowsFileSystem fs;
  platform::File file = fs.OpenForWriting(path);
  DWORD flags = 0;
  ASSERT_TRUE(
      ::GetVolumeInformationByHandleW(file.NativeHandle(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0));
  if ((flags & FILE_NAMED_STREAMS) != 0) GTEST_SKIP() << "this volume keeps named streams";
  EXPECT_TRUE(platform::NamedStreamsOf(file.NativeHandle(), true).empty());
  EXPECT_FALSE(platform::DecompressData(file.NativeHandle()));

  const platform::FileRecordTable records = platform::FileRecordsOf(L"C:\\");
  EXPECT_FALSE(records.known);
  EXPECT_FALSE(records.reason.empty());
  EXPECT_EQ(platform::ShadowCopiesOf(L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\"), -1);
}

}  // namespace
}  // namespace nulvane::testing
