#include "cli/ListCommand.h"

#include <CLI/CLI.hpp>

#include "cli/CliProgram.h"
#include "cli/ReportOutput.h"
#include "cli/StopSignals.h"
#include "support/Drive.h"

namespace nulvane::cli {

using platform::Answer;
using Output = TerminalUi::Output;

ListCommand::ListCommand()
    : Command("list", "List the files with their dates and sizes, and estimate the time a purge takes") {}

void ListCommand::AddOptions(CLI::App& command) {
  command.add_option("FOLDER", path_, "The folder to list (or one file); a symbolic link is never followed");
  operation_.AddTo(command);
  command.add_flag("--dots", dots_, "With -r: one dot per folder instead of the folder names");
  command.add_option("--report", reportFile_, "Write the report into this file too")->type_name("FILE");
}

std::string ListCommand::Problem() const {
  if (path_.empty() && operation_.setup.empty()) return "FOLDER: name the folder to list";
  return operation_.Problem();
}

int ListCommand::Execute(CliProgram& program) {
  TerminalUi& ui = program.ui;
  Operation operation;
  const std::vector<std::string> paths = path_.empty() ? std::vector<std::string>{} : std::vector{path_};
  if (const std::string problem = PrepareOperation(program, operation_, paths, operation); !problem.empty()) {
    program.console.Error("nulvane-cli: " + problem + "\n");
    return kUsageError;
  }
  std::string reportPath;
  if (const std::string problem = ReportOutput::Check(program, reportFile_, reportPath); !problem.empty()) {
    program.console.Error("nulvane-cli: " + problem + "\n");
    return kUsageError;
  }
  ReportOutput output;
  output.Open(program, reportPath);
  if (!operation.setupHeader.empty()) output.WriteAhead(operation.setupHeader);
  ui.OnYield([&program] {
    if (StopRequested()) program.report.blnStop = true;
  });
  const TargetResult target = ChooseTarget(program, operation.targets.front(), operation);
  if (target != TargetResult::Set) return target == TargetResult::Failed ? kSomeNotDone : kAllDone;
  // The estimate rests on the speed an earlier test stored for the volume, by this program or the window.
  const std::string drive = support::DriveOf(program.fileSystem, program.state.strTargetFolder);
  if (program.state.SpeedOf(drive) <= 0) {
    if (const std::optional<float> stored = program.speedTest->StoredSpeed(drive))
      program.state.sngSpeedByDrive[drive] = *stored;
  }

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
  // Folders too deep to reach were not listed.
  if (ui.errorsShown() > 0 || output.fileFailed() || (ran && program.report.lngNumFoldersNotReached > 0))
    return kSomeNotDone;
  return kAllDone;
}

}  // namespace nulvane::cli
