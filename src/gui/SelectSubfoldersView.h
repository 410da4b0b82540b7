#pragma once

#include <vector>

#include "dialogs/SelectSubfoldersDialog.h"
#include "gui/DialogView.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QVBoxLayout;

namespace nulvane::gui {

// Draws the subfolder selection dialog: one page of check boxes with a scroll bar beside them, the count
// of checked rows and the four buttons. It shows itself as soon as its logic starts reading the top
// folder, so "Reading disk ..." is on screen and Cancel works while a large folder is read.
class SelectSubfoldersView : public DialogView {
 public:
  explicit SelectSubfoldersView(dialogs::SelectSubfoldersDialog& dialog, QWidget* parent = nullptr);

  QLabel* readingLabel() const { return reading_; }
  const std::vector<QCheckBox*>& checkBoxes() const { return boxes_; }
  QScrollBar* scrollBar() const { return scrollBar_; }
  QLabel* countLabel() const { return count_; }
  QPushButton* selectAllButton() const { return selectAll_; }
  QPushButton* deselectAllButton() const { return deselectAll_; }
  QPushButton* acceptButton() const { return accept_; }
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Render() override;
  void ApplyFocus() override;
  void MatchPageSize();

  dialogs::SelectSubfoldersDialog& dialog_;
  QWidget* rows_;
  QVBoxLayout* rowsLayout_;
  QLabel* reading_;
  std::vector<QCheckBox*> boxes_;
  QScrollBar* scrollBar_;
  QLabel* count_;
  QPushButton* selectAll_;
  QPushButton* deselectAll_;
  QPushButton* accept_;
  QPushButton* cancel_;
  int appliedFocusRequest_ = 0;
};

}  // namespace nulvane::gui
