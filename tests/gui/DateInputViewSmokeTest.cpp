#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "gui/DateInputView.h"
#include "gui/GuiTestSupport.h"
#include "testsupport/FakeUi.h"

namespace {

using nulvane::dialogs::DateInputDialog;

constexpr std::int32_t kJan5th2012 = 2455932;

TEST(DateInputViewSmoke, ShowsTheDayAndAccepts) {
  nulvane::testing::Application();
  nulvane::testing::FakeUi ui;
  DateInputDialog dialog(ui);
  dialog.caption = "Only files before ...";
  dialog.lblPrompt.caption = "Specify date such that ONLY files with dates BEFORE this date will be purged.";
  dialog.lngJDN = kJan5th2012;
  nulvane::gui::DateInputView view(dialog);
  dialog.BeginShow();
  view.show();
  EXPECT_EQ(view.windowTitle(), QStringLiteral("Only files before ..."));
  EXPECT_EQ(view.monthList()->currentText(), QStringLiteral("January"));
  EXPECT_EQ(view.dayList()->currentText(), QStringLiteral("5"));
  EXPECT_EQ(view.yearBox()->text(), QStringLiteral("2012"));

  view.dayList()->setCurrentIndex(6);
  view.acceptButton()->click();
  EXPECT_EQ(dialog.intReturnValue, 1);
  EXPECT_EQ(dialog.lngJDN, kJan5th2012 + 1);
  EXPECT_FALSE(view.isVisible());
}

TEST(DateInputViewSmoke, EnterInTheYearBoxAccepts) {
  nulvane::testing::Application();
  nulvane::testing::FakeUi ui;
  DateInputDialog dialog(ui);
  nulvane::gui::DateInputView view(dialog);
  dialog.BeginShow();
  view.show();
  view.monthList()->setCurrentIndex(1);
  view.dayList()->setCurrentIndex(5);
  for (const QChar c : QStringLiteral("2,012")) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(view.yearBox(), &press);
  }
  EXPECT_EQ(view.yearBox()->text(), QStringLiteral("2,012"));
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(view.yearBox(), &press);
  EXPECT_TRUE(dialog.IsVisible());
  QApplication::sendEvent(view.yearBox(), &release);
  EXPECT_EQ(dialog.intReturnValue, 1);
  EXPECT_EQ(dialog.lngJDN, kJan5th2012);
}

}  // namespace
