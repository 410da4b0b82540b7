#pragma once

#include <string>
#include <vector>

#include "platform/SettingsBackend.h"

namespace nulvane::platform {

// Keeps the values in INI files: key "Software\<maker>\<program>\<sub>\..." lives in
// <config folder>/<maker>/<program>.ini, group "<sub>/...". Each sub-key name is escaped (a drive such as
// "/home" holds the toolkit's group separator) into characters the toolkit writes as they are, so the file
// shows each name escaped once. Values that earlier versions stored under twice-escaped names are still
// read. Writes replace the file atomically (a temporary file renamed over it) and are checked.
class QtSettingsBackend final : public SettingsBackend {
 public:
  // `configFolder` empty: $XDG_CONFIG_HOME, else ~/.config.
  explicit QtSettingsBackend(std::string configFolder = {});

  KeyResult CreateOrOpenKey(const std::string& keyPath) override;
  int WriteString(const std::string& keyPath, const std::string& name, const std::string& value) override;
  bool OpenKeyForReading(const std::string& keyPath) override;
  ReadResult ReadString(const std::string& keyPath, const std::string& name) override;
  std::string StatusMessage(int status) override;

  // Where a key is kept: the INI file and the group inside it; empty file when the path names no program.
  struct Location {
    std::string file;
    std::string group;
    std::string legacyGroup;  // where earlier versions kept the key
  };
  Location LocationOf(const std::string& keyPath) const;

  // A key or value name as a name that holds only letters, digits, "-" and "." (every other byte as "_" and
  // two hex digits), which the toolkit writes unchanged.
  static std::string EscapeKeyName(const std::string& name);
  // The names of earlier versions: letters, digits, "_", "-" and "." kept, others as %XX (which the toolkit
  // then escaped a second time, to %25XX, in the file).
  static std::string LegacyEscapeKeyName(const std::string& name);

 private:
  std::string configFolder_;
};

}  // namespace nulvane::platform
