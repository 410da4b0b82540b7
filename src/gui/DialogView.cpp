#include "gui/DialogView.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>

#include "gui/Accessibility.h"
#include "gui/Keyboard.h"

namespace nulvane::gui {

QColor ColorFromBgr(std::int32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

DialogView::DialogView(platform::Dialog& logic, QWidget* parent)
    : QDialog(parent), logic_(logic), binder_(this, [this] { Render(); }) {
  InstallAccessibility();  // before any control of the window is presented to an assistive tool
  InstallKeyPressGuard();
  LastInputWasPointer();  // starts watching the input before the first choice
}

DialogView::~DialogView() {
  logic_.Unsubscribe(subscription_);
}

void DialogView::Follow() {
  subscription_ = logic_.Subscribe([this] { Refresh(); });
  Refresh();
}

void DialogView::Refresh() {
  Render();
  KeepWrappedTextsWhole();
  // A choice made by keyboard or screen reader keeps the focus where the user is.
  if (!binder_.Forwarding() || LastInputWasPointer()) ApplyFocus();
  if (!logic_.IsVisible() && isVisible()) done(QDialog::Accepted);
}

void DialogView::KeepWrappedTextsWhole() {
  QLayout* layout = this->layout();
  if (layout == nullptr || !layout->hasHeightForWidth()) return;
  layout->activate();
  const int height = layout->totalHeightForWidth(minimumWidth());
  if (height != minimumHeight()) setMinimumHeight(height);
}

void DialogView::showEvent(QShowEvent* event) {
  KeepWrappedTextsWhole();
  QDialog::showEvent(event);
  ApplyFocus();
}

void DialogView::reject() {
  logic_.CloseRequested();
  if (!logic_.IsVisible()) QDialog::reject();
}

std::vector<QPushButton*> DialogView::AddButtonRow(QBoxLayout* layout, int count) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  std::vector<QPushButton*> buttons;
  for (int i = 0; i < count; ++i) {
    buttons.push_back(new QPushButton(this));
    row->addWidget(buttons.back());
  }
  layout->addLayout(row);
  return buttons;
}

}  // namespace nulvane::gui
