#pragma once

#include <QMainWindow>

#include "gui/DialogView.h"
#include "report/ConfirmFilesDialog.h"
#include "report/ReportText.h"
#include "report/ReportWindow.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace nulvane::gui {

// The report window. The text box follows the report's text model edit by edit, so a run that writes
// thousands of lines costs each line only its own length; appends wait for the next turn of the event
// loop and go in together (a purge writes a line in several pieces, and cuts some of them again).
// Buttons and labels are re-read on each repaint.
// A main window of the toolkit: a window of its own for assistive tools, with the run's caption as title.
class ReportView : public QMainWindow {
 public:
  explicit ReportView(report::ReportWindow& report, QWidget* parent = nullptr);
  ~ReportView() override;

  // The text box with every edit applied.
  QPlainTextEdit* textBox() {
    ApplyPending();
    return text_;
  }
  QPushButton* stopButton() const { return stop_; }
  QPushButton* pauseContinueButton() const { return pauseContinue_; }
  QPushButton* closeButton() const { return close_; }
  QPushButton* copyButton() const { return copy_; }
  QLabel* pausedDoneLabel() const { return pausedDone_; }
  QLabel* dotsLabel() const { return dots_; }

  // The window's place on load: just below the main window's top, at its left edge, a tenth wider.
  void PlaceUnder(const QWidget& mainWindow);
  // The window that takes the keyboard back when this one closes while it has it. Without it (and without a
  // window manager that hands it on) the keyboard would reach no window of the program.
  void ReturnKeyboardTo(QWidget* window) { returnTo_ = window; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyChange(const report::ReportText::Change& change);
  // Puts the appends that wait into the text box.
  void ApplyPending();
  void Render();
  void ScheduleCaret(bool toEnd);
  void ForwardSelection();

  report::ReportWindow& report_;
  int textSubscription_ = 0;
  int windowSubscription_ = 0;
  int frontRequests_ = 0;
  QWidget* returnTo_ = nullptr;
  bool applying_ = false;
  bool caretPending_ = false;
  bool caretToEnd_ = true;
  QString pending_;  // appended to the report, not yet to the text box
  bool pendingScheduled_ = false;
  std::string appliedFocus_;
  QPlainTextEdit* text_;
  QPushButton* stop_;
  QPushButton* pauseContinue_;
  QPushButton* close_;
  QPushButton* copy_;
  QLabel* pausedDone_;
  QLabel* dots_;
};

// frmConfirmFiles: the per-file question of a purge.
class ConfirmFilesView : public DialogView {
 public:
  explicit ConfirmFilesView(report::ConfirmFilesDialog& dialog, QWidget* parent = nullptr);

  QLabel* fileLabel() const { return file_; }
  QPushButton* yesButton() const { return yes_; }
  QPushButton* noButton() const { return no_; }
  QPushButton* purgeAllButton() const { return purgeAll_; }
  QPushButton* stopPurgeButton() const { return stopPurge_; }

 private:
  void Render() override;

  report::ConfirmFilesDialog& dialog_;
  QLabel* question_;
  QLabel* file_;
  QPushButton* yes_;
  QPushButton* no_;
  QPushButton* purgeAll_;
  QPushButton* stopPurge_;
};

}  // namespace nulvane::gui
