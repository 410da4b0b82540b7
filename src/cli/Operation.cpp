#include "cli/Operation.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "cli/CliProgram.h"
#include "platform/PlatformError.h"
#include "support/Format.h"
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

std::string PassesProblem(int type, int passes) {
  const int most = dialogs::TypeOfPurgeDialog::intMaxNumPasses[static_cast<std::size_t>(type)];
  if (passes >= dialogs::TypeOfPurgeDialog::intMinNumPasses && passes <= most) return {};
  return "--passes: type " + std::to_string(type) + " takes 1 to " + std::to_string(most) + " passes, not " +
         std::to_string(passes);
}

std::string WithoutTrailingSeparators(std::string path) {
  support::StripTrailingBackslashes(path);
  return path;
}

std::string Checked(bool checked) {
  return checked ? "  [x] " : "  [ ] ";
}

// The setup as the window shows it once loaded: its labels and the options of the purge confirmation.
std::string SetupHeader(CliProgram& program, const std::string& file) {
  mainwindow::MainWindow& window = program.mainWindow;
  const dialogs::PurgeConfirmationDialog& options = program.confirmation;
  const auto line = [](const std::string& label, const platform::Label& first,
                       const platform::Label& second) {
    std::string text = label + ": " + first.caption;
    if (!second.caption.empty()) text += "  " + second.caption;
    return text + "\r\n";
  };
  std::string header = "Setup from " + support::DisplayName(file) + ":\r\n";
  header += line("Folder", window.lblDirectory, platform::Label{});
  header += line("Files", window.lblFiles, window.lblFiles2);
  if (!program.state.strTargetFolder.empty())
    header += line("Subfolders", window.lblSubdirectories, window.lblSubdirectories2);
  header += window.lblDateRestriction.caption + "\r\n";
  header += "Type of purge: " + program.typeOfPurge.TypeOfPurgeCaption() + "\r\n";
  for (const platform::CheckBox* box :
       {&options.chkDoNotDeletePurgedFiles, &options.chkOKToPurgeReadOnlyFiles,
        &options.chkOKToPurgeSystemFiles, &options.chkOKToPurgeSensitiveFiles, &options.chkFolderNamesOnly,
        &options.chkDeleteEmptyFolders, &options.chkConfirmFiles}) {
    header += Checked(box->checked) + box->caption + "\r\n";
  }
  return header + "\r\n";
}

std::string ApplyDateRestriction(CliProgram& program, const std::string& before) {
  if (before.empty()) return {};
  Date date;
  ParseDate(before, date);
  program.ui.OnDialog(program.dateInput, [date](platform::Dialog& shown) {
    auto& dialog = static_cast<dialogs::DateInputDialog&>(shown);
    dialog.SelectMonth(date.month);
    dialog.SelectDay(date.day);
    dialog.SetYearText(std::to_string(date.year));
    dialog.cmdAccept();
  });
  program.mainWindow.cmdOnlyBefore_Release();
  if (!program.state.blnDateRestriction) return "--before: the day " + before + " is not accepted";
  return {};
}

std::string LoadSetupFile(CliProgram& program, const std::string& file, Operation& operation) {
  const std::string path = CliProgram::Absolute(file);
  platform::FileKind kind = platform::FileKind::Missing;
  try {
    // The file may be reached through a link: the setup code follows it as the window does.
    kind = program.fileSystem.Status(program.fileSystem.RealPath(path)).kind;
  } catch (const platform::PlatformError&) {
  }
  if (kind == platform::FileKind::Missing) return "--setup: no such file: " + file;
  mainwindow::MainWindow& window = program.mainWindow;
  if (!window.LoadSetup(path)) return "--setup: " + file + " is not a setup file that can be read";
  window.UpdateTargetLabels();
  window.UpdateSubfolderLabels();
  window.UpdateDateRestrictionLabel();
  operation.fromSetup = true;
  operation.setupHeader = SetupHeader(program, path);
  return {};
}

}  // namespace

