// The settings backend as a module of its own, which the command line loads only when it first needs a
// setting: starting it then costs nothing of the toolkit library and the libraries that library pulls in.
#include "platform/DeferredSettingsBackend.h"
#include "platform/settings/QtSettingsBackend.h"

extern "C" __attribute__((visibility("default"))) nulvane::platform::SettingsBackend*
nulvane_make_settings_backend() {
  return new nulvane::platform::QtSettingsBackend();
}

static_assert(
    std::is_same_v<decltype(&nulvane_make_settings_backend), nulvane::platform::SettingsModuleFactory>);
