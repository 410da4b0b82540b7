#include <gtest/gtest.h>

#include "dialogs/DateInputDialog.h"
#include "support/DateRestriction.h"
#include "support/OperationState.h"
#include "testsupport/FakeUi.h"

namespace nulvane::dialogs {
namespace {

constexpr std::int32_t kJan5th2012 = 2455932;

class DateInputDialogTest : public ::testing::Test {
 protected:
  DateInputDialogTest() {
    dialog.caption = "Only files before ...";
    dialog.intEarliestAcceptableYear = 1980;
    dialog.intLatestAcceptableYear = 2999;
  }

  void Show(std::function<void(DateInputDialog&)> script) {
    ui.OnDialog("frmCEDateInput", [script](platform::Dialog& shown) {
      auto& d = static_cast<DateInputDialog&>(shown);
      script(d);
      if (d.IsVisible()) d.cmdCancel();
    });
    ui.ShowModal(dialog);
  }

  // Picks month, day and year and accepts; the dialog stays open when the input is refused.
  static void Enter(DateInputDialog& d, int month, int day, const std::string& year) {
    d.SelectMonth(month);
    d.SelectDay(day);
    d.SetYearText(year);
    d.cmdAccept();
  }

  testing::FakeUi ui;
  DateInputDialog dialog{ui};
};

TEST_F(DateInputDialogTest, ListsAfterLoading) {
  DateInputDialog fresh{ui};
  EXPECT_EQ(fresh.caption, "Date input");
  ASSERT_EQ(fresh.cboMonthNames.items.size(), 13u);
  EXPECT_EQ(fresh.cboMonthNames.items[0], "");
  EXPECT_EQ(fresh.cboMonthNames.items[12], "December");
  ASSERT_EQ(fresh.cboDayNumbers.items.size(), 32u);
  EXPECT_EQ(fresh.cboDayNumbers.items[31], "31");
  EXPECT_EQ(fresh.intEarliestAcceptableYear, -30000);
  EXPECT_EQ(fresh.intLatestAcceptableYear, 30000);
  EXPECT_EQ(fresh.lngJDN, -1);
}

TEST_F(DateInputDialogTest, OpeningShowsTheCurrentLimitOrNothing) {
  dialog.lngJDN = kJan5th2012;
  Show([](DateInputDialog& d) {
    EXPECT_EQ(d.cboMonthNames.SelectedText(), "January");
    EXPECT_EQ(d.cboDayNumbers.SelectedText(), "5");
    EXPECT_EQ(d.txbYear.text, "2012");
    EXPECT_EQ(d.focus, DateInputDialog::Focus::Cancel);
  });
  EXPECT_EQ(dialog.intReturnValue, 0);
  for (const std::int32_t none : {support::kNoDateRestriction, -1}) {
    dialog.lngJDN = none;
    Show([](DateInputDialog& d) {
      EXPECT_EQ(d.cboMonthNames.selected, 0);
      EXPECT_EQ(d.cboDayNumbers.selected, 0);
      EXPECT_EQ(d.txbYear.text, "");
    });
  }
}

TEST_F(DateInputDialogTest, WithTheWidestYearsMinusOneStillMeansNoDate) {
  DateInputDialog wide{ui};
  ui.OnDialog("frmCEDateInput", [](platform::Dialog& shown) {
    auto& d = static_cast<DateInputDialog&>(shown);
    EXPECT_EQ(d.txbYear.text, "");
    EXPECT_EQ(d.cboMonthNames.selected, 0);
    d.cmdCancel();
  });
  ui.ShowModal(wide);
}

TEST_F(DateInputDialogTest, AcceptStoresTheDay) {
  Show([](DateInputDialog& d) { Enter(d, 1, 5, " 2012 "); });
  EXPECT_EQ(dialog.intReturnValue, 1);
  EXPECT_EQ(dialog.lngJDN, kJan5th2012);
  EXPECT_FALSE(dialog.IsVisible());
}

TEST_F(DateInputDialogTest, YearKeepsOnlyItsDigits) {
  for (const char* typed : {"2,012", "-2012", "y2012."}) {
    dialog.lngJDN = -1;
    Show([typed](DateInputDialog& d) { Enter(d, 1, 5, typed); });
    EXPECT_EQ(dialog.intReturnValue, 1) << typed;
    EXPECT_EQ(dialog.lngJDN, kJan5th2012) << typed;
  }
}

TEST_F(DateInputDialogTest, YearWithoutDigitsGetsNoReaction) {
  Show([](DateInputDialog& d) {
    Enter(d, 1, 5, " - ");
    EXPECT_TRUE(d.IsVisible());
    EXPECT_EQ(d.txbYear.text, "");
  });
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(dialog.intReturnValue, 0);
}

TEST_F(DateInputDialogTest, RefusedInputKeepsTheDialogOpen) {
  struct Case {
    int month, day;
    const char* year;
    const char* message;
    platform::Icon icon;
  };
  const Case cases[] = {{1, 5, "1979", "Year too early", platform::Icon::None},
                        {1, 5, "3000", "Year too late", platform::Icon::None},
                        {1, 5, "123456789012345", "Year too late", platform::Icon::None},
                        {2, 31, "2012", "Date is invalid", platform::Icon::Information},
                        {0, 5, "2012", "Date is invalid", platform::Icon::Information},
                        {3, 0, "2012", "Date is invalid", platform::Icon::Information}};
  for (const auto& c : cases) {
    ui.Answer(platform::Answer::Ok);
    Show([&c](DateInputDialog& d) {
      Enter(d, c.month, c.day, c.year);
      EXPECT_TRUE(d.IsVisible());
    });
    EXPECT_EQ(ui.LastMessage().text, c.message) << c.year;
    EXPECT_EQ(ui.LastMessage().title, "Only files before ...");
    EXPECT_EQ(ui.LastMessage().icon, c.icon);
    EXPECT_EQ(dialog.intReturnValue, 0);
  }
}

TEST_F(DateInputDialogTest, ClearCancelAndClose) {
  dialog.lngJDN = kJan5th2012;
  Show([](DateInputDialog& d) { d.cmdClear(); });
  EXPECT_EQ(dialog.intReturnValue, 2);
  Show([](DateInputDialog& d) { d.cmdCancel(); });
  EXPECT_EQ(dialog.intReturnValue, 0);
  Show([](DateInputDialog& d) {
    d.cmdClear();
    EXPECT_FALSE(d.IsVisible());
  });
  Show([](DateInputDialog& d) { d.CloseRequested(); });
  EXPECT_EQ(dialog.intReturnValue, 0);
}

TEST_F(DateInputDialogTest, FocusGoesToAcceptOnceTheDateIsComplete) {
  Show([](DateInputDialog& d) {
    d.SetYearText("2012");
    d.SelectMonth(3);
    EXPECT_EQ(d.focus, DateInputDialog::Focus::Cancel);
    d.SelectDay(7);
    EXPECT_EQ(d.focus, DateInputDialog::Focus::Accept);
    d.SelectDay(0);
    EXPECT_EQ(d.focus, DateInputDialog::Focus::Cancel);
  });
}

}  // namespace
}  // namespace nulvane::dialogs
