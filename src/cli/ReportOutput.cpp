#include "cli/ReportOutput.h"

#include "cli/CliProgram.h"
#include "platform/PlatformError.h"
#include "support/Match.h"

namespace nulvane::cli {

std::string ReportOutput::Check(CliProgram& program, const std::string& file, std::string& resolved) {
  resolved.clear();
  if (file.empty()) return {};
  const std::string path = CliProgram::Absolute(file);
  const std::string name = support::FileNameOf(path, false);
  if (name.empty() || name == "." || name == "..") return "--report: not a file name: " + file;
  platform::FileSystem& fileSystem = program.fileSystem;
  std::string folder;
  try {
    // A path the user chose: its folder is resolved once, and the file itself is never a link.
    folder = fileSystem.RealPath(support::FolderOf(path, false));
    if (fileSystem.Status(folder).kind != platform::FileKind::Directory &&
        fileSystem.Status(folder).kind != platform::FileKind::MountPoint)
      return "--report: not in a folder: " + file;
  } catch (const platform::PlatformError& error) {
    return "--report: " + file + ": " + error.description;
  }
  support::EnsureTrailingBackslash(folder);
  platform::FileStatus status;
  try {
    status = fileSystem.Status(folder + name);
  } catch (const platform::PlatformError& error) {
    return "--report: " + file + ": " + error.description;
  }
  if (status.kind != platform::FileKind::Missing && status.kind != platform::FileKind::Regular) {
    const std::string what = status.kind == platform::FileKind::Symlink     ? "a symbolic link"
                             : status.kind == platform::FileKind::Directory ? "a folder"
                                                                            : "not a regular file";
    return "--report: " + file + " is " + what + "; the report goes only into a regular file";
  }
  resolved = folder + name;
  return {};
}

void ReportOutput::Open(CliProgram& program, const std::string& path) {
  printer_ = std::make_unique<ReportPrinter>(program.report.txbText, program.console);
  program.ui.OnRunFinished([this, &program] {
    program.progress.Stop();
    printer_->Finish();
  });
  if (!path.empty()) printer_->WriteFileToo(program.realFileSystem, path);
}

}  // namespace nulvane::cli
