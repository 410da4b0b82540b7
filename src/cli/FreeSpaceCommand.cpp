#include "cli/FreeSpaceCommand.h"

#include <CLI/CLI.hpp>
#include <chrono>

#include "cli/CliProgram.h"
#include "cli/ReportOutput.h"
#include "cli/StopSignals.h"

namespace nulvane::cli {

using platform::Answer;
using Output = TerminalUi::Output;
using Result = mainwindow::FreeSpacePurge::Result;

FreeSpaceCommand::FreeSpaceCommand()
    : Command(
          "free-space",
          "Overwrite the free space of a volume with random bytes, then delete them, so that what deleted "
          "files left there cannot be recovered") {}

void FreeSpaceCommand::AddOptions(CLI::App& command) {
  command.add_option("PATH", path_, "A folder on the volume whose free space is purged")->required();
  command.add_flag("-y,--yes", yes_, "Answer Yes to the question whether to fill the volume");
}

int FreeSpaceCommand::Execute(CliProgram& program) {
  TerminalUi& ui = program.ui;
  const std::string drive = program.ListedDriveOf(path_, "is not a drive whose free space can be purged");
  if (drive.empty()) return kUsageError;
  ReportOutput output;
  output.Open(program, "");

  program.ChooseDriveWhenAsked(drive);
  program.freeSpacePurge->strLastDrive = drive;
  if (yes_)
    ui.AddRule({mainwindow::FreeSpacePurge::kTitle, "This fills the free space", Answer::Yes, Output::Quiet});
  // The progress is the report's last line, which the run rewrites in place.
  auto drawn = std::chrono::steady_clock::now();
  bool stopSeen = false;
  ui.OnYield([&program, &drawn, &stopSeen] {
    if (StopRequested()) {
      if (!stopSeen) {
        stopSeen = true;
        program.console.ClearProgress();
        program.console.Error("Stopping ...\n");
        program.report.cmdStop_Click();
      }
      program.report.blnStop = true;
      return;
    }
    if (!program.console.canShowProgress()) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - drawn < std::chrono::milliseconds(100)) return;
    drawn = now;
    const std::string& text = program.report.txbText.text();
    const std::size_t lineBreak = text.rfind("\r\n");
    if (lineBreak != std::string::npos && lineBreak + 2 < text.size())
      program.console.Progress(text.substr(lineBreak + 2));
  });
  const int refusalsBefore = ui.refusalsAnswered() + static_cast<int>(ui.unanswered().size());
  const int warningsBefore = ui.warningsShown();
  program.mainWindow.cmdPurgeFreeSpace_Click();
  program.console.ClearProgress();
  ui.ClearRules();
  ui.OnYield({});
  output.Finish();

  switch (program.freeSpacePurge->lastResult) {
    case Result::Done:
      return kAllDone;
    case Result::Stopped:
      return kCancelled;
    case Result::Incomplete:
    case Result::Failed:
      return kSomeNotDone;
    case Result::NotRun:
      break;
  }
  if (StopRequested() || ui.refusalsAnswered() + static_cast<int>(ui.unanswered().size()) > refusalsBefore)
    return kCancelled;
  // Nothing to do (no free space) is no failure; a volume that cannot be asked is.
  return ui.warningsShown() > warningsBefore ? kSomeNotDone : kAllDone;
}

}  // namespace nulvane::cli
