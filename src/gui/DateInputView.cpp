#include "gui/DateInputView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtUi.h"

namespace nulvane::gui {

DateInputView::DateInputView(dialogs::DateInputDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  auto* layout = new QVBoxLayout(this);
  prompt_ = NewTextLabel(this);
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
  // The three fields carry no label of their own on screen; a screen reader still names each.
  NameControl(months_, "Month");
  NameControl(days_, "Day");
  NameControl(year_, "Year");
  Bind().List(months_, [this](int index) { dialog_.SelectMonth(index); });
  Bind().List(days_, [this](int index) { dialog_.SelectDay(index); });
  Bind().Text(year_, [this](const std::string& text) { dialog_.SetYearText(text); });

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
  setWindowTitle(ToWindowTitle(dialog_.caption));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromBgr(dialog_.lngBackColor));
  colours.setColor(QPalette::WindowText, ColorFromBgr(dialog_.lngForeColor));
  setPalette(colours);
  if (dialog_.intWidthTwips > 0) setMinimumWidth(dialog_.intWidthTwips / 15);

  ShowLabelText(prompt_, ToDisplayText(dialog_.lblPrompt.caption));
  prompt_->setVisible(dialog_.lblPrompt.visible && !dialog_.lblPrompt.caption.empty());
  ShowList(months_, dialog_.cboMonthNames);
  ShowList(days_, dialog_.cboDayNumbers);
  ShowText(year_, dialog_.txbYear);
  accept_->setText(QString::fromStdString(dialog_.cmdAcceptButton.caption));
  clear_->setText(QString::fromStdString(dialog_.cmdClearButton.caption));
  cancel_->setText(QString::fromStdString(dialog_.cmdCancelButton.caption));
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

}  // namespace nulvane::gui
