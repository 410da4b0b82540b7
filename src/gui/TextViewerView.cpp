#include "gui/TextViewerView.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>

#include "gui/Keyboard.h"
#include "gui/QtUi.h"

namespace nulvane::gui {

using mainwindow::TextViewer;

namespace {

// Twips per pixel at the usual 96 dots per inch.
constexpr int kTwipsPerPixel = 15;

// Rounded up, so that a window of the least size in pixels is not below the least size in twips.
int Pixels(int twips) {
  return (twips + kTwipsPerPixel - 1) / kTwipsPerPixel;
}

QRect Pixels(const TextViewer::Rect& rect) {
  return {Pixels(rect.left), Pixels(rect.top), Pixels(rect.width), Pixels(rect.height)};
}

TextViewer::WindowState StateOf(Qt::WindowStates states) {
  if (states & Qt::WindowMinimized) return TextViewer::WindowState::Minimized;
  if (states & Qt::WindowMaximized) return TextViewer::WindowState::Maximized;
  return TextViewer::WindowState::Normal;
}

}  // namespace

TextViewerView::TextViewerView(TextViewer& viewer, QWidget* mainWindow)
    : QMainWindow(nullptr), viewer_(viewer), mainWindow_(mainWindow) {
  InstallKeyPressGuard();
  setObjectName(QStringLiteral("frmView"));
  auto* central = new QWidget(this);
  setCentralWidget(central);
  text_ = new QPlainTextEdit(central);
  text_->setObjectName(QStringLiteral("txbText1"));
  text_->setUndoRedoEnabled(false);
  // The help text lines its columns up in a fixed-pitch font.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setStyleHint(QFont::Monospace);
  fixed.setFixedPitch(true);
  text_->setFont(fixed);
  copy_ = new QPushButton(central);
  copy_->setObjectName(QStringLiteral("cmdCopyToClipboard"));
  close_ = new QPushButton(central);
  close_->setObjectName(QStringLiteral("cmdClose"));
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, [this] { viewer_.cmdClose_Click(); });
  connect(copy_, &QPushButton::clicked, this, [this] { viewer_.cmdCopyToClipboard_Click(); });
  // Escape closes a viewer as it closes a dialog; the key does nothing else here.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    if (viewer_.cmdClose.visible) viewer_.cmdClose_Click();
  });
  setMinimumSize(Pixels(TextViewer::kMinWidth), Pixels(TextViewer::kMinHeight));
  resize(Pixels(viewer_.width), Pixels(viewer_.height));
  frontRequests_ = viewer_.frontRequests();
  subscription_ = viewer_.Subscribe([this] { Render(); });
  Render();
}

TextViewerView::~TextViewerView() {
  viewer_.Unsubscribe(subscription_);
}

void TextViewerView::Render() {
  if (rendering_) return;
  rendering_ = true;
  const QString title = ToWindowTitle(viewer_.caption);
  if (windowTitle() != title) setWindowTitle(title);
  text_->setAccessibleName(QString::fromStdString(viewer_.caption));
  if (viewer_.blnMainWindowIcon && mainWindow_ != nullptr) setWindowIcon(mainWindow_->windowIcon());
  close_->setText(QString::fromStdString(viewer_.cmdClose.caption));
  close_->setVisible(viewer_.cmdClose.visible);
  copy_->setText(QString::fromStdString(viewer_.cmdCopyToClipboard.caption));
  copy_->setVisible(viewer_.cmdCopyToClipboard.visible);
  text_->setReadOnly(viewer_.txbText1ReadOnly);
  if (shownText_ != viewer_.txbText1.text) {
    shownText_ = viewer_.txbText1.text;
    text_->setPlainText(ToDisplayText(shownText_));
  }
  if (caretRequests_ != viewer_.caretRequests()) {
    caretRequests_ = viewer_.caretRequests();
    QTextCursor cursor = text_->textCursor();
    cursor.movePosition(QTextCursor::Start);
    text_->setTextCursor(cursor);
    text_->ensureCursorVisible();
  }

  if (viewer_.windowState == TextViewer::WindowState::Normal &&
      StateOf(windowState()) != viewer_.windowState) {
    showNormal();
  }
  if (placeRequests_ != viewer_.placeRequests()) {
    placeRequests_ = viewer_.placeRequests();
    if (mainWindow_ != nullptr) {
      const QRect frame = mainWindow_->frameGeometry();
      move(frame.left() + Pixels(TextViewer::kPlaceRight), frame.top() + Pixels(TextViewer::kPlaceBelow));
      resize(mainWindow_->size());
      viewer_.Resize(width() * kTwipsPerPixel, height() * kTwipsPerPixel);
    }
  }
  // A size below the minimum that the logic raised is put back here.
  const QSize size(Pixels(viewer_.width), Pixels(viewer_.height));
  if (viewer_.windowState == TextViewer::WindowState::Normal && this->size() != size) resize(size);
  text_->setGeometry(Pixels(viewer_.txbText1Rect));
  close_->setGeometry(Pixels(viewer_.cmdCloseRect));
  copy_->setGeometry(Pixels(viewer_.cmdCopyToClipboardRect));

  if (viewer_.IsVisible() != isVisible()) {
    const bool hadKeyboard = isActiveWindow();
    setVisible(viewer_.IsVisible());
    // Closed with the keyboard, the viewer hands it to the main window, which nothing else would do
    // where no window manager is running.
    if (!isVisible() && hadKeyboard && mainWindow_ != nullptr && mainWindow_->isVisible())
      mainWindow_->activateWindow();
  }
  if (frontRequests_ != viewer_.frontRequests()) {
    frontRequests_ = viewer_.frontRequests();
    if (isVisible()) {
      raise();
      activateWindow();
    }
  }
  rendering_ = false;
}

void TextViewerView::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!rendering_) viewer_.Resize(width() * kTwipsPerPixel, height() * kTwipsPerPixel);
}

void TextViewerView::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) viewer_.SetWindowState(StateOf(windowState()));
}

void TextViewerView::closeEvent(QCloseEvent* event) {
  viewer_.CloseRequested();
  event->accept();
}

}  // namespace nulvane::gui
