#pragma once

#include <QColor>
#include <QDialog>

class QBoxLayout;
class QPushButton;
#include <cstdint>
#include <vector>

#include "platform/Dialog.h"

namespace nulvane::gui {

// Colours are kept as 0x00BBGGRR.
QColor ColorFromBgr(std::int32_t value);

// A modal dialog's view: it repaints whenever its logic object announces a change, and the window's
// close button goes to the logic, which decides whether the window really closes.
class DialogView : public QDialog {
 public:
  ~DialogView() override;

  void reject() override;

 protected:
  explicit DialogView(platform::Dialog& logic, QWidget* parent = nullptr);

  // Called at the end of the derived constructor, once every widget Render() touches exists.
  void Follow();
  virtual void Render() = 0;
  // A row of `count` buttons aligned to the right edge, added to the end of `layout`; captions come from
  // Render().
  std::vector<QPushButton*> AddButtonRow(QBoxLayout* layout, int count);

 private:
  platform::Dialog& logic_;
  int subscription_ = 0;
};

}  // namespace nulvane::gui
