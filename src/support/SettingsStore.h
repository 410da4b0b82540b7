#pragma once

#include <string>

#include "platform/SettingsBackend.h"

namespace nulvane::support {

// The store that holds the keys; only the current user's is used.
enum class Hive { CurrentUser };

// Small named text values per user between runs. Each operation answers with a short result text whose first
// character is a status digit ("0 OK", "3 Name not found." ...); callers look only at that digit.
class SettingsStore {
 public:
  // `makerFolder` and `programName` are program texts 310 and 2; they form the program's own key.
  SettingsStore(platform::SettingsBackend& backend, const std::string& makerFolder,
                const std::string& programName);

  // "Software\<maker>\<program>".
  const std::string& ProgramKey() const { return programKey_; }

  std::string SaveSetting(Hive hive, const std::string& keyPath, const std::string& valueName,
                          const std::string& valueText);
  // `valueText` is set only when the result begins with "0".
  std::string RestoreSetting(Hive hive, const std::string& keyPath, const std::string& valueName,
                             std::string& valueText);

 private:
  platform::SettingsBackend& backend_;
  std::string programKey_;
};

}  // namespace nulvane::support
