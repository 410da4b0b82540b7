#include "report/ReportWindow.h"

#include "engine/PassExecutor.h"
#include "engine/PurgePipeline.h"
#include "platform/Ui.h"
#include "report/PendingFiles.h"

namespace nulvane::report {

namespace {
constexpr const char* kCrLf = "\r\n";
}  // namespace

ReportWindow::ReportWindow(platform::FileSystem& fileSystem, platform::Ui& ui, platform::Clock& clock,
                           support::OperationState& state, engine::PurgeEngine& engine,
                           dialogs::TypeOfPurgeDialog& typeOfPurge,
                           dialogs::PurgeConfirmationDialog& confirmation, ReportHost& host)
    : fileSystem_(fileSystem),
      ui_(ui),
      clock_(clock),
      state_(state),
      engine_(engine),
      typeOfPurge_(typeOfPurge),
      confirmation_(confirmation),
      host_(host) {
  cmdStop = {"Stop", false, true, 1000};
  cmdPauseContinue = {"Pause", false, true, 1000};
  cmdClose = {"Close", true, true, 0};
  cmdCopyToClipboard = {"Copy to clipboard", false, true, 2115};
  lblPausedDone = {"", true, false};
  lblDots = {"Each dot represents a folder.", false, false};
}

ReportWindow::~ReportWindow() = default;

void ReportWindow::Show() {
  if (!visible_) {
    visible_ = true;
    Activate();
  }
  Repaint();
}

void ReportWindow::Hide() {
  visible_ = false;
  Repaint();
}

void ReportWindow::BringToFront() {
  ++frontRequests_;
  Repaint();
}

void ReportWindow::Activate() {
  cmdCopyToClipboard.caption = "Copy to clipboard";
  cmdCopyToClipboard.width = 2115;
  strTextBuff.clear();
}

void ReportWindow::Yield() {
  // During a purge the files in flight are looked after at every yield of the walk; the look yields too.
  if (pipeline_ && !pipeline_->Empty()) {
    pipeline_->Pump(std::chrono::milliseconds(0));
  } else {
    ui_.Yield();
  }
}

void ReportWindow::AppendReport(std::string_view text, bool showNow) {
  if (blnReportBufferFull && !writingSummary_) return;
  strTextBuff.append(text);
  if (showNow) {
    txbText.Append(strTextBuff);
    txbText.MoveCaretToEnd();
    Repaint();
    strTextBuff.clear();
    Yield();
  }
  if (!writingSummary_ && txbText.characters() > reportLimit) HandleReportFull();
}

void ReportWindow::HandleReportFull() {
  // Ran already: a second pass would cut into the notice.
  if (blnReportBufferFull) return;
  const std::string& text = txbText.text();
  std::size_t length = text.size();
  if (txbText.characters() > 1024) length = txbText.ByteOffsetOfCharacter(txbText.characters() - 1024);
  if (length >= 2) {
    const std::size_t lastBreak = text.rfind(kCrLf, length - 2);
    if (lastBreak != std::string::npos) length = lastBreak;
  }
  txbText.Truncate(length);
  strTextBuff.clear();
  txbText.Append("\r\n\r\n");
  if (blnPurgeFiles) {
    txbText.Append(
        "The report buffer has been filled, so this report cannot continue.  The purge operation will "
        "continue, but without report of results for individual files.\r\n\r\n");
  } else {
    ui_.Message("Report buffer full",
                "The output report buffer has been filled, so this report cannot continue.",
                platform::Buttons::Ok, platform::Icon::None);
    txbText.Append(
        "The output report buffer was filled.\r\nNote: Some files or folders were not listed.\r\n");
    blnStop = true;
  }
  blnReportBufferFull = true;
  txbText.MoveCaretToEnd();
  Repaint();
}

void ReportWindow::CheckPauseAndStop() {
  Yield();
  if (blnStop) {
    // The files in flight end after their current pass, and their lines come before the stop's break.
    FinishPending();
    if (!blnReportBufferFull) txbText.Append(kCrLf);
    return;
  }
  if (!blnPaused) return;
  txbText.MoveCaretToEnd();
  Repaint();
  while (!blnStop && blnPaused) {
    // Files in flight finish their current pass meanwhile and are shown; no further pass starts.
    Yield();
    // Sleep in the event loop between looks so a pause costs no processor time.
    if (!blnStop && blnPaused) ui_.Wait(20);
  }
  if (blnStop) {
    FinishPending();
    if (!blnReportBufferFull) txbText.Append(kCrLf);
  }
}

void ReportWindow::SetRunButtons() {
  // Stop is offered only from the paused state, in a purge and in a listing alike.
  cmdStop.visible = false;
  if (blnPurgeFiles) {
    cmdPauseContinue.caption = "Pause at next purge";
    cmdPauseContinue.width = 2500;
  } else {
    cmdStop.caption = "Stop";
    cmdStop.width = 1000;
    cmdPauseContinue.caption = "Pause";
    cmdPauseContinue.width = 1000;
  }
}

void ReportWindow::cmdStop_Click() {
  blnStop = true;
  cmdStop.visible = false;
  cmdPauseContinue.visible = false;
  cmdClose.visible = true;
  lblPausedDone.caption = "Stopped";
  lblDots.visible = false;
  Repaint();
}

void ReportWindow::cmdPauseContinue_Click() {
  const bool wasPaused = blnPaused;
  blnPaused = !blnPaused;
  if (wasPaused) {
    SetRunButtons();
    lblPausedDone.caption.clear();
  } else {
    cmdStop.caption = "Stop";
    cmdStop.visible = true;
    cmdStop.width = 1000;
    cmdPauseContinue.caption = "Continue";
    cmdPauseContinue.width = 1500;
    lblPausedDone.caption = "Paused";
    lblDots.visible = false;
  }
  Repaint();
}

void ReportWindow::cmdCopyToClipboard_Click() {
  if (!txbText.empty()) {
    ui_.SetClipboardText(txbText.selectionLength() > 0 ? txbText.SelectedText() : txbText.text());
    lblPausedDone.caption.clear();
    cmdCopyToClipboard.caption = "Copy to clipboard";
    cmdCopyToClipboard.width = 2115;
  }
  focusedControl = "cmdClose";
  Repaint();
}

void ReportWindow::txbText_MouseUp(bool leftButton) {
  if (!leftButton || !cmdCopyToClipboard.enabled) return;
  if (txbText.selectionLength() == 0) {
    cmdCopyToClipboard.caption = "Copy to clipboard";
    cmdCopyToClipboard.width = 2115;
  } else {
    cmdCopyToClipboard.width = 3165;
    cmdCopyToClipboard.caption = "Copy selected text to clipboard";
    lblPausedDone.caption.clear();
  }
  Repaint();
}

void ReportWindow::cmdClose_Click() {
  blnStop = true;
  Hide();
}

std::string NormaliseFolderPath(std::string path) {
  if (path.size() >= 2 && path[1] == ':' && path[0] >= 'a' && path[0] <= 'z') path[0] = path[0] - 'a' + 'A';
  if (path.empty()) return path;
  while (path.size() > 1 && path.back() == platform::kPathSeparator) path.pop_back();
  if (path.empty() || path.back() != platform::kPathSeparator) path.push_back(platform::kPathSeparator);
  return path;
}

}  // namespace nulvane::report
