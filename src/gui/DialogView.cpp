#include "gui/DialogView.h"

namespace nulvane::gui {

QColor ColorFromBgr(std::int32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

DialogView::DialogView(platform::Dialog& logic, QWidget* parent) : QDialog(parent), logic_(logic) {}

DialogView::~DialogView() {
  logic_.Unsubscribe(subscription_);
}

void DialogView::Follow() {
  subscription_ = logic_.Subscribe([this] { Render(); });
  Render();
}

void DialogView::reject() {
  logic_.CloseRequested();
  if (!logic_.IsVisible()) QDialog::reject();
}

}  // namespace nulvane::gui
