#include "cli/ReportOutput.h"

#include "cli/CliProgram.h"
#include "platform/PlatformError.h"
#include "support/Match.h"

namespace nulvane::cli {

std::string ReportOutput::Resolve(CliProgram& program, const std::string& file) {
  if (file.empty()) return file;
  // A path the user chose: its folder is resolved once, and the file itself is never a link.
  const std::string path = CliProgram::Absolute(file);
  return program.folders.ResolveChosenFolder(support::FolderOf(path, false)) +
         support::FileNameOf(path, false);
}

bool ReportOutput::Open(CliProgram& program, const std::string& path) {
  printer_ = std::make_unique<ReportPrinter>(program.report.txbText, program.console);
  program.ui.OnRunFinished([this, &program] {
    program.progress.Stop();
    printer_->Finish();
  });
  if (path.empty()) return true;
  filePath_ = path;
  try {
    printer_->WriteFileToo(program.realFileSystem, filePath_);
  } catch (const platform::PlatformError& error) {
    program.console.Error("--report: " + filePath_ + ": " + error.description + "\n");
    return false;
  }
  return true;
}

}  // namespace nulvane::cli
