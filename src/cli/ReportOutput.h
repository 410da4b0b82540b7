#pragma once

#include <memory>
#include <string>

#include "cli/ReportPrinter.h"

namespace nulvane::cli {

class CliProgram;

// The report of a run on standard output and, with --report FILE, in that file too.
class ReportOutput {
 public:
  // A --report path as the user chose it, checked before anything is done: its folder resolved once, and
  // what it names a regular file or nothing yet (never a link, a folder, a device or a pipe). Empty when it
  // will do (`resolved` is then the path to write), else the usage error.
  static std::string Check(CliProgram& program, const std::string& file, std::string& resolved);
  // Prints the report of every run from now on; `path` (checked) empty: standard output only. The file is
  // created, or emptied, only when the first report text comes, after the purge was confirmed.
  void Open(CliProgram& program, const std::string& path);
  // Text ahead of the report, in the file too.
  void WriteAhead(const std::string& text) {
    if (printer_) printer_->WriteAhead(text);
  }
  bool fileFailed() const { return printer_ && !printer_->fileError().empty(); }
  void Finish() {
    if (printer_) printer_->Finish();
  }

 private:
  std::unique_ptr<ReportPrinter> printer_;
};

}  // namespace nulvane::cli
