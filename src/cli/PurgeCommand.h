#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Operation.h"

namespace nulvane::cli {

// nulvane-cli purge [options] PATH...: "Single file" for each file, "Specify folder" with the files that
// --files names for each folder, then "Purge files", with the confirmation and its safety options.
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
  void StartProgress(CliProgram& program);
  std::string ReportFileProblem(const Operation& operation, const std::string& reportFile) const;

  std::vector<std::string> paths_;
  OperationOptions operation_;
  bool yes_ = false;
  // The purge options: given (1) or not (0); one not given keeps the default or the setup's value.
  int confirmEach_ = 0;
  int noDelete_ = 0;
  int readOnly_ = 0;
  int system_ = 0;
  int sensitive_ = 0;
  int fileNames_ = 0;
  int keepFolders_ = 0;
  bool acceptResidue_ = false;
  bool noPreserveRoot_ = false;
  std::string reportFile_;
  // Short options of rm, shred and srm that mean something else in each of them, or something no purge may
  // do: given, they are refused with the reason.
  std::array<int, 5> refused_{};
  // The progress of the files in flight: bytes written to files whose turn is not over yet.
  std::int64_t bytesAtStart_ = 0;
  std::int64_t bytesOfDoneFiles_ = 0;
  std::int64_t filesDone_ = 0;
  double sizesDone_ = 0;
};

}  // namespace nulvane::cli
