#pragma once

#include <string>

#include "platform/SettingsBackend.h"

namespace nulvane::platform {

// The per-user registry itself: key "Software\<maker>\<program>\<drive>" under HKEY_CURRENT_USER, values of
// type REG_SZ. Creating a key tells whether it was new, as the registry reports it.
class RegistrySettingsBackend final : public SettingsBackend {
 public:
  // `base`: a key under HKEY_CURRENT_USER that holds every key path instead of the hive's top (for tests).
  explicit RegistrySettingsBackend(std::string base = {});

  KeyResult CreateOrOpenKey(const std::string& keyPath) override;
  int WriteString(const std::string& keyPath, const std::string& name, const std::string& value) override;
  bool OpenKeyForReading(const std::string& keyPath) override;
  ReadResult ReadString(const std::string& keyPath, const std::string& name) override;
  std::string StatusMessage(int status) override;

  // Removes the base key with everything below it; for tests.
  void RemoveBase();

 private:
  std::wstring KeyOf(const std::string& keyPath) const;

  std::string base_;
};

}  // namespace nulvane::platform
