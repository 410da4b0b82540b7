// The keyboard as its users meet it, with real key events: a key pressed in one window never completes in
// another, the manual's link acts only on a press and a release both on it, and where the program takes away
// the control the keyboard was on, the keyboard goes to a control the user would expect, never to the link.
// Key events go to the system's window, which hands them to the widget the program gave the keyboard to,
// whether or not any window manager has made the window active.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "gui/DateInputView.h"
#include "gui/GuiTestSupport.h"
#include "gui/QtUi.h"
#include "gui/WholeProgramTest.h"

namespace nulvane::testing {
namespace {

using platform::Answer;

// Presses (and only presses) `key` on the button of the message box that comes up next, as soon as it is up.
// The box takes the press as its answer and closes, so the key's release comes later, somewhere else. Looks
// once per turn of the event loop while `context` lives.
void PressOnNextMessage(QObject* context, QMessageBox::StandardButton button, Qt::Key key, int turns = 100) {
  QTimer::singleShot(0, context, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      if (turns > 0) {
        PressOnNextMessage(context, button, key, turns - 1);
      } else {
        ADD_FAILURE() << "no message box came up";
      }
      return;
    }
    QTest::keyPress(box->button(button), key);
  });
}

class KeyboardTest : public WholeProgramTest {
 protected:
  QWindow* screenWindow() { return window().windowHandle(); }
  QLabel* link() { return window().Label("lblOnlineDocumentation"); }
};

// Tab to Clear, Space, Enter on the question's Yes: the folder is cleared, and the Enter's release, in the
// main window, opens nothing. The keyboard is on the first command, not on the link that follows Clear.
TEST_F(KeyboardTest, EnterOnTheClearQuestionLeavesTheManualAlone) {
  const std::string folder = temp.MakeFolder("target");
  temp.Write("target/a.txt", "a");
  ui.QueueFolder(folder);
  ui.Answer(Answer::No);  // not all files in the folder
  window().Button("cmdSpecifyDirectory(0)")->click();
  QPushButton* clear = window().Button("cmdClear");
  ASSERT_TRUE(clear->isVisible());
  clear->setFocus();

  ui.ShowForReal("Clear folder and file specifications?");
  PressOnNextMessage(&timers, QMessageBox::Yes, Qt::Key_Return);
  QTest::keyPress(screenWindow(), Qt::Key_Space);
  QTest::keyRelease(screenWindow(), Qt::Key_Space);  // Clear acts, and asks
  ASSERT_EQ(ui.realMessages(), 1);
  EXPECT_EQ(program.state.strTargetFolder, "");
  EXPECT_FALSE(clear->isVisible());
  EXPECT_EQ(window().focusWidget(), window().Button("cmdSpecifyDirectory(0)"));

  QTest::keyRelease(screenWindow(), Qt::Key_Return);
  QTest::keyRelease(link(), Qt::Key_Return);
  EXPECT_TRUE(ui.urlsOpened().empty());
  EXPECT_EQ(window().focusWidget(), window().Button("cmdSpecifyDirectory(0)"));
}

