#include <gtest/gtest.h>

#include "support/ShellPattern.h"

#ifndef _WIN32
#include <fnmatch.h>
#endif

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/FileMatcher.h"
#include "support/Match.h"

namespace nulvane::support {
namespace {

struct Case {
  const char* pattern;
  const char* name;
  bool matches;
};

// What `find -name` does with the patterns shell users type, dot files first: "*" takes them, ".*" takes
// only them, and a dot is an ordinary character everywhere else.
const Case kCases[] = {
    {"*", "a.txt", true},
    {"*", ".env", true},
    {"*", "Makefile", true},
    {".*", ".env", true},
    {".*", ".bash_history", true},
    {".*", "a.txt", false},
    {".*", "Makefile", false},
    {"data.*", "data.tar.gz", true},
    {"data.*", "data.", true},
    {"data.*", "data", false},
    {"*.gz", "data.tar.gz", true},
    {"*.txt", "notes.TXT", false},
    {"*.txt", ".txt", true},
    {"*.txt", "notes.txt.bak", false},
    {"a*c", "abcbc", true},
    {"a*b*c", "aXbYbZc", true},
    {"a*?", "a", false},
    {"a*?", "ab", true},
    {"?", "", false},
    {"?", "é", true},
    {"??", "é", false},
    {"", "", true},
    {"", "a", false},
    {"**", "", true},
    {"[ab]*", "apple", true},
    {"[ab]*", "banana", true},
    {"[ab]*", "cherry", false},
    {"[!ab]*", "cherry", true},
    {"[^ab]*", "apple", false},
    {"[a-c]x", "bx", true},
    {"[a-c]x", "dx", false},
    {"[]a]", "]", true},
    {"[]a]", "a", true},
    {"[!]a]", "b", true},
    {"[a-]", "-", true},
    {"[-a]", "-", true},
    {"[\\]]", "]", true},
    {"[", "[", true},
    {"[ab", "[ab", true},
    {"[ab", "a", false},
    {"[]", "[]", true},
    {"[[:digit:]]*", "7z", true},
    {"[[:digit:]]*", "z7", false},
    {"[[:alpha:][:digit:]]", "q", true},
    {"[![:space:]]", " ", false},
    {"[[:upper:]]*", "Readme", true},
    {"[[:upper:]]*", "readme", false},
    {"[[:punct:]]", "_", true},
    {"[[:nosuch:]]", "a", false},
    {"[[=a=]]", "a", true},
    {"[[.a.]-c]", "b", true},
    {"\\*", "*", true},
    {"\\*", "a", false},
    {"a\\", "a\\", false},
    {"\\a", "a", true},
    {"*\\?", "what?", true},
    {"*\\?", "what", false},
    {"*[.]*", "a.b", true},
    {"*[.]*", "ab", false},
};

TEST(ShellPattern, MatchesAsFindNameDoes) {
  for (const Case& c : kCases) {
    EXPECT_EQ(MatchShellPattern(c.name, c.pattern, true), c.matches) << c.pattern << " on " << c.name;
  }
}

#ifndef _WIN32
// The system's own fnmatch, as `find -name` calls it, decides every ASCII case alike.
TEST(ShellPattern, AgreesWithTheSystemsFnmatch) {
  const std::vector<std::string> patterns = {"*",
                                             ".*",
                                             "*.*",
                                             "a*",
                                             "*a",
                                             "*a*b",
                                             "?",
                                             "??*",
                                             "[ab]",
                                             "[!ab]",
                                             "[a-c]",
                                             "[]-]",
                                             "[!]-]",
                                             "[a-]*",
                                             "\\*",
                                             "\\",
                                             "[\\]]",
                                             "a[",
                                             "[*]",
                                             "[?]*",
                                             "*[[:digit:]]",
                                             "[[:alnum:]_]*",
                                             "[[:xdigit:]]x",
                                             "[z-a]",
                                             "*\\[*",
                                             "a*a*a",
                                             "[.]*",
                                             "[\\!]",
                                             "[[.-.]]",
                                             "[[.a.]-c]",
                                             "*[!.]",
                                             "[[:blank:]]",
                                             "x*[[:upper:]]"};
  const std::vector<std::string> names = {
      "",    "a", "b",  "ab", "ba",  "abc", ".a", ".", "..", "-",  "]",     "*",        "[",   "\\",  "!",
      "a.b", "7", "x7", "_x", "aXa", "aaa", "f",  " ", "\t", "xA", "a*b[c", "x.tar.gz", "aba", "cab", ".env"};
  for (const std::string& pattern : patterns) {
    for (const std::string& name : names) {
      const bool system = ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
      EXPECT_EQ(MatchShellPattern(name, pattern, true), system) << pattern << " on " << name;
    }
  }
}
#endif

TEST(ShellPattern, WithoutCaseSensitivityLettersMatchInEitherCase) {
  EXPECT_TRUE(MatchShellPattern("NOTES.TXT", "*.txt", false));
  EXPECT_TRUE(MatchShellPattern("Été.doc", "été*", false));
  EXPECT_TRUE(MatchShellPattern("B", "[a-c]", false));
  EXPECT_FALSE(MatchShellPattern("NOTES.TXT", "*.txt", true));
}

TEST(ShellPattern, WildcardsAreTheShells) {
  for (const char* pattern : {"*.txt", "a?", "[ab]c", "a\\*"})
    EXPECT_TRUE(HasShellWildcard(pattern)) << pattern;
  for (const char* pattern : {"notes.txt", ".env", "a{b,c}"})
    EXPECT_FALSE(HasShellWildcard(pattern)) << pattern;
}

// The walks ask one matcher, whichever rules it carries: the window's specification or the shell's patterns.
TEST(FileMatcher, CarriesTheWindowsRulesOrTheShells) {
  const FileMatcher window("*");
  EXPECT_TRUE(window.Matches("readme"));
  EXPECT_FALSE(window.Matches("a.txt"));
  EXPECT_FALSE(window.MatchesEveryName());
  EXPECT_TRUE(FileMatcher("*.*").MatchesEveryName());
  EXPECT_TRUE(FileMatcher("*.TXT").Matches("notes.txt"));
  EXPECT_TRUE(FileMatcher("notes.txt").NamesOneFile());

  const FileMatcher shell("", {".*", "*.bak"});
  EXPECT_TRUE(shell.UsesShellPatterns());
  EXPECT_TRUE(shell.Matches(".env"));
  EXPECT_TRUE(shell.Matches("old.bak"));
  EXPECT_FALSE(shell.Matches("old.txt"));
  EXPECT_FALSE(shell.NamesOneFile());
  EXPECT_FALSE(shell.MatchesEveryName());
  EXPECT_TRUE(FileMatcher("*", {"*"}).MatchesEveryName());
  EXPECT_FALSE(FileMatcher("*.*", {"*.*"}).MatchesEveryName()) << "the shell's *.* wants a dot";
  EXPECT_TRUE(FileMatcher("notes.txt", {"notes.txt"}).NamesOneFile());
  EXPECT_FALSE(FileMatcher("[n]otes.txt", {"[n]otes.txt"}).NamesOneFile());
  EXPECT_EQ(FileMatcher::ShellPatternsText({".*"}), ".*");
  EXPECT_EQ(FileMatcher::ShellPatternsText({".*", "*.bak"}), "{.*,*.bak}");
}

// A matcher of every name answers without comparing, and must answer as its rules would, odd names included.
TEST(FileMatcher, EveryNameAnswersAsItsRulesDo) {
  const FileMatcher window("*.*");
  const FileMatcher shell("*", {"*"});
  const FileMatcher shellAmongOthers("", {"*.bak", "*"});
  for (const std::string name : {"readme", "a.txt", ".env", "trailing.", "..x", " blank", "*?[", "a\\b",
                                 "\xff\xfe", "\xc3\xa9t\xc3\xa9.TXT", "name/with/separator"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(window.Matches(name), MatchFilespec(name, "*.*", false));
    EXPECT_EQ(shell.Matches(name), name.find(platform::kPathSeparator) == std::string::npos &&
                                       MatchShellPattern(name, "*", platform::kCaseSensitiveNames));
    EXPECT_EQ(shellAmongOthers.Matches(name), shell.Matches(name));
  }
}

}  // namespace
}  // namespace nulvane::support
