#include "cli/ReportPrinter.h"

#include <algorithm>
#include <utility>

#include "platform/PlatformError.h"

namespace nulvane::cli {

ReportPrinter::ReportPrinter(report::ReportText& text, Console& console) : text_(text), console_(console) {
  subscription_ = text_.Subscribe([this](const report::ReportText::Change& change) { OnChange(change); });
}

ReportPrinter::~ReportPrinter() {
  text_.Unsubscribe(subscription_);
}

void ReportPrinter::WriteFileToo(platform::FileSystem& fileSystem, const std::string& path) {
  fileSystem_ = &fileSystem;
  filePath_ = path;
  fileOffset_ = 0;
}

void ReportPrinter::WriteAhead(const std::string& text) {
  console_.Report(text);
  ahead_ += text;
}

void ReportPrinter::OnChange(const report::ReportText::Change& change) {
  using Kind = report::ReportText::ChangeKind;
  if (change.kind == Kind::Set || change.kind == Kind::Truncate) {
    // A new run starts from an empty text; nothing printed is ever cut otherwise.
    printed_ = std::min(printed_, text_.size());
    return;
  }
  if (change.kind != Kind::Append) return;
  const std::string& text = text_.text();
  // The last character that the end of the run cannot trim away, and the line break before it.
  std::size_t last = text.size();
  while (last > 0 && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
  if (last == 0) return;
  const std::size_t lineBreak = text.rfind("\r\n", last - 1);
  if (lineBreak != std::string::npos) PrintUpTo(lineBreak + 2);
}

void ReportPrinter::Finish() {
  PrintUpTo(text_.size());
  // The report's last line has no line break of its own; a text stream's last line needs one.
  if (lineOpen_) {
    lineOpen_ = false;
    Write("\n");
  }
}

void ReportPrinter::PrintUpTo(std::size_t end) {
  if (end <= printed_) return;
  const std::string_view piece = std::string_view(text_.text()).substr(printed_, end - printed_);
  printed_ = end;
  lineOpen_ = piece.back() != '\n';
  Write(piece);
}

void ReportPrinter::Write(std::string_view piece) {
  console_.Report(piece);
  WriteToFile(piece);
}

void ReportPrinter::WriteToFile(std::string_view piece) {
  if (fileSystem_ == nullptr || !fileError_.empty()) return;
  // A report file that cannot be written must not look like a failure of the purge it reports on.
  try {
    if (!file_.IsOpen()) {
      file_ = fileSystem_->CreateFile(filePath_);
      const std::string ahead = Console::ForFile(std::exchange(ahead_, {}));
      fileSystem_->WriteAt(file_, ahead.data(), ahead.size(), 0);
      fileOffset_ = static_cast<std::int64_t>(ahead.size());
    }
    const std::string plain = Console::ForFile(piece);
    fileSystem_->WriteAt(file_, plain.data(), plain.size(), fileOffset_);
    fileOffset_ += static_cast<std::int64_t>(plain.size());
  } catch (const platform::PlatformError& error) {
    fileError_ = error.description;
    file_ = platform::File();
    console_.Error("The report file cannot be written: " + filePath_ + ": " + fileError_ + "\n");
  }
}

}  // namespace nulvane::cli
