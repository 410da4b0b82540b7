#pragma once

#include <string>

namespace nulvane::support {

// File-name patterns as the shell and `find -name` read them (fnmatch without flags): "*" any run of
// characters, a leading dot included; "?" one character; "[ab]", "[a-z]", "[!a]" or "[^a]" and the classes
// "[[:digit:]]" and the like one character of the set; "\x" the character x itself. A "[" without its "]"
// is an ordinary character. Names and patterns are UTF-8 and are compared character by character, as in a
// UTF-8 locale; a byte that is not valid UTF-8 is a character of its own.
//
// Without `caseSensitive`, letters match in either case (as names compare on Windows).
bool MatchShellPattern(const std::string& name, const std::string& pattern, bool caseSensitive);

// True when the pattern can match more than one name: it holds "*", "?", "[" or "\".
bool HasShellWildcard(const std::string& pattern);

}  // namespace nulvane::support
