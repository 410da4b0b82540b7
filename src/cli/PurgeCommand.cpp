#include "cli/PurgeCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/CliProgram.h"
#include "cli/ReportOutput.h"
#include "cli/StopSignals.h"
#include "platform/PlatformError.h"

namespace nulvane::cli {

using platform::Answer;
using Output = TerminalUi::Output;

PurgeCommand::PurgeCommand()
    : Command("purge", "Overwrite files with the chosen type of purge, flush every write, and delete them") {}

void PurgeCommand::AddOptions(CLI::App& command) {
  command.add_option("paths", paths_, "Files and folders to purge (a folder: the files that --files names)")
      ->required();
  operation_.AddTo(command);
  command.add_flag("-y,--yes", yes_, "Answer Yes to the purge confirmation (no other question)");
  command.add_flag("--confirm-each", confirmEach_, "Ask before each file (needs a terminal)");
  command.add_flag("--no-delete", noDelete_, "Do not delete purged files");
  command.add_flag("--read-only", readOnly_, "OK to purge read-only files");
  command.add_flag("--system", system_, "OK to purge system files (a Windows attribute)");
  command.add_flag("--sensitive", sensitive_, "OK to purge sensitive files (exe, dll, sys, etc.)");
  command.add_flag("--file-names", fileNames_, "Name every file in the report, not only the folders");
  command.add_flag("--keep-folders", keepFolders_,
                   "Keep subfolders in which all files have been deleted (with --subfolders)");
  command.add_option("-r,--report", reportFile_, "Write the report to this file too");
  command.add_flag("--accept-residue", acceptResidue_,
                   "Go on where overwriting in place cannot reach every copy of the data (copy-on-write, "
                   "data=journal, network, memory and flash volumes); --yes alone does not");
}

std::string PurgeCommand::Problem() const {
  return operation_.Problem();
}

std::string PurgeCommand::ReportFileProblem(CliProgram& program, const std::string& reportFile) const {
  if (reportFile.empty()) return {};
  for (const std::string& path : paths_) {
    std::string real;
    try {
      real = program.fileSystem.RealPath(CliProgram::Absolute(path));
    } catch (const platform::PlatformError&) {
      continue;
    }
    const bool folder = KindOf(program.fileSystem, real) == PathKind::Folder;
    if (folder && real.back() != platform::kPathSeparator) real += platform::kPathSeparator;
    // The report would be purged by the run it reports on.
    if (folder ? reportFile.compare(0, real.size(), real) == 0 : reportFile == real)
      return "--report: the report file lies in what is purged: " + reportFile;
  }
  return {};
}

void PurgeCommand::AnswerDialogs(CliProgram& program, Run& run) {
  TerminalUi& ui = program.ui;
  ui.OnDialog(program.confirmation, [this, &program, &run](platform::Dialog&) {
    dialogs::PurgeConfirmationDialog& dialog = program.confirmation;
    run.asked = true;
    dialog.ClickCheck(dialog.chkDoNotDeletePurgedFiles, noDelete_);
    dialog.ClickCheck(dialog.chkOKToPurgeReadOnlyFiles, readOnly_);
    dialog.ClickCheck(dialog.chkOKToPurgeSystemFiles, system_);
    dialog.ClickCheck(dialog.chkOKToPurgeSensitiveFiles, sensitive_);
    dialog.ClickCheck(dialog.chkFolderNamesOnly, !fileNames_);
    if (dialog.chkDeleteEmptyFolders.visible) dialog.ClickCheck(dialog.chkDeleteEmptyFolders, !keepFolders_);
    dialog.ClickCheck(dialog.chkConfirmFiles, confirmEach_);
    bool yes = false;
    if (StopRequested()) {
      yes = false;
    } else if (yes_) {
      yes = true;
    } else if (program.ui.interactive()) {
      std::string question = dialog.caption + "\n" + dialog.lblMessage.caption + "\n";
      for (const platform::CheckBox* box :
           {&dialog.chkDoNotDeletePurgedFiles, &dialog.chkOKToPurgeReadOnlyFiles,
            &dialog.chkOKToPurgeSensitiveFiles, &dialog.chkFolderNamesOnly, &dialog.chkDeleteEmptyFolders,
            &dialog.chkConfirmFiles}) {
        if (box->visible) question += std::string(box->checked ? "  [x] " : "  [ ] ") + box->caption + "\n";
      }
      yes = program.ui.Ask(question + dialog.cmdDoPurgeButton.caption + "?", "yn", 'n') == 'y';
    } else {
      run.notConfirmed = true;
    }
    if (!yes) {
      dialog.cmdCancel();
      return;
    }
    run.confirmed = true;
    dialog.cmdDoPurge();
    if (program.console.canShowProgress()) {
      // The totals for the progress bar: the window's own listing walk, silent, over the same target.
      report::ReportWindow counter(program.fileSystem, program.ui, program.clock, program.state,
                                   program.engine, program.typeOfPurge, program.confirmation,
                                   program.mainWindow);
      counter.reportLimit = SIZE_MAX;
      counter.blnListFiles = true;
      counter.blnDisplayFolderNames = false;
      counter.blnDisplayFileNames = false;
      counter.ListFilesRecursive(program.state.strTargetFolder, program.state.strFilespec);
      program.progress.Start({std::max<std::int64_t>(counter.lngNumFilesProcessed, 0),
                              counter.dblTotalBytesPurged, program.typeOfPurge.GetNumOverwrites()},
                             program.fileSystem.bytesWritten());
    }
  });
  ui.OnDialog(program.report.frmConfirmFiles, [&program, &run](platform::Dialog&) {
    report::ConfirmFilesDialog& dialog = program.report.frmConfirmFiles;
    program.progress.Stop();
    const std::optional<char> choice = program.ui.Ask(
        dialog.caption + "\n" + dialog.lblPurgeThisFile.caption + "\n" + dialog.lblFile.caption + "\n[y] " +
            dialog.cmdYes.caption + "  [n] " + dialog.cmdNo.caption + "  [a] " + dialog.cmdPurgeAll.caption +
            "  [s] " + dialog.cmdStopPurge.caption + "\n",
        "ynas", 0);
    switch (choice.value_or('s')) {
      case 'y':
        dialog.cmdYes_Click();
        break;
      case 'n':
        ++run.declined;
        dialog.cmdNo_Click();
        break;
      case 'a':
        dialog.cmdPurgeAll_Click();
        break;
      default:
        dialog.cmdStopPurge_Click();
        break;
    }
  });
  bool stopSeen = false;
  ui.OnYield([&program, stopSeen]() mutable {
    if (StopRequested()) {
      if (!stopSeen) {
        stopSeen = true;
        program.console.Error("Stopping after the current pass of each file being purged ...\n");
        program.report.cmdStop_Click();
      }
      program.report.blnStop = true;
      program.state.blnStop = true;
    }
    if (program.progress.running())
      program.progress.Update(program.report.lngNumFilesProcessed, program.fileSystem.bytesWritten());
  });
}

int PurgeCommand::Execute(CliProgram& program) {
  TerminalUi& ui = program.ui;
  if (confirmEach_ && !ui.interactive()) {
    program.console.Error(
        "nulvane-cli: --confirm-each asks at the terminal, and standard input is not one\n");
    return kUsageError;
  }
  std::vector<std::pair<std::string, PathKind>> targets;
  for (const std::string& path : paths_) {
    const std::string absolute = CliProgram::Absolute(path);
    const PathKind kind = KindOf(program.fileSystem, absolute);
    if (kind == PathKind::Missing) {
      program.console.Error("nulvane-cli: no such file or folder: " + path + "\n");
      return kUsageError;
    }
    targets.emplace_back(absolute, kind);
  }
  const std::string reportPath = ReportOutput::Resolve(program, reportFile_);
  if (const std::string problem = ReportFileProblem(program, reportPath); !problem.empty()) {
    program.console.Error("nulvane-cli: " + problem + "\n");
    return kUsageError;
  }
  ReportOutput output;
  if (!output.Open(program, reportPath)) return kUsageError;
  if (const std::string problem = ApplyOperation(program, operation_); !problem.empty()) {
    program.console.Error("nulvane-cli: " + problem + "\n");
    return kUsageError;
  }

  Run run;
  AnswerDialogs(program, run);
  bool cancelled = false;
  long failed = 0;
  std::vector<std::string> freeSpaceHints;
  for (const auto& [path, kind] : targets) {
    if (StopRequested()) break;
    const TargetResult target = ChooseTarget(program, path, kind, operation_);
    if (target == TargetResult::Failed) ++failed;
    if (target != TargetResult::Set) continue;

    run = Run();
    const int cancelsBefore = ui.cancelsAnswered();
    // Nobody at a terminal can be asked whether to delete the emptied folder: it stays.
    ui.AddRule({"Delete folder?", "", Answer::No, Output::Quiet, true});
    // The warning is always printed; only --accept-residue answers it, so a script opts in knowingly.
    if (acceptResidue_)
      ui.AddRule({"Purge files", mainwindow::ResidueWarning::kHeadline, Answer::Yes, Output::Errors});
    // Nor can the free-space purge be offered: the command that does it is named instead, below.
    ui.AddRule({mainwindow::FreeSpacePurge::kTitle, mainwindow::FreeSpacePurge::kAfterPurge, Answer::No,
                Output::Quiet, true});
    program.mainWindow.cmdProcessFiles_Release(1);
    ui.ClearRules();
    if (program.residueWarning->declined()) {
      program.console.Error(
          "nulvane-cli: nothing was purged in " + path +
          ": overwriting in place cannot reach every copy there (--accept-residue goes on all the same)\n");
      cancelled = true;
      break;
    }
    if (!ui.interactive() && run.confirmed && program.report.lngNumFilesPurged > 0) {
      for (const std::string& volume : program.residueWarning->FreeSpaceVolumes()) {
        if (std::find(freeSpaceHints.begin(), freeSpaceHints.end(), volume) == freeSpaceHints.end())
          freeSpaceHints.push_back(volume);
      }
    }
    program.progress.Stop();
    output.Finish();
    if (run.notConfirmed) {
      program.console.Error(
          "nulvane-cli: nothing was purged: standard input is not a terminal, so only --yes confirms a "
          "purge\n");
    }
    // "No files purged.": the confirmation was declined, and the window's message has said so.
    if (run.asked && !run.confirmed) cancelled = true;
    if (!run.confirmed) {
      if (cancelled) break;
      continue;
    }
    const report::ReportWindow& report = program.report;
    // Stop (a signal, "Stop this purge") or Cancel in the "Purge query" ended the run; an error that ended
    // it has been counted as an error.
    if (report.blnStop && (StopRequested() || report.lblPausedDone.caption == "Stopped" ||
                           ui.cancelsAnswered() > cancelsBefore))
      cancelled = true;
    failed += std::max<long>(0, report.lngNumFilesProcessed - report.lngNumFilesPurged - run.declined);
    if (cancelled) break;
  }
  ui.OnYield({});
  for (const std::string& volume : freeSpaceHints) {
    program.console.Error("nulvane-cli: old copies of the purged data may remain in the free space of " +
                          volume + "; to overwrite them: nulvane-cli free-space " + volume + "\n");
  }

  if (cancelled || StopRequested()) return kCancelled;
  if (failed > 0 || ui.errorsShown() > 0 || output.fileFailed()) return kSomeNotDone;
  return kAllDone;
}

}  // namespace nulvane::cli
