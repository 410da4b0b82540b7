#include "platform/settings/QtSettingsBackend.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSettings>
#include <QStringList>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace nulvane::platform {
namespace {

std::vector<std::string> SplitKeyPath(const std::string& keyPath) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : keyPath + '\\') {
    if (c != '\\') {
      part += c;
    } else if (!part.empty()) {
      parts.push_back(std::move(part));
      part.clear();
    }
  }
  return parts;
}

bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

int StatusNumber(QSettings::Status status) {
  switch (status) {
    case QSettings::NoError:
      return 0;
    case QSettings::AccessError:
      return EACCES;
    case QSettings::FormatError:
      return EINVAL;
  }
  return EIO;
}

QString ToQt(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool GroupHasEntries(QSettings& settings, const std::string& group) {
  if (!group.empty()) settings.beginGroup(ToQt(group));
  const bool any = !settings.childKeys().isEmpty() || !settings.childGroups().isEmpty();
  if (!group.empty()) settings.endGroup();
  return any;
}

// The rename that replaced the file is durable only once its folder is flushed too.
void FlushFolder(const std::string& file) {
  const std::string folder = std::filesystem::path(file).parent_path().string();
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  ::fsync(descriptor);
  ::close(descriptor);
}

}  // namespace

QtSettingsBackend::QtSettingsBackend(std::string configFolder) : configFolder_(std::move(configFolder)) {
  if (configFolder_.empty()) {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
      configFolder_ = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
      configFolder_ = std::string(home) + "/.config";
    }
  }
}

namespace {

std::string Escape(const std::string& name, char escape, bool keepUnderscore) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
        byte == '-' || byte == '.' || (keepUnderscore && byte == '_')) {
      escaped += c;
    } else {
      escaped += escape;
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 15];
    }
  }
  return escaped;
}

}  // namespace

std::string QtSettingsBackend::EscapeKeyName(const std::string& name) {
  return Escape(name, '_', false);
}

std::string QtSettingsBackend::LegacyEscapeKeyName(const std::string& name) {
  return Escape(name, '%', true);
}

QtSettingsBackend::Location QtSettingsBackend::LocationOf(const std::string& keyPath) const {
  std::vector<std::string> parts = SplitKeyPath(keyPath);
  if (!parts.empty() &&
      QString::fromStdString(parts.front()).compare(QStringLiteral("Software"), Qt::CaseInsensitive) == 0) {
    parts.erase(parts.begin());
  }
  if (configFolder_.empty() || parts.size() < 2 || !IsPlainFileName(parts[0]) || !IsPlainFileName(parts[1])) {
    return {};
  }
  Location location;
  location.file = configFolder_ + "/" + parts[0] + "/" + parts[1] + ".ini";
  for (std::size_t i = 2; i < parts.size(); ++i) {
    if (!location.group.empty()) location.group += '/';
    location.group += EscapeKeyName(parts[i]);
    if (!location.legacyGroup.empty()) location.legacyGroup += '/';
    location.legacyGroup += LegacyEscapeKeyName(parts[i]);
  }
  return location;
}

KeyResult QtSettingsBackend::CreateOrOpenKey(const std::string& keyPath) {
  const Location location = LocationOf(keyPath);
  if (location.file.empty()) return {KeyDisposition::Failed, EINVAL};
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(location.file).parent_path(), error);
  if (error) return {KeyDisposition::Failed, error.value()};

  QSettings settings(ToQt(location.file), QSettings::IniFormat);
  if (settings.status() != QSettings::NoError)
    return {KeyDisposition::Failed, StatusNumber(settings.status())};
  if (!settings.isWritable()) return {KeyDisposition::Failed, EACCES};
  const bool exists = location.group.empty() ? std::filesystem::exists(location.file, error)
                                             : GroupHasEntries(settings, location.group) ||
                                                   GroupHasEntries(settings, location.legacyGroup);
  return {exists ? KeyDisposition::Existed : KeyDisposition::Created, 0};
}

int QtSettingsBackend::WriteString(const std::string& keyPath, const std::string& name,
                                   const std::string& value) {
  const Location location = LocationOf(keyPath);
  if (location.file.empty() || name.empty()) return EINVAL;
  QSettings settings(ToQt(location.file), QSettings::IniFormat);
  // Never fall back to rewriting the file in place: a crash then could leave it half written.
  settings.setAtomicSyncRequired(true);
  if (settings.status() != QSettings::NoError) return StatusNumber(settings.status());
  if (!location.group.empty()) settings.beginGroup(ToQt(location.group));
  const QString key = ToQt(EscapeKeyName(name));
  const bool hadValue = settings.contains(key);
  const QVariant previous = settings.value(key);
  settings.setValue(key, ToQt(value));
  settings.sync();
  const int status = StatusNumber(settings.status());
  if (status == 0) {
    FlushFolder(location.file);
  } else {
    // The toolkit keeps an unwritten change in its process-wide cache, where later reads would find it;
    // put back what the file still holds.
    if (hadValue) {
      settings.setValue(key, previous);
    } else {
      settings.remove(key);
    }
    settings.sync();
  }
  return status;
}

bool QtSettingsBackend::OpenKeyForReading(const std::string& keyPath) {
  const Location location = LocationOf(keyPath);
  std::error_code error;
  if (location.file.empty() || !std::filesystem::is_regular_file(location.file, error)) return false;
  QSettings settings(ToQt(location.file), QSettings::IniFormat);
  return location.group.empty() || GroupHasEntries(settings, location.group) ||
         GroupHasEntries(settings, location.legacyGroup);
}

ReadResult QtSettingsBackend::ReadString(const std::string& keyPath, const std::string& name) {
  const Location location = LocationOf(keyPath);
  if (location.file.empty() || name.empty()) return {ReadStatus::NotFound, {}, ENOENT};
  QSettings settings(ToQt(location.file), QSettings::IniFormat);
  // The value as this version writes it, else as an earlier version did.
  QString key = ToQt(EscapeKeyName(name));
  if (!location.group.empty()) key = ToQt(location.group) + QLatin1Char('/') + key;
  if (!settings.contains(key)) {
    key = ToQt(LegacyEscapeKeyName(name));
    if (!location.legacyGroup.empty()) key = ToQt(location.legacyGroup) + QLatin1Char('/') + key;
  }
  if (!settings.contains(key)) return {ReadStatus::NotFound, {}, ENOENT};
  const QVariant stored = settings.value(key);
  // A hand-edited value with unquoted commas comes back as a list.
  const QString text = stored.typeId() == QMetaType::QStringList
                           ? stored.toStringList().join(QStringLiteral(", "))
                           : stored.toString();
  const int status = StatusNumber(settings.status());
  return {status == 0 ? ReadStatus::Found : ReadStatus::Error, text.toStdString(), status};
}

std::string QtSettingsBackend::StatusMessage(int status) {
  return std::strerror(status);
}

}  // namespace nulvane::platform
