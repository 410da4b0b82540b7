#pragma once

#include "dialogs/DateInputDialog.h"
#include "gui/DialogView.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nulvane::gui {

// Draws the date dialog and forwards the user's input to it.
class DateInputView : public DialogView {
 public:
  explicit DateInputView(dialogs::DateInputDialog& dialog, QWidget* parent = nullptr);

  QLabel* prompt() const { return prompt_; }
  QComboBox* monthList() const { return months_; }
  QComboBox* dayList() const { return days_; }
  QLineEdit* yearBox() const { return year_; }
  QPushButton* acceptButton() const { return accept_; }
  QPushButton* clearButton() const { return clear_; }
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Render() override;
  void ApplyFocus() override;

  dialogs::DateInputDialog& dialog_;
  QLabel* prompt_;
  QComboBox* months_;
  QComboBox* days_;
  QLineEdit* year_;
  QPushButton* accept_;
  QPushButton* clear_;
  QPushButton* cancel_;
};

}  // namespace nulvane::gui
