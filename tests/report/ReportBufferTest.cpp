#include <gtest/gtest.h>

#include "report/ReportTestSupport.h"
#include "testsupport/PathCalls.h"

namespace nulvane::testing {
namespace {

TEST(ReportBuffer, PiecesWaitInTheBufferUntilALineEnds) {
  ReportProgram p;
  p.report.AppendReport("name", false);
  p.report.AppendReport(" (1 bytes)", false);
  EXPECT_TRUE(p.report.txbText.empty());
  EXPECT_EQ(p.report.strTextBuff, "name (1 bytes)");
  const long yields = p.ui.yields();
  p.report.AppendReport(" purged\r\n", true);
  EXPECT_EQ(p.report.txbText.text(), "name (1 bytes) purged\r\n");
  EXPECT_TRUE(p.report.strTextBuff.empty());
  EXPECT_EQ(p.ui.yields(), yields + 1);
}

TEST(ReportBuffer, FullPurgeReportKeepsCompleteLinesAndIgnoresLaterAppends) {
  ReportProgram p;
  p.report.blnPurgeFiles = true;
  const std::string line = std::string(98, 'x') + "\r\n";  // 100 characters a line
  for (int i = 0; i < 614; ++i) p.report.AppendReport(line, true);
  EXPECT_FALSE(p.report.blnReportBufferFull);
  p.report.AppendReport(std::string(50, 't'), true);  // 61,450 characters
  ASSERT_TRUE(p.report.blnReportBufferFull);
  // Less 1,024 characters is 60,426, inside line 605; cut back to the line break that ends line 604.
  const std::string kept = [&] {
    std::string text;
    for (int i = 0; i < 604; ++i) text += line;
    return text.substr(0, text.size() - 2);
  }();
  EXPECT_EQ(
      p.report.txbText.text(),
      kept +
          "\r\n\r\nThe report buffer has been filled, so this report cannot continue.  The purge operation "
          "will continue, but without report of results for individual files.\r\n\r\n");
  EXPECT_FALSE(p.report.blnStop);
  const std::string full = p.report.txbText.text();
  p.report.AppendReport("more", true);
  p.report.HandleReportFull();
  EXPECT_EQ(p.report.txbText.text(), full);
}

TEST(ReportBuffer, CopyTakesTheSelectionOrTheWholeReport) {
  ReportProgram p;
  p.report.cmdCopyToClipboard_Click();
  EXPECT_EQ(p.ui.clipboard(), "");
  EXPECT_EQ(p.report.focusedControl, "cmdClose");

  p.report.txbText.Append("first line\r\nsecond line\r\n");
  p.report.lblPausedDone.caption = "Done";
  p.report.txbText.SetSelection(12, 6);
  p.report.txbText_MouseUp(true);
  EXPECT_EQ(p.report.cmdCopyToClipboard.caption, "Copy selected text to clipboard");
  EXPECT_EQ(p.report.cmdCopyToClipboard.width, 3165);
  EXPECT_EQ(p.report.lblPausedDone.caption, "");
  p.report.cmdCopyToClipboard_Click();
  EXPECT_EQ(p.ui.clipboard(), "second");
  EXPECT_EQ(p.report.cmdCopyToClipboard.caption, "Copy to clipboard");
  EXPECT_EQ(p.report.cmdCopyToClipboard.width, 2115);

  p.report.txbText.SetSelection(5, 0);
  p.report.txbText_MouseUp(true);
  EXPECT_EQ(p.report.cmdCopyToClipboard.caption, "Copy to clipboard");
  p.report.cmdCopyToClipboard_Click();
  EXPECT_EQ(p.ui.clipboard(), "first line\r\nsecond line\r\n");
}

TEST(ReportBuffer, CloseStopsTheRunAndKeepsTheText) {
  ReportProgram p;
  p.report.Show();
  p.report.txbText.Append("kept");
  p.report.cmdClose_Click();
  EXPECT_TRUE(p.report.blnStop);
  EXPECT_FALSE(p.report.IsVisible());
  EXPECT_EQ(p.report.txbText.text(), "kept");
}

// Clicks Pause once the first file is under way, then `second` at the next yield while paused.
struct PauseScript {
  report::ReportWindow& report;
  bool continueInsteadOfStop;
  bool paused = false;
  bool stopVisibleBeforePause = true;
  bool stopVisibleWhilePaused = false;
  std::string pauseCaptionWhileRunning;
  std::string pauseCaptionWhilePaused;

