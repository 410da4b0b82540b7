#pragma once

#include <QMainWindow>
#include <QPointer>
#include <string>

#include "mainwindow/TextViewer.h"

class QPlainTextEdit;
class QPushButton;

namespace nulvane::gui {

// frmView: a window of its own that shows a text read-only. It renders the TextViewer logic (text, captions,
// size and the places of its controls, given in twips) and forwards the buttons, the window's size, its
// minimised or maximised state and its close box.
class TextViewerView : public QMainWindow {
 public:
  // `mainWindow` is where the viewer is placed when the logic asks, and whose icon it may take.
  TextViewerView(mainwindow::TextViewer& viewer, QWidget* mainWindow);
  ~TextViewerView() override;

  QPlainTextEdit* textBox() const { return text_; }
  QPushButton* closeButton() const { return close_; }
  QPushButton* copyButton() const { return copy_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Render();

  mainwindow::TextViewer& viewer_;
  QPointer<QWidget> mainWindow_;
  int subscription_ = 0;
  int frontRequests_ = 0;
  int placeRequests_ = 0;
  int caretRequests_ = 0;
  bool rendering_ = false;
  std::string shownText_;
  QPlainTextEdit* text_;
  QPushButton* close_;
  QPushButton* copy_;
};

}  // namespace nulvane::gui