void OperationOptions::AddTo(CLI::App& command) {
  command
      .add_option("--files", files,
                  "Which files of a folder, by shell patterns as find -name reads them: * any name (dot "
                  "files too), .* the dot files, ? one character, [ab] one of a set; letters match in their "
                  "own case (in any case on Windows). Give it again for more patterns. Default: all files")
      ->type_name("PATTERN")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command.add_flag("-r,-R,--subfolders", subfolders, "Include the files in all lower subfolders");
  command.add_option("-b,--before", before, "Only files last modified before this day")
      ->type_name("YYYY-MM-DD");
  command
      .add_option("-t,--type", type,
                  "Type of purge: 0 random bytes plus zeros (2 overwrites a pass), 1 alternate bit "
                  "patterns plus zeros (3), 2 alternate bit patterns plus random bytes twice (6). "
                  "Default: 0")
      ->type_name("N");
  command
      .add_option("-n,-p,--passes", passes,
                  "Number of passes: 1 to 9 for type 0, 1 to 8 for type 1, 1 to 4 for type 2. Default: 6, "
                  "4 and 2")
      ->type_name("N");
  command
      .add_option("--setup", setup,
                  "Start from a setup the window saved: an operation file (.nvs) or the setup for the "
                  "next run; the options given here go before its values")
      ->type_name("FILE");
}

std::string TypeProblem(int type) {
  if (type == -1 || (type >= 0 && type < dialogs::TypeOfPurgeDialog::kNumTypes)) return {};
  return "--type: the types of purge are 0, 1 and 2, not " + std::to_string(type);
}

std::string OperationOptions::Problem() const {
  if (std::string problem = TypeProblem(type); !problem.empty()) return problem;
  for (const std::string& pattern : files) {
    if (pattern.empty()) return "--files: a pattern is empty";
    if (pattern.find('/') != std::string::npos || pattern.find(platform::kPathSeparator) != std::string::npos)
      return "--files: a pattern names files in a folder, not a path: " + pattern;
  }
  Date date;
  if (!before.empty() && !ParseDate(before, date))
    return "--before: not a date of the form YYYY-MM-DD: " + before;
  // With a setup and no type of its own, the passes are checked against the setup's type once it is loaded.
  if (passes != -1 && (type >= 0 || setup.empty())) return PassesProblem(type >= 0 ? type : 0, passes);
  return {};
}

std::string ApplyTypeOfPurge(CliProgram& program, const OperationOptions& options) {
  if (options.type < 0 && options.passes < 0) return {};
  const int type = options.type >= 0 ? options.type : program.typeOfPurge.GetPurgeType();
  int passes = options.passes;
  if (passes < 0) {
    // A type of its own brings its default passes; passes alone keep the type in force.
    passes = options.type >= 0 ? dialogs::TypeOfPurgeDialog::kDefaultPasses[static_cast<std::size_t>(type)]
                               : program.typeOfPurge.GetNumberOfPasses();
  }
  if (std::string problem = PassesProblem(type, passes); !problem.empty()) return problem;
  TerminalUi& ui = program.ui;
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
  return {};
}