  void operator()(long) {
    if (!paused && report.lngNumFilesProcessed == 1) {
      stopVisibleBeforePause = report.cmdStop.visible;
      pauseCaptionWhileRunning = report.cmdPauseContinue.caption;
      report.cmdPauseContinue_Click();
      paused = true;
      stopVisibleWhilePaused = report.cmdStop.visible;
      pauseCaptionWhilePaused = report.cmdPauseContinue.caption;
      return;
    }
    if (paused && report.blnPaused) {
      if (continueInsteadOfStop) {
        report.cmdPauseContinue_Click();
      } else {
        report.cmdStop_Click();
      }
    }
  }
};

TEST(PauseAndStop, PurgePausedAfterAPassIsStoppedFromThePausedState) {
  ReportProgram p;
  p.Choose(0, 3);
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) p.dir.Write(name, SampleContent(500));
  PauseScript script{p.report, false};
  p.ui.OnYield([&](long n) { script(n); });
  p.Purge(p.dir.path(), "*.txt", false);

  EXPECT_FALSE(script.stopVisibleBeforePause);
  EXPECT_EQ(script.pauseCaptionWhileRunning, "Pause at next purge");
  EXPECT_TRUE(script.stopVisibleWhilePaused);
  EXPECT_EQ(script.pauseCaptionWhilePaused, "Continue");
  EXPECT_EQ(p.report.lngNumFilesProcessed, 1);
  EXPECT_EQ(p.report.lngNumFilesPurged, 0);
  EXPECT_EQ(p.report.dblTotalBytesPurged, 0);
  EXPECT_EQ(p.report.lblPausedDone.caption, "Stopped");
  EXPECT_EQ(ListFolder(p.fs, p.dir.path()).size(), 3u);
  const std::string& text = p.report.txbText.text();
  // Stopped after its first pass: neither untouched nor purged, and the line says so.
  EXPECT_NE(text.find(" (500 bytes): partly overwritten (1 of 3 passes), not deleted.\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(
      text.find(
          "\r\nNumber of files: 1\r\nNumber of files purged: 0\r\nPurge operation was stopped.\r\n\r\n"),
      std::string::npos);
}

TEST(PauseAndStop, ContinuedPurgeRunsToTheEnd) {
  ReportProgram p;
  p.Choose(0, 2);
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) p.dir.Write(name, SampleContent(500));
  PauseScript script{p.report, true};
  p.ui.OnYield([&](long n) { script(n); });
  p.Purge(p.dir.path(), "*.txt", false);

  EXPECT_TRUE(script.paused);
  EXPECT_EQ(p.report.lngNumFilesPurged, 3);
  EXPECT_EQ(p.report.dblTotalBytesPurged, 1500);
  EXPECT_FALSE(p.report.blnStop);
  EXPECT_EQ(p.report.lblPausedDone.caption, "Done");
  EXPECT_TRUE(ListFolder(p.fs, p.dir.path()).empty());
}

TEST(PauseAndStop, ListingStopsFromThePausedState) {
  ReportProgram p;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) p.dir.Write(name, "123");
  PauseScript script{p.report, false};
  p.ui.OnYield([&](long n) { script(n); });
  p.List(p.dir.path(), "*.txt", false, true, true);

  EXPECT_EQ(script.pauseCaptionWhileRunning, "Pause");
  EXPECT_FALSE(script.stopVisibleBeforePause);
  EXPECT_TRUE(script.stopVisibleWhilePaused);
  EXPECT_EQ(p.report.lngNumFilesProcessed, 1);
  EXPECT_EQ(p.report.lblPausedDone.caption, "Stopped");
  const auto lines = p.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "Listing was stopped.");
  EXPECT_EQ(p.host.estimatedTime, "");
}

}  // namespace
}  // namespace nulvane::testing
