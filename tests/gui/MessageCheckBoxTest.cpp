#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "gui/GuiTestSupport.h"
#include "gui/QtUi.h"
#include "platform/Dialog.h"

namespace nulvane::testing {
namespace {

using platform::Answer;

// The check box of a message box ("Don't warn again for this volume") is a control of its own: named by its
// caption, reached with Tab, set by a screen reader's Toggle, and its state comes back with the answer.
TEST(MessageCheckBox, IsNamedReachableAndItsStateComesBackWithTheAnswer) {
  Application();
  gui::QtUi ui;
  bool seen = false;
  std::function<void(int)> act = [&](int attempts) {
    QTimer::singleShot(20, [&, attempts] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        if (attempts > 0) act(attempts - 1);
        return;
      }
      seen = true;
      QCheckBox* check = box->checkBox();
      if (check != nullptr) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(check)->text(QAccessible::Name),
                  QStringLiteral("Don't warn again for this volume"));
        EXPECT_TRUE(check->focusPolicy() & Qt::TabFocus);
        EXPECT_FALSE(check->isChecked());
        AccessibleToggle(check);
      }
      EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
      box->button(QMessageBox::Yes)->click();
    });
  };
  act(250);
  bool checked = false;
  EXPECT_EQ(ui.MessageWithCheckBox("Purge files", "Drive /data is on a flash device.",
                                   platform::Buttons::YesNo, platform::Icon::Warning, Answer::No,
                                   "Don't warn again for this volume", checked),
            Answer::Yes);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(checked);
}

// Desktops hand the keyboard back when a modal window closes; without a window manager (a virtual display,
// a kiosk) nothing would, and every key would go nowhere until the user reached for the mouse. The program
// asks for it itself, also where the system announces the question's own activation only after the answer
// (a question answered at once, by a screen reader or a busy machine's late timer). The offscreen platform
// carries out each request on the next turn of the event loop, with no window manager to wait for.
TEST(ModalKeyboard, TheWindowThatHadTheKeyboardGetsItBackWhenAQuestionCloses) {
  Application();
  gui::QtUi ui;
  QWidget main;
  ui.SetParentWindow(&main);
  main.show();
  main.activateWindow();
  QApplication::processEvents();
  ASSERT_TRUE(main.isActiveWindow());
  for (const bool answerAtOnce : {true, false}) {
    bool questionHadKeyboard = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      if (!answerAtOnce) QApplication::processEvents();
      questionHadKeyboard = box->isActiveWindow();
      box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(
        ui.Message("Purge files", "Done.", platform::Buttons::Ok, platform::Icon::Information, Answer::Ok),
        Answer::Ok);
    if (!answerAtOnce) {
      EXPECT_TRUE(questionHadKeyboard);
    }
    QApplication::processEvents();
    EXPECT_TRUE(main.isActiveWindow()) << (answerAtOnce ? "answered at once" : "answered once it was active");
  }
}

// A dialog that comes up while it prepares (as the subfolder dialog does, reading the folder with its window
// up) may have the keyboard before its modal run begins; when it closes, the keyboard still goes back to the
// window beneath, not to the dialog that is gone.
TEST(ModalKeyboard, ADialogShownWhileItPreparesGivesTheKeyboardBackToo) {
  Application();
  // Shows itself while it prepares, and lets the system make it active then; once the modal run has begun,
  // it is answered.
  class PreparingDialog : public platform::Dialog {
   public:
    explicit PreparingDialog(QDialog& view) : platform::Dialog("frmPreparing"), view_(view) {}
    bool hadKeyboard = false;

   protected:
    void Activate() override {
      view_.show();
      view_.activateWindow();
      QApplication::processEvents();
      hadKeyboard = view_.isActiveWindow();
      QTimer::singleShot(0, &view_, [this] { Hide(); });
    }

   private:
    QDialog& view_;
  };
  gui::QtUi ui;
  QWidget main;
  ui.SetParentWindow(&main);
  main.show();
  main.activateWindow();
  QApplication::processEvents();
  ASSERT_TRUE(main.isActiveWindow());
  QDialog view(&main);
  view.setWindowModality(Qt::ApplicationModal);
  PreparingDialog dialog(view);
  ui.RegisterDialogView(dialog, &view);
  ui.ShowModal(dialog);
  EXPECT_TRUE(dialog.hadKeyboard);
  EXPECT_FALSE(view.isVisible());
  QApplication::processEvents();
  EXPECT_TRUE(main.isActiveWindow());
}

}  // namespace
}  // namespace nulvane::testing
