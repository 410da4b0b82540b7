// nulvane-cli: the program's purge, listing and speed test for scripts and servers, on the window's own
// logic.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "cli/CliProgram.h"
#include "cli/Command.h"
#include "cli/FreeSpaceCommand.h"
#include "cli/HelpFormatter.h"
#include "cli/ListCommand.h"
#include "cli/PurgeCommand.h"
#include "cli/SpeedTestCommand.h"
#include "cli/StopSignals.h"
#include "support/Locale.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <string>

#include "platform/WindowsText.h"
#endif

using namespace nulvane::cli;

int main(int argc, char** argv) {
#ifdef _WIN32
  // The arguments as the user typed them, in UTF-8 like every text inside the program, not in the ANSI code
  // page that would lose the characters it lacks.
  int wideCount = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &wideCount);
  std::vector<std::string> arguments;
  for (int i = 0; wide != nullptr && i < wideCount; ++i)
    arguments.push_back(nulvane::platform::Narrow(wide[i]));
  ::LocalFree(wide);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  if (!arguments.empty()) {
    argc = static_cast<int>(arguments.size());
    argv = pointers.data();
  }
#endif
  // Numbers and dates as the user has them set, as in the window.
  nulvane::support::SetLocale(nulvane::support::SystemLocale());

  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(std::make_unique<PurgeCommand>());
  commands.push_back(std::make_unique<ListCommand>());
  commands.push_back(std::make_unique<SpeedTestCommand>());
  commands.push_back(std::make_unique<FreeSpaceCommand>());

  CLI::App app{
      "Nulvane purges files: it overwrites every byte of a file with the patterns of the chosen type "
      "of purge, flushes each write to the disk and deletes the file.",
      "nulvane-cli"};
  const std::string exitStatus =
      "Exit status: 0 every chosen file was purged, 1 some were not (the report says which), 2 usage error, "
      "3 cancelled.";
  app.footer(exitStatus + "\nRun nulvane-cli COMMAND --help for the options of a command.");
  app.formatter(std::make_shared<HelpFormatter>());
  app.set_version_flag("-V,--version", std::string("nulvane-cli ") + NULVANE_VERSION);
  app.require_subcommand(1);
  std::map<const CLI::App*, Command*> commandOf;
  for (const auto& command : commands) {
    CLI::App* subcommand = app.add_subcommand(command->name(), command->description());
    command->AddOptions(*subcommand);
    subcommand->footer(exitStatus);
    subcommand->group("Commands");
    commandOf[subcommand] = command.get();
  }
  // The first word that is no option names the command; one the program does not know is said as such.
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.empty() || word[0] == '-') continue;
    if (std::none_of(commands.begin(), commands.end(),
                     [&](const auto& command) { return command->name() == word; })) {
      std::fprintf(stderr,
                   "nulvane-cli: unknown command '%s' (the commands: purge, list, speed-test, free-space)\n"
                   "Run with --help for more information.\n",
                   word.c_str());
      return kUsageError;
    }
    break;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? kAllDone : kUsageError;
  }
  Command* command = nullptr;
  for (const auto& [subcommand, candidate] : commandOf) {
    if (subcommand->parsed()) command = candidate;
  }
  if (command == nullptr) return kUsageError;
  if (const std::string problem = command->Problem(); !problem.empty()) {
    std::fprintf(stderr, "nulvane-cli: %s\nRun with --help for more information.\n", problem.c_str());
    return kUsageError;
  }

  InstallStopSignals();
  const auto program = std::make_unique<CliProgram>();
  if (!program->Start()) return kSomeNotDone;
  return command->Execute(*program);
}
