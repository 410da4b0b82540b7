// Matching, folding and the path functions on arbitrary bytes: none may crash, and a few properties that
// the rest of the program relies on must hold for any input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/Format.h"
#include "support/Match.h"
#include "support/ShellPattern.h"

using namespace nulvane::support;

namespace {

void Check(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "FuzzMatch.cpp:%d: property does not hold\n", line);
  std::abort();
}

}  // namespace

#define Require(condition) Check(condition, __LINE__)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint8_t flags = data[0];
  const int max = data[1];
  const std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::size_t split = rest.empty() ? 0 : data[2] % (rest.size() + 1);
  const std::string name = rest.substr(0, split);
  const std::string spec = rest.substr(split);
  const bool caseSensitive = (flags & 1) != 0;

  // Only the separator keeps a name from ever matching; wildcard characters in a name are ordinary ones.
  const bool plainName = name.find('/') == std::string::npos;
  Require(MatchFilespec(name, spec, caseSensitive) || !plainName || !spec.empty());
  Require(MatchFilespec(name, "*.*", caseSensitive) == plainName);
  if (plainName && !ContainsWildcard(name)) Require(MatchFilespec(name, name, caseSensitive));
  MatchPart(name, spec, caseSensitive);
  Require(MatchPart(rest, rest, caseSensitive));
  Require(MatchPart(rest, "*", caseSensitive));

  // The shell's patterns: "*" takes every name, and a name without the shell's wildcards takes itself.
  MatchShellPattern(name, spec, caseSensitive);
  Require(MatchShellPattern(name, "*", caseSensitive));
  if (!HasShellWildcard(name)) Require(MatchShellPattern(name, name, caseSensitive));

  const std::string folded = FoldCase(rest);
  Require(FoldCase(folded) == folded);
  Require(MatchPart(folded, rest, false));
  LowerCase(rest);

  Require(FolderOf(rest, (flags & 2) != 0) + FileNameOf(rest, false) == rest ||
          rest.find('/') == std::string::npos);
  FileNameOf(rest, true);
  ExtensionOf(rest, (flags & 4) != 0);
  std::string path = rest;
  EnsureTrailingBackslash(path);
  Require(path.empty() || (path.back() == '/' && (path.size() == 1 || path[path.size() - 2] != '/')));
  StripTrailingBackslashes(path);
  Require(path.size() <= 1 || path.back() != '/');

  const std::string shortened = ShortenPath(rest, max);
  Require(shortened == rest || CharacterCount(shortened) <= static_cast<std::size_t>(max));
  Require(ShortenPath(rest, max) == shortened);
  // A shown name is one line whatever the name holds.
  const std::string shown = DisplayName(rest);
  Require(shown.find_first_of("\r\n") == std::string::npos);
  const std::size_t count = CharacterCount(rest);
  Require(CharacterCount(FirstCharacters(rest, max)) == std::min<std::size_t>(count, max));

  std::string trimmed = rest;
  TrimTrailingBlanks(trimmed);
  Require(trimmed.empty() || static_cast<unsigned char>(trimmed.back()) > 32);
  return 0;
}
