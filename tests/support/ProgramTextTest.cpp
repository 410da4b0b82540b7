#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "support/ProgramText.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::support {
namespace {

std::string Lines(int count, const std::string& line) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

std::string NumberedLines(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += std::to_string(i) + "\tText " + std::to_string(i) + "\n";
  return text;
}

struct MalformedCase {
  std::string name;
  std::string content;
  int result;
  std::string message;
};

class MalformedProgramText : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedProgramText, EndsInItsMessage) {
  const MalformedCase& c = GetParam();
  testing::TempDir dir;
  testing::FaultyFileSystem fs;
  dir.Write("nulvane.dat", c.content);
  ProgramText texts;
  std::string message;
  EXPECT_FALSE(texts.LoadProgramText(fs, dir.path(), "nulvane.dat", message));
  EXPECT_EQ(message, c.message);
  EXPECT_EQ(texts.Parse(c.content), c.result);
  EXPECT_EQ(texts.GetProgramText(2), "");  // nothing half-loaded
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedProgramText,
    ::testing::Values(MalformedCase{"Empty", "", -6, "File is empty."},
                      MalformedCase{"OnlyByteOrderMark", "\xEF\xBB\xBF", -6, "File is empty."},
                      MalformedCase{"OnlyComments", "# nothing here\r\n\r\n   \n\t# indented comment\n", 0,
                                    "No program text was read."},
                      MalformedCase{"Duplicate", "2\tNulvane\n# c\n4\tx\n2\tAgain\n", -1504,
                                    "Duplicate in program text at line 4."},
                      MalformedCase{"MissingText", "2\tNulvane\n\n310\n", -503, "Missing string at line 3."},
                      MalformedCase{"OnlyBlanksAfterNumber", "27 \t \r\n", -501, "Missing string at line 1."},
                      MalformedCase{"TooLong", "2\tok\n4\t" + std::string(1025, 'x') + "\n", -1002,
                                    "String too long at line 2."},
                      MalformedCase{"TooLongThroughEscapes", "4\t" + Lines(513, "\\n") + "\n", -1001,
                                    "String too long at line 1."},
                      MalformedCase{"MissingNumber", "2\tNulvane\n\tno number\n", -5, "Error -5"},
                      MalformedCase{"NotANumber", "two\tNulvane\n", -5, "Error -5"},
                      MalformedCase{"NumberRunsIntoText", "2Nulvane\n", -5, "Error -5"},
                      MalformedCase{"NumberZero", "0\tzero\n", -5, "Error -5"},
                      MalformedCase{"NumberTooLarge", "32768\tbig\n", -5, "Error -5"},
                      MalformedCase{"NegativeNumber", "-2\tx\n", -5, "Error -5"},
                      MalformedCase{"NotUtf8", "2\tNul\xFFvane\n", -4, "Text not recovered."},
                      MalformedCase{"OverlongUtf8", "2\t\xC0\xAF\n", -4, "Text not recovered."},
                      MalformedCase{"TruncatedUtf8", "2\tcaf\xC3", -4, "Text not recovered."},
                      MalformedCase{"TooManyLines", NumberedLines(501), -3, "Too much program text."},
                      MalformedCase{"TooManyBytes",
                                    "# " + std::string(ProgramText::kMaxFileBytes, '#') + "\n2\tx\n", -3,
                                    "Too much program text."}),
    [](const auto& info) { return info.param.name; });

