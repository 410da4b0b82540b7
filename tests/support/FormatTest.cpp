#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Format.h"
#include "support/Locale.h"
#include "support/Match.h"
#include "testsupport/Platform.h"

namespace nulvane::support {
namespace {

using testing::Native;

class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override { SetLocale(LocaleSettings{}); }
  void TearDown() override { SetLocale(LocaleSettings{}); }
};

struct SizeCase {
  double bytes;
  int decimals;
  std::string size;
  std::string sizeGB;
};

TEST_F(FormatTest, Sizes) {
  const std::vector<SizeCase> cases = {
      {0, 2, "0 bytes", "0 bytes"},
      {512, 1, "512 bytes", "512 bytes"},
      {1023, 1, "1023 bytes", "1023 bytes"},
      {1024, 1, "1.0 KB", "1.0 KB"},
      {1536, 2, "1.50 KB", "1.50 KB"},
      {1048575, 0, "1,024 KB", "1,024 KB"},
      {1048576, 2, "1.00 MB", "1.00 MB"},
      {1073741824, 1, "1,024.0 MB", "1.0 GB"},
      {2147483648.0, 1, "2,048.0 MB", "2.0 GB"},
      {5e12, 2, "4,768,371.58 MB", "4,656.61 GB"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatSize(c.bytes, c.decimals), c.size) << c.bytes;
    EXPECT_EQ(FormatSizeGB(c.bytes, c.decimals), c.sizeGB) << c.bytes;
  }
}

TEST_F(FormatTest, SizesFollowTheLocale) {
  SetLocale({',', '.', "%d.%m.%Y"});
  EXPECT_EQ(FormatSize(2147483648.0, 1), "2.048,0 MB");
  EXPECT_EQ(FormatSizeGB(1610612736.0, 2), "1,50 GB");
  EXPECT_EQ(NumberInWords(1500), "1.500");
}

TEST_F(FormatTest, Minutes) {
  const std::vector<std::pair<std::int32_t, std::string>> cases = {
      {0, "0 minutes"},
      {-5, "0 minutes"},
      {1, "1 minute"},
      {59, "59 minutes"},
      {60, "1 hour"},
      {61, "1 hour and 1 minute"},
      {125, "2 hours and 5 minutes"},
      {1440, "1 day"},
      {1441, "1 day and 1 minute"},
      {1500, "1 day and 1 hour"},
      {1563, "1 day and 2 hours"},  // the minutes are dropped when three units would show
      {2880 + 180, "2 days and 3 hours"},
  };
  for (const auto& [minutes, text] : cases) EXPECT_EQ(FormatMinutes(minutes), text) << minutes;
}

TEST_F(FormatTest, Durations) {
  struct Case {
    std::int32_t seconds;
    std::string exact;
    std::string whole;
  };
  const std::vector<Case> cases = {
      {0, "0 seconds", "0 seconds"},
      {1, "1 second", "1 second"},
      {59, "59 seconds", "59 seconds"},
      {60, "1 minute", "1 minute"},
      {61, "1 minute and 1 second", "1 minute"},
      {90, "1 minute and 30 seconds", "2 minutes"},  // halves go to the even neighbour
      {150, "2 minutes and 30 seconds", "2 minutes"},
      {3600, "1 hour", "1 hour"},
      {3824, "1 hour and 3 minutes", "1 hour and 4 minutes"},
      {86400 + 1, "1 day and 1 second", "1 day"},
      {90061, "1 day and 1 hour", "1 day and 1 hour"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDuration(c.seconds, false), c.exact) << c.seconds;
    EXPECT_EQ(FormatDuration(c.seconds, true), c.whole) << c.seconds;
  }
}

TEST_F(FormatTest, NumbersInWords) {
  const std::vector<std::pair<std::int32_t, std::string>> cases = {
      {0, "No"},
      {1, "One"},
      {13, "Thirteen"},
      {20, "Twenty"},
      {21, "Twenty one"},
      {40, "Forty"},
      {58, "Fifty eight"},
      {99, "Ninety nine"},
      {100, "100"},
      {1500, "1,500"},
      {2147483647, "2,147,483,647"},
  };
  for (const auto& [n, text] : cases) EXPECT_EQ(NumberInWords(n), text) << n;
}

TEST_F(FormatTest, RoundHalfEven) {
  const std::vector<std::pair<double, std::int64_t>> cases = {
      {0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},   {2.4999, 2},         {2.5001, 3},
      {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {-2.6, -3}, {1e10, 10000000000},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(RoundHalfEven(value), expected) << value;
}

TEST_F(FormatTest, TrimTrailing) {
  std::string text = "line \t\r\n\x01";
  TrimTrailingControls(text);
  EXPECT_EQ(text, "line ");
  text = "line \t \r\n";
  TrimTrailingBlanks(text);
  EXPECT_EQ(text, "line");
  text = "\x01\x02";
  TrimTrailingControls(text);
  EXPECT_EQ(text, "");
  text = "caf\xc3\xa9";  // bytes above 127 are never blanks
  TrimTrailingBlanks(text);
  EXPECT_EQ(text, "caf\xc3\xa9");
}

TEST_F(FormatTest, ShortenPathLeavesShortOrUnsplittablePathsAlone) {
  EXPECT_EQ(ShortenPath(Native("/a/b"), 3), Native("/a/b"));
  EXPECT_EQ(ShortenPath(Native("/home/user/documents/file.txt"), 4), Native("/home/user/documents/file.txt"));
  EXPECT_EQ(ShortenPath(Native("/home/user"), 40), Native("/home/user"));
  EXPECT_EQ(ShortenPath("averyveryverylongfilename.txt", 10), "averyveryverylongfilename.txt");
  EXPECT_EQ(ShortenPath(Native("/averyveryverylongfilename.txt"), 10),
            Native("/averyveryverylongfilename.txt"));
}

TEST_F(FormatTest, ShortenPathKeepsTheLastNameInView) {
  const std::string folder = Native("/home/user/documents/projects/2026/reports/");
  // Inner folders give way from the left, as few as needed, to one "...".
  EXPECT_EQ(ShortenPath(folder, 42), Native("/home/.../documents/projects/2026/reports/"));
  EXPECT_EQ(ShortenPath(folder, 30), Native("/home/.../2026/reports/"));
  EXPECT_EQ(ShortenPath(folder, 22), Native("/home/.../reports/"));
  // Then the first folder too, and only when even the name does not fit is it cut.
  EXPECT_EQ(ShortenPath(folder, 12), Native(".../reports/"));
  EXPECT_EQ(ShortenPath(folder, 8), "repor...");
  EXPECT_EQ(ShortenPath(Native("/home/user/file.txt"), 18), Native("/home/.../file.txt"));
  EXPECT_EQ(ShortenPath(Native("/home/averyverylongname"), 12), "averyvery...");
#ifdef _WIN32
  // A drive's path keeps its drive in front.
  EXPECT_EQ(ShortenPath("C:\\Data\\projects\\2026\\reports\\x.txt", 24), "C:\\...\\reports\\x.txt");
#endif
}

TEST_F(FormatTest, ShortenPathNeverExceedsTheMaximumAndGivesTheSameTextEachTime) {
  const std::vector<std::string> paths = {
      Native("/home/user/documents/projects/2026/report-final-version.txt"),
      Native("/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p"),
      Native("relative/path/with/é/ünïcödé/名前/ファイル.txt"),
      Native("//double//separators//everywhere//x"),
      Native("/.../.././../x"),
      Native(std::string("/bad\xff/by\xc3") + "tes/\x80\x80\x80/end"),
  };
  for (const auto& path : paths) {
    for (int max = 5; max < static_cast<int>(CharacterCount(path)); ++max) {
      const std::string shortened = ShortenPath(path, max);
      ASSERT_LE(CharacterCount(shortened), static_cast<std::size_t>(max)) << path << " " << max;
      ASSERT_NE(shortened.find("..."), std::string::npos) << path << " " << max;
      ASSERT_EQ(ShortenPath(path, max), shortened) << path << " " << max;
    }
  }
}

TEST_F(FormatTest, DisplayNameShowsEveryNameOnOneLineAndAsItIs) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain name.txt", "plain name.txt"},
      {"caf\xc3\xa9 \xe5\x90\x8d\xe5\x89\x8d", "caf\xc3\xa9 \xe5\x90\x8d\xe5\x89\x8d"},
      {"two\nlines", "two\\nlines"},
      {"cr\r\ttab", "cr\\r\\ttab"},
      {std::string("nul\0bell\x07"
                   "del\x7f",
                   13),
       "nul\\x00bell\\x07del\\x7F"},
      {"bad\xff\xc3", "bad\\xFF\\xC3"},
      // Characters that hide or turn around the text after them.
      {"invoice\xe2\x80\xae"
       "txt.exe",
       "invoice\\u202Etxt.exe"},
      {"zero\xe2\x80\x8bwidth\xc2\x85", "zero\\u200Bwidth\\u0085"},
      {"line\xe2\x80\xa8sep", "line\\u2028sep"},
      {Native("/folder/sub/"), Native("/folder/sub/")},
  };
  if (platform::kPathSeparator != '\\') {
    // So that "a\\n" (a backslash and an n) never reads like a line break.
    EXPECT_EQ(DisplayName("a\\n"), "a\\\\n");
  }
  for (const auto& [name, shown] : cases) EXPECT_EQ(DisplayName(name), shown) << name;
}

}  // namespace
}  // namespace nulvane::support
