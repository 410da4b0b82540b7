#pragma once

#include "gui/DialogView.h"
#include "mainwindow/DriveDialog.h"

class QComboBox;
class QPushButton;

namespace nulvane::gui {

// Draws the drive choice dialog and forwards the user's choice to it.
class DriveDialogView : public DialogView {
 public:
  explicit DriveDialogView(mainwindow::DriveDialog& dialog, QWidget* parent = nullptr);

  QComboBox* driveList() const { return drives_; }
  QPushButton* acceptButton() const { return accept_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  void Render() override;
  void ApplyFocus() override;

  mainwindow::DriveDialog& dialog_;
  QComboBox* drives_;
  QPushButton* accept_;
  QPushButton* cancel_;
};

}  // namespace nulvane::gui
