#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "support/SetupFormat.h"

namespace nulvane::support {
namespace {

SetupValues Sample() {
  SetupValues v;
  v.strVersion = "1.09";
  v.blnSubdirectories = true;
  v.strTargetFolder = "/home/ann/old letters/";
  v.strFilespec = "*.doc";
  v.intPurgeType = 2;
  v.intNumberOfPasses = 3;
  v.options = {true, false, true, false, false, true, true};
  v.lngOnlyBeforeThisJDN = 2459946;
  return v;
}

TEST(SetupFormat, WritesTheFifteenLinesOfTheFormat) {
  EXPECT_EQ(FormatSetup(Sample()),
            "1.09\r\n 1 \r\n/home/ann/old letters/\r\n*.doc\r\n 2 \r\n 3 \r\n 0 \r\n"
            " 1 \r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n 1 \r\n 2459946 \r\n");
  SetupValues negative;
  negative.intPurgeType = -7;
  EXPECT_NE(FormatSetup(negative).find("\r\n-7 \r\n"), std::string::npos);
}

TEST(SetupFormat, EveryTextAndNumberComesBackAsWritten) {
  const std::string texts[] = {"",
                               "/data/a,b/",                  // a comma ends a plain text
                               "/data/\"quoted\" name/",      // quotes inside
                               "\"/starts with a quote",      // a plain text may not begin with one
                               "  /blanks at both ends/  ",   // blanks that a plain text would lose
                               "/line\nbreak/and\r\nCR LF/",  // a line break inside a name
                               "/tab\there/",                 // a tab inside
                               "/Ünïcödé/日本語/ñ,\"x\"/",    // non-ASCII with the rest
                               "\"\"",                        // only quotes
                               "\xEF\xBB\xBF/a",              // what the reader skips at the start
                               "*,?.t\"xt"};
  for (const std::string& text : texts) {
    SetupValues v = Sample();
    v.strTargetFolder = text;
    v.strFilespec = text;
    v.strVersion = text;
    const SetupReading reading = ParseSetup(FormatSetup(v));
    EXPECT_TRUE(reading.complete) << text;
    EXPECT_EQ(reading.valuesRead, kSetupLines) << text;
    EXPECT_EQ(reading.values, v) << text;
  }
  SetupValues extremes = Sample();
  extremes.intPurgeType = std::numeric_limits<std::int32_t>::min();
  extremes.intNumberOfPasses = std::numeric_limits<std::int32_t>::max();
  extremes.intSlackArea = -1;
  extremes.lngOnlyBeforeThisJDN = kNoDateRestriction;
  EXPECT_EQ(ParseSetup(FormatSetup(extremes)).values, extremes);
}

TEST(SetupFormat, ReadsAFileWrittenByHand) {
  // LF line ends, no blanks around numbers, blanks around texts, a plain comma, a "+" sign, a byte-order
  // mark, and no line break after the last value.
  const SetupReading reading = ParseSetup(
      "\xEF\xBB\xBF"
      "13.29\n0\n   /srv/a,b/  \nreport?.txt\n+1\n8\n0\n0\n1\n0\n0\n1\n1\n0\n9000000");
  ASSERT_TRUE(reading.complete);
  const SetupValues& v = reading.values;
  EXPECT_EQ(v.strVersion, "13.29");
  EXPECT_FALSE(v.blnSubdirectories);
  EXPECT_EQ(v.strTargetFolder, "/srv/a,b/");
  EXPECT_EQ(v.strFilespec, "report?.txt");
  EXPECT_EQ(v.intPurgeType, 1);
  EXPECT_EQ(v.intNumberOfPasses, 8);
  EXPECT_EQ(v.options, (std::array<bool, 7>{false, true, false, false, true, true, false}));
  EXPECT_EQ(v.lngOnlyBeforeThisJDN, kNoDateRestriction);
  // Blank lines after the last value are no content.
  EXPECT_TRUE(ParseSetup(FormatSetup(Sample()) + "\r\n  \n").complete);
}

TEST(SetupFormat, MalformedFilesStopAtTheFirstValueThatFails) {
  const std::string good = FormatSetup(Sample());
  const auto lines = [&](int count) {
    std::size_t end = 0;
    for (int i = 0; i < count; ++i) end = good.find("\r\n", end) + 2;
    return good.substr(0, end);
  };
  const auto withLine = [&](int line, const std::string& content) {
    return lines(line - 1) + content + "\r\n" + good.substr(lines(line).size());
  };
  struct Case {
    const char* name;
    std::string content;
    int valuesRead;
  };
  const Case cases[] = {
      {"empty", "", 1},  // an empty first text is read; the subfolder value is missing
      {"short", lines(14), 14},
      {"long", good + "1\r\n", 15},
      {"garbage",
       std::string("\x7f"
                   "ELF\x02\x01\x01\0\0\0",
                   10),
       0},
      {"subfolders 2", withLine(2, " 2 "), 1},
      {"subfolders -1", withLine(2, "-1 "), 1},
      {"passes not a number", withLine(6, " six "), 5},
      {"passes beyond 32 bits", withLine(6, " 4294967296 "), 5},
      {"two numbers on a line", withLine(5, " 1 2 "), 4},
      {"option 2", withLine(11, " 2 "), 10},
      {"date beyond the calendar", withLine(15, "-2147483648 "), 14},
      {"unterminated quote", withLine(3, "\"/home/a"), 2},
      {"text after a quote", withLine(3, "\"/home/a\"b"), 2},
      {"NUL in a text", withLine(4, std::string("a\0b", 3)), 3},
      {"lone CR", withLine(4, "a\rb"), 3},
  };
  for (const Case& c : cases) {
    const SetupReading reading = ParseSetup(c.content);
    EXPECT_FALSE(reading.complete) << c.name;
    EXPECT_EQ(reading.valuesRead, c.valuesRead) << c.name;
  }
}

}  // namespace
}  // namespace nulvane::support
