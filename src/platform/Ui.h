#pragma once

#include <optional>
#include <string>

namespace nulvane::platform {

class Dialog;

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Error, Question };
enum class Answer { None, Ok, Cancel, Yes, No };

struct FileDialogRequest {
  std::string title;
  std::string fileName;
  std::string filter;  // "All files (*.*) | *.*"
  std::string defaultExtension;
  std::string initialFolder;
};

// The result of a file dialog: `shown` is false when the dialog could not be shown at all.
struct FileDialogResult {
  bool shown = true;
  std::string path;  // empty when the user cancelled
};

// Every interaction with the user goes through this interface: the Qt implementation in gui/, a scripted
// fake in the tests.
class Ui {
 public:
  virtual ~Ui() = default;

  // A modal message box; text lines are joined by CR LF. Returns the button pressed.
  virtual Answer Message(const std::string& title, const std::string& text, Buttons buttons, Icon icon,
                         Answer defaultButton = Answer::None) = 0;
  // The same with a check box under the text, captioned `checkBox`; `checked` is its state, in and out.
  // Where no check box can be shown, the plain message box, and `checked` stays as it was.
  virtual Answer MessageWithCheckBox(const std::string& title, const std::string& text, Buttons buttons,
                                     Icon icon, Answer defaultButton, const std::string& /*checkBox*/,
                                     bool& /*checked*/) {
    return Message(title, text, buttons, icon, defaultButton);
  }
  // Shows a dialog modally; returns when the dialog's logic has hidden it.
  virtual void ShowModal(Dialog& dialog) = 0;
  virtual FileDialogResult OpenFileDialog(const FileDialogRequest& request) = 0;
  virtual FileDialogResult SaveFileDialog(const FileDialogRequest& request) = 0;
  // The folder chooser; empty text when cancelled.
  virtual std::string BrowseForFolder(const std::string& prompt) = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual bool OpenUrl(const std::string& url) = 0;
  // Lets pending user events run. Cheap enough to call once per written block.
  virtual void Yield() = 0;
  virtual void Wait(int milliseconds) = 0;
};

}  // namespace nulvane::platform
