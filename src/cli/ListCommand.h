#pragma once

#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Operation.h"

namespace nulvane::cli {

// nulvane-cli list [options] FOLDER: "List and estimate time" on the folder (or one file).
class ListCommand final : public Command {
 public:
  ListCommand();
  void AddOptions(CLI::App& command) override;
  std::string Problem() const override;
  int Execute(CliProgram& program) override;

 private:
  std::string path_;
  OperationOptions operation_;
  bool dots_ = false;
  std::string reportFile_;
};

}  // namespace nulvane::cli
