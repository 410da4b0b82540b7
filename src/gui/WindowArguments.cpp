#include "gui/WindowArguments.h"

#include <string_view>

namespace nulvane::gui {

WindowArguments ParseWindowArguments(int argc, const char* const* argv) {
  WindowArguments result;
  bool options = true;
  for (int index = 1; index < argc; ++index) {
    const std::string_view argument = argv[index];
    if (options && argument == "--") {
      options = false;
    } else if (options && (argument == "--help" || argument == "-h")) {
      result.help = true;
    } else if (options && argument == "--version") {
      result.version = true;
    } else if (options && argument.size() > 1 && argument.front() == '-') {
      // A file named like an option is given after "--" or as ./-name, never guessed.
      if (result.error.empty()) result.error = "unknown option " + std::string(argument);
    } else {
      result.paths.emplace_back(argument);
    }
  }
  return result;
}

std::string WindowUsage() {
  return "Usage: nulvane [--] [FILE|FOLDER]\n"
         "Opens the Nulvane window. A file given here becomes the target as \"Single file\" makes it, a "
         "folder\n"
         "as \"Specify folder\" makes it; nothing is purged until \"Purge files\" is pressed and confirmed.\n"
         "The command line without the window is nulvane-cli.\n";
}

}  // namespace nulvane::gui
