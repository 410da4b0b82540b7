#pragma once

#include <array>

#include "dialogs/TypeOfPurgeDialog.h"
#include "gui/DialogView.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace nulvane::gui {

// Draws the type-of-purge dialog and forwards the user's choices to it.
class TypeOfPurgeView : public DialogView {
 public:
  explicit TypeOfPurgeView(dialogs::TypeOfPurgeDialog& dialog, QWidget* parent = nullptr);

  QRadioButton* optionButton(int type) const { return options_[type]; }
  QComboBox* passList(int type) const { return passLists_[type]; }
  QPushButton* acceptButton() const { return accept_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  void Render() override;
  void ApplyFocus() override;

  dialogs::TypeOfPurgeDialog& dialog_;
  QButtonGroup* optionGroup_;
  std::array<QRadioButton*, dialogs::TypeOfPurgeDialog::kNumTypes> options_{};
  std::array<QLabel*, dialogs::TypeOfPurgeDialog::kNumTypes> descriptions_{};
  std::array<QComboBox*, dialogs::TypeOfPurgeDialog::kNumTypes> passLists_{};
  QLabel* numberOfTimes_;
  QLabel* dod_;
  QPushButton* accept_;
  QPushButton* cancel_;
};

}  // namespace nulvane::gui