std::string TakeNamedPath(platform::FileSystem& fileSystem, const std::string& typed, NamedPath& named) {
  // Separators at the end would have the system follow a link that the last name is.
  const std::string path = WithoutTrailingSeparators(CliProgram::Absolute(typed));
  const std::string name = support::FileNameOf(path, false);
  const std::string missing = "no such file or folder: " + typed;
  std::string resolved;
  try {
    if (name.empty() || name == "." || name == "..") {
      // The root, or a folder named by where it lies: no link of its own.
      resolved = fileSystem.RealPath(path);
    } else {
      // The folders on the way are resolved once, as a chooser resolves them; the last name never is.
      resolved = fileSystem.RealPath(support::FolderOf(path, false));
      support::EnsureTrailingBackslash(resolved);
      resolved += name;
    }
    const platform::FileStatus status = fileSystem.Status(resolved);
    if (status.kind == platform::FileKind::Missing) return missing;
    if (status.kind == platform::FileKind::Symlink) {
      std::string target;
      platform::FileKind targetKind = platform::FileKind::Missing;
      try {
        target = fileSystem.RealPath(resolved);
        targetKind = fileSystem.Status(target).kind;
      } catch (const platform::PlatformError&) {
      }
      if (targetKind == platform::FileKind::Missing)
        return typed + " is a symbolic link to nothing that exists: nothing there is purged";
      const bool folder =
          targetKind == platform::FileKind::Directory || targetKind == platform::FileKind::MountPoint;
      return typed + " is a symbolic link to " + support::DisplayName(target) + ": give the " +
             (folder ? "folder" : "file") + " itself to purge it";
    }
    named.path = resolved;
    named.kind = status.kind == platform::FileKind::Directory || status.kind == platform::FileKind::MountPoint
                     ? PathKind::Folder
                     : PathKind::File;
    return {};
  } catch (const platform::PlatformError& error) {
    // Where the path is not simply missing (refused, or on a drive that is not ready), the system says why.
    if (error.number == platform::kErrorFileNotFound || error.number == platform::kErrorPathNotFound)
      return missing;
    return typed + ": " + error.description;
  }
}

std::string ProtectedFolderProblem(platform::FileSystem& fileSystem, const std::string& folder) {
  std::vector<std::string> system;
#ifdef _WIN32
  for (const char* variable : {"SystemDrive", "SystemRoot"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || value[0] == '\0') continue;
    std::string path = value;
    if (path.size() == 2 && path[1] == ':') path += '\\';
    system.push_back(path);
  }
#else
  system = {"/", "/bin", "/boot", "/etc", "/sbin", "/usr", "/var"};
  try {
    for (const platform::DirEntry& entry : fileSystem.List(*fileSystem.OpenFolder("/"))) {
      if (entry.name.rfind("lib", 0) == 0) system.push_back("/" + entry.name);
    }
  } catch (const platform::PlatformError&) {
  }
#endif
  platform::FileStatus target;
  try {
    target = fileSystem.Status(fileSystem.RealPath(folder));
  } catch (const platform::PlatformError&) {
    return {};
  }
  if (target.kind != platform::FileKind::Directory && target.kind != platform::FileKind::MountPoint)
    return {};
  for (const std::string& candidate : system) {
    platform::FileStatus status;
    try {
      // Where /bin is a link into /usr, the folder it leads to is the system's.
      status = fileSystem.Status(fileSystem.RealPath(candidate));
    } catch (const platform::PlatformError&) {
      continue;
    }
    if (status.kind == platform::FileKind::Missing || status.device != target.device ||
        status.inode != target.inode)
      continue;
    const bool root = candidate == "/" || candidate.size() == 3;
    const std::string what = root ? "the root folder" : "a folder of the operating system";
    const std::string shown = support::DisplayName(WithoutTrailingSeparators(folder));
    const std::string subject =
        shown == candidate ? candidate + " is " + what : shown + " is " + candidate + ", " + what;
    return subject +
           ": purging its files would leave the system unusable (--no-preserve-root purges them all "
           "the same)";
  }
  return {};
}

