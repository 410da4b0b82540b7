#include <dlfcn.h>

#include <algorithm>
#include <cerrno>

#include "platform/DeferredSettingsBackend.h"

namespace nulvane::platform {

namespace {

// The status of every operation when the module cannot be loaded: "Can not access a needed shared library".
constexpr int kModuleMissing = ELIBACC;

}  // namespace

DeferredSettingsBackend::DeferredSettingsBackend(std::vector<std::string> modulePaths)
    : modulePaths_(std::move(modulePaths)) {}

// The module stays loaded to the end of the process: the toolkit it pulls in is not made to be unloaded.
DeferredSettingsBackend::~DeferredSettingsBackend() = default;

std::vector<std::string> DeferredSettingsBackend::ModulePathsFor(const std::string& programFolder,
                                                                 const std::string& installedModule) {
  std::vector<std::string> paths;
  if (!programFolder.empty() && programFolder.front() == '/') {
    paths.push_back(programFolder + kSettingsModuleName);
    paths.push_back(programFolder + NULVANE_SETTINGS_MODULE_FROM_BIN + "/" + kSettingsModuleName);
  }
  if (!installedModule.empty() && installedModule.front() == '/' &&
      std::find(paths.begin(), paths.end(), installedModule) == paths.end())
    paths.push_back(installedModule);
  return paths;
}

std::vector<std::string> DeferredSettingsBackend::ModulePathsFor(const std::string& programFolder) {
  return ModulePathsFor(programFolder, NULVANE_INSTALLED_SETTINGS_MODULE);
}

SettingsBackend* DeferredSettingsBackend::Backend() {
  if (tried_) return backend_.get();
  tried_ = true;
  for (const std::string& path : modulePaths_) {
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      const char* error = ::dlerror();
      if (failure_.empty() && error != nullptr) failure_ = error;
      continue;
    }
    auto make = reinterpret_cast<SettingsModuleFactory>(::dlsym(module, kSettingsModuleFactory));
    if (make == nullptr) {
      failure_ = path + ": no settings backend in it";
      continue;
    }
    backend_.reset(make());
    return backend_.get();
  }
  if (failure_.empty()) failure_ = "no settings module to load";
  return nullptr;
}

KeyResult DeferredSettingsBackend::CreateOrOpenKey(const std::string& keyPath) {
  SettingsBackend* backend = Backend();
  if (backend == nullptr) return {KeyDisposition::Failed, kModuleMissing};
  return backend->CreateOrOpenKey(keyPath);
}

int DeferredSettingsBackend::WriteString(const std::string& keyPath, const std::string& name,
                                         const std::string& value) {
  SettingsBackend* backend = Backend();
  return backend == nullptr ? kModuleMissing : backend->WriteString(keyPath, name, value);
}

bool DeferredSettingsBackend::OpenKeyForReading(const std::string& keyPath) {
  SettingsBackend* backend = Backend();
  return backend != nullptr && backend->OpenKeyForReading(keyPath);
}

ReadResult DeferredSettingsBackend::ReadString(const std::string& keyPath, const std::string& name) {
  SettingsBackend* backend = Backend();
  if (backend == nullptr) return {ReadStatus::Error, {}, kModuleMissing};
  return backend->ReadString(keyPath, name);
}

std::string DeferredSettingsBackend::StatusMessage(int status) {
  SettingsBackend* backend = Backend();
  if (backend == nullptr) return "The settings cannot be reached: " + failure_;
  return backend->StatusMessage(status);
}

}  // namespace nulvane::platform
