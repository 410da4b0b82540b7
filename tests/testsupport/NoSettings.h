#pragma once

#include <string>

#include "platform/SettingsBackend.h"

namespace nulvane::testing {

// A settings store that keeps nothing: no stored speed is ever offered, and nothing reaches the user's
// real configuration folder.
class NoSettings : public platform::SettingsBackend {
 public:
  platform::KeyResult CreateOrOpenKey(const std::string&) override {
    return {platform::KeyDisposition::Existed, 0};
  }
  int WriteString(const std::string&, const std::string&, const std::string&) override { return 0; }
  bool OpenKeyForReading(const std::string&) override { return false; }
  platform::ReadResult ReadString(const std::string&, const std::string&) override { return {}; }
  std::string StatusMessage(int) override { return ""; }
};

}  // namespace nulvane::testing