std::string PrepareOperation(CliProgram& program, const OperationOptions& options,
                             const std::vector<std::string>& paths, Operation& operation) {
  support::OperationState& state = program.state;
  if (!options.setup.empty()) {
    if (std::string problem = LoadSetupFile(program, options.setup, operation); !problem.empty())
      return problem;
  }
  if (std::string problem = ApplyTypeOfPurge(program, options); !problem.empty()) return problem;
  if (std::string problem = ApplyDateRestriction(program, options.before); !problem.empty()) return problem;

  if (!options.files.empty()) {
    // "*" takes every name: the window's "all files", with its words.
    const bool all = std::find(options.files.begin(), options.files.end(), "*") != options.files.end();
    operation.files =
        all ? support::FileMatcher("*.*")
            : support::FileMatcher(support::FileMatcher::ShellPatternsText(options.files), options.files);
  } else if (operation.fromSetup && !state.strFilespec.empty()) {
    // A setup's specification keeps the window's rules.
    operation.files = support::FileMatcher(state.strFilespec);
  }
  operation.subfolders = options.subfolders || (operation.fromSetup && state.blnSubdirectories);

  for (const std::string& path : paths) {
    NamedPath named;
    if (std::string problem = TakeNamedPath(program.fileSystem, path, named); !problem.empty())
      return problem;
    operation.targets.push_back(named);
  }
  if (paths.empty()) {
    if (!operation.fromSetup || state.strTargetFolder.empty())
      return operation.fromSetup ? "the setup names no folder, and no PATH is given" : "no PATH is given";
    // The setup's own target: its folder, or the one file it names there.
    std::string target = state.strTargetFolder;
    if (options.files.empty() && !state.strFilespec.empty() && operation.files.NamesOneFile()) {
      support::EnsureTrailingBackslash(target);
      target += state.strFilespec;
    }
    NamedPath named;
    if (std::string problem = TakeNamedPath(program.fileSystem, target, named); !problem.empty())
      return "the setup's " + problem;
    operation.targets.push_back(named);
  }
  return {};
}

TargetResult ChooseTarget(CliProgram& program, const NamedPath& target, const Operation& operation) {
  TerminalUi& ui = program.ui;
  mainwindow::MainWindow& window = program.mainWindow;
  support::OperationState& state = program.state;
  const int errorsBefore = ui.errorsShown();
  const int warningsBefore = ui.warningsShown();
  const support::FileMatcher& files = operation.files;

  // The previous target goes first, so that a path the window does not take leaves no target behind.
  ui.AddRule({"Clear", "Clear folder and file specifications?", Answer::Yes, Output::Quiet});
  window.cmdClear_Click();
  ui.ClearRules();

  if (target.kind == PathKind::File) {
    ui.ChoosePath(target.path);
    window.cmdSingleFile_Release();
    window.Clock2Tick();
  } else {
    const bool allFiles = files.MatchesEveryName();
    ui.AddRule({"Specify folder", "Do you wish to purge ALL files in ", allFiles ? Answer::Yes : Answer::No,
                Output::Quiet});
    // Advice on the window's next button: the command line has its own option for it.
    ui.AddRule(
        {"Specify folder", "If you wish also to purge all files in subfolders", Answer::Ok, Output::Quiet});
    std::string folder = target.path;
    support::EnsureTrailingBackslash(folder);
    ui.ChoosePath(folder);
    window.cmdSpecifyDirectory_Release(0);
    ui.ClearRules();
    if (!state.strTargetFolder.empty() && operation.subfolders) window.cmdSubdirectories_Release();
    // Files named otherwise, or all files of a folder whose own files the question above could not offer
    // (it asks only where the folder itself holds some: the files may all lie in its subfolders).
    if (!state.strTargetFolder.empty() && (!allFiles || state.strFilespec.empty()) &&
        !window.SpecifyFiles(files)) {
      state.strFilespec.clear();
      state.strShellPatterns.clear();
    }
  }
  if (!state.strTargetFolder.empty() && !state.strFilespec.empty()) return TargetResult::Set;
  // A folder may hold nothing to purge, and a file may be excluded by the date restriction; anything else
  // that keeps a named file from being taken is a failure.
  const bool failed =
      target.kind == PathKind::File ? ui.warningsShown() > warningsBefore : ui.errorsShown() > errorsBefore;
  return failed ? TargetResult::Failed : TargetResult::Nothing;
}

}  // namespace nulvane::cli
