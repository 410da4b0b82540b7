#include "gui/DriveDialogView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace nulvane::gui {

DriveDialogView::DriveDialogView(mainwindow::DriveDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  auto* layout = new QVBoxLayout(this);
  drives_ = new QComboBox(this);
  drives_->setMinimumContentsLength(28);
  layout->addWidget(drives_);
  connect(drives_, &QComboBox::currentIndexChanged, this,
          [this](int index) { dialog_.cboDrives.selected = index; });

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
  setWindowTitle(QString::fromStdString(dialog_.caption));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromBgr(dialog_.backColor));
  setPalette(colours);

  {
    const QSignalBlocker blocker(drives_);
    drives_->clear();
    for (const std::string& item : dialog_.cboDrives.items) drives_->addItem(QString::fromStdString(item));
    drives_->setCurrentIndex(dialog_.cboDrives.selected);
  }
  accept_->setText(QString::fromStdString(dialog_.cmdAccept.caption));
  cancel_->setText(QString::fromStdString(dialog_.cmdCancel.caption));
  if (dialog_.focusedControl == "cmdCancel") cancel_->setFocus();

  if (!dialog_.IsVisible() && isVisible()) done(QDialog::Accepted);
}

}  // namespace nulvane::gui
