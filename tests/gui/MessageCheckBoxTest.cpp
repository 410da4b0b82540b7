#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "gui/GuiTestSupport.h"
#include "gui/QtUi.h"

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

}  // namespace
}  // namespace nulvane::testing
