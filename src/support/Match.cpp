#include "support/Match.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/UserLocale.h"
#include "platform/Utf8.h"

namespace nulvane::support {
namespace {

using platform::kPathSeparator;

// Stray bytes decode to U+DC80..U+DCFF, so that decoding and encoding give back the very same bytes.
constexpr char32_t kEscapeBase = kStrayByteBase;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Decodes the character that starts at `i` and advances `i` past it.
char32_t DecodeOne(const std::string& text, std::size_t& i) {
  const auto byte = static_cast<unsigned char>(text[i]);
  const std::size_t size = text.size();
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  if (byte < 0x80) {
    ++i;
    return byte;
  }
  int length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (byte >= 0xC2 && byte <= 0xDF) {
    length = 2;
  } else if (byte >= 0xE0 && byte <= 0xEF) {
    length = 3;
    if (byte == 0xE0) low = 0xA0;
    if (byte == 0xED) high = 0x9F;  // no surrogates
  } else if (byte >= 0xF0 && byte <= 0xF4) {
    length = 4;
    if (byte == 0xF0) low = 0x90;
    if (byte == 0xF4) high = 0x8F;
  }
  bool valid = length > 0 && i + length <= size && at(i + 1) >= low && at(i + 1) <= high;
  for (int k = 2; valid && k < length; ++k) valid = IsContinuation(at(i + k));
  if (!valid) {
    ++i;
    return kEscapeBase + byte;
  }
  char32_t value = byte & (0xFF >> (length + 1));
  for (int k = 1; k < length; ++k) value = (value << 6) | (at(i + k) & 0x3F);
  i += length;
  return value;
}

std::u32string Decode(const std::string& text) {
  std::u32string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) result += DecodeOne(text, i);
  return result;
}

void EncodeOne(char32_t c, std::string& out) {
  if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
    out += static_cast<char>(c - kEscapeBase);
  } else {
    platform::AppendUtf8(c, out);
  }
}

std::string Encode(const std::u32string& text) {
  std::string result;
  result.reserve(text.size());
  for (char32_t c : text) EncodeOne(c, result);
  return result;
}

// The folding table: each capital folds to the small letter at the same place.
constexpr std::u32string_view kCapitals = U"ABCDEFGHIJKLMNOPQRSTUVWXYZŠŒŸÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ";
constexpr std::u32string_view kSmallLetters = U"abcdefghijklmnopqrstuvwxyzšœÿàáâãäåæçèéêëìíîïðñòóôõöøùúûüýþ";
static_assert(kCapitals.size() == kSmallLetters.size());

char32_t FoldByTable(char32_t c) {
  const auto place = kCapitals.find(c);
  return place == std::u32string_view::npos ? c : kSmallLetters[place];
}

char32_t LowerOne(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;  // an escaped invalid byte stays itself
  const char32_t lower = platform::LowerCaseCharacter(c);
  // Where the system cannot lower-case, the table's letters still are.
  return lower != c ? lower : FoldByTable(c);
}

// Table letters first, then the ordinary lower-casing for everything else, so that a character folds the
// same way whatever else the text holds.
std::u32string Fold(std::u32string text) {
  for (char32_t& c : text) {
    const char32_t byTable = FoldByTable(c);
    c = byTable != c ? byTable : LowerOne(c);
  }
  return text;
}

bool AllStars(const std::u32string& text) {
  return std::all_of(text.begin(), text.end(), [](char32_t c) { return c == U'*'; });
}

bool Scan(const std::u32string& text, const std::u32string& pattern) {
  if (text == pattern) return true;
  if (text.empty()) return AllStars(pattern);
  if (pattern.empty()) return true;
  std::size_t n = 0;
  std::size_t m = 0;
  for (;;) {
    if (m >= pattern.size()) return n >= text.size();
    const char32_t p = pattern[m];
    if (p == U'?') {
      if (n >= text.size()) return false;
    } else if (p == U'*') {
      // The first character after the run of wildcards decides where the "*" ends.
      const auto next = std::find_if(pattern.begin() + static_cast<std::ptrdiff_t>(m), pattern.end(),
                                     [](char32_t c) { return c != U'*' && c != U'?'; });
      if (next == pattern.end()) return true;
      while (n < text.size() && text[n] != *next) ++n;
      if (n >= text.size()) return false;
      ++m;
      continue;  // the found character is compared with the pattern character after the "*"
    } else {
      if (n >= text.size() || text[n] != p) return false;
    }
    ++n;
    ++m;
  }
}

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Splits at the last dot: {before, after, found}.
struct DotSplit {
  std::string base;
  std::string extension;
  bool hasDot = false;
};

