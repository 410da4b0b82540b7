#pragma once

#include <string>

#include "cli/Command.h"

namespace nulvane::cli {

// nulvane-cli speed-test [VOLUME]: "Test purge speed" on the volume that holds VOLUME (default: the working
// folder's). The speed is kept in the same settings store as the window's, so each offers the other's.
class SpeedTestCommand final : public Command {
 public:
  SpeedTestCommand();
  void AddOptions(CLI::App& command) override;
  std::string Problem() const override;
  int Execute(CliProgram& program) override;

 private:
  std::string volume_ = ".";
  bool yes_ = false;
  bool retest_ = false;
  int type_ = -1;
  int passes_ = -1;
};

}  // namespace nulvane::cli
