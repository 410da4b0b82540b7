#include <gtest/gtest.h>

#include "support/FileLength.h"
#include "support/Format.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/Platform.h"
#include "testsupport/TempDir.h"

namespace nulvane::support {
namespace {

TEST(FileLengthTest, RegularFilesOnly) {
  testing::TempDir dir;
  testing::FaultyFileSystem fs;
  const std::string file = dir.Write("a.bin", testing::SampleContent(3000));
  const std::string empty = dir.Write("empty", "");
  ASSERT_TRUE(testing::MakeLink(file, dir / "link"));
  EXPECT_EQ(GetFileLength(fs, file), 3000);
  EXPECT_EQ(GetFileLength(fs, empty), 0);
  EXPECT_EQ(GetFileLength(fs, dir / "missing"), -platform::kErrorFileNotFound);
  EXPECT_EQ(GetFileLength(fs, dir / "a.bin/below"), -platform::kErrorFileNotFound);
  EXPECT_EQ(GetFileLength(fs, ""), -platform::kErrorFileNotFound);
  EXPECT_EQ(GetFileLength(fs, dir / "link"), -kErrorNotRegularFile);
  EXPECT_EQ(GetFileLength(fs, dir.path()), -kErrorNotRegularFile);
}

TEST(FileLengthTest, FailureGivesTheNegativeErrorNumber) {
  testing::TempDir dir;
  testing::FaultyFileSystem fs;
  const std::string file = dir.Write("a.bin", "abc");
  fs.Inject({"Status", "a.bin", EACCES});
  EXPECT_EQ(GetFileLength(fs, file), -platform::kErrorPermissionDenied);
  EXPECT_EQ(FileSizeText(fs, file, false), "");
}

TEST(FileLengthTest, LengthsBeyondFourGigabytesAreNotClamped) {
  testing::TempDir dir;
  testing::FaultyFileSystem fs;
  const std::string file = dir.Write("sparse", "");
  constexpr std::int64_t kLength = 5'000'000'000;
  {
    platform::File sparse = fs.OpenForWriting(file);
    fs.SetLength(sparse, kLength);
  }
  EXPECT_EQ(GetFileLength(fs, file), kLength);
  EXPECT_EQ(FileSizeText(fs, file, true), "4.66 GB");
  EXPECT_EQ(FileSizeText(fs, file, false), "4,768.37 MB");
}

TEST(FileLengthTest, SizeTextOfMissingOrEmptyPathIsEmpty) {
  testing::TempDir dir;
  testing::FaultyFileSystem fs;
  EXPECT_EQ(FileSizeText(fs, "", false), "");
  EXPECT_EQ(FileSizeText(fs, dir / "missing", true), "");
  EXPECT_EQ(FileSizeText(fs, dir.Write("small", "hello"), false), "5 bytes");
  EXPECT_EQ(FileSizeText(fs, dir.Write("zero", ""), true), "0 bytes");
}

}  // namespace
}  // namespace nulvane::support
