// A path the user types is made absolute as the system's own shell reads it.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using platform::AbsolutePath;

// The working folder for the length of a test.
class InFolder {
 public:
  explicit InFolder(const std::string& folder) : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(PathOf(folder));
  }
  ~InFolder() { std::filesystem::current_path(before_); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  std::filesystem::path before_;
};

TEST(EnvironmentTest, ATypedPathIsReadAgainstTheWorkingFolderAsTheShellReadsIt) {
  TempDir dir;
  const InFolder in(dir.path());
  const std::string working = platform::CurrentFolder();
  ASSERT_FALSE(working.empty());
  EXPECT_EQ(AbsolutePath(""), "");
  EXPECT_EQ(AbsolutePath("a.txt"), working + platform::kPathSeparator + "a.txt");
#ifdef _WIN32
  const std::string drive = working.substr(0, 2);
  ASSERT_EQ(drive[1], ':');
  // "dir C:" lists the drive's working folder, not its root; "C:." is that folder too.
  EXPECT_EQ(AbsolutePath(drive), working);
  EXPECT_EQ(AbsolutePath(drive + "."), working + "\\.");
  EXPECT_EQ(AbsolutePath(drive + "a.txt"), working + "\\a.txt");
  EXPECT_EQ(AbsolutePath(drive + "..\\a.txt"), working + "\\..\\a.txt");
  // From the root of the working folder's drive.
  EXPECT_EQ(AbsolutePath("\\Data\\a.txt"), drive + "\\Data\\a.txt");
  // Complete already, or for the file system alone to read (or refuse).
  for (const std::string& complete :
       {drive + "\\", drive + "\\Data", std::string("\\\\server\\share\\a.txt"),
        std::string("\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\a.txt"),
        std::string("\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\a.txt")})
    EXPECT_EQ(AbsolutePath(complete), complete);
#else
  EXPECT_EQ(AbsolutePath("/srv/a.txt"), "/srv/a.txt");
  EXPECT_EQ(AbsolutePath("../a.txt"), working + "/../a.txt");
#endif
}

}  // namespace
}  // namespace nulvane::testing
