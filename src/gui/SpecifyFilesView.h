#pragma once

#include "dialogs/SpecifyFilesDialog.h"
#include "gui/DialogView.h"

class QButtonGroup;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace nulvane::gui {

// Draws the file specification dialog and forwards the user's choices to it.
class SpecifyFilesView : public DialogView {
 public:
  explicit SpecifyFilesView(dialogs::SpecifyFilesDialog& dialog, QWidget* parent = nullptr);

  QRadioButton* singleFileOption() const { return single_; }
  QRadioButton* allFilesOption() const { return all_; }
  QRadioButton* extensionOption() const { return extension_; }
  QRadioButton* multipleFilesOption() const { return multiple_; }
  QListWidget* fileList() const { return files_; }
  QLineEdit* extensionBox() const { return extensionBox_; }
  QLineEdit* filespecBox() const { return filespecBox_; }
  QPushButton* acceptButton() const { return accept_; }
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Render() override;
  void ApplyFocus() override;

  dialogs::SpecifyFilesDialog& dialog_;
  QButtonGroup* options_;
  QRadioButton* single_;
  QListWidget* files_;
  QRadioButton* all_;
  QRadioButton* extension_;
  QLineEdit* extensionBox_;
  QRadioButton* multiple_;
  QLineEdit* filespecBox_;
  QPushButton* accept_;
  QPushButton* cancel_;
};

}  // namespace nulvane::gui
