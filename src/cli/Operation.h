#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace CLI {
class App;
}  // namespace CLI

namespace nulvane::cli {

class CliProgram;

// What "purge" and "list" share: which files of a folder take part (--files, --subfolders, --before) and
// the type of purge (--type, --passes), which the listing's estimates use too.
struct OperationOptions {
  std::string files = "*.*";
  bool subfolders = false;
  std::string before;  // YYYY-MM-DD
  int type = -1;       // -1: the window's default
  int passes = 0;      // 0: the type's default

  void AddTo(CLI::App& command);
  // What is wrong with the values beyond what the parser checks; empty when nothing is.
  std::string Problem() const;
};

enum class PathKind { Missing, File, Folder };

// What a path from the command line names, following links as a chooser would: the window's commands
// resolve the chosen path once and work below it.
PathKind KindOf(platform::FileSystem& fileSystem, const std::string& path);

// Sets the type of purge and the date restriction through the window's own dialogs. Empty on success,
// otherwise the reason (a usage error; the window's own message has been shown too).
std::string ApplyOperation(CliProgram& program, const OperationOptions& options);

enum class TargetResult { Set, Nothing, Failed };

// Makes the path the main window's target, as "Single file" does for a file and "Specify folder",
// "Subfolders?" and "Specify files" do for a folder, with the command line's values as the answers. Nothing:
// the window found nothing to take (an empty folder, a file the date restriction excludes; its message says
// why); Failed: it could not take what it was given.
TargetResult ChooseTarget(CliProgram& program, const std::string& path, PathKind kind,
                          const OperationOptions& options);

}  // namespace nulvane::cli
