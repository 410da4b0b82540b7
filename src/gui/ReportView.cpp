#include "gui/ReportView.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/Accessibility.h"
#include "gui/Keyboard.h"
#include "gui/QtUi.h"

namespace nulvane::gui {

namespace {

// The program's text as the text box holds it: every CR is dropped, so CR LF becomes one line break. The
// mapping is per character, which keeps appends and truncations of pieces consistent with the whole.
QString ToBoxText(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (const char c : text) {
    if (c != '\r') plain.push_back(c);
  }
  return QString::fromUtf8(plain.data(), static_cast<qsizetype>(plain.size()));
}

// Bytes of the program's text (CR LF line breaks, UTF-8) that the first `position` characters of the box
// stand for.
std::size_t ToProgramOffset(const QString& boxText, int position) {
  const QString head = boxText.left(position);
  return static_cast<std::size_t>(head.toUtf8().size() + head.count(QLatin1Char('\n')));
}

void ApplyButton(QPushButton* button, const platform::Button& state) {
  const QString caption = QString::fromStdString(state.caption);
  if (button->text() != caption) button->setText(caption);
  if (button->isVisibleTo(button->parentWidget()) != state.visible) button->setVisible(state.visible);
  if (button->isEnabled() != state.enabled) button->setEnabled(state.enabled);
  // Widths are given in twips; 15 twips make a pixel at the usual 96 dots per inch.
  if (state.width > 0 && button->minimumWidth() != state.width / 15)
    button->setMinimumWidth(state.width / 15);
}

void ApplyLabel(QLabel* label, const platform::Label& state) {
  const QString caption = QString::fromStdString(state.caption);
  ShowLabelText(label, caption);
  if (label->isVisibleTo(label->parentWidget()) != state.visible) label->setVisible(state.visible);
}

}  // namespace

ReportView::ReportView(report::ReportWindow& report, QWidget* parent) : QMainWindow(parent), report_(report) {
  InstallAccessibility();  // before any control of the window is presented to an assistive tool
  InstallKeyPressGuard();
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* layout = new QVBoxLayout(central);
  text_ = new QPlainTextEdit(this);
  text_->setAccessibleName(QStringLiteral("Report"));
  text_->setReadOnly(true);
  text_->setUndoRedoEnabled(false);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Columns of the report line up only in a fixed-pitch font; say so explicitly, since some systems name a
  // family for "monospace" without marking it fixed.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setStyleHint(QFont::Monospace);
  fixed.setFixedPitch(true);
  text_->setFont(fixed);
  text_->viewport()->installEventFilter(this);
  layout->addWidget(text_, 1);

  auto* row = new QHBoxLayout;
  copy_ = new QPushButton(this);
  stop_ = new QPushButton(this);
  pausedDone_ = NewTextLabel(this);
  dots_ = NewTextLabel(this);
  pauseContinue_ = new QPushButton(this);
  close_ = new QPushButton(this);
  row->addWidget(copy_);
  row->addWidget(stop_);
  row->addStretch();
  row->addWidget(pausedDone_);
  row->addWidget(dots_);
  row->addStretch();
  row->addWidget(pauseContinue_);
  row->addWidget(close_);
  layout->addLayout(row);
  resize(800, 500);

  connect(stop_, &QPushButton::clicked, this, [this] { report_.cmdStop_Click(); });
  connect(pauseContinue_, &QPushButton::clicked, this, [this] { report_.cmdPauseContinue_Click(); });
  connect(close_, &QPushButton::clicked, this, [this] { report_.cmdClose_Click(); });
  connect(copy_, &QPushButton::clicked, this, [this] {
    ForwardSelection();
    report_.cmdCopyToClipboard_Click();
  });
  connect(text_, &QPlainTextEdit::selectionChanged, this, [this] {
    if (!applying_) ForwardSelection();
  });

  text_->setPlainText(ToBoxText(report_.txbText.text()));
  textSubscription_ =
      report_.txbText.Subscribe([this](const report::ReportText::Change& change) { ApplyChange(change); });
  windowSubscription_ = report_.Subscribe([this] { Render(); });
  frontRequests_ = report_.frontRequests();
  Render();
}

ReportView::~ReportView() {
  report_.txbText.Unsubscribe(textSubscription_);
  report_.Unsubscribe(windowSubscription_);
}

void ReportView::ApplyChange(const report::ReportText::Change& change) {
  switch (change.kind) {
    case report::ReportText::ChangeKind::Append:
      pending_ += ToBoxText(change.text);
      if (!pendingScheduled_) {
        pendingScheduled_ = true;
        QTimer::singleShot(0, this, [this] { ApplyPending(); });
      }
      return;
    case report::ReportText::ChangeKind::Truncate: {
      qsizetype removed = ToBoxText(change.text).size();
      // Most cuts take back what was appended a moment ago and never reached the box.
      const qsizetype fromPending = std::min(removed, pending_.size());
      pending_.chop(fromPending);
      removed -= fromPending;
      if (removed == 0) return;
      ApplyPending();
      applying_ = true;
      QTextCursor cursor(text_->document());
      cursor.movePosition(QTextCursor::End);
      cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, static_cast<int>(removed));
      cursor.removeSelectedText();
      applying_ = false;
      return;
    }
    case report::ReportText::ChangeKind::Set:
      pending_.clear();
      applying_ = true;
      text_->setPlainText(ToBoxText(change.text));
      applying_ = false;
      return;
    case report::ReportText::ChangeKind::Caret:
      ScheduleCaret(change.position != 0);
      return;
  }
}

