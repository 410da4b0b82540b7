#include "platform/settings/RegistrySettingsBackend.h"

#include <windows.h>

#include <utility>

#include "platform/PlatformError.h"
#include "platform/WindowsText.h"

namespace nulvane::platform {

namespace {

class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// A text that cannot cross into UTF-16 (never one the program made) fails like a bad name.
bool ToWide(const std::string& text, std::wstring& wide) {
  try {
    wide = Widen(text);
    return true;
  } catch (const PlatformError&) {
    return false;
  }
}

}  // namespace

RegistrySettingsBackend::RegistrySettingsBackend(std::string base) : base_(std::move(base)) {}

std::wstring RegistrySettingsBackend::KeyOf(const std::string& keyPath) const {
  std::wstring key;
  if (!ToWide(base_.empty() ? keyPath : base_ + (keyPath.empty() ? "" : "\\" + keyPath), key)) return {};
  return key;
}

KeyResult RegistrySettingsBackend::CreateOrOpenKey(const std::string& keyPath) {
  const std::wstring path = KeyOf(keyPath);
  if (path.empty()) return {KeyDisposition::Failed, ERROR_INVALID_NAME};
  Key key;
  DWORD disposition = 0;
  const LSTATUS status =
      ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.out(), &disposition);
  if (status != ERROR_SUCCESS) return {KeyDisposition::Failed, static_cast<int>(status)};
  switch (disposition) {
    case REG_CREATED_NEW_KEY:
      return {KeyDisposition::Created, 0};
    case REG_OPENED_EXISTING_KEY:
      return {KeyDisposition::Existed, 0};
    default:
      return {KeyDisposition::Anomaly, 0};
  }
}

int RegistrySettingsBackend::WriteString(const std::string& keyPath, const std::string& name,
                                         const std::string& value) {
  const std::wstring path = KeyOf(keyPath);
  std::wstring wideName;
  std::wstring wideValue;
  if (path.empty() || !ToWide(name, wideName) || !ToWide(value, wideValue)) return ERROR_INVALID_NAME;
  Key key;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, key.out(), nullptr);
  if (status != ERROR_SUCCESS) return static_cast<int>(status);
  // With its terminating zero, as the registry expects a REG_SZ value to be stored.
  const auto bytes = static_cast<DWORD>((wideValue.size() + 1) * sizeof(wchar_t));
  status = ::RegSetValueExW(key.get(), wideName.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(wideValue.c_str()), bytes);
  if (status != ERROR_SUCCESS) return static_cast<int>(status);
  // A measured speed is written rarely; it should survive a power cut right after.
  return static_cast<int>(::RegFlushKey(key.get()));
}

bool RegistrySettingsBackend::OpenKeyForReading(const std::string& keyPath) {
  const std::wstring path = KeyOf(keyPath);
  if (path.empty()) return false;
  Key key;
  return ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

ReadResult RegistrySettingsBackend::ReadString(const std::string& keyPath, const std::string& name) {
  const std::wstring path = KeyOf(keyPath);
  std::wstring wideName;
  if (path.empty() || !ToWide(name, wideName)) return {ReadStatus::NotFound, {}, ERROR_FILE_NOT_FOUND};
  Key key;
  LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key.out());
  if (status != ERROR_SUCCESS) return {ReadStatus::NotFound, {}, static_cast<int>(status)};
  DWORD type = 0;
  DWORD size = 0;
  status = ::RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return {ReadStatus::NotFound, {}, static_cast<int>(status)};
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  status = ::RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (status == ERROR_FILE_NOT_FOUND) return {ReadStatus::NotFound, {}, static_cast<int>(status)};
  buffer.resize(size / sizeof(wchar_t));
  // Trailing zeros and line breaks are the caller's to drop.
  return {status == ERROR_SUCCESS ? ReadStatus::Found : ReadStatus::Error, Narrow(buffer),
          static_cast<int>(status)};
}

std::string RegistrySettingsBackend::StatusMessage(int status) {
  return SystemMessage(static_cast<unsigned long>(status));
}

void RegistrySettingsBackend::RemoveBase() {
  if (base_.empty()) return;
  std::wstring path;
  if (ToWide(base_, path)) ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
}

}  // namespace nulvane::platform
