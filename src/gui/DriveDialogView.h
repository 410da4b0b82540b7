#pragma once

#include <QDialog>

#include "mainwindow/DriveDialog.h"

class QComboBox;
class QPushButton;

namespace nulvane::gui {

// Draws the drive choice dialog and forwards the user's choice to it.
class DriveDialogView : public QDialog {
 public:
  explicit DriveDialogView(mainwindow::DriveDialog& dialog, QWidget* parent = nullptr);
  ~DriveDialogView() override;

  void reject() override;

  QComboBox* driveList() const { return drives_; }
  QPushButton* acceptButton() const { return accept_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  void Render();

  mainwindow::DriveDialog& dialog_;
  int subscription_ = 0;
  QComboBox* drives_;
  QPushButton* accept_;
  QPushButton* cancel_;
};

}  // namespace nulvane::gui
