#include "support/SettingsStore.h"

#include "support/Format.h"

namespace nulvane::support {

using platform::KeyDisposition;
using platform::ReadStatus;

namespace {
constexpr std::size_t kMaxMessageLength = 100;
}

SettingsStore::SettingsStore(platform::SettingsBackend& backend, const std::string& makerFolder,
                             const std::string& programName)
    : backend_(backend), programKey_("Software\\" + makerFolder + "\\" + programName) {}

std::string SettingsStore::SaveSetting(Hive, const std::string& keyPath, const std::string& valueName,
                                       const std::string& valueText) {
  const platform::KeyResult key = backend_.CreateOrOpenKey(keyPath);
  std::string result;
  switch (key.disposition) {
    case KeyDisposition::Failed:
      return std::to_string(key.status) + " Unable to create (or find) key.";
    case KeyDisposition::Created:
      result = "0 New key created.";
      break;
    case KeyDisposition::Existed:
      result = "0 Key already exists.";
      break;
    case KeyDisposition::Anomaly:
      result = "0 Key anomaly.";
      break;
  }
  const int status = backend_.WriteString(keyPath, valueName, valueText);
  return result + "  " + backend_.StatusMessage(status).substr(0, kMaxMessageLength);
}

std::string SettingsStore::RestoreSetting(Hive, const std::string& keyPath, const std::string& valueName,
                                          std::string& valueText) {
  if (keyPath.empty() || !backend_.OpenKeyForReading(keyPath)) return "1 Key not found or is empty.";
  if (valueName.empty()) return "2 Name not specified.";
  platform::ReadResult read = backend_.ReadString(keyPath, valueName);
  if (read.status == ReadStatus::NotFound) return "3 Name not found.";
  TrimTrailingControls(read.value);
  valueText = read.value;
  if (valueText.empty()) return "0 Empty value";
  return read.status == ReadStatus::Found ? "0 OK" : "0";
}

}  // namespace nulvane::support
