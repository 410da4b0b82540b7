#pragma once

#include <cstdint>
#include <string>

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/Ui.h"

namespace nulvane::dialogs {

// Asks for one day (month, day and year). The caller sets the acceptable years and lngJDN (the day shown
// on opening), shows it and reads intReturnValue: 1 accepted (lngJDN holds the day), 2 cleared,
// 0 cancelled.
class DateInputDialog : public platform::Dialog {
 public:
  enum class Focus { None, Accept, Clear, Cancel, Month, Day, Year };

  explicit DateInputDialog(platform::Ui& ui);

  // User events.
  void SelectMonth(int index);  // list position, 0 = the empty entry
  void SelectDay(int index);
  void SetYearText(std::string text);
  void YearEnterReleased() { cmdAccept(); }
  void cmdAccept();
  void cmdClear();
  void cmdCancel();
  void CloseRequested() override { cmdCancel(); }

  std::int16_t intEarliestAcceptableYear = -30000;
  std::int16_t intLatestAcceptableYear = 30000;
  std::int32_t lngJDN = -1;
  std::int16_t intReturnValue = 0;
  // Colours as 0x00BBGGRR.
  std::int32_t lngBackColor = 0x000080;
  std::int32_t lngForeColor = 0xFFFFFF;
  // Wanted width in twips; 0 leaves it to the view.
  int intWidthTwips = 0;

  platform::Label lblPrompt;
  platform::ListControl cboMonthNames;
  platform::ListControl cboDayNumbers;
  platform::TextField txbYear;
  platform::Button cmdAcceptButton;
  platform::Button cmdClearButton;
  platform::Button cmdCancelButton;
  Focus focus = Focus::None;

 protected:
  void Activate() override;

 private:
  // The reaction to a new selection in either list.
  void SelectionChanged();

  platform::Ui& ui_;
};

}  // namespace nulvane::dialogs
