#pragma once

#include <string>

namespace nulvane::report {

// What the report window needs from the main window, which lives in a higher layer and implements this.
// The operation state itself is handed to the report window directly.
class ReportHost {
 public:
  virtual ~ReportHost() = default;

  // Caption of the main window's folder label (lblDirectory, first element).
  virtual std::string DirectoryCaption() const = 0;
  // Caption of the main window's file-specification label (lblFiles, first element).
  virtual std::string FilesCaption() const = 0;
  // Caption of the main window's lblTypeOfPurge.
  virtual std::string TypeOfPurgeCaption() const = 0;
  // Sets the main window's lblEstimatedTime.
  virtual void SetEstimatedTimeCaption(const std::string& text) = 0;
  // The main window steps aside while the per-file confirmation is shown.
  virtual void HideMainWindow() = 0;
  virtual void ShowMainWindow() = 0;
};

}  // namespace nulvane::report
