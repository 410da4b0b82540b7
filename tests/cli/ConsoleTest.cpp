#include <gtest/gtest.h>

#include "cli/Console.h"

namespace nulvane::cli {
namespace {

// A file name may hold any byte but "/" and NUL; on a terminal none of them may act as a control sequence.
TEST(Console, PrintableTextHasLineFeedsAndNoControlCharactersOnATerminal) {
  struct Case {
    std::string text;
    std::string onTerminal;
    std::string elsewhere;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", "a\nb\n", "a\nb\n"},
      {"name\x1b]0;title\x07.txt", "name?]0;title?.txt", "name\x1b]0;title\x07.txt"},
      {"lone\rreturn", "lone?return", "lone\rreturn"},
      {"tab\tand\nbreak", "tab\tand\nbreak", "tab\tand\nbreak"},
      {"csi\xc2\x9b"
       "31m",
       "csi?31m",
       "csi\xc2\x9b"
       "31m"},
      {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},
      {"del\x7f", "del?", "del\x7f"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Console::Printable(c.text, true), c.onTerminal) << c.text;
    EXPECT_EQ(Console::Printable(c.text, false), c.elsewhere) << c.text;
  }
}

}  // namespace
}  // namespace nulvane::cli
