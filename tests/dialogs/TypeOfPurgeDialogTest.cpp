#include <gtest/gtest.h>

#include "dialogs/TypeOfPurgeDialog.h"
#include "testsupport/FakeUi.h"

namespace nulvane::dialogs {
namespace {

using platform::Answer;

class TypeOfPurgeDialogTest : public ::testing::Test {
 protected:
  TypeOfPurgeDialogTest() { dialog.Initialization(); }

  testing::FakeUi ui;
  TypeOfPurgeDialog dialog{ui, "Type of purge"};
};

TEST_F(TypeOfPurgeDialogTest, StartsWithTypeZeroSixPassesAndEachTypesDefault) {
  EXPECT_EQ(dialog.GetPurgeType(), 0);
  EXPECT_EQ(dialog.GetNumberOfPasses(), 6);
  EXPECT_EQ(dialog.GetNumOverwrites(), 12);
  EXPECT_EQ(dialog.TypeOfPurgeCaption(), "Random bytes plus zeros, 6 times (= 12 overwrites)");
  EXPECT_EQ(dialog.cboNumberOfPasses[0].items.size(), 9u);
  EXPECT_EQ(dialog.cboNumberOfPasses[1].items.size(), 8u);
  EXPECT_EQ(dialog.cboNumberOfPasses[2].items.size(), 4u);
  EXPECT_EQ(dialog.cboNumberOfPasses[1].SelectedText(), "4");
  EXPECT_EQ(dialog.cboNumberOfPasses[2].SelectedText(), "2");
  EXPECT_TRUE(dialog.cboNumberOfPasses[0].visible);
  EXPECT_FALSE(dialog.cboNumberOfPasses[1].visible);
}

TEST_F(TypeOfPurgeDialogTest, CaptionsAndCounts) {
  struct Case {
    int type;
    int passes;
    int perPass;
    const char* caption;
  };
  const Case cases[] = {
      {0, 1, 2, "Random bytes plus zeros, once (= 2 overwrites)"},
      {1, 1, 3, "Alternate bit patterns plus zeros, once (= 3 overwrites)"},
      {1, 8, 3, "Alternate bit patterns plus zeros, 8 times (= 24 overwrites)"},
      {2, 2, 6, "Alternate bit patterns plus random bytes twice, twice (= 12 overwrites)"},
      {2, 4, 6, "Alternate bit patterns plus random bytes twice, 4 times (= 24 overwrites)"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(dialog.SelectType(c.type));
    ASSERT_TRUE(dialog.SelectPasses(c.type, c.passes));
    EXPECT_EQ(dialog.GetPurgeType(), c.type);
    EXPECT_EQ(dialog.GetNumOverwritesPerPass(), c.perPass);
    EXPECT_EQ(dialog.GetNumOverwrites(), c.passes * c.perPass);
    EXPECT_EQ(dialog.TypeOfPurgeCaption(), c.caption);
  }
}

TEST_F(TypeOfPurgeDialogTest, SetupSelectionsOutOfRangeFailAndChangeNothing) {
  EXPECT_FALSE(dialog.SelectPasses(2, 5));
  EXPECT_FALSE(dialog.SelectPasses(0, 0));
  EXPECT_FALSE(dialog.SelectPasses(3, 1));
  EXPECT_FALSE(dialog.SelectType(-1));
  EXPECT_FALSE(dialog.SelectType(3));
  EXPECT_EQ(dialog.cboNumberOfPasses[2].SelectedText(), "2");
  EXPECT_EQ(dialog.GetPurgeType(), 0);
  EXPECT_TRUE(dialog.SelectPasses(0, 9));
  EXPECT_EQ(dialog.GetNumberOfPasses(), 9);
}

TEST_F(TypeOfPurgeDialogTest, AcceptAsksWithTwiceForTwoOverwritesAndHidesOnYes) {
  dialog.SelectPasses(0, 1);
  ui.Answer(Answer::Yes);
  ui.OnDialog("frmTypeOfPurge", [](platform::Dialog& shown) {
    auto& d = static_cast<TypeOfPurgeDialog&>(shown);
    EXPECT_EQ(d.focus, TypeOfPurgeDialog::Focus::Accept);
    d.cmdAccept();
  });
  ui.ShowModal(dialog);
  EXPECT_TRUE(dialog.accepted);
  EXPECT_EQ(ui.LastMessage().title, "Type of purge");
  EXPECT_EQ(ui.LastMessage().text,
            "In the type of purge specified each file will be overwritten twice.\r\nIs this OK?");
  EXPECT_EQ(ui.LastMessage().buttons, platform::Buttons::YesNo);
}

TEST_F(TypeOfPurgeDialogTest, AcceptAnsweredNoKeepsTheDialogOpen) {
  ui.Answer(Answer::No);
  ui.OnDialog("frmTypeOfPurge", [](platform::Dialog& shown) {
    auto& d = static_cast<TypeOfPurgeDialog&>(shown);
    d.ClickOption(2);
    d.cmdAccept();
    EXPECT_TRUE(d.IsVisible());
    d.cmdCancel();
  });
  ui.ShowModal(dialog);
  EXPECT_FALSE(dialog.accepted);
  EXPECT_EQ(ui.LastMessage().text,
            "In the type of purge specified each file will be overwritten 12 times.\r\nIs this OK?");
}

TEST_F(TypeOfPurgeDialogTest, CancelRestoresTheTypeButKeepsThePassesChosen) {
  ui.OnDialog("frmTypeOfPurge", [](platform::Dialog& shown) {
    auto& d = static_cast<TypeOfPurgeDialog&>(shown);
    d.ClickOption(2);
    EXPECT_TRUE(d.cboNumberOfPasses[2].visible);
    EXPECT_FALSE(d.cboNumberOfPasses[0].visible);
    d.ChoosePasses(2, 3);
    EXPECT_EQ(d.GetNumOverwrites(), 24);
    d.cmdCancel();
  });
  ui.ShowModal(dialog);
  EXPECT_FALSE(dialog.accepted);
  EXPECT_EQ(dialog.GetPurgeType(), 0);
  EXPECT_TRUE(dialog.cboNumberOfPasses[0].visible);
  EXPECT_FALSE(dialog.cboNumberOfPasses[2].visible);
  EXPECT_EQ(dialog.cboNumberOfPasses[2].SelectedText(), "4");
  EXPECT_EQ(dialog.TypeOfPurgeCaption(), "Random bytes plus zeros, 6 times (= 12 overwrites)");
}

TEST_F(TypeOfPurgeDialogTest, ClosingTheWindowActsAsCancel) {
  ui.OnDialog("frmTypeOfPurge", [](platform::Dialog& shown) {
    static_cast<TypeOfPurgeDialog&>(shown).ClickOption(1);
    shown.CloseRequested();
  });
  ui.ShowModal(dialog);
  EXPECT_EQ(dialog.GetPurgeType(), 0);
}

TEST(PurgeTypeNumPasses, ReportTexts) {
  EXPECT_EQ(PurgeTypeNumPasses(0, 6), "random bytes plus zeros 6 times");
  EXPECT_EQ(PurgeTypeNumPasses(0, 1), "random bytes plus zeros once");
  EXPECT_EQ(PurgeTypeNumPasses(1, 2), "alternate bit patterns plus zeros twice");
  EXPECT_EQ(PurgeTypeNumPasses(2, 2), "alternate bit patterns plus random bytes twice twice");
  EXPECT_EQ(PurgeTypeNumPasses(3, 1), " once");
}

}  // namespace
}  // namespace nulvane::dialogs
