#pragma once

#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Operation.h"

namespace nulvane::cli {

// nulvane-cli purge [options] PATH...: "Single file" for each file, "Specify folder" with the file
// specification for each folder, then "Purge files", with the confirmation and its safety options.
class PurgeCommand final : public Command {
 public:
  PurgeCommand();
  void AddOptions(CLI::App& command) override;
  std::string Problem() const override;
  int Execute(CliProgram& program) override;

 private:
  // What the answers to one path's dialogs were.
  struct Run {
    bool asked = false;         // the purge confirmation was shown
    bool confirmed = false;     // and answered Yes
    bool notConfirmed = false;  // nobody could confirm: no terminal and no --yes
    long declined = 0;          // files the user declined at the per-file confirmation
  };

  void AnswerDialogs(CliProgram& program, Run& run);
  std::string ReportFileProblem(CliProgram& program, const std::string& reportFile) const;

  std::vector<std::string> paths_;
  OperationOptions operation_;
  bool yes_ = false;
  bool confirmEach_ = false;
  bool noDelete_ = false;
  bool readOnly_ = false;
  bool system_ = false;
  bool sensitive_ = false;
  bool fileNames_ = false;
  bool keepFolders_ = false;
  bool acceptResidue_ = false;
  std::string reportFile_;
};

}  // namespace nulvane::cli
