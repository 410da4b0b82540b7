// The command line's settings backend: the module with the toolkit is loaded at the first setting.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "platform/DeferredSettingsBackend.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using platform::DeferredSettingsBackend;

// The module's backend reads $XDG_CONFIG_HOME when it is made, at the first setting.
class ConfigHome {
 public:
  explicit ConfigHome(const std::string& folder) {
    if (const char* old = ::getenv("XDG_CONFIG_HOME")) old_ = old;
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  }
  ~ConfigHome() {
    if (old_.empty()) {
      ::unsetenv("XDG_CONFIG_HOME");
    } else {
      ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    }
  }

 private:
  std::string old_;
};

TEST(DeferredSettingsBackendTest, TheModuleIsLoadedAtTheFirstSettingAndKeepsItsValues) {
  TempDir temp;
  const ConfigHome home(temp.path());
  // The first path is missing: the next one is tried.
  DeferredSettingsBackend backend({temp / "nowhere.so", NULVANE_SETTINGS_MODULE});
  EXPECT_FALSE(backend.Loaded());

  EXPECT_EQ(backend.WriteString("Software\\Maker\\Program\\drive", "speed", "12.5"), 0);
  EXPECT_TRUE(backend.Loaded());
  const platform::ReadResult read = backend.ReadString("Software\\Maker\\Program\\drive", "speed");
  EXPECT_EQ(read.status, platform::ReadStatus::Found);
  EXPECT_EQ(read.value, "12.5");
  EXPECT_TRUE(Exists(temp / "Maker/Program.ini"));
}

TEST(DeferredSettingsBackendTest, WithoutItsModuleEveryOperationFailsAndSaysWhy) {
  TempDir temp;
  const ConfigHome home(temp.path());
  const std::string notAModule = temp.Write("text.so", "not a library");
  DeferredSettingsBackend backend({temp / "nowhere.so", notAModule});

  const platform::KeyResult key = backend.CreateOrOpenKey("Software\\Maker\\Program");
  EXPECT_EQ(key.disposition, platform::KeyDisposition::Failed);
  EXPECT_NE(key.status, 0);
  EXPECT_NE(backend.WriteString("Software\\Maker\\Program", "speed", "1"), 0);
  EXPECT_FALSE(backend.OpenKeyForReading("Software\\Maker\\Program"));
  EXPECT_EQ(backend.ReadString("Software\\Maker\\Program", "speed").status, platform::ReadStatus::Error);
  const std::string message = backend.StatusMessage(key.status);
  EXPECT_EQ(message.rfind("The settings cannot be reached: ", 0), 0u) << message;
  EXPECT_NE(message.find("nowhere.so"), std::string::npos) << message;
  EXPECT_FALSE(backend.Loaded());
  EXPECT_FALSE(Exists(temp / "Maker"));
}

// Never a path the working folder or the system's library path would complete: a module found there could
// be anybody's.
TEST(DeferredSettingsBackendTest, AProgramLooksBesideItselfThenInTheInstalledFoldersOnlyByAbsolutePaths) {
  const std::string installed = "/usr/lib/nulvane/nulvane-settings.so";
  EXPECT_EQ(DeferredSettingsBackend::ModulePathsFor("/opt/nulvane/bin/", installed),
            (std::vector<std::string>{"/opt/nulvane/bin/nulvane-settings.so",
                                      "/opt/nulvane/bin/../lib/nulvane/nulvane-settings.so", installed}));
  // Where the program cannot tell where it lies (no /proc), only where the build installs the module.
  EXPECT_EQ(DeferredSettingsBackend::ModulePathsFor("", installed), std::vector<std::string>{installed});
  EXPECT_EQ(DeferredSettingsBackend::ModulePathsFor("bin/", "lib/nulvane/nulvane-settings.so"),
            std::vector<std::string>{});
}

}  // namespace
}  // namespace nulvane::testing
