#pragma once

#include <memory>
#include <string>

#include "cli/ReportPrinter.h"

namespace nulvane::cli {

class CliProgram;

// The report of a run on standard output and, with --report FILE, in that file too.
class ReportOutput {
 public:
  // A --report path as the user chose it, with its folder resolved once; empty for none.
  static std::string Resolve(CliProgram& program, const std::string& file);
  // `path` (resolved) empty: standard output only. False when the file cannot be created (the reason was
  // shown).
  bool Open(CliProgram& program, const std::string& path);
  // The resolved path of the report file, empty without one.
  const std::string& filePath() const { return filePath_; }
  bool fileFailed() const { return printer_ && !printer_->fileError().empty(); }
  void Finish() {
    if (printer_) printer_->Finish();
  }

 private:
  std::unique_ptr<ReportPrinter> printer_;
  std::string filePath_;
};

}  // namespace nulvane::cli
