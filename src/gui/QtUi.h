#pragma once

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <map>

#include "platform/Ui.h"

class QDialog;
class QFileDialog;

namespace nulvane::gui {

// The Ui of the real program: Qt message boxes, dialogs, choosers and clipboard.
class QtUi final : public platform::Ui {
 public:
  // Dialog views are registered once at start-up; ShowModal runs the registered view of a dialog.
  void RegisterDialogView(platform::Dialog& dialog, QDialog* view);
  // The window that owns message boxes and choosers (the main window).
  void SetParentWindow(QWidget* parent) { parent_ = parent; }

  platform::Answer Message(const std::string& title, const std::string& text, platform::Buttons buttons,
                           platform::Icon icon, platform::Answer defaultButton) override;
  platform::Answer MessageWithCheckBox(const std::string& title, const std::string& text,
                                       platform::Buttons buttons, platform::Icon icon,
                                       platform::Answer defaultButton, const std::string& checkBox,
                                       bool& checked) override;
  void ShowModal(platform::Dialog& dialog) override;
  platform::FileDialogResult OpenFileDialog(const platform::FileDialogRequest& request) override;
  platform::FileDialogResult SaveFileDialog(const platform::FileDialogRequest& request) override;
  std::string BrowseForFolder(const std::string& prompt) override;
  void SetClipboardText(const std::string& text) override;
  bool OpenUrl(const std::string& url) override;
  void Yield() override;
  void Wait(int milliseconds) override;

 private:
  QWidget* ActiveParent() const;
  platform::Answer ShowMessage(const std::string& title, const std::string& text, platform::Buttons buttons,
                               platform::Icon icon, platform::Answer defaultButton,
                               const std::string* checkBox, bool* checked);

  std::map<platform::Dialog*, QPointer<QDialog>> views_;
  QPointer<QWidget> parent_;
  std::chrono::steady_clock::time_point lastEvents_{};
};

// A window's title as the program means it: "[*]" in a folder's name is shown as it is, not taken for the
// toolkit's mark of unsaved changes.
QString ToWindowTitle(const std::string& title);
// CR LF (the program's line break) as the toolkit's line break.
QString ToDisplayText(const std::string& text);
std::string FromDisplayText(const QString& text);
// "All files (*.*) | *.*" as a Qt name filter. The name keeps its own text and the patterns follow in a
// last pair of parentheses, which the dialog hides (see ApplyFilter): "All files (*.*) (*)", since "*.*"
// means every file, with or without a dot.
QString ToQtFilter(const std::string& filter);
// Gives a file dialog the filter, showing each entry by its name as the program writes it.
void ApplyFilter(QFileDialog& dialog, const std::string& filter);

}  // namespace nulvane::gui
