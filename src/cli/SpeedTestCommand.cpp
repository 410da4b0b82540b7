#include "cli/SpeedTestCommand.h"

#include <CLI/CLI.hpp>

#include "cli/CliProgram.h"
#include "cli/Operation.h"
#include "cli/StopSignals.h"

namespace nulvane::cli {

using platform::Answer;
using Output = TerminalUi::Output;

SpeedTestCommand::SpeedTestCommand()
    : Command(
          "speed-test",
          "Write test files to a volume, purge them with the chosen type of purge and keep the speed for the "
          "estimates") {}

void SpeedTestCommand::AddOptions(CLI::App& command) {
  command.add_option("VOLUME", volume_, "A folder on the volume to test (default: the working folder)");
  command.add_flag("-y,--yes", yes_, "Answer Yes to the question whether to write the test files");
  command.add_flag("--retest", retest_, "Test again even when an earlier result is stored");
  command.add_option("-t,--type", type_, "Type of purge to test with (0, 1 or 2; default 0)")->type_name("N");
  command.add_option("-n,-p,--passes", passes_, "Number of passes to test with")->type_name("N");
}

std::string SpeedTestCommand::Problem() const {
  OperationOptions operation;
  operation.type = type_;
  operation.passes = passes_;
  return operation.Problem();
}

int SpeedTestCommand::Execute(CliProgram& program) {
  TerminalUi& ui = program.ui;
  const std::string drive = program.ListedDriveOf(volume_, "is not a drive that can be tested");
  if (drive.empty()) return kUsageError;
  OperationOptions operation;
  operation.type = type_;
  operation.passes = passes_;
  if (const std::string problem = ApplyTypeOfPurge(program, operation); !problem.empty()) {
    program.console.Error("nulvane-cli: " + problem + "\n");
    return kUsageError;
  }

  program.ChooseDriveWhenAsked(drive);
  if (yes_)
    ui.AddRule({mainwindow::SpeedTest::kTitle, "This writes test files to", Answer::Yes, Output::Quiet});
  // Asked to test, the command line tests again where nobody can accept the earlier result.
  ui.AddRule({mainwindow::SpeedTest::kTitle, "A previous test has found this drive", Answer::No,
              Output::Quiet, !retest_});
  ui.AddRule({mainwindow::SpeedTest::kTitle, "The purge speed is approximately", Answer::Ok, Output::Report});

  const int refusalsBefore = ui.refusalsAnswered() + static_cast<int>(ui.unanswered().size());
  const int cancelsBefore = ui.cancelsAnswered();
  program.mainWindow.cmdTestPurgeSpeed_Click();
  ui.ClearRules();

  const float speed = program.state.SpeedOf(drive);
  if (speed > 0) {
    program.console.Report(program.mainWindow.lblPurgeSpeed.caption + "\n");
    return kAllDone;
  }
  if (StopRequested() || ui.cancelsAnswered() > cancelsBefore ||
      ui.refusalsAnswered() + static_cast<int>(ui.unanswered().size()) > refusalsBefore)
    return kCancelled;
  return kSomeNotDone;
}

}  // namespace nulvane::cli
