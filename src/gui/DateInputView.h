#pragma once

#include <QDialog>

#include "dialogs/DateInputDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nulvane::gui {

// Draws the date dialog and forwards the user's input to it.
class DateInputView : public QDialog {
 public:
  explicit DateInputView(dialogs::DateInputDialog& dialog, QWidget* parent = nullptr);
  ~DateInputView() override;

  void reject() override;

  QLabel* prompt() const { return prompt_; }
  QComboBox* monthList() const { return months_; }
  QComboBox* dayList() const { return days_; }
  QLineEdit* yearBox() const { return year_; }
  QPushButton* acceptButton() const { return accept_; }
  QPushButton* clearButton() const { return clear_; }
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Render();
  void ApplyFocus();

  dialogs::DateInputDialog& dialog_;
  int subscription_ = 0;
  QLabel* prompt_;
  QComboBox* months_;
  QComboBox* days_;
  QLineEdit* year_;
  QPushButton* accept_;
  QPushButton* clear_;
  QPushButton* cancel_;
};

}  // namespace nulvane::gui
