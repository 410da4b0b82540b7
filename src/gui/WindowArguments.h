#pragma once

#include <string>
#include <vector>

namespace nulvane::gui {

// What the window is told on its command line (`nulvane [FILE|FOLDER]...`), after the toolkit has taken
// its own options: the items to take as the target, or a request for the usage or the version.
struct WindowArguments {
  std::vector<std::string> paths;  // as given, byte for byte
  bool help = false;
  bool version = false;
  std::string error;  // an unknown option; the program then ends with the usage
};

WindowArguments ParseWindowArguments(int argc, const char* const* argv);

// The usage line and what the arguments do, for --help and after an error.
std::string WindowUsage();

}  // namespace nulvane::gui