TEST(ProgramTextTest, MessagesForEveryResultCode) {
  const struct {
    int result;
    const char* message;
  } cases[] = {
      {0, "No program text was read."},
      {-2, "Particular memory allocation error."},
      {-3, "Too much program text."},
      {-4, "Text not recovered."},
      {-5, "Error -5"},
      {-6, "File is empty."},
      {-7, "Error reading file."},
      {-8, "General memory allocation error."},
      {-9, "Error -9"},
      {-500, "Error -500"},
      {-501, "Missing string at line 1."},
      {-1000, "Missing string at line 500."},
      {-1001, "String too long at line 1."},
      {-1234, "String too long at line 234."},
      {-1500, "String too long at line 500."},
      {-1501, "Duplicate in program text at line 1."},
      {-2500, "Duplicate in program text at line 1000."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProgramText::MessageForResult(c.result, "/x/y.dat"), c.message) << c.result;
  EXPECT_EQ(ProgramText::MessageForResult(-1, "/x/y.dat"),
            "Cannot open file containing program text.\r\n/x/y.dat");
}

TEST(ProgramTextTest, ParsesTheFormat) {
  ProgramText texts;
  const std::string content =
      "\xEF\xBB\xBF# comment\r\n"
      "2\tNulvane\r\n"
      "\n"
      "4    Not specified\n"
      "17\tLine one\\nLine two\\tTabbed \\\\ back\\slash\\\n"
      "23\t\xC3\x89t\xC3\xA9  keeps  inner blanks \n"
      "310\tNulvane Software";
  EXPECT_EQ(texts.Parse(content), 5);
  EXPECT_EQ(texts.GetProgramText(2), "Nulvane");
  EXPECT_EQ(texts.GetProgramText(4), "Not specified");
  EXPECT_EQ(texts.GetProgramText(17), "Line one\r\nLine two\tTabbed \\ back\\slash\\");
  EXPECT_EQ(texts.GetProgramText(23), "\xC3\x89t\xC3\xA9  keeps  inner blanks ");
  EXPECT_EQ(texts.GetProgramText(310), "Nulvane Software");
  EXPECT_EQ(texts.GetProgramText(3), "");
  EXPECT_EQ(texts.GetProgramText(70000), "");
  EXPECT_EQ(texts.GetProgramText(-2), "");

  EXPECT_EQ(texts.Parse("5\t" + std::string(1024, 'y') + "\n"), 1);
  EXPECT_EQ(texts.GetProgramText(5).size(), 1024u);
  EXPECT_EQ(texts.Parse(NumberedLines(500)), 500);
}

TEST(ProgramTextTest, GtHonoursSizeAndLanguage) {
  ProgramText texts;
  ASSERT_EQ(texts.Parse("2\tNulvane\n"), 1);
  char buffer[ProgramText::kTextBufferSize] = {};
  EXPECT_EQ(texts.gt(2, 0, buffer, ProgramText::kTextBufferSize, 1), 7);
  EXPECT_EQ(std::string(buffer, 7), "Nulvane");
  EXPECT_EQ(texts.gt(2, 5, buffer, 3, 1), 3);
  EXPECT_EQ(texts.gt(2, 6, buffer, ProgramText::kTextBufferSize, 1), 0);
  EXPECT_EQ(texts.gt(2, -1, buffer, ProgramText::kTextBufferSize, 1), 0);
  EXPECT_EQ(texts.gt(9, 0, buffer, ProgramText::kTextBufferSize, 1), 0);
  EXPECT_EQ(texts.gt(2, 0, std::span<char>(buffer, 4), ProgramText::kTextBufferSize, 1), 4);
}

TEST(ProgramTextTest, FileFailures) {
  testing::TempDir dir;
  testing::FaultyFileSystem fs;
  ProgramText texts;
  std::string message;

  // The folder is given without its trailing separator: one is put in between.
  const std::string folder = dir.path().substr(0, dir.path().size() - 1);
  EXPECT_FALSE(texts.LoadProgramText(fs, folder, "nulvane.dat", message));
  EXPECT_EQ(message, "Cannot open file containing program text.\r\n" + dir / "nulvane.dat");

  dir.MakeFolder("folder.dat");
  EXPECT_EQ(texts.lt(fs, dir / "folder.dat", 0), -1);

  dir.Write("nulvane.dat", "2\tNulvane\n");
  fs.Inject({"ReadAt", "nulvane.dat", EIO, 0, 1});
  EXPECT_FALSE(texts.LoadProgramText(fs, dir.path(), "nulvane.dat", message));
  EXPECT_EQ(message, "Error reading file.");

  EXPECT_TRUE(texts.LoadProgramText(fs, dir.path(), "nulvane.dat", message));
  EXPECT_EQ(message, "");
  EXPECT_EQ(texts.GetProgramText(2), "Nulvane");

  // A failed load leaves nothing of an earlier one behind.
  dir.Write("empty.dat", "");
  EXPECT_EQ(texts.lt(fs, dir / "empty.dat", 0), -6);
  EXPECT_EQ(texts.GetProgramText(2), "");
}

TEST(ProgramTextTest, ShippedFileDefinesTheTextsTheProgramUses) {
  const char* data = std::getenv("NULVANE_TEST_DATA");
  if (data == nullptr) GTEST_SKIP() << "NULVANE_TEST_DATA is not set";
  testing::FaultyFileSystem fs;
  ProgramText texts;
  std::string message;
  ASSERT_TRUE(texts.LoadProgramText(fs, data, "nulvane.dat", message)) << message;
  EXPECT_EQ(texts.GetProgramText(2), "Nulvane");
  for (int n : {4, 13, 17, 23, 27, 310}) EXPECT_FALSE(texts.GetProgramText(n).empty()) << n;
}

}  // namespace
}  // namespace nulvane::support
