#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include "gui/GuiTestSupport.h"
#include "gui/TypeOfPurgeView.h"
#include "testsupport/FakeUi.h"

namespace {

using nulvane::dialogs::TypeOfPurgeDialog;

TEST(TypeOfPurgeViewSmoke, ShowsTheChoiceAndCancelRestoresTheType) {
  nulvane::testing::Application();
  nulvane::testing::FakeUi ui;
  TypeOfPurgeDialog dialog(ui, "Type of purge");
  dialog.Initialization();
  nulvane::gui::TypeOfPurgeView view(dialog);
  dialog.BeginShow();
  view.show();
  EXPECT_EQ(view.windowTitle(), QStringLiteral("What type of purge should be used?"));
  EXPECT_EQ(view.optionButton(0)->text(), QStringLiteral("1. Random bytes plus zeros"));
  EXPECT_TRUE(view.optionButton(0)->isChecked());
  EXPECT_EQ(view.passList(0)->currentText(), QStringLiteral("6"));
  EXPECT_TRUE(view.passList(2)->isHidden());

  view.optionButton(2)->click();
  EXPECT_EQ(dialog.GetPurgeType(), 2);
  EXPECT_FALSE(view.passList(2)->isHidden());
  EXPECT_TRUE(view.passList(0)->isHidden());
  view.passList(2)->setCurrentIndex(3);
  EXPECT_EQ(dialog.GetNumberOfPasses(), 4);

  view.cancelButton()->click();
  EXPECT_FALSE(dialog.IsVisible());
  EXPECT_FALSE(view.isVisible());
  EXPECT_EQ(dialog.GetPurgeType(), 0);
  EXPECT_EQ(view.passList(2)->currentText(), QStringLiteral("4"));
}

TEST(TypeOfPurgeViewSmoke, AcceptAsksAndClosesOnYes) {
  nulvane::testing::Application();
  nulvane::testing::FakeUi ui;
  TypeOfPurgeDialog dialog(ui, "Type of purge");
  dialog.Initialization();
  nulvane::gui::TypeOfPurgeView view(dialog);
  dialog.BeginShow();
  view.show();
  ui.Answer(nulvane::platform::Answer::Yes);
  view.acceptButton()->click();
  EXPECT_TRUE(dialog.accepted);
  EXPECT_FALSE(view.isVisible());
}

}  // namespace