DotSplit SplitAtLastDot(const std::string& text) {
  const auto dot = text.rfind('.');
  if (dot == std::string::npos) return {text, {}, false};
  return {text.substr(0, dot), text.substr(dot + 1), true};
}

}  // namespace

bool MatchPart(const std::string& text, const std::string& pattern, bool caseSensitive) {
  if (caseSensitive) return Scan(Decode(text), Decode(pattern));
  return Scan(Fold(Decode(text)), Fold(Decode(pattern)));
}

bool MatchFilespec(const std::string& name, const std::string& spec, bool caseSensitive) {
  // Only the separator can never be part of a name. "?", "*", "\\" and ":" are ordinary characters of a
  // file name here, so "*.*" must still reach such files: refusing them would leave data behind.
  if (name.find(platform::kPathSeparator) != std::string::npos) return false;
  const std::string trimmed = TrimBlanks(spec);
  if (trimmed.empty()) return true;
  // One file's name: a name may begin or end with blanks, so " a" must not also take "a" (nor "a" take " a").
  // Where names differing only in case are different files, the case must match too; where they are one
  // file (Windows), the name matches as the file system compares it.
  if (!ContainsWildcard(trimmed)) {
    if constexpr (platform::kCaseSensitiveNames) return name == spec;
    return FoldCase(name) == FoldCase(spec);
  }
  const DotSplit nameParts = SplitAtLastDot(name);
  const DotSplit specParts = SplitAtLastDot(trimmed);
  if (!specParts.hasDot) return !nameParts.hasDot && MatchPart(name, trimmed, caseSensitive);
  if (!nameParts.hasDot) {
    if (specParts.extension.find_first_not_of('*') != std::string::npos) return false;
    return MatchPart(name, specParts.base, caseSensitive);
  }
  return MatchPart(nameParts.base, specParts.base, caseSensitive) &&
         MatchPart(nameParts.extension, specParts.extension, caseSensitive);
}

std::string FoldCase(const std::string& text) {
  return Encode(Fold(Decode(text)));
}

std::string LowerCase(const std::string& text) {
  std::u32string characters = Decode(text);
  for (char32_t& c : characters) c = LowerOne(c);
  return Encode(characters);
}

std::string FileNameOf(const std::string& path, bool fold) {
  const auto separator = path.rfind(kPathSeparator);
  if (separator == std::string::npos) return {};
  std::string name = path.substr(separator + 1);
  return fold ? FoldCase(name) : name;
}

std::string ExtensionOf(const std::string& path, bool fold) {
  const auto separator = path.rfind(kPathSeparator);
  const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  std::string extension = name.substr(dot + 1);
  return fold ? LowerCase(extension) : extension;
}

std::string FolderOf(const std::string& path, bool normalise) {
  const auto separator = path.rfind(kPathSeparator);
  if (separator == std::string::npos) return {};
  std::string folder = path.substr(0, separator + 1);
  if constexpr (kPathSeparator == '\\') {
    if (normalise && folder.size() >= 2 && folder[1] == ':') {
      std::string rest = FoldCase(folder.substr(1));
      char drive = folder[0];
      if (drive >= 'a' && drive <= 'z') drive = static_cast<char>(drive - 'a' + 'A');
      folder = drive + rest;
    }
  } else {
    (void)normalise;
  }
  return folder;
}

void EnsureTrailingBackslash(std::string& path) {
  if (path.empty()) return;
  while (!path.empty() && path.back() == kPathSeparator) path.pop_back();
  path += kPathSeparator;
}

void StripTrailingBackslashes(std::string& path) {
  // The root keeps its separator: "/" here, "C:\" on Windows.
  constexpr std::size_t kRootLength = kPathSeparator == '\\' ? 3 : 1;
  while (path.size() > kRootLength && path.back() == kPathSeparator) path.pop_back();
}

bool ContainsWildcard(const std::string& text) {
  return text.find_first_of("?*") != std::string::npos;
}

std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++count) DecodeOne(text, i);
  return count;
}

std::string FirstCharacters(const std::string& text, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t taken = 0; taken < count && i < text.size(); ++taken) DecodeOne(text, i);
  return text.substr(0, i);
}

char32_t DecodeCharacter(const std::string& text, std::size_t& i) {
  return DecodeOne(text, i);
}

}  // namespace nulvane::support
