#pragma once

#include <string>

#include "cli/Command.h"

namespace nulvane::cli {

// nulvane-cli free-space [--yes] PATH: "Purge free space" on the volume that holds PATH.
class FreeSpaceCommand final : public Command {
 public:
  FreeSpaceCommand();
  void AddOptions(CLI::App& command) override;
  int Execute(CliProgram& program) override;

 private:
  std::string path_;
  bool yes_ = false;
};

}  // namespace nulvane::cli
