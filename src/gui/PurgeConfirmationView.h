#pragma once

#include <utility>
#include <vector>

#include "dialogs/PurgeConfirmationDialog.h"
#include "gui/DialogView.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace nulvane::gui {

// Draws the purge confirmation dialog and forwards the user's answers to it.
class PurgeConfirmationView : public DialogView {
 public:
  explicit PurgeConfirmationView(dialogs::PurgeConfirmationDialog& dialog, QWidget* parent = nullptr);

  QLabel* message() const { return message_; }
  // The check box drawn for one of the dialog's check boxes.
  QCheckBox* checkBoxFor(const platform::CheckBox& box) const;
  QPushButton* doPurgeButton() const { return doPurge_; }
  QPushButton* cancelButton() const { return cancel_; }
  QGroupBox* clusterSizeFrame() const { return clusterFrame_; }

 private:
  void Render() override;
  void ApplyFocus() override;

  dialogs::PurgeConfirmationDialog& dialog_;
  QLabel* message_;
  std::vector<std::pair<platform::CheckBox*, QCheckBox*>> checks_;
  QPushButton* doPurge_;
  QPushButton* cancel_;
  QGroupBox* clusterFrame_;
  QLabel* clusterLabel_;
  QLabel* fileSystem_;
  QComboBox* clusterSizes_;
};

}  // namespace nulvane::gui
