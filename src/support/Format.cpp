#include "support/Format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "support/FileLength.h"
#include "support/Locale.h"
#include "support/Match.h"

namespace nulvane::support {
namespace {

constexpr double kKilobyte = 1024.0;
constexpr double kMegabyte = 1048576.0;

// The number in plain digits, without grouping and with only the decimals it needs.
std::string PlainNumber(double value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string SmallSize(double bytes) {
  if (bytes == 0) return "0 bytes";
  return PlainNumber(bytes) + " bytes";
}

std::string Plural(std::int64_t count, const char* unit) {
  return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

// Keeps at most the two largest units: "1 day and 2 hours and 3 minutes" loses its last part.
void KeepTwoUnits(std::string& text) {
  int count = 0;
  std::size_t last = std::string::npos;
  for (std::size_t at = text.find("and"); at != std::string::npos; at = text.find("and", at + 3)) {
    ++count;
    last = at;
  }
  if (count <= 1) return;
  text.erase(last);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  const auto first = text.find_first_not_of(' ');
  text.erase(0, first == std::string::npos ? text.size() : first);
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> components;
  std::size_t start = (!path.empty() && path[0] == platform::kPathSeparator) ? 1 : 0;
  for (;;) {
    const auto separator = path.find(platform::kPathSeparator, start);
    if (separator == std::string::npos) {
      components.push_back(path.substr(start));
      return components;
    }
    components.push_back(path.substr(start, separator - start));
    start = separator + 1;
  }
}

}  // namespace

std::string FormatSize(double bytes, int decimals) {
  if (bytes < kKilobyte) return SmallSize(bytes);
  if (bytes >= kMegabyte) return FormatGrouped(bytes / kMegabyte, decimals) + " MB";
  return FormatGrouped(bytes / kKilobyte, decimals) + " KB";
}

std::string FormatSizeGB(double bytes, int decimals) {
  if (bytes < kKilobyte) return SmallSize(bytes);
  const double kilobytes = bytes / kKilobyte;
  if (kilobytes < 1024) return FormatGrouped(kilobytes, decimals) + " KB";
  const double megabytes = kilobytes / 1024;
  if (megabytes < 1024) return FormatGrouped(megabytes, decimals) + " MB";
  return FormatGrouped(megabytes / 1024, decimals) + " GB";
}

std::string FormatMinutes(std::int32_t minutes) {
  std::string text;
  std::int32_t days = 0;
  std::int32_t hours = 0;
  if (minutes >= 1440) {
    days = minutes / 1440;
    minutes %= 1440;
    text += Plural(days, "day");
  }
  if (minutes >= 60) {
    if (days > 0) text += " and ";
    hours = minutes / 60;
    minutes %= 60;
    text += Plural(hours, "hour");
  }
  if (minutes > 0) {
    if (hours > 0 || days > 0) text += " and ";
    text += Plural(minutes, "minute");
  }
  if (text.empty()) text = "0 minutes";
  KeepTwoUnits(text);
  return text;
}

std::string FormatDuration(std::int32_t seconds, bool wholeMinutes) {
  std::int32_t sec = seconds % 60;
  std::int32_t min = seconds / 60;
  const std::string secondsText = Plural(sec, "second");
  if (min == 0) return secondsText;
  if (wholeMinutes && seconds > 0) {
    min = static_cast<std::int32_t>(RoundHalfEven(seconds / 60.0));
    sec = 0;
  }
  std::string text = FormatMinutes(min);
  if (sec > 0) text += " and " + secondsText;
  KeepTwoUnits(text);
  return text;
}

std::string NumberInWords(std::int32_t n) {
  static constexpr std::array<const char*, 21> kSmall = {
      "No",       "One",     "Two",     "Three",     "Four",     "Five",     "Six",
      "Seven",    "Eight",   "Nine",    "Ten",       "Eleven",   "Twelve",   "Thirteen",
      "Fourteen", "Fifteen", "Sixteen", "Seventeen", "Eighteen", "Nineteen", "Twenty"};
  static constexpr std::array<const char*, 10> kTens = {"",      "",      "Twenty",  "Thirty", "Forty",
                                                        "Fifty", "Sixty", "Seventy", "Eighty", "Ninety"};
  if (n < 0 || n >= 100) return FormatGrouped(n, 0);
  if (n <= 20) return kSmall[static_cast<std::size_t>(n)];
  std::string text = kTens[static_cast<std::size_t>(n / 10)];
  if (n % 10 != 0) {
    text += ' ';
    text += LowerCase(kSmall[static_cast<std::size_t>(n % 10)]);
  }
  return text;
}

std::string ShortenPath(const std::string& path, int max) {
  if (max < 5 || static_cast<std::size_t>(max) >= CharacterCount(path)) return path;
  const std::vector<std::string> components = SplitPath(path);
  const std::size_t count = components.size();
  if (count == 1) return path;
  const auto fits = [max](const std::string& text) {
    return CharacterCount(text) <= static_cast<std::size_t>(max);
  };
  const std::string separator(1, platform::kPathSeparator);
  const auto join = [&](std::size_t from) {
    std::string text = components[from];
    for (std::size_t i = from + 1; i < count; ++i) text += separator + components[i];
    return text;
  };
  // The name to keep: the last component, or the last folder's when the path ends in a separator.
  std::size_t last = count - 1;
  while (last > 0 && components[last].empty()) --last;
  const std::string head = (path[0] == platform::kPathSeparator ? separator : "") + components[0] + separator;
  for (std::size_t kept = 2; kept <= last; ++kept) {
    const std::string text = head + "..." + separator + join(kept);
    if (fits(text)) return text;
  }
  const std::string tail = join(last);
  if (fits("..." + separator + tail)) return "..." + separator + tail;
  return FirstCharacters(tail, static_cast<std::size_t>(max) - 3) + "...";
}

std::string DisplayName(const std::string& name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto hexByte = [](unsigned char byte) {
    return std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
  };
  std::string shown;
  shown.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t start = i;
    const char32_t c = DecodeCharacter(name, i);
    if (c >= kStrayByteBase + 0x80 && c <= kStrayByteBase + 0xFF) {
      shown += hexByte(static_cast<unsigned char>(c - kStrayByteBase));
    } else if (c == U'\n') {
      shown += "\\n";
    } else if (c == U'\r') {
      shown += "\\r";
    } else if (c == U'\t') {
      shown += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      shown += hexByte(static_cast<unsigned char>(c));
    } else if (c == U'\\' && platform::kPathSeparator != '\\') {
      shown += "\\\\";
    } else if ((c >= 0x80 && c <= 0x9F) || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
               (c >= 0x2060 && c <= 0x2069) || c == 0xFEFF) {
      shown += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) shown += kHex[(c >> shift) & 15];
    } else {
      shown.append(name, start, i - start);
    }
  }
  return shown;
}

std::string FileSizeText(platform::FileSystem& fileSystem, const std::string& path, bool gb) {
  if (path.empty()) return {};
  const std::int64_t length = GetFileLength(fileSystem, path);
  if (length < 0) return {};
  const auto bytes = static_cast<double>(length);
  return gb ? FormatSizeGB(bytes, 2) : FormatSize(bytes, 2);
}

void TrimTrailingControls(std::string& text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) < 32) text.pop_back();
}

void TrimTrailingBlanks(std::string& text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.pop_back();
}

std::int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9.2e18;  // inside the range of a 64-bit integer
  if (value >= kLimit) return static_cast<std::int64_t>(kLimit);
  if (value <= -kLimit) return -static_cast<std::int64_t>(kLimit);
  const double floor = std::floor(value);
  const double fraction = value - floor;
  auto whole = static_cast<std::int64_t>(floor);
  if (fraction > 0.5 || (fraction == 0.5 && whole % 2 != 0)) ++whole;
  return whole;
}

}  // namespace nulvane::support