void ReportView::ApplyPending() {
  pendingScheduled_ = false;
  if (pending_.isEmpty()) return;
  applying_ = true;
  QTextCursor cursor(text_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(pending_);
  pending_.clear();
  applying_ = false;
}

void ReportView::ScheduleCaret(bool toEnd) {
  // Moving the caret scrolls and lays out; once per pass of the event loop is enough.
  caretToEnd_ = toEnd;
  if (caretPending_) return;
  caretPending_ = true;
  QTimer::singleShot(0, this, [this] {
    caretPending_ = false;
    ApplyPending();
    applying_ = true;
    QTextCursor cursor = text_->textCursor();
    cursor.movePosition(caretToEnd_ ? QTextCursor::End : QTextCursor::Start);
    text_->setTextCursor(cursor);
    text_->ensureCursorVisible();
    applying_ = false;
  });
}

void ReportView::ForwardSelection() {
  ApplyPending();
  const QTextCursor cursor = text_->textCursor();
  if (!cursor.hasSelection()) {
    report_.txbText.SetSelection(report_.txbText.size(), 0);
    return;
  }
  const QString boxText = text_->document()->toPlainText();
  const std::size_t start = ToProgramOffset(boxText, cursor.selectionStart());
  const std::size_t end = ToProgramOffset(boxText, cursor.selectionEnd());
  report_.txbText.SetSelection(start, end - start);
}

void ReportView::Render() {
  const QString title = ToWindowTitle(report_.caption);
  if (windowTitle() != title) setWindowTitle(title);
  ApplyButton(stop_, report_.cmdStop);
  ApplyButton(pauseContinue_, report_.cmdPauseContinue);
  ApplyButton(close_, report_.cmdClose);
  ApplyButton(copy_, report_.cmdCopyToClipboard);
  ApplyLabel(pausedDone_, report_.lblPausedDone);
  ApplyLabel(dots_, report_.lblDots);
  if (report_.IsVisible() != isVisible()) {
    const bool hadKeyboard = isActiveWindow();
    setVisible(report_.IsVisible());
    if (!isVisible() && hadKeyboard && returnTo_ != nullptr && returnTo_->isVisible())
      returnTo_->activateWindow();
  }
  if (frontRequests_ != report_.frontRequests()) {
    frontRequests_ = report_.frontRequests();
    raise();
    activateWindow();
  }
  // The focus follows the logic only when it asks for a new control, so a click into the text stays put.
  if (appliedFocus_ != report_.focusedControl) {
    appliedFocus_ = report_.focusedControl;
    QPushButton* focus = appliedFocus_ == "cmdClose"           ? close_
                         : appliedFocus_ == "cmdPauseContinue" ? pauseContinue_
                                                               : nullptr;
    if (focus != nullptr && focus->isVisible()) focus->setFocus();
  }
}

void ReportView::PlaceUnder(const QWidget& mainWindow) {
  constexpr int kTwipsPerPixel = 15;
  const QRect frame = mainWindow.frameGeometry();
  move(frame.left(), frame.top() + 420 / kTwipsPerPixel);
  resize(mainWindow.width() * 11 / 10, height());
}

void ReportView::closeEvent(QCloseEvent* event) {
  report_.CloseRequested();
  event->accept();
}

bool ReportView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_->viewport() && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    ForwardSelection();
    report_.txbText_MouseUp(mouse->button() == Qt::LeftButton);
  }
  return QMainWindow::eventFilter(watched, event);
}

ConfirmFilesView::ConfirmFilesView(report::ConfirmFilesDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  auto* layout = new QVBoxLayout(this);
  question_ = NewTextLabel(this);
  file_ = NewTextLabel(this);
  file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(question_);
  layout->addWidget(file_);
  auto* row = new QHBoxLayout;
  yes_ = new QPushButton(this);
  no_ = new QPushButton(this);
  row->addWidget(yes_);
  row->addWidget(no_);
  row->addStretch();
  layout->addLayout(row);
  purgeAll_ = new QPushButton(this);
  stopPurge_ = new QPushButton(this);
  layout->addWidget(purgeAll_);
  layout->addWidget(stopPurge_);
  yes_->setDefault(true);

  connect(yes_, &QPushButton::clicked, this, [this] { dialog_.cmdYes_Click(); });
  connect(no_, &QPushButton::clicked, this, [this] { dialog_.cmdNo_Click(); });
  connect(purgeAll_, &QPushButton::clicked, this, [this] { dialog_.cmdPurgeAll_Click(); });
  connect(stopPurge_, &QPushButton::clicked, this, [this] { dialog_.cmdStopPurge_Click(); });
  Follow();
}

void ConfirmFilesView::Render() {
  setWindowTitle(ToWindowTitle(dialog_.caption));
  ShowLabelText(question_, QString::fromStdString(dialog_.lblPurgeThisFile.caption));
  ShowLabelText(file_, QString::fromStdString(dialog_.lblFile.caption));
  yes_->setText(QString::fromStdString(dialog_.cmdYes.caption));
  no_->setText(QString::fromStdString(dialog_.cmdNo.caption));
  purgeAll_->setText(QString::fromStdString(dialog_.cmdPurgeAll.caption));
  stopPurge_->setText(QString::fromStdString(dialog_.cmdStopPurge.caption));
}

}  // namespace nulvane::gui
