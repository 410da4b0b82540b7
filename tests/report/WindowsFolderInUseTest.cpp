// A folder that another program holds without sharing it cannot be walked: the run says so, as it does of
// any failure but a missing right, instead of passing the folder over as if it held nothing to purge.
#include <gtest/gtest.h>

#include "platform/PlatformError.h"
#include "platform/WindowsText.h"
#include "report/ReportTestSupport.h"

// After the program's headers: windows.h spells CreateFile as a macro.
// clang-format off
#include <windows.h>
#undef CreateFile
// clang-format on

namespace nulvane::testing {
namespace {

TEST(WindowsFolderInUse, AFolderHeldByAnotherProgramIsReportedNotPassedOver) {
  ReportProgram p;
  p.dir.Write("held/a.txt", "1");
  const HANDLE held = ::CreateFileW(platform::Widen(p.dir / "held").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  p.ui.AnswerOkByDefault();
  p.Purge(p.dir.path(), "*.*", true);
  ::CloseHandle(held);

  ASSERT_EQ(p.ui.messages().size(), 1u) << p.report.txbText.text();
  EXPECT_EQ(p.ui.messages()[0].text,
            "Error #" + std::to_string(platform::ErrorNumberFromErrno(EBUSY)) + " with " + p.dir / "held/");
  EXPECT_TRUE(p.report.blnStop);
  EXPECT_TRUE(Exists(p.dir / "held/a.txt"));
}

}  // namespace
}  // namespace nulvane::testing
