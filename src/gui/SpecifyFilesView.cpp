#include "gui/SpecifyFilesView.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace nulvane::gui {

namespace {

using Choice = dialogs::SpecifyFilesDialog::Choice;

void RenderOption(QRadioButton* button, const platform::OptionButton& option, bool bold) {
  button->setText(QString::fromStdString(option.caption));
  button->setChecked(option.selected);
  button->setEnabled(option.enabled);
  button->setVisible(option.visible);
  QFont font = button->font();
  font.setBold(bold);
  button->setFont(font);
}

void RenderText(QLineEdit* box, const platform::TextField& field) {
  const QString text = QString::fromStdString(field.text);
  if (box->text() != text) box->setText(text);
  box->setEnabled(field.enabled);
}

}  // namespace

SpecifyFilesView::SpecifyFilesView(dialogs::SpecifyFilesDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  auto* layout = new QVBoxLayout(this);
  auto* group = new QButtonGroup(this);
  single_ = new QRadioButton(this);
  files_ = new QListWidget(this);
  files_->setMinimumHeight(160);
  all_ = new QRadioButton(this);
  extension_ = new QRadioButton(this);
  extensionBox_ = new QLineEdit(this);
  multiple_ = new QRadioButton(this);
  filespecBox_ = new QLineEdit(this);
  for (QRadioButton* option : {single_, all_, extension_, multiple_}) group->addButton(option);

  layout->addWidget(single_);
  layout->addWidget(files_);
  layout->addWidget(all_);
  layout->addWidget(extension_);
  layout->addWidget(extensionBox_);
  layout->addWidget(multiple_);
  layout->addWidget(filespecBox_);
  const auto buttonRow = AddButtonRow(layout, 2);
  accept_ = buttonRow[0];
  cancel_ = buttonRow[1];

  connect(single_, &QRadioButton::clicked, this, [this] { dialog_.ClickOption(Choice::SingleFile); });
  connect(all_, &QRadioButton::clicked, this, [this] { dialog_.ClickOption(Choice::AllFiles); });
  connect(extension_, &QRadioButton::clicked, this, [this] { dialog_.ClickOption(Choice::Extension); });
  connect(multiple_, &QRadioButton::clicked, this, [this] { dialog_.ClickOption(Choice::MultipleFiles); });
  connect(files_, &QListWidget::currentRowChanged, this, [this](int row) { dialog_.ChooseFile(row); });
  connect(extensionBox_, &QLineEdit::textEdited, this,
          [this](const QString& text) { dialog_.SetExtensionText(text.toStdString()); });
  connect(filespecBox_, &QLineEdit::textEdited, this,
          [this](const QString& text) { dialog_.SetFilespecText(text.toStdString()); });
  extensionBox_->installEventFilter(this);
  filespecBox_->installEventFilter(this);
  connect(accept_, &QPushButton::clicked, this, [this] { dialog_.cmdAccept(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { dialog_.cmdCancel(); });

  setAutoFillBackground(true);
  setMinimumWidth(520);
  Follow();
}

bool SpecifyFilesView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != extensionBox_ && watched != filespecBox_) return QDialog::eventFilter(watched, event);
  const Choice choice = watched == extensionBox_ ? Choice::Extension : Choice::MultipleFiles;
  if (event->type() == QEvent::MouseButtonPress) {
    dialog_.ClickTextBox(choice);
  } else if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // Swallowed here so that the dialog's default button does not act a second time.
      dialog_.TextBoxEnter();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void SpecifyFilesView::Render() {
  setWindowTitle(QString::fromStdString(dialog_.caption));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromBgr(dialog_.lngBackColor));
  colours.setColor(QPalette::WindowText, ColorFromBgr(dialog_.lngForeColor));
  setPalette(colours);

  RenderOption(single_, dialog_.optSingleFile, dialog_.blnBold);
  RenderOption(all_, dialog_.optAllFiles, dialog_.blnBold);
  RenderOption(extension_, dialog_.optExtension, dialog_.blnBold);
  RenderOption(multiple_, dialog_.optMultipleFiles, dialog_.blnBold);
  {
    const QSignalBlocker blocker(files_);
    QStringList items;
    for (const auto& item : dialog_.File.items) items << QString::fromStdString(item);
    bool same = files_->count() == items.size();
    for (int i = 0; same && i < items.size(); ++i) same = files_->item(i)->text() == items[i];
    if (!same) {
      files_->clear();
      files_->addItems(items);
    }
    files_->setCurrentRow(dialog_.File.selected);
    files_->setEnabled(dialog_.File.enabled);
  }
  RenderText(extensionBox_, dialog_.txbExtension);
  RenderText(filespecBox_, dialog_.txbFilespec);
  accept_->setText(QString::fromStdString(dialog_.cmdAcceptButton.caption));
  cancel_->setText(QString::fromStdString(dialog_.cmdCancelButton.caption));
  ApplyFocus();

  if (!dialog_.IsVisible() && isVisible()) done(QDialog::Accepted);
}

void SpecifyFilesView::ApplyFocus() {
  using Focus = dialogs::SpecifyFilesDialog::Focus;
  switch (dialog_.focus) {
    case Focus::Accept:
      accept_->setFocus();
      break;
    case Focus::Cancel:
      cancel_->setFocus();
      break;
    case Focus::FileList:
      files_->setFocus();
      break;
    case Focus::Extension:
      extensionBox_->setFocus();
      break;
    case Focus::Filespec:
      filespecBox_->setFocus();
      break;
    case Focus::None:
      break;
  }
}

void SpecifyFilesView::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ApplyFocus();
}

}  // namespace nulvane::gui
