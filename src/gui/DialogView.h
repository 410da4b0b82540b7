#pragma once

#include <QColor>
#include <QDialog>
#include <cstdint>
#include <vector>

#include "gui/ControlBinding.h"
#include "platform/Dialog.h"

class QBoxLayout;
class QPushButton;

namespace nulvane::gui {

// Colours are kept as 0x00BBGGRR.
QColor ColorFromBgr(std::int32_t value);

// A modal dialog's view: it repaints whenever its logic object announces a change, and the window's
// close button goes to the logic, which decides whether the window really closes. Controls that hold a
// state (check boxes, options, lists, text boxes) are tied to the logic through Bind(), which forwards every
// change and draws the logic's answer right after it.
class DialogView : public QDialog {
 public:
  ~DialogView() override;

  void reject() override;

 protected:
  explicit DialogView(platform::Dialog& logic, QWidget* parent = nullptr);

  // Called at the end of the derived constructor, once every widget Render() touches exists.
  void Follow();
  // Draws the logic's state onto the widgets (the Show functions of ControlBinding.h keep it quiet).
  virtual void Render() = 0;
  // Moves the keyboard focus to where the logic asks: on showing, when the logic announces a change of its
  // own, and after a choice made with the mouse; never after a change made by keyboard or screen reader,
  // so typing, arrowing through a list and tabbing are never interrupted.
  virtual void ApplyFocus() {}
  ControlBinder& Bind() { return binder_; }
  void showEvent(QShowEvent* event) override;
  // A row of `count` buttons aligned to the right edge, added to the end of `layout`; captions come from
  // Render().
  std::vector<QPushButton*> AddButtonRow(QBoxLayout* layout, int count);

 private:
  void Refresh();
  // A dialog whose texts wrap is never made so low that a wrapped text loses lines: its least height is what
  // its texts take at its least width. The toolkit keeps a window above the least size of each control, but
  // counts a wrapped text as one line there.
  void KeepWrappedTextsWhole();

  platform::Dialog& logic_;
  int subscription_ = 0;
  ControlBinder binder_;
};

}  // namespace nulvane::gui