// During "Purge folders" every command is disabled once the count is confirmed; Enter on that question's OK
// must not reach the link, the one control still enabled. The window holds the keyboard meanwhile (F10 must
// reach it), and "Purge folders" gets it back at the end.
TEST_F(KeyboardTest, EnterOnTheFolderPurgeCountLeavesTheManualAlone) {
  const std::string top = temp.MakeFolder("top");
  temp.Write("top/Data/a.txt", SampleContent(2000, 1));
  temp.Write("top/Data/b.txt", SampleContent(3000, 2));
  temp.Write("top/Keep/c.txt", SampleContent(1000, 3));
  program.typeOfPurge.SelectType(0);
  program.typeOfPurge.SelectPasses(0, 1);
  QPushButton* purgeFolders = window().Button("cmdSpecifyDirectory(1)");
  purgeFolders->setFocus();

  ui.Answer(Answer::Yes);  // purge chosen subfolders
  ui.QueueFolder(top);
  ui.OnDialog("frmSelectSubfolders", [this](platform::Dialog&) {
    auto& dialog = program.selectSubfolders;
    for (std::size_t row = 0; row < dialog.Rows().size(); ++row) {
      if (dialog.Rows()[row].name == "Data") dialog.chkSubfolder_Click(static_cast<int>(row), true);
    }
    dialog.cmdAccept();
  });
  ui.Answer(Answer::Ok);  // the summary
  ui.ShowForReal("Click 'OK' to continue");
  PressOnNextMessage(&timers, QMessageBox::Ok, Qt::Key_Return);
  // Enter comes up while the files are being purged.
  QWidget* keyboardDuringPurge = nullptr;
  bool released = false;
  ui.OnYield([&](long) {
    if (released || ui.realMessages() == 0 || QApplication::activeModalWidget() != nullptr) return;
    released = true;
    keyboardDuringPurge = window().focusWidget();
    QTest::keyRelease(screenWindow(), Qt::Key_Return);
  });
  purgeFolders->click();

  ASSERT_EQ(ui.realMessages(), 1);
  ASSERT_TRUE(released);
  EXPECT_EQ(keyboardDuringPurge, &window());
  EXPECT_TRUE(ui.urlsOpened().empty());
  EXPECT_FALSE(Exists(top + "Data"));
  EXPECT_TRUE(Exists(top + "Keep/c.txt"));
  EXPECT_EQ(window().focusWidget(), purgeFolders);
}

// The link follows a press and a release both on it, by key or by mouse; a release alone, or a click that
// began elsewhere or left it, does nothing.
TEST_F(KeyboardTest, TheLinkActsOnlyOnAPressAndAReleaseBothOnIt) {
  QPushButton* command = window().Button("cmdSpecifyDirectory(0)");
  QTest::keyPress(command, Qt::Key_Return);
  QTest::keyRelease(link(), Qt::Key_Return);
  QTest::mouseRelease(link(), Qt::LeftButton);
  QTest::mousePress(link(), Qt::LeftButton);
  QTest::mouseRelease(link(), Qt::LeftButton, {}, QPoint(-5, -5));
  EXPECT_TRUE(ui.urlsOpened().empty());

  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
    QTest::keyPress(link(), key);
    QTest::keyRelease(link(), key);
  }
  QTest::mouseClick(link(), Qt::LeftButton);
  ASSERT_EQ(ui.urlsOpened().size(), 3u);
  EXPECT_NE(ui.urlsOpened()[0].find("nv_manual.html"), std::string::npos) << ui.urlsOpened()[0];
}

// Enter in the year box accepts on its release. A year out of range is refused with a message; the Enter
// that closes that message comes up in the year box again, and must not ask again (and again).
TEST(KeyPresses, TheEnterThatClosesAMessageDoesNotActInTheDialogBeneath) {
  Application();
  gui::QtUi ui;
  dialogs::DateInputDialog dialog(ui);
  dialog.intEarliestAcceptableYear = 1980;
  gui::DateInputView view(dialog);
  dialog.BeginShow();
  view.show();
  view.yearBox()->setFocus();
  view.yearBox()->setText(QStringLiteral("1000"));

  int messages = 0;
  QObject timers;  // ends the test's timers with the test
  std::function<void(int)> answer = [&](int turns) {
    QTimer::singleShot(0, &timers, [&, turns] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        if (turns > 0) answer(turns - 1);
        return;
      }
      ++messages;
      QTest::keyPress(box->button(QMessageBox::Ok), Qt::Key_Return);
      answer(100);  // a second message would be answered too, and counted
    });
  };
  answer(100);
  QTest::keyPress(view.windowHandle(), Qt::Key_Return);
  QTest::keyRelease(view.windowHandle(), Qt::Key_Return);  // refused: the message comes up
  EXPECT_EQ(messages, 1);
  QTest::keyRelease(view.windowHandle(), Qt::Key_Return);  // the release of the Enter that closed it
  EXPECT_EQ(messages, 1);
  EXPECT_TRUE(dialog.IsVisible());
  dialog.cmdCancel();
}

}  // namespace
}  // namespace nulvane::testing
