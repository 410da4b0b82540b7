#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/FileMatcher.h"

namespace CLI {
class App;
}  // namespace CLI

namespace nulvane::cli {

class CliProgram;

// What "purge" and "list" share: which files of a folder take part (--files, --subfolders, --before), the
// type of purge (--type, --passes), which the listing's estimates use too, and a saved setup to start from
// (--setup).
struct OperationOptions {
  std::vector<std::string> files;  // the shell's patterns; none: every file (or the setup's specification)
  bool subfolders = false;
  std::string before;  // YYYY-MM-DD
  int type = -1;       // -1: the default, or the setup's
  int passes = -1;     // -1: the type's default, or the setup's
  std::string setup;   // a setup file to load first

  void AddTo(CLI::App& command);
  // What is wrong with the values beyond what the parser checks; empty when nothing is.
  std::string Problem() const;
};

// A usage error for a type of purge that does not exist (-1 stands for none given); empty for 0 to 2.
std::string TypeProblem(int type);

// Sets the type of purge and its passes through the window's dialog, when the options name either (passes
// alone keep the type in force). Empty on success, otherwise the reason, a usage error.
std::string ApplyTypeOfPurge(CliProgram& program, const OperationOptions& options);

enum class PathKind { Missing, File, Folder };

// A path named on the command line, made absolute; its folders resolved once, as a chooser resolves them.
struct NamedPath {
  std::string path;
  PathKind kind = PathKind::Missing;
};

// Takes a path named on the command line: what it is, or why it cannot be taken (a usage error: it does
// not exist, or it is a symbolic link, which is never followed, whatever it leads to; the message names the
// target).
std::string TakeNamedPath(platform::FileSystem& fileSystem, const std::string& typed, NamedPath& named);

// Why purging the files of `folder` needs --no-preserve-root: it is the root folder, or one of the
// operating system's own that folder mode warns about (/bin, /boot, /etc, /lib*, /sbin, /usr, /var; the
// Windows folder), recognised by identity, so that a bind mount of one of them is one too. Empty for any
// other folder, and for everything below them.
std::string ProtectedFolderProblem(platform::FileSystem& fileSystem, const std::string& folder);

// The operation as the command line gives it, on top of the defaults or of the setup loaded from --setup.
struct Operation {
  std::vector<NamedPath> targets;
  support::FileMatcher files{"*.*"};
  bool subfolders = false;
  bool fromSetup = false;
  // The setup file's values as the window shows them, to head the report; empty without --setup.
  std::string setupHeader;
};

// Loads the setup (when one is named) through the window's own setup code, sets the type of purge and the
// date restriction through the window's dialogs, and takes the paths (the setup's folder when none is
// named). Empty on success; otherwise the reason, a usage error.
std::string PrepareOperation(CliProgram& program, const OperationOptions& options,
                             const std::vector<std::string>& paths, Operation& operation);

enum class TargetResult { Set, Nothing, Failed };

// Makes the path the main window's target, as "Single file" does for a file and "Specify folder",
// "Subfolders?" and "Specify files" do for a folder, with the command line's values as the answers. Nothing:
// the window found nothing to take (an empty folder, a file the date restriction excludes; its message says
// why); Failed: it could not take what it was given.
TargetResult ChooseTarget(CliProgram& program, const NamedPath& target, const Operation& operation);

}  // namespace nulvane::cli
