// What tells the user the options: --help within 80 columns, the manual page and the bash completion, which
// must name every option that --help names, with its short forms.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

#include "cli/CliRunner.h"

namespace nulvane::testing {
namespace {

const std::vector<std::string> kCommands = {"purge", "list", "speed-test", "free-space"};

std::string Source(const std::string& relative) {
  return ReadFile(std::string(NULVANE_SOURCE_DIR) + "/" + relative);
}

// The options a command's --help names: every form of each.
std::set<std::string> OptionsIn(const std::string& help) {
  std::set<std::string> options;
  std::istringstream lines(help);
  const std::regex option(R"((?:^  |, )(--?[A-Za-z][-A-Za-z]*))");
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  -", 0) != 0) continue;
    for (std::sregex_iterator match(line.begin(), line.end(), option), end; match != end; ++match)
      options.insert((*match)[1]);
  }
  return options;
}

class CommandLineHelpTest : public ::testing::Test {
 protected:
  TempDir temp;
  CliRunner cli{temp};
};

TEST_F(CommandLineHelpTest, EveryHelpFitsEightyColumnsAndEveryOptionIsInTheManualAndTheCompletion) {
  const std::string manual = Source("src/cli/nulvane-cli.1");
  const std::string completion = Source("src/cli/nulvane-cli.bash-completion");
  std::vector<std::string> calls = kCommands;
  calls.insert(calls.begin(), "");
  for (const std::string& command : calls) {
    const CliRunner::Result help = cli.Run(command.empty() ? std::vector<std::string>{"--help"}
                                                           : std::vector<std::string>{command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << command << ": " << line;
    const std::set<std::string> options = OptionsIn(help.out);
    EXPECT_GE(options.size(), 2u) << help.out;
    for (const std::string& option : options) {
      std::string escaped;
      for (const char c : option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
      EXPECT_NE(manual.find(escaped), std::string::npos) << command << " " << option << " not in the manual";
      EXPECT_TRUE(std::regex_search(completion, std::regex("[ '\"]" + option + "[ '\"\n]")))
          << command << " " << option << " not in the completion";
    }
  }
  // The manual gives each option with its short forms, as --help does.
  for (const char* forms : {"\\-r, \\-R, \\-\\-subfolders", "\\-n, \\-p, \\-\\-passes", "\\-y, \\-\\-yes",
                            "\\-i, \\-\\-confirm\\-each", "\\-v, \\-\\-file\\-names", "\\-b, \\-\\-before"})
    EXPECT_NE(manual.find(forms), std::string::npos) << forms;
}

TEST_F(CommandLineHelpTest, BashCompletesCommandsOptionsAndPaths) {
  const std::string bashCompletion = "/usr/share/bash-completion/bash_completion";
  if (!Exists(bashCompletion)) GTEST_SKIP() << "bash-completion is not installed";
  temp.MakeFolder("work/reports");
  temp.Write("work/monthly.nvs", "");
  temp.Write("work/notes.txt", "");
  // Completes the words given, the last one being typed, in the test's folder; prints what is offered.
  const std::string script = temp.Write(
      "complete.sh",
      "source " + bashCompletion + "\nsource '" + std::string(NULVANE_SOURCE_DIR) +
          "/src/cli/nulvane-cli.bash-completion'\n"
          "cd '" +
          temp / "work" +
          "'\n"
          "offer() { COMP_WORDS=(\"$@\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMP_LINE=\"$*\";\n"
          "  COMP_POINT=${#COMP_LINE}; COMPREPLY=(); _nulvane_cli nulvane-cli \"${COMP_WORDS[-1]}\";\n"
          "  printf '%s\\n' \"${COMPREPLY[*]}\"; }\n"
          "offer nulvane-cli pu\n"
          "offer nulvane-cli purge --no\n"
          "offer nulvane-cli purge -r ''\n"
          "offer nulvane-cli list --setup ''\n"
          "offer nulvane-cli purge --type ''\n"
          "offer nulvane-cli free-space ''\n");
  const std::string out = temp / "offered";
  ASSERT_EQ(std::system(("bash --norc '" + script + "' > '" + out + "' 2>&1").c_str()), 0) << ReadFile(out);
  std::istringstream offered(ReadFile(out));
  std::vector<std::set<std::string>> answers;
  for (std::string line; std::getline(offered, line);) {
    std::istringstream words(line);
    answers.emplace_back(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>());
  }
  ASSERT_EQ(answers.size(), 6u) << ReadFile(out);
  EXPECT_EQ(answers[0], (std::set<std::string>{"purge"}));
  EXPECT_EQ(answers[1], (std::set<std::string>{"--no-delete", "--no-preserve-root"}));
  EXPECT_EQ(answers[2], (std::set<std::string>{"monthly.nvs", "notes.txt", "reports"}));
  EXPECT_EQ(answers[3], (std::set<std::string>{"monthly.nvs", "reports"}));
  EXPECT_EQ(answers[4], (std::set<std::string>{"0", "1", "2"}));
  EXPECT_EQ(answers[5], (std::set<std::string>{"reports"}));
}

}  // namespace
}  // namespace nulvane::testing
