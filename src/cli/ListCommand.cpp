#include "cli/ListCommand.h"

#include <CLI/CLI.hpp>

#include "cli/CliProgram.h"
#include "cli/ReportOutput.h"
#include "cli/StopSignals.h"

namespace nulvane::cli {

using platform::Answer;
using Output = TerminalUi::Output;

ListCommand::ListCommand()
    : Command("list", "List the files with their dates and sizes, and estimate the time a purge takes") {}

void ListCommand::AddOptions(CLI::App& command) {
  command.add_option("folder", path_, "The folder to list (or one file)")->required();
  operation_.AddTo(command);
  command.add_flag("--dots", dots_, "With --subfolders: one dot per folder instead of the folder names");
  command.add_option("-r,--report", reportFile_, "Write the report to this file too");
}

int ListCommand::Execute(CliProgram& program) {
  TerminalUi& ui = program.ui;
  const std::string path = CliProgram::Absolute(path_);
  const PathKind kind = KindOf(program.fileSystem, path);
  if (kind == PathKind::Missing) {
    program.console.Error("nulvane-cli: no such file or folder: " + path_ + "\n");
    return kUsageError;
  }
  ReportOutput output;
  if (!output.Open(program, ReportOutput::Resolve(program, reportFile_))) return kUsageError;
  if (const std::string problem = ApplyOperation(program, operation_); !problem.empty()) {
    program.console.Error("nulvane-cli: " + problem + "\n");
    return kUsageError;
  }
  ui.OnYield([&program] {
    if (StopRequested()) program.report.blnStop = true;
  });
  const TargetResult target = ChooseTarget(program, path, kind, operation_);
  if (target != TargetResult::Set) return target == TargetResult::Failed ? kSomeNotDone : kAllDone;

  bool ran = false;
  ui.OnRunFinished([&program, &output, &ran] {
    ran = true;
    output.Finish();
  });
  // A listing changes nothing: where nobody can be asked, it goes ahead without an estimate and names the
  // folders.
  ui.AddRule({"", "The purge speed has not been measured for drive", Answer::Yes, Output::Quiet, true});
  ui.AddRule(
      {"", "Suppress display of folder names?", dots_ ? Answer::Yes : Answer::No, Output::Quiet, !dots_});
  const int refusalsBefore = ui.refusalsAnswered();
  program.mainWindow.cmdProcessFiles_Release(2);
  ui.ClearRules();
  ui.OnYield({});
  output.Finish();

  // A question answered No or Cancel at the terminal ends the command without a listing, as in the window.
  if (StopRequested() || (!ran && ui.refusalsAnswered() > refusalsBefore)) return kCancelled;
  if (ui.errorsShown() > 0 || output.fileFailed()) return kSomeNotDone;
  return kAllDone;
}

}  // namespace nulvane::cli
