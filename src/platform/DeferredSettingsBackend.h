#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/SettingsBackend.h"

namespace nulvane::platform {

// The file the settings backend is built into, apart from the programs that load it when they first need a
// setting, and the function in it that makes one.
constexpr const char* kSettingsModuleName = "nulvane-settings.so";
constexpr const char* kSettingsModuleFactory = "nulvane_make_settings_backend";
using SettingsModuleFactory = SettingsBackend* (*)();

// The settings backend of a program that must start quickly: the toolkit library that keeps the settings,
// with everything it pulls in, is loaded only when a setting is first read or written, from the first of
// `modulePaths` that loads. Where none loads, every operation fails with a status that StatusMessage
// explains, as a store that cannot be reached.
class DeferredSettingsBackend final : public SettingsBackend {
 public:
  explicit DeferredSettingsBackend(std::vector<std::string> modulePaths);
  ~DeferredSettingsBackend() override;

  // Where a program in `programFolder` finds the module: beside itself (a build tree), in its installed
  // tree's library folder, and then where the build installs it (`installedModule`), which is all that is
  // left where the program cannot tell where it lies (no /proc). Only absolute paths: a module is never
  // looked for in the working folder or the system's library path.
  static std::vector<std::string> ModulePathsFor(const std::string& programFolder,
                                                 const std::string& installedModule);
  // The same with the place this build installs the module in.
  static std::vector<std::string> ModulePathsFor(const std::string& programFolder);

  KeyResult CreateOrOpenKey(const std::string& keyPath) override;
  int WriteString(const std::string& keyPath, const std::string& name, const std::string& value) override;
  bool OpenKeyForReading(const std::string& keyPath) override;
  ReadResult ReadString(const std::string& keyPath, const std::string& name) override;
  std::string StatusMessage(int status) override;

  // Whether the module has been loaded: for tests.
  bool Loaded() const { return backend_ != nullptr; }

 private:
  // The loaded backend, or nullptr (with `failure_` saying why).
  SettingsBackend* Backend();

  std::vector<std::string> modulePaths_;
  bool tried_ = false;
  std::unique_ptr<SettingsBackend> backend_;
  std::string failure_;
};

}  // namespace nulvane::platform
