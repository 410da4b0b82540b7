#include "cli/PurgeCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/CliProgram.h"
#include "cli/ReportOutput.h"
#include "cli/StopSignals.h"
#include "platform/PlatformError.h"
#include "support/Match.h"

namespace nulvane::cli {

using platform::Answer;
using Output = TerminalUi::Output;

namespace {

// The short options that rm, shred and srm users type out of habit and that mean nothing here, each with
// what it would have meant and what to give instead.
struct RefusedOption {
  const char* name;
  const char* reason;
};
constexpr std::array<RefusedOption, 5> kRefused = {{
    {"-f",
     "-f is no option here: nothing skips the purge confirmation (--yes answers it), and read-only files are "
     "purged only with --read-only"},
    {"-u", "-u is no option here: purged files are deleted unless --no-delete is given"},
    {"-z", "-z is no option here: the type of purge decides the patterns written (--type)"},
    {"-s", "-s is no option here: a purge covers every byte of a file, and the subfolders are -r"},
    {"-x", "-x is no option here: a purge never leaves the volume of the folder it is given"},
}};

}  // namespace

PurgeCommand::PurgeCommand()
    : Command("purge", "Overwrite files with the chosen type of purge, flush every write, and delete them") {}

void PurgeCommand::AddOptions(CLI::App& command) {
  command.add_option("PATH", paths_,
                     "Files and folders to purge (of a folder, the files that --files names); a symbolic "
                     "link is never followed");
  operation_.AddTo(command);
  command.add_flag("-y,--yes", yes_, "Answer Yes to the purge confirmation (no other question)");
  command.add_flag("-i,--confirm-each", confirmEach_, "Ask before each file (needs a terminal)");
  command.add_flag("-v,--file-names", fileNames_, "Name every file in the report, not only the folders");
  command.add_flag("--no-delete", noDelete_, "Do not delete purged files");
  command.add_flag("--read-only", readOnly_, "OK to purge read-only files");
  command.add_flag("--system", system_, "OK to purge system files (a Windows attribute)");
  command.add_flag("--sensitive", sensitive_, "OK to purge sensitive files (exe, dll, sys, etc.)");
  command.add_flag("--keep-folders", keepFolders_,
                   "Keep subfolders in which all files have been deleted (with -r)");
  command
      .add_option("--report", reportFile_, "Write the report into this file too, once the purge is confirmed")
      ->type_name("FILE");
  command.add_flag("--accept-residue", acceptResidue_,
                   "Go on where overwriting in place cannot reach every copy of the data (copy-on-write, "
                   "data=journal, network, memory and flash volumes; NTFS and shadow copies on Windows); "
                   "--yes alone does not");
  command.add_flag("--no-preserve-root", noPreserveRoot_,
                   "Purge also in / and in the system's own folders (/bin, /boot, /etc, /lib*, /sbin, /usr, "
                   "/var) when one of them is given");
  for (std::size_t i = 0; i < kRefused.size(); ++i)
    command.add_flag(kRefused[i].name, refused_[i], "")->group("");
}

std::string PurgeCommand::Problem() const {
  for (std::size_t i = 0; i < kRefused.size(); ++i) {
    if (refused_[i] > 0) return kRefused[i].reason;
  }
  if (paths_.empty() && operation_.setup.empty()) return "PATH: name the files and folders to purge";
  return operation_.Problem();
}

std::string PurgeCommand::ReportFileProblem(const Operation& operation, const std::string& reportFile) const {
  if (reportFile.empty()) return {};
  for (const NamedPath& target : operation.targets) {
    std::string path = target.path;
    const bool folder = target.kind == PathKind::Folder;
    if (folder) support::EnsureTrailingBackslash(path);
    // The report would be purged by the run it reports on.
    if (folder ? reportFile.compare(0, path.size(), path) == 0 : reportFile == path)
      return "--report: the report file lies in what is purged: " + reportFile;
  }
  return {};
}

void PurgeCommand::StartProgress(CliProgram& program) {
  filesDone_ = 0;
  sizesDone_ = 0;
  bytesOfDoneFiles_ = 0;
  bytesAtStart_ = program.fileSystem.bytesWritten();
  if (!program.console.canShowProgress()) return;
  // The totals: the window's own listing walk, silent, over the same target.
  report::ReportWindow counter(program.fileSystem, program.ui, program.clock, program.state, program.engine,
                               program.typeOfPurge, program.confirmation, program.mainWindow);
  counter.reportLimit = SIZE_MAX;
  counter.blnListFiles = true;
  counter.blnDisplayFolderNames = false;
  counter.blnDisplayFileNames = false;
  // In the folder the run holds, not the one its path names by now.
  counter.targetFolder = program.report.targetFolder;
  counter.ListFilesRecursive(program.state.strTargetFolder,
                             support::FileMatcher(program.state.strFilespec, program.state.strShellPatterns));
  program.progress.Start({std::max<std::int64_t>(counter.lngNumFilesProcessed, 0),
                          counter.dblTotalBytesPurged, program.typeOfPurge.GetNumberOfPasses()});
}

void PurgeCommand::AnswerDialogs(CliProgram& program, Run& run) {
  TerminalUi& ui = program.ui;
  ui.OnDialog(program.confirmation, [this, &program, &run](platform::Dialog&) {
    dialogs::PurgeConfirmationDialog& dialog = program.confirmation;
    run.asked = true;
    // Options the command line names; the others stay as they are (the defaults, or the setup's).
    const auto set = [&dialog](platform::CheckBox& box, int given, bool checked) {
      if (given > 0) dialog.ClickCheck(box, checked);
    };
    set(dialog.chkDoNotDeletePurgedFiles, noDelete_, true);
    set(dialog.chkOKToPurgeReadOnlyFiles, readOnly_, true);
    set(dialog.chkOKToPurgeSystemFiles, system_, true);
    set(dialog.chkOKToPurgeSensitiveFiles, sensitive_, true);
    set(dialog.chkFolderNamesOnly, fileNames_, false);
    if (dialog.chkDeleteEmptyFolders.visible) set(dialog.chkDeleteEmptyFolders, keepFolders_, false);
    set(dialog.chkConfirmFiles, confirmEach_, true);
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
    StartProgress(program);
  });
  ui.OnDialog(program.report.frmConfirmFiles, [&program, &run](platform::Dialog&) {
    report::ConfirmFilesDialog& dialog = program.report.frmConfirmFiles;
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
  // The time at a question is not the purge's.
  ui.OnAsking([&program](bool asking) {
    if (asking) {
      program.progress.Hold();
    } else {
      program.progress.Resume();
    }
  });
  program.report.onFileDone = [this, &program](const std::string& path, std::int64_t size) {
    ++filesDone_;
    sizesDone_ += static_cast<double>(size);
    bytesOfDoneFiles_ += program.fileSystem.TakeBytesWrittenTo(path);
  };
  bool stopSeen = false;
  bool cutSeen = false;
  ui.OnYield([this, &program, stopSeen, cutSeen]() mutable {
    if (CloseRequested() && !cutSeen) {
      cutSeen = true;
      // Windows ends the program within seconds: no pass can be waited for.
      program.workers.CutShort();
      program.console.Error("Stopping each file being purged at its next block ...\n");
    }
    if (StopRequested()) {
      if (!stopSeen) {
        stopSeen = true;
        if (!cutSeen)
          program.console.Error("Stopping after the current pass of each file being purged ...\n");
        program.report.cmdStop_Click();
      }
      program.report.blnStop = true;
      program.state.blnStop = true;
    }
    if (!program.progress.running()) return;
    // Files whose turn is over count whole; of those in flight, what their passes have written so far.
    const int overwrites = std::max(1, program.typeOfPurge.GetNumOverwritesPerPass());
    const std::int64_t inFlight = program.fileSystem.bytesWritten() - bytesAtStart_ - bytesOfDoneFiles_;
    const double bytesDone = sizesDone_ * program.progress.totals().passes +
                             static_cast<double>(std::max<std::int64_t>(inFlight, 0)) / overwrites;
    program.progress.Update(filesDone_, bytesDone);
  });
}

int PurgeCommand::Execute(CliProgram& program) {
  TerminalUi& ui = program.ui;
  Console& console = program.console;
  Operation operation;
  if (const std::string problem = PrepareOperation(program, operation_, paths_, operation);
      !problem.empty()) {
    console.Error("nulvane-cli: " + problem + "\n");
    return kUsageError;
  }
  // Asked for here or by the setup.
  if ((confirmEach_ > 0 || program.confirmation.chkConfirmFiles.checked) && !ui.interactive()) {
    console.Error("nulvane-cli: --confirm-each asks at the terminal, and standard input is not one\n");
    return kUsageError;
  }
  if (!noPreserveRoot_) {
    for (const NamedPath& target : operation.targets) {
      if (target.kind != PathKind::Folder) continue;
      if (const std::string problem = ProtectedFolderProblem(program.fileSystem, target.path);
          !problem.empty()) {
        console.Error("nulvane-cli: " + problem + "\n");
        return kUsageError;
      }
    }
  }
  std::string reportPath;
  std::string reportProblem = ReportOutput::Check(program, reportFile_, reportPath);
  if (reportProblem.empty()) reportProblem = ReportFileProblem(operation, reportPath);
  if (!reportProblem.empty()) {
    console.Error("nulvane-cli: " + reportProblem + "\n");
    return kUsageError;
  }
  ReportOutput output;
  output.Open(program, reportPath);
  if (!operation.setupHeader.empty()) output.WriteAhead(operation.setupHeader);

  Run run;
  AnswerDialogs(program, run);
  bool cancelled = false;
  long failed = 0;
  std::vector<std::string> freeSpaceHints;
  for (const NamedPath& target : operation.targets) {
    if (StopRequested()) break;
    const TargetResult chosen = ChooseTarget(program, target, operation);
    if (chosen == TargetResult::Failed) ++failed;
    if (chosen != TargetResult::Set) continue;

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
      console.Error("nulvane-cli: nothing was purged in " + target.path +
                    ": overwriting in place cannot reach every copy there (--accept-residue goes on all the "
                    "same)\n");
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
      console.Error(
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
    // What lies in folders the run could not reach was chosen and is not purged.
    failed += report.lngNumFoldersNotReached;
    if (cancelled) break;
  }
  ui.OnYield({});
  ui.OnAsking({});
  program.report.onFileDone = nullptr;
  for (const std::string& volume : freeSpaceHints) {
    console.Error("nulvane-cli: old copies of the purged data may remain in the free space of " + volume +
                  "; to overwrite them: nulvane-cli free-space " + volume + "\n");
  }

  if (cancelled || StopRequested()) return kCancelled;
  if (failed > 0 || ui.errorsShown() > 0 || output.fileFailed()) return kSomeNotDone;
  return kAllDone;
}

}  // namespace nulvane::cli
