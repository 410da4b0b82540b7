#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/Console.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "report/ReportText.h"

namespace nulvane::cli {

// Copies the report window's text to standard output (and to the report file, when one is named) line by
// line as it grows. A line is passed on once text follows that the run cannot take back any more: the end of
// a run trims trailing blanks and line breaks, and the line being purged is cut back after each pass. So
// what was printed is always exactly the start of the finished report, which ends with a line break.
class ReportPrinter {
 public:
  ReportPrinter(report::ReportText& text, Console& console);
  ~ReportPrinter();
  ReportPrinter(const ReportPrinter&) = delete;
  ReportPrinter& operator=(const ReportPrinter&) = delete;

  // Also writes the report into this file, which is created (or emptied; never through a link) only when
  // the first text comes, so that a run that writes no report (one not confirmed) leaves it as it was.
  void WriteFileToo(platform::FileSystem& fileSystem, const std::string& path);
  // Text ahead of the report (what a setup file set): on standard output now, at the file's start later.
  void WriteAhead(const std::string& text);
  // The run is over: the rest of its report goes out.
  void Finish();
  // The system's description of a failed write to the report file; empty while all is well.
  const std::string& fileError() const { return fileError_; }

 private:
  void OnChange(const report::ReportText::Change& change);
  void PrintUpTo(std::size_t end);
  void Write(std::string_view piece);
  void WriteToFile(std::string_view piece);

  report::ReportText& text_;
  Console& console_;
  int subscription_ = 0;
  std::size_t printed_ = 0;
  bool lineOpen_ = false;
  platform::FileSystem* fileSystem_ = nullptr;
  std::string filePath_;
  std::string ahead_;
  platform::File file_;
  std::int64_t fileOffset_ = 0;
  std::string fileError_;
};

}  // namespace nulvane::cli
