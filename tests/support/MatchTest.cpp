#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/Match.h"

namespace nulvane::support {
namespace {

struct MatchCase {
  std::string name;
  std::string spec;
  bool expected;
};

TEST(MatchFilespecTest, WildcardSpecificationsIgnoreCase) {
  const std::vector<MatchCase> cases = {
      {"readme", "*.*", true},
      {"a.txt", "*.*", true},
      {"archive.tar.gz", "*.*", true},
      {".bashrc", "*.*", true},
      {"readme", "*", true},
      {"a.txt", "*", false},
      {"notes.TXT", "*.txt", true},
      {".txt", "*.txt", true},
      {"notes.txt.bak", "*.txt", false},
      {"abc.doc", "a*.d*", true},
      {"a.d", "a*.d*", true},
      {"b.doc", "a*.d*", false},
      {"abc", "a*.d*", false},
      {"abc", "a*.*", true},
      {"report.doc", "report*.", true},
      {"report.txt", "rep?rt*.", true},
      {"a:b.txt", "*.*", true},
      {"ÉTÉ.TXT", "été.*", true},
      {"été.txt", "ÉTÉ.*", true},
      {"Straße.txt", "STRASSE.*", false},
      {"ÆBLE.txt", "æ*.txt", true},
      {"ΑΛΦΑ.txt", "αλφα.*", true},
      {"data.csv", "  *.csv  ", true},
      {"data.csv", "d?ta.c?v", true},
      {"data.csv", "d?ta.c?", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchFilespec(c.name, c.spec, false), c.expected) << c.name << " against " << c.spec;
  }
}

TEST(MatchFilespecTest, NamesWithTheSeparatorNeverMatch) {
  const std::string name = std::string("a") + platform::kPathSeparator + "b.txt";
  EXPECT_FALSE(MatchFilespec(name, "*.*", false));
  EXPECT_FALSE(MatchFilespec(name, "", false));
}

TEST(MatchFilespecTest, WildcardAndBackslashCharactersInNamesAreOrdinaryCharacters) {
  std::vector<std::string> names = {"a?.txt", "a*.txt", "x:y.txt"};
  if (platform::kPathSeparator != '\\') names.push_back("a\\b.txt");
  for (const std::string& name : names) {
    EXPECT_TRUE(MatchFilespec(name, "*.*", false)) << name;
    EXPECT_TRUE(MatchFilespec(name, "*.txt", false)) << name;
    EXPECT_TRUE(MatchFilespec(name, name, true)) << name;
  }
}

TEST(MatchFilespecTest, EmptyOrBlankSpecificationMatchesEveryName) {
  for (const std::string name : {"readme", "a.txt", "", "x:y"}) {
    EXPECT_TRUE(MatchFilespec(name, "", false)) << name;
    EXPECT_TRUE(MatchFilespec(name, "   ", true)) << name;
  }
}

TEST(MatchFilespecTest, SpecificationWithoutWildcardsMatchesOnlyTheExactName) {
  EXPECT_TRUE(MatchFilespec("Report.TXT", "Report.TXT", false));
  // Windows names "Report.TXT" and "report.txt" are one file; elsewhere they are two.
  EXPECT_EQ(MatchFilespec("report.txt", "Report.TXT", false), !platform::kCaseSensitiveNames);
  EXPECT_EQ(MatchFilespec("report.txt", "Report.TXT", true), !platform::kCaseSensitiveNames);
  // Blanks at the edges belong to the name: the file " a" is not the file "a".
  EXPECT_FALSE(MatchFilespec("Report.TXT", " Report.TXT ", false));
  EXPECT_FALSE(MatchFilespec("a", " a", false));
  EXPECT_FALSE(MatchFilespec("a", "a ", true));
  // Without wildcards a trailing dot is part of the name, not an empty extension pattern.
  EXPECT_FALSE(MatchFilespec("report.doc", "report.", false));
  EXPECT_TRUE(MatchFilespec(" spaced.txt ", " spaced.txt ", false));
  EXPECT_FALSE(MatchFilespec(" spaced.txt ", "spaced.txt", false));
}

TEST(MatchFilespecTest, CaseSensitiveFlagKeepsCase) {
  EXPECT_TRUE(MatchFilespec("_nv_dummy1.tmp", "_nv_dummy*.tmp", true));
  EXPECT_FALSE(MatchFilespec("_NV_DUMMY1.tmp", "_nv_dummy*.tmp", true));
  EXPECT_FALSE(MatchFilespec("ÉTÉ.TXT", "été.*", true));
}

TEST(MatchPartTest, SingleScanWithoutBacktracking) {
  const std::vector<MatchCase> cases = {
      {"abcbc", "a*c", false},  // the first "c" ends the run and is never reconsidered
      {"abc", "a*c", true},
      {"a", "a*?", true},  // a "*" followed only by wildcards takes whatever is left
      {"a", "a?", false},
      {"", "***", true},
      {"", "*?", false},
      {"", "a", false},
      {"anything", "", true},  // an empty pattern part matches any non-empty text
                               // part
      {"abc", "???", true},
      {"abc", "????", false},
      {"ab", "a*b", true},
      {"abcd", "a**d", true},
      {"xyz", "*", true},
      {"abd", "a*c", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchPart(c.name, c.spec, true), c.expected) << c.name << " against " << c.spec;
  }
}

TEST(MatchPartTest, ComparesCharactersNotBytes) {
  EXPECT_TRUE(MatchPart("é", "?", true));
  EXPECT_TRUE(MatchPart("日本", "??", true));
  EXPECT_FALSE(MatchPart("日本", "???", true));
  EXPECT_TRUE(MatchPart("x日本y", "x*y", true));
  EXPECT_TRUE(MatchPart("Ωmega", "ω*", false));
}

TEST(FoldCaseTest, TableAndOrdinaryLowerCasing) {
  EXPECT_EQ(FoldCase("ÉTÉ.TXT"), "été.txt");
  EXPECT_EQ(FoldCase("ŠŒŸ"), "šœÿ");
  EXPECT_EQ(FoldCase("README"), "readme");
  // Each character folds the same way whatever else the text holds.
  EXPECT_EQ(FoldCase("ΩÉ"), "ωé");
  EXPECT_EQ(FoldCase("ΩÆ"), "ωæ");
  EXPECT_TRUE(MatchFilespec("ÐΎ.txt", "ðύ*.TXT", false));
  EXPECT_EQ(FoldCase("Straße"), "straße");
}

TEST(FoldCaseTest, InvalidUtf8AndControlsPassThroughUnchanged) {
  const std::vector<std::string> texts = {
      std::string("\xff\xfe", 2),         std::string("a\x80z", 3), std::string("\xc3", 1),  // cut sequence
      std::string("\xed\xa0\x80", 3),      // encoded surrogate
      std::string("\xf4\x90\x80\x80", 4),  // above U+10FFFF
      std::string("\xc0\xaf", 2),          // overlong "/"
      std::string("\0\x01\x1f", 3)};
  for (const auto& text : texts) {
    EXPECT_EQ(FoldCase(text), text);
    EXPECT_TRUE(MatchPart(text, text, false));
    EXPECT_TRUE(MatchPart(text, "*", false));
    EXPECT_EQ(CharacterCount(text), text.size());
  }
  EXPECT_EQ(FoldCase(std::string("A\xffÉ", 4)), std::string("a\xff\xc3\xa9", 4));
  EXPECT_TRUE(MatchFilespec(std::string("\xff.TXT", 5), "?.txt", false));
}

#ifdef _WIN32

TEST(PathPartsTest, NameExtensionAndFolder) {
  EXPECT_EQ(FileNameOf("C:\\Data\\Notes.TXT", false), "Notes.TXT");
  EXPECT_EQ(FileNameOf("C:\\Data\\Notes.TXT", true), "notes.txt");
  EXPECT_EQ(FileNameOf("x.txt", false), "");
  EXPECT_EQ(FileNameOf("C:\\Data\\", false), "");
  EXPECT_EQ(ExtensionOf("C:\\Data\\a.b\\Notes.TXT", true), "txt");
  EXPECT_EQ(ExtensionOf("C:\\Data\\a.b\\Notes", false), "");
  EXPECT_EQ(ExtensionOf("archive.tar.GZ", false), "GZ");
  EXPECT_EQ(FolderOf("C:\\Data\\x.txt", false), "C:\\Data\\");
  // Windows names ignore case: the drive letter is upper-cased and the rest folded.
  EXPECT_EQ(FolderOf("c:\\Data\\x.txt", true), "C:\\data\\");
  EXPECT_EQ(FolderOf("\\\\Server\\Share\\x.txt", false), "\\\\Server\\Share\\");
  EXPECT_EQ(FolderOf("x.txt", true), "");
}

TEST(PathPartsTest, TrailingSeparators) {
  const std::vector<std::pair<std::string, std::string>> ensure = {{"", ""},
                                                                   {"C:", "C:\\"},
                                                                   {"C:\\", "C:\\"},
                                                                   {"C:\\Data", "C:\\Data\\"},
                                                                   {"C:\\Data\\\\\\", "C:\\Data\\"}};
  for (const auto& [path, expected] : ensure) {
    std::string text = path;
    EnsureTrailingBackslash(text);
    EXPECT_EQ(text, expected) << path;
  }
  // The root keeps its backslash.
  const std::vector<std::pair<std::string, std::string>> strip = {{"", ""},
                                                                  {"C:\\", "C:\\"},
                                                                  {"C:\\\\", "C:\\"},
                                                                  {"C:\\Data\\", "C:\\Data"},
                                                                  {"C:\\Data\\\\", "C:\\Data"},
                                                                  {"a", "a"}};
  for (const auto& [path, expected] : strip) {
    std::string text = path;
    StripTrailingBackslashes(text);
    EXPECT_EQ(text, expected) << path;
  }
}

#else

TEST(PathPartsTest, NameExtensionAndFolder) {
  EXPECT_EQ(FileNameOf("/home/u/Notes.TXT", false), "Notes.TXT");
  EXPECT_EQ(FileNameOf("/home/u/Notes.TXT", true), "notes.txt");
  EXPECT_EQ(FileNameOf("x.txt", false), "");
  EXPECT_EQ(FileNameOf("/home/u/", false), "");
  EXPECT_EQ(ExtensionOf("/home/u/a.b/Notes.TXT", true), "txt");
  EXPECT_EQ(ExtensionOf("/home/u/a.b/Notes", false), "");
  EXPECT_EQ(ExtensionOf("archive.tar.GZ", false), "GZ");
  EXPECT_EQ(ExtensionOf("/home/u/.bashrc", false), "bashrc");
  EXPECT_EQ(FolderOf("/home/u/x.txt", false), "/home/u/");
  EXPECT_EQ(FolderOf("/Data/X.txt", true), "/Data/");  // names differ by case here; never folded
  EXPECT_EQ(FolderOf("x.txt", true), "");
}

TEST(PathPartsTest, TrailingSeparators) {
  const std::vector<std::pair<std::string, std::string>> ensure = {
      {"", ""}, {"/", "/"}, {"/home", "/home/"}, {"/home///", "/home/"}, {"a", "a/"}};
  for (const auto& [path, expected] : ensure) {
    std::string text = path;
    EnsureTrailingBackslash(text);
    EXPECT_EQ(text, expected) << path;
  }
  const std::vector<std::pair<std::string, std::string>> strip = {
      {"", ""}, {"/", "/"}, {"//", "/"}, {"/a/", "/a"}, {"/home//", "/home"}, {"a", "a"}};
  for (const auto& [path, expected] : strip) {
    std::string text = path;
    StripTrailingBackslashes(text);
    EXPECT_EQ(text, expected) << path;
  }
}

#endif

TEST(PathPartsTest, WildcardsAndCharacters) {
  EXPECT_TRUE(ContainsWildcard("*.txt"));
  EXPECT_TRUE(ContainsWildcard("a?"));
  EXPECT_FALSE(ContainsWildcard("a.txt"));
  EXPECT_EQ(CharacterCount("été"), 3u);
  EXPECT_EQ(FirstCharacters("été!", 2), "ét");
  EXPECT_EQ(FirstCharacters("ab", 5), "ab");
}

}  // namespace
}  // namespace nulvane::support
