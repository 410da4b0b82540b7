#include "support/ProgramText.h"

#include <algorithm>
#include <new>

#include "platform/PlatformError.h"

namespace nulvane::support {
namespace {

constexpr int kNothingRead = 0;
constexpr int kCannotOpen = -1;
constexpr int kParticularAllocation = -2;
constexpr int kTooMuchText = -3;
constexpr int kNotRecovered = -4;
constexpr int kBadNumber = -5;
constexpr int kEmptyFile = -6;
constexpr int kReadError = -7;
constexpr int kGeneralAllocation = -8;
constexpr int kMissingBase = -500;
constexpr int kTooLongBase = -1000;
constexpr int kDuplicateBase = -1500;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int follow;
    std::uint32_t code;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      follow = 1;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      follow = 2;
      code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      follow = 3;
      code = lead & 0x07;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(follow) >= text.size()) return false;
    for (int k = 1; k <= follow; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values above U+10FFFF.
    if ((follow == 2 && code < 0x800) || (follow == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += static_cast<std::size_t>(follow) + 1;
  }
  return true;
}

std::string Unescape(std::string_view raw) {
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) {
      const char next = raw[i + 1];
      if (next == 'n') {
        text += "\r\n";
        ++i;
        continue;
      }
      if (next == 't' || next == '\\') {
        text += next == 't' ? '\t' : '\\';
        ++i;
        continue;
      }
    }
    text += raw[i];
  }
  return text;
}

}  // namespace

int ProgramText::Parse(std::string_view content) {
  texts_.clear();
  try {
    if (content.size() >= 3 && content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    if (content.empty()) return kEmptyFile;
    if (static_cast<std::int64_t>(content.size()) > kMaxFileBytes) return kTooMuchText;
    const auto lines = std::count(content.begin(), content.end(), '\n') + (content.back() == '\n' ? 0 : 1);
    if (lines > kMaxLines) return kTooMuchText;

    std::map<std::int16_t, std::string> texts;
    int lineNumber = 0;
    while (!content.empty()) {
      ++lineNumber;
      const std::size_t end = content.find('\n');
      std::string_view line = content.substr(0, end);
      content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

      std::size_t start = 0;
      while (start < line.size() && IsBlank(line[start])) ++start;
      if (start == line.size() || line[start] == '#') continue;

      std::size_t pos = start;
      std::int32_t number = 0;
      while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
        number = number * 10 + (line[pos] - '0');
        if (number > 32767) return kBadNumber;
        ++pos;
      }
      if (pos == start || number == 0 || (pos < line.size() && !IsBlank(line[pos]))) return kBadNumber;
      while (pos < line.size() && IsBlank(line[pos])) ++pos;

      const std::string_view raw = line.substr(pos);
      if (raw.empty()) return kMissingBase - lineNumber;
      if (!IsValidUtf8(raw)) return kNotRecovered;
      std::string text = Unescape(raw);
      if (text.size() > static_cast<std::size_t>(kTextBufferSize)) return kTooLongBase - lineNumber;
      if (!texts.emplace(static_cast<std::int16_t>(number), std::move(text)).second) {
        return kDuplicateBase - lineNumber;
      }
    }
    if (texts.empty()) return kNothingRead;
    texts_ = std::move(texts);
    return static_cast<int>(texts_.size());
  } catch (const std::bad_alloc&) {
    texts_.clear();
    return kGeneralAllocation;
  }
}

int ProgramText::lt(platform::FileSystem& fileSystem, const std::string& path, int /*flags*/) {
  texts_.clear();
  std::string content;
  try {
    platform::File file = fileSystem.OpenForReading(path);
    std::int64_t size;
    try {
      size = fileSystem.Status(file).size;
    } catch (const platform::PlatformError&) {
      return kReadError;
    }
    if (size > kMaxFileBytes) return kTooMuchText;
    try {
      // One byte more than the size said, so that a file that grew since is noticed as too large.
      content.resize(static_cast<std::size_t>(size) + 1);
    } catch (const std::bad_alloc&) {
      return kParticularAllocation;
    }
    std::size_t got = 0;
    try {
      for (;;) {
        if (got == content.size()) {
          if (static_cast<std::int64_t>(content.size()) > kMaxFileBytes) return kTooMuchText;
          content.resize(content.size() * 2);
        }
        const std::size_t read = fileSystem.ReadAt(file, content.data() + got, content.size() - got,
                                                   static_cast<std::int64_t>(got));
        if (read == 0) break;
        got += read;
      }
    } catch (const platform::PlatformError&) {
      return kReadError;
    }
    content.resize(got);
  } catch (const platform::PlatformError&) {
    return kCannotOpen;
  } catch (const std::bad_alloc&) {
    return kGeneralAllocation;
  }
  return Parse(content);
}

int ProgramText::gt(std::int16_t n, std::int16_t language, std::span<char> buffer, int size,
                    int /*flags*/) const {
  if (language < 0 || language >= kLanguages || size < 1) return 0;
  const auto found = texts_.find(n);
  if (found == texts_.end()) return 0;
  const std::size_t count = std::min({found->second.size(), buffer.size(), static_cast<std::size_t>(size)});
  std::copy_n(found->second.data(), count, buffer.data());
  return static_cast<int>(count);
}

bool ProgramText::LoadProgramText(platform::FileSystem& fileSystem, const std::string& programFolder,
                                  const std::string& name, std::string& message) {
  std::string path = programFolder;
  if (path.empty() || path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
  path += name;
  const int result = lt(fileSystem, path, 0);
  if (result > 0) {
    message.clear();
    return true;
  }
  message = MessageForResult(result, path);
  return false;
}

std::string ProgramText::GetProgramText(int n) const {
  if (n < INT16_MIN || n > INT16_MAX) return {};
  char buffer[kTextBufferSize];
  const int length = gt(static_cast<std::int16_t>(n), 0, buffer, kTextBufferSize, 1);
  return length < 1 ? std::string() : std::string(buffer, static_cast<std::size_t>(length));
}

std::string ProgramText::MessageForResult(int result, const std::string& path) {
  switch (result) {
    case kNothingRead:
      return "No program text was read.";
    case kCannotOpen:
      return "Cannot open file containing program text.\r\n" + path;
    case kParticularAllocation:
      return "Particular memory allocation error.";
    case kTooMuchText:
      return "Too much program text.";
    case kNotRecovered:
      return "Text not recovered.";
    case kEmptyFile:
      return "File is empty.";
    case kReadError:
      return "Error reading file.";
    case kGeneralAllocation:
      return "General memory allocation error.";
    default:
      break;
  }
  if (result < kDuplicateBase)
    return "Duplicate in program text at line " + std::to_string(kDuplicateBase - result) + ".";
  if (result <= kTooLongBase - 1)
    return "String too long at line " + std::to_string(kTooLongBase - result) + ".";
  if (result <= kMissingBase - 1)
    return "Missing string at line " + std::to_string(kMissingBase - result) + ".";
  return "Error " + std::to_string(result);
}

}  // namespace nulvane::support
