#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include "gui/GuiTestSupport.h"
#include "gui/ReportView.h"
#include "report/ReportTestSupport.h"

namespace nulvane::testing {
namespace {

QString BoxText(const std::string& programText) {
  QString text = QString::fromStdString(programText);
  text.remove(QLatin1Char('\r'));
  return text;
}

TEST(ReportViewSmoke, FollowsARunEditByEditAndEndsInTheFinishedState) {
  Application();
  ReportProgram p;
  p.Choose(0, 3);
  p.state.sngSpeedByDrive[p.fs.VolumeOf(p.dir.path())] = 0.001f;  // progress indicators on every file
  for (int i = 0; i < 20; ++i) p.dir.Write("f" + std::to_string(i) + ".txt", SampleContent(3000, i));
  gui::ReportView view(p.report);
  p.Purge(p.dir.path(), "*.txt", false);
  QApplication::processEvents();

  EXPECT_TRUE(view.isVisible());
  EXPECT_EQ(view.textBox()->toPlainText(), BoxText(p.report.txbText.text()));
  EXPECT_TRUE(view.textBox()->isReadOnly());
  EXPECT_TRUE(view.textBox()->font().fixedPitch() || QFontInfo(view.textBox()->font()).fixedPitch());
  EXPECT_TRUE(view.closeButton()->isVisible());
  EXPECT_FALSE(view.pauseContinueButton()->isVisible());
  EXPECT_TRUE(view.copyButton()->isVisible());
  EXPECT_EQ(view.pausedDoneLabel()->text(), QStringLiteral("Done"));
  EXPECT_EQ(p.report.lngNumFilesPurged, 20);
}

TEST(ReportViewSmoke, SelectionReachesTheCopyButton) {
  Application();
  ReportProgram p;
  gui::ReportView view(p.report);
  p.report.Show();
  p.report.txbText.Append("first line\r\nsecond line\r\nthird\r\n");
  QTextCursor cursor = view.textBox()->textCursor();
  cursor.setPosition(11);
  cursor.setPosition(17, QTextCursor::KeepAnchor);
  view.textBox()->setTextCursor(cursor);
  view.copyButton()->click();
  EXPECT_EQ(p.ui.clipboard(), "second");

  cursor.setPosition(3);
  cursor.setPosition(15, QTextCursor::KeepAnchor);
  view.textBox()->setTextCursor(cursor);
  view.copyButton()->click();
  EXPECT_EQ(p.ui.clipboard(), "st line\r\nseco");

  cursor.clearSelection();
  view.textBox()->setTextCursor(cursor);
  view.copyButton()->click();
  EXPECT_EQ(p.ui.clipboard(), p.report.txbText.text());

  view.closeButton()->click();
  EXPECT_FALSE(view.isVisible());
  EXPECT_TRUE(p.report.blnStop);
}

TEST(ReportViewSmoke, ClosedWithTheKeyboardItHandsTheKeyboardBack) {
  Application();
  ReportProgram p;
  QWidget main;
  main.show();
  gui::ReportView view(p.report);
  view.ReturnKeyboardTo(&main);
  p.report.Show();
  view.activateWindow();
  // The offscreen platform carries out an activation on the next turn of the event loop.
  QApplication::processEvents();
  ASSERT_TRUE(view.isActiveWindow());

  view.closeButton()->click();
  EXPECT_FALSE(view.isVisible());
  QApplication::processEvents();
  // Otherwise no window of the program would take a key until the user reached for the mouse.
  EXPECT_TRUE(main.isActiveWindow());
}

TEST(ReportViewSmoke, ConfirmFilesViewForwardsItsButtons) {
  Application();
  report::ConfirmFilesDialog dialog;
  gui::ConfirmFilesView view(dialog);
  dialog.Prepare("/tmp/a.txt     1 bytes     01/02/2026");
  EXPECT_EQ(view.windowTitle(), QStringLiteral("Confirm purging of this file"));
  EXPECT_EQ(view.fileLabel()->text(), QStringLiteral("/tmp/a.txt     1 bytes     01/02/2026"));
  view.purgeAllButton()->click();
  EXPECT_EQ(dialog.choice, report::ConfirmFilesDialog::Choice::PurgeAll);
  EXPECT_TRUE(dialog.blnFileConfirmed);
  view.reject();
  EXPECT_EQ(dialog.choice, report::ConfirmFilesDialog::Choice::No);
  EXPECT_FALSE(dialog.blnFileConfirmed);
}

}  // namespace
}  // namespace nulvane::testing
