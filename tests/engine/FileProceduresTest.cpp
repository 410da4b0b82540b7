#include <cerrno>
#include <ctime>

#include "EngineFixture.h"
#include "engine/FileProcedures.h"
#include "platform/PlatformError.h"
#include "support/FileServices.h"
#include "support/Locale.h"
#include "testsupport/Platform.h"

namespace nulvane::testing {
namespace {

TEST_F(EngineTest, FileTimesAreReadAndWritten) {
  const std::string path = dir.Write("t.dat", "x");
#ifdef _WIN32
  // To 100 ns, with the creation time, which Wine alone cannot set.
  const platform::FileTimes times{{1200000000, 500}, {1300000000, 700}, {1100000000, 900}};
#else
  const platform::FileTimes times{{1200000000, 5}, {1300000000, 7}};
#endif
  EXPECT_EQ(engine::SetFileTimes(fs, path, times), 0);
  const engine::SavedFileTimes saved = engine::GetFileTimes(fs, path);
  EXPECT_EQ(saved.status, 0);
  platform::FileTimes read = saved.times;
  if (RunningUnderWine()) read.creation = times.creation;
  EXPECT_EQ(read, times);

  EXPECT_EQ(engine::GetFileTimes(fs, dir / "missing").status, -1);
  EXPECT_EQ(engine::SetFileTimes(fs, dir / "missing", times), -3);
  fs.Inject({"SetTimes", "t.dat", EPERM});
  EXPECT_EQ(engine::SetFileTimes(fs, path, times), -4);
  fs.Inject({"StatusOfFile", "t.dat", EIO});
  EXPECT_EQ(engine::GetFileTimes(fs, path).status, -2);

  const std::string link = dir / "link";
  ASSERT_TRUE(MakeLink(path, link));
  EXPECT_EQ(engine::GetFileTimes(fs, link).status, -1);
}

TEST_F(EngineTest, FileDateTextIsTheModificationDateInTheLocaleFormat) {
  support::SetLocale({'.', ',', "%m/%d/%Y"});
  const std::string path = dir.Write("d.dat", "x");
  std::tm local{};
  local.tm_year = 2024 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 5;
  local.tm_hour = 14;
  local.tm_min = 7;
  local.tm_sec = 9;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  ASSERT_EQ(engine::SetFileTimes(fs, path, {{when, 0}, {when, 0}}), 0);

  EXPECT_EQ(engine::FileDateText(fs, path, false), "03/05/2024");
  EXPECT_EQ(engine::FileDateText(fs, path, true), "03/05/2024 14:07:09");
  EXPECT_EQ(engine::FileDateText(fs, "", true), "");
  EXPECT_EQ(engine::FileDateText(fs, dir / "missing", true), "");
}

TEST_F(EngineTest, FreeFileNameTakesTheSmallestUnusedNumber) {
  dir.Write("stub1", "");
  dir.Write("stub2", "");
  dir.MakeFolder("stub3");
  dir.Write("stub5", "");
  EXPECT_EQ(engine::FreeFileName(fs, dir / "stub"), dir / "stub4");
  EXPECT_EQ(engine::FreeFileName(fs, dir / "other"), dir / "other1");
  // A folder that cannot be searched ends the search instead of trying numbers for ever.
  fs.Inject({"Status", "stub", EACCES});
  EXPECT_THROW(engine::FreeFileName(fs, dir / "stub"), platform::PlatformError);
}

TEST_F(EngineTest, ChangeFileSizeCutsExtendsAndTests) {
  const std::string path = dir.Write("s.dat", "0123456789");
  EXPECT_EQ(engine.ChangeFileSize(path, -1), 0);
  EXPECT_EQ(ReadFile(path), "0123456789");
  EXPECT_EQ(engine.ChangeFileSize(path, 4), 0);
  EXPECT_EQ(ReadFile(path), "0123");
  EXPECT_EQ(engine.ChangeFileSize(path, 6), 0);
  EXPECT_EQ(ReadFile(path), std::string("0123\0\0", 6));
  EXPECT_TRUE(engine.FlushFile(path));

  EXPECT_LT(engine.ChangeFileSize(dir / "missing", -1), 0);
  EXPECT_FALSE(engine.FlushFile(dir / "missing"));
  fs.Inject({"OpenForWriting", "s.dat", EACCES, 0, 1});
  EXPECT_EQ(engine.ChangeFileSize(path, -1), -70);
  fs.Inject({"Flush", "s.dat", EIO});
  EXPECT_NE(support::flush_file(fs, path), 0);
  fs.Inject({"SetLength", "s.dat", ENOSPC});
  EXPECT_EQ(support::change_filesize(fs, path, 1 << 20), -61);
  EXPECT_EQ(ReadFile(path).size(), 6u);
}

}  // namespace
}  // namespace nulvane::testing
