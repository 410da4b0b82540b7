#include "engine/NameHiding.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>

#include "platform/PlatformError.h"

namespace nulvane::engine {

namespace {

// Draws before a name that happens to be the old one, or a device name, is given up.
constexpr int kDraws = 16;
// Names tried for each filling entry before the filling ends.
constexpr int kFillAttempts = 8;

// A number from low to high inclusive, each as likely, drawn from the stream (by rejection, so no number is
// favoured).
int Between(platform::RandomStream& random, int low, int high) {
  const auto span = static_cast<std::uint32_t>(high - low) + 1;
  const std::uint32_t limit = UINT32_MAX - UINT32_MAX % span;
  for (;;) {
    std::uint32_t value = 0;
    random.Fill(reinterpret_cast<unsigned char*>(&value), sizeof value);
    if (value < limit) return low + static_cast<int>(value % span);
  }
}

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 character that starts at `at`; 0 when the bytes there are no UTF-8.
std::size_t CharacterLength(const std::string& text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) return 0;
  }
  return length;
}

void AppendUtf8(std::string& text, std::uint32_t code) {
  if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  }
  text += static_cast<char>(0x80 | (code & 0x3F));
}

// A random letter as long in UTF-8 as the character it stands for, and as long in UTF-16: Latin letters
// with accents (2 bytes), CJK ideographs (3 bytes), and ideographs beyond the first plane (4 bytes, a
// surrogate pair in UTF-16 as any 4-byte character is).
void AppendRandomLetter(std::string& text, std::size_t bytes, platform::RandomStream& random) {
  switch (bytes) {
    case 2: {
      std::uint32_t code = 0;
      do {
        code = static_cast<std::uint32_t>(Between(random, 0xC0, 0xFF));
      } while (code == 0xD7 || code == 0xF7);  // the signs for times and divided by
      AppendUtf8(text, code);
      break;
    }
    case 3:
      AppendUtf8(text, static_cast<std::uint32_t>(Between(random, 0x4E00, 0x9FA5)));
      break;
    case 4:
      AppendUtf8(text, static_cast<std::uint32_t>(Between(random, 0x20000, 0x2A6D6)));
      break;
    default:
      text += static_cast<char>(Between(random, 'a', 'z'));
  }
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Windows opens a device for these names, whatever follows the first dot.
bool IsDeviceName(const std::string& name) {
  std::string base;
  for (const char c : name) {
    if (c == '.') break;
    base += Upper(c);
  }
  static const std::array<const char*, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
  for (const char* device : kDevices) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
         base[3] <= '9';
}

std::string DrawNameLike(const std::string& name, platform::RandomStream& random, bool& changed) {
  std::string drawn;
  drawn.reserve(name.size());
  changed = false;
  for (std::size_t at = 0; at < name.size();) {
    const char c = name[at];
    if (c >= 'a' && c <= 'z') {
      drawn += static_cast<char>(Between(random, 'a', 'z'));
    } else if (c >= 'A' && c <= 'Z') {
      drawn += static_cast<char>(Between(random, 'A', 'Z'));
    } else if (c >= '0' && c <= '9') {
      drawn += static_cast<char>(Between(random, '0', '9'));
    } else if (static_cast<unsigned char>(c) < 0x80) {
      // Dots, spaces and signs: where they are decides the short form and the room the name takes.
      drawn += c;
      ++at;
      continue;
    } else {
      const std::size_t length = CharacterLength(name, at);
      AppendRandomLetter(drawn, length, random);
      at += length == 0 ? 1 : length;
      changed = true;
      continue;
    }
    changed = true;
    ++at;
  }
  return drawn;
}

}  // namespace

std::string RandomNameLike(const std::string& name, platform::RandomStream& random) {
  for (int draw = 0; draw < kDraws; ++draw) {
    bool changed = false;
    std::string drawn = DrawNameLike(name, random, changed);
    if (!changed) return {};
    if (drawn != name && !IsDeviceName(drawn)) return drawn;
  }
  return {};
}

std::vector<std::string> FillFreedEntries(platform::FileSystem& fileSystem, platform::RandomStream& random,
                                          const platform::Folder& folder,
                                          const std::vector<std::string>& removed) {
  if (removed.empty()) return {};
  try {
    if (!fileSystem.FreedEntriesKeepNames(folder)) return {};
  } catch (const platform::PlatformError&) {
    return {};
  }
  std::vector<std::string> made;
  bool ended = false;
  for (const std::string& name : removed) {
    for (int attempt = 0; attempt < kFillAttempts && !ended; ++attempt) {
      try {
        const std::string filler = RandomNameLike(name, random);
        if (filler.empty()) break;
        fileSystem.MakeEmptyFileAt(folder, filler);
        made.push_back(filler);
        break;
      } catch (const platform::PlatformError& error) {
        // Taken: another name. Anything else (the volume full, the folder gone) ends the filling.
        if (error.number != platform::ErrorNumberFromErrno(EEXIST)) ended = true;
      }
    }
    if (ended) break;
  }
  // Removed by name: each was made a moment ago, empty, with a name no one knew. Whatever another program
  // may have put in its place meanwhile is its own (a hard link to another user's file is refused by the
  // system where links are protected), and removing a name never touches the file's contents.
  std::vector<std::string> left;
  for (const std::string& filler : made) {
    try {
      fileSystem.RemoveFileAt(folder, filler, nullptr);
    } catch (const platform::PlatformError&) {
      try {
        if (fileSystem.StatusAt(folder, filler).kind == platform::FileKind::Missing) continue;
      } catch (const platform::PlatformError&) {
      }
      left.push_back(filler);
    }
  }
  return left;
}

}  // namespace nulvane::engine
