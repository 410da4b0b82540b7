#pragma once

#include <string>

namespace nulvane::platform {

// How CreateOrOpenKey obtained a key.
enum class KeyDisposition { Created, Existed, Anomaly, Failed };

struct KeyResult {
  KeyDisposition disposition = KeyDisposition::Failed;
  int status = 0;  // 0 on success, else the store's status number
};

enum class ReadStatus { Found, NotFound, Error };

// `value` holds what the store returned; with Error it may still hold a value that was read.
struct ReadResult {
  ReadStatus status = ReadStatus::NotFound;
  std::string value;
  int statusNumber = 0;
};

// The per-user store of named string values under backslash-separated key paths
// ("Software\maker\program\drive"). The Qt implementation keeps them in an INI file; a Windows build would
// use the registry. No toolkit type crosses this interface.
class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;

  // Creates the key, or opens it when it exists.
  virtual KeyResult CreateOrOpenKey(const std::string& keyPath) = 0;
  // Writes one string value under the key and makes it durable; returns the status (0 = success).
  virtual int WriteString(const std::string& keyPath, const std::string& name, const std::string& value) = 0;
  // True when the key exists and can be read.
  virtual bool OpenKeyForReading(const std::string& keyPath) = 0;
  virtual ReadResult ReadString(const std::string& keyPath, const std::string& name) = 0;
  // The system's message text for a status number.
  virtual std::string StatusMessage(int status) = 0;
};

}  // namespace nulvane::platform
