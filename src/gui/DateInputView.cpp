#include "gui/DateInputView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "gui/QtUi.h"

namespace nulvane::gui {

namespace {

void FillList(QComboBox* combo, const platform::ListControl& list) {
  const QSignalBlocker blocker(combo);
  if (combo->count() != static_cast<int>(list.items.size())) {
    combo->clear();
    for (const auto& item : list.items) combo->addItem(QString::fromStdString(item));
  }
  combo->setCurrentIndex(list.selected);
}

}  // namespace

DateInputView::DateInputView(dialogs::DateInputDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  auto* layout = new QVBoxLayout(this);
  prompt_ = new QLabel(this);
  prompt_->setWordWrap(true);
  prompt_->setAutoFillBackground(true);
  layout->addWidget(prompt_);

  auto* row = new QHBoxLayout;
  months_ = new QComboBox(this);
  days_ = new QComboBox(this);
  year_ = new QLineEdit(this);
  year_->setMaximumWidth(90);
  year_->installEventFilter(this);
  row->addWidget(months_);
  row->addWidget(days_);
  row->addWidget(year_);
  row->addStretch();
  layout->addLayout(row);
  connect(months_, &QComboBox::activated, this, [this](int index) { dialog_.SelectMonth(index); });
  connect(days_, &QComboBox::activated, this, [this](int index) { dialog_.SelectDay(index); });
  connect(year_, &QLineEdit::textEdited, this,
          [this](const QString& text) { dialog_.SetYearText(text.toStdString()); });

  const auto buttonRow = AddButtonRow(layout, 3);
  accept_ = buttonRow[0];
  clear_ = buttonRow[1];
  cancel_ = buttonRow[2];
  connect(accept_, &QPushButton::clicked, this, [this] { dialog_.cmdAccept(); });
  connect(clear_, &QPushButton::clicked, this, [this] { dialog_.cmdClear(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { dialog_.cmdCancel(); });

  setAutoFillBackground(true);
  Follow();
}

bool DateInputView::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the year box is swallowed and acts as Accept, not as the dialog's default button.
  if (watched == year_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (event->type() == QEvent::KeyRelease) {
        dialog_.SetYearText(year_->text().toStdString());
        dialog_.YearEnterReleased();
      }
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void DateInputView::Render() {
  setWindowTitle(QString::fromStdString(dialog_.caption));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromBgr(dialog_.lngBackColor));
  colours.setColor(QPalette::WindowText, ColorFromBgr(dialog_.lngForeColor));
  setPalette(colours);
  if (dialog_.intWidthTwips > 0) setMinimumWidth(dialog_.intWidthTwips / 15);

  prompt_->setText(ToDisplayText(dialog_.lblPrompt.caption));
  prompt_->setVisible(dialog_.lblPrompt.visible && !dialog_.lblPrompt.caption.empty());
  FillList(months_, dialog_.cboMonthNames);
  FillList(days_, dialog_.cboDayNumbers);
  const QString year = QString::fromStdString(dialog_.txbYear.text);
  if (year_->text() != year) year_->setText(year);
  accept_->setText(QString::fromStdString(dialog_.cmdAcceptButton.caption));
  clear_->setText(QString::fromStdString(dialog_.cmdClearButton.caption));
  cancel_->setText(QString::fromStdString(dialog_.cmdCancelButton.caption));

  ApplyFocus();

  if (!dialog_.IsVisible() && isVisible()) done(QDialog::Accepted);
}

void DateInputView::ApplyFocus() {
  using Focus = dialogs::DateInputDialog::Focus;
  switch (dialog_.focus) {
    case Focus::Accept:
      accept_->setFocus();
      break;
    case Focus::Clear:
      clear_->setFocus();
      break;
    case Focus::Cancel:
      cancel_->setFocus();
      break;
    case Focus::Month:
      months_->setFocus();
      break;
    case Focus::Day:
      days_->setFocus();
      break;
    case Focus::Year:
      year_->setFocus();
      break;
    case Focus::None:
      break;
  }
}

void DateInputView::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ApplyFocus();
}

}  // namespace nulvane::gui
