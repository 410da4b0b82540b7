#include "gui/SpecifyFilesView.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/QtUi.h"
#include "support/Format.h"

namespace nulvane::gui {

namespace {

using Choice = dialogs::SpecifyFilesDialog::Choice;

}  // namespace

SpecifyFilesView::SpecifyFilesView(dialogs::SpecifyFilesDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  auto* layout = new QVBoxLayout(this);
  options_ = new QButtonGroup(this);
  single_ = new QRadioButton(this);
  files_ = new QListWidget(this);
  files_->setMinimumHeight(160);
  all_ = new QRadioButton(this);
  extension_ = new QRadioButton(this);
  extensionBox_ = new QLineEdit(this);
  multiple_ = new QRadioButton(this);
  filespecBox_ = new QLineEdit(this);
  options_->addButton(single_, static_cast<int>(Choice::SingleFile));
  options_->addButton(all_, static_cast<int>(Choice::AllFiles));
  options_->addButton(extension_, static_cast<int>(Choice::Extension));
  options_->addButton(multiple_, static_cast<int>(Choice::MultipleFiles));

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

  Bind().Options(options_, [this](int choice) { dialog_.ClickOption(static_cast<Choice>(choice)); });
  Bind().List(files_, [this](int row) { dialog_.ChooseFile(row); });
  Bind().Text(extensionBox_, [this](const std::string& text) { dialog_.TypeExtensionText(text); });
  Bind().Text(filespecBox_, [this](const std::string& text) { dialog_.TypeFilespecText(text); });
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
  setWindowTitle(ToWindowTitle(dialog_.caption));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromBgr(dialog_.lngBackColor));
  colours.setColor(QPalette::WindowText, ColorFromBgr(dialog_.lngForeColor));
  setPalette(colours);

  ShowOptions(options_, {&dialog_.optSingleFile, &dialog_.optAllFiles, &dialog_.optExtension,
                         &dialog_.optMultipleFiles});
  for (QRadioButton* option : {single_, all_, extension_, multiple_}) {
    QFont font = option->font();
    font.setBold(dialog_.blnBold);
    option->setFont(font);
  }
  // A name holding a line break or another control character still takes one line of the list.
  ShowList(files_, dialog_.File,
           [](const std::string& name) { return QString::fromStdString(support::DisplayName(name)); });
  ShowText(extensionBox_, dialog_.txbExtension);
  ShowText(filespecBox_, dialog_.txbFilespec);
  NameControl(files_, dialog_.optSingleFile.caption);
  NameControl(extensionBox_, dialog_.optExtension.caption);
  NameControl(filespecBox_, dialog_.optMultipleFiles.caption);
  accept_->setText(QString::fromStdString(dialog_.cmdAcceptButton.caption));
  cancel_->setText(QString::fromStdString(dialog_.cmdCancelButton.caption));
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

}  // namespace nulvane::gui
