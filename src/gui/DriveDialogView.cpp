#include "gui/DriveDialogView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtUi.h"

namespace nulvane::gui {

DriveDialogView::DriveDialogView(mainwindow::DriveDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  auto* layout = new QVBoxLayout(this);
  drives_ = new QComboBox(this);
  drives_->setMinimumContentsLength(28);
  layout->addWidget(drives_);
  Bind().List(drives_, [this](int index) { dialog_.SelectDrive(index); });

  const auto buttonRow = AddButtonRow(layout, 2);
  accept_ = buttonRow[0];
  cancel_ = buttonRow[1];
  accept_->setAutoDefault(false);
  connect(accept_, &QPushButton::clicked, this, [this] { dialog_.Accept(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { dialog_.Cancel(); });

  setAutoFillBackground(true);
  Follow();
}

void DriveDialogView::Render() {
  setWindowTitle(ToWindowTitle(dialog_.caption));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromBgr(dialog_.backColor));
  setPalette(colours);

  ShowList(drives_, dialog_.cboDrives);
  // The window's title is the only label the list has.
  NameControl(drives_, dialog_.caption);
  accept_->setText(QString::fromStdString(dialog_.cmdAccept.caption));
  cancel_->setText(QString::fromStdString(dialog_.cmdCancel.caption));
}

void DriveDialogView::ApplyFocus() {
  if (dialog_.focusedControl == "cmdCancel") cancel_->setFocus();
}

}  // namespace nulvane::gui
