#pragma once

#include <cstddef>
#include <string>

namespace nulvane::support {

// File specifications ("*.*", "*.txt", "a*.d?c", or one file's name) and the small path functions that
// cut a path into folder, name and extension. Paths use platform::kPathSeparator. Names are UTF-8 and are
// compared character by character; a byte that is not valid UTF-8 counts as one character of its own.

// True when `name` (a file name without folder) satisfies `spec`. A specification without wildcards is
// one file's name and matches only that name, whatever `caseSensitive` says: exactly where names are
// case-sensitive, in any letter case on Windows.
bool MatchFilespec(const std::string& name, const std::string& spec, bool caseSensitive);
// True when `text` matches the wildcard `pattern` ("*" any run, "?" one character), decided by one
// left-to-right scan that takes the first occurrence of the character after a "*" and never tries a later
// one: "a*c" does not match "abcbc".
bool MatchPart(const std::string& text, const std::string& pattern, bool caseSensitive);

// Case folding for file names: capitals A-Z and the accented capitals of Western European languages fold to
// their small letters through a fixed table, every other character is lower-cased.
std::string FoldCase(const std::string& text);
// The ordinary lower-casing of each character.
std::string LowerCase(const std::string& text);

// The text after the last separator; empty when the path has none. Folded when `fold` is set.
std::string FileNameOf(const std::string& path, bool fold);
// The text after the last dot of the file name; empty when the name has no dot. Lower-cased when `fold`.
std::string ExtensionOf(const std::string& path, bool fold);
// The path up to and including its last separator; empty when it has none. `normalise` upper-cases a drive
// letter and folds the rest of a Windows path; names are case-sensitive here, so it changes nothing.
std::string FolderOf(const std::string& path, bool normalise);
// A non-empty path ends with exactly one separator afterwards.
void EnsureTrailingBackslash(std::string& path);
// Removes trailing separators, but never the one of the root folder ("/", or "C:\" on Windows).
void StripTrailingBackslashes(std::string& path);
bool ContainsWildcard(const std::string& text);

// The number of characters of a UTF-8 text (an invalid byte counts as one).
std::size_t CharacterCount(const std::string& text);
// The first `count` characters of a UTF-8 text, never cutting one in the middle.
std::string FirstCharacters(const std::string& text, std::size_t count);

// A byte that is not part of valid UTF-8 decodes as this base plus the byte (a lone low surrogate, which
// valid UTF-8 never encodes).
inline constexpr char32_t kStrayByteBase = 0xDC00;
// Decodes the character that starts at byte `i` of a UTF-8 text and moves `i` past it.
char32_t DecodeCharacter(const std::string& text, std::size_t& i);

}  // namespace nulvane::support
