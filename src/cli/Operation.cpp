#include "cli/Operation.h"

#include <CLI/CLI.hpp>
#include <charconv>

#include "cli/CliProgram.h"
#include "platform/PlatformError.h"
#include "support/Match.h"

namespace nulvane::cli {

using platform::Answer;
using Output = TerminalUi::Output;

namespace {

struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};

bool ParseNumber(std::string_view text, int& value) {
  if (text.empty()) return false;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool ParseDate(const std::string& text, Date& date) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  const std::string_view view = text;
  return ParseNumber(view.substr(0, 4), date.year) && ParseNumber(view.substr(5, 2), date.month) &&
         ParseNumber(view.substr(8, 2), date.day) && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
         date.day <= 31;
}

int TypeOf(const OperationOptions& options) {
  return options.type >= 0 ? options.type : 0;
}

}  // namespace

void OperationOptions::AddTo(CLI::App& command) {
  command
      .add_option("-f,--files", files,
                  "File specification: *.* (all files), *.EXT, a pattern with * and ?, "
                  "or one file's name")
      ->capture_default_str();
  command.add_flag("-s,--subfolders", subfolders, "Include the files in all lower subfolders");
  command.add_option("-b,--before", before, "Only files last modified before this day (YYYY-MM-DD)");
  command
      .add_option("-t,--type", type,
                  "Type of purge: 0 random bytes plus zeros (2 overwrites a pass), 1 alternate bit patterns "
                  "plus zeros (3), 2 alternate bit patterns plus random bytes twice (6); default 0")
      ->check(CLI::Range(0, 2));
  command.add_option(
      "-p,--passes", passes,
      "Number of passes: 1 to 9 for type 0, 1 to 8 for type 1, 1 to 4 for type 2; default 6, 4 "
      "and 2");
}

std::string OperationOptions::Problem() const {
  if (files.empty()) return "--files: the file specification is empty";
  if (files.find(platform::kPathSeparator) != std::string::npos)
    return "--files: a file specification names files in a folder, not a path: " + files;
  Date date;
  if (!before.empty() && !ParseDate(before, date))
    return "--before: not a date of the form YYYY-MM-DD: " + before;
  const int most = dialogs::TypeOfPurgeDialog::intMaxNumPasses[static_cast<std::size_t>(TypeOf(*this))];
  if (passes != 0 && (passes < dialogs::TypeOfPurgeDialog::intMinNumPasses || passes > most))
    return "--passes: type " + std::to_string(TypeOf(*this)) + " takes 1 to " + std::to_string(most) +
           " passes";
  return {};
}

PathKind KindOf(platform::FileSystem& fileSystem, const std::string& path) {
  try {
    const platform::FileStatus status = fileSystem.Status(fileSystem.RealPath(path));
    if (status.kind == platform::FileKind::Missing) return PathKind::Missing;
    return status.kind == platform::FileKind::Directory || status.kind == platform::FileKind::MountPoint
               ? PathKind::Folder
               : PathKind::File;
  } catch (const platform::PlatformError&) {
    return PathKind::Missing;
  }
}

std::string ApplyOperation(CliProgram& program, const OperationOptions& options) {
  TerminalUi& ui = program.ui;
  if (options.type >= 0 || options.passes > 0) {
    const int type = TypeOf(options);
    const int passes = options.passes > 0
                           ? options.passes
                           : dialogs::TypeOfPurgeDialog::kDefaultPasses[static_cast<std::size_t>(type)];
    ui.OnDialog(program.typeOfPurge, [type, passes](platform::Dialog& shown) {
      auto& dialog = static_cast<dialogs::TypeOfPurgeDialog&>(shown);
      dialog.ClickOption(type);
      dialog.ChoosePasses(type, passes - dialogs::TypeOfPurgeDialog::intMinNumPasses);
      dialog.cmdAccept();
    });
    // "Is this OK?": the command line has said so.
    ui.AddRule(
        {"", "In the type of purge specified each file will be overwritten", Answer::Yes, Output::Quiet});
    program.mainWindow.cmdTypeOfPurge_Release();
    ui.ClearRules();
    if (program.typeOfPurge.GetPurgeType() != type || program.typeOfPurge.GetNumberOfPasses() != passes)
      return "the type of purge was not accepted";
  }
  if (!options.before.empty()) {
    Date date;
    ParseDate(options.before, date);
    ui.OnDialog(program.dateInput, [date](platform::Dialog& shown) {
      auto& dialog = static_cast<dialogs::DateInputDialog&>(shown);
      dialog.SelectMonth(date.month);
      dialog.SelectDay(date.day);
      dialog.SetYearText(std::to_string(date.year));
      dialog.cmdAccept();
    });
    program.mainWindow.cmdOnlyBefore_Release();
    if (!program.state.blnDateRestriction) return "--before: the day " + options.before + " is not accepted";
  }
  return {};
}

TargetResult ChooseTarget(CliProgram& program, const std::string& path, PathKind kind,
                          const OperationOptions& options) {
  TerminalUi& ui = program.ui;
  mainwindow::MainWindow& window = program.mainWindow;
  support::OperationState& state = program.state;
  const int errorsBefore = ui.errorsShown();
  const int warningsBefore = ui.warningsShown();

  // The previous target goes first, so that a path the window does not take leaves no target behind.
  ui.AddRule({"Clear", "Clear folder and file specifications?", Answer::Yes, Output::Quiet});
  window.cmdClear_Click();
  ui.ClearRules();

  if (kind == PathKind::File) {
    ui.ChoosePath(path);
    window.cmdSingleFile_Release();
    window.Clock2Tick();
  } else {
    const bool allFiles = options.files == "*.*";
    ui.AddRule({"Specify folder", "Do you wish to purge ALL files in ", allFiles ? Answer::Yes : Answer::No,
                Output::Quiet});
    // Advice on the window's next button: the command line has its own option for it.
    ui.AddRule(
        {"Specify folder", "If you wish also to purge all files in subfolders", Answer::Ok, Output::Quiet});
    std::string folder = path;
    if (folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
    ui.ChoosePath(folder);
    window.cmdSpecifyDirectory_Release(0);
    ui.ClearRules();
    if (!state.strTargetFolder.empty() && options.subfolders) window.cmdSubdirectories_Release();
    if (!state.strTargetFolder.empty() && state.strFilespec != options.files) {
      const std::string files = options.files;
      ui.OnDialog(program.specifyFiles, [files, allFiles](platform::Dialog& shown) {
        auto& dialog = static_cast<dialogs::SpecifyFilesDialog&>(shown);
        if (allFiles) {
          dialog.ClickOption(dialogs::SpecifyFilesDialog::Choice::AllFiles);
        } else {
          dialog.ClickTextBox(dialogs::SpecifyFilesDialog::Choice::MultipleFiles);
          dialog.SetFilespecText(files);
        }
        dialog.cmdAccept();
      });
      window.cmdSpecifyFiles_Release();
    }
  }
  if (!state.strTargetFolder.empty() && !state.strFilespec.empty()) return TargetResult::Set;
  // A folder may hold nothing to purge, and a file may be excluded by the date restriction; anything else
  // that keeps a named file from being taken is a failure.
  const bool failed =
      kind == PathKind::File ? ui.warningsShown() > warningsBefore : ui.errorsShown() > errorsBefore;
  return failed ? TargetResult::Failed : TargetResult::Nothing;
}

}  // namespace nulvane::cli
