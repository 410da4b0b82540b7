#include "dialogs/DateInputDialog.h"

#include "support/DateRestriction.h"

namespace nulvane::dialogs {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

DateInputDialog::DateInputDialog(platform::Ui& ui) : platform::Dialog("frmCEDateInput"), ui_(ui) {
  caption = "Date input";
  cmdAcceptButton.caption = "Accept";
  cmdClearButton.caption = "Clear";
  cmdCancelButton.caption = "Cancel";
  cboMonthNames.items.push_back("");
  for (const char* name : support::kMonthNames) cboMonthNames.items.push_back(name);
  cboDayNumbers.items.push_back("");
  for (int day = 1; day <= 31; ++day) cboDayNumbers.items.push_back(std::to_string(day));
  cboMonthNames.selected = 0;
  cboDayNumbers.selected = 0;
}

void DateInputDialog::Activate() {
  intReturnValue = 0;
  focus = Focus::Cancel;
  support::DateRecord record;
  record.jdn = lngJDN;
  record.calendar = support::kGregorianCalendar;
  support::jdn_to_euro_date(record);
  // -1 is the "no date" default, whatever the acceptable years are.
  if (lngJDN == -1 || record.valid == 0 || record.year < intEarliestAcceptableYear ||
      record.year > intLatestAcceptableYear) {
    cboMonthNames.selected = 0;
    cboDayNumbers.selected = 0;
    txbYear.text.clear();
    return;
  }
  cboMonthNames.selected = record.month;
  cboDayNumbers.selected = record.day;
  txbYear.text = std::to_string(record.year);
}

void DateInputDialog::SelectMonth(int index) {
  if (index < 0 || index >= static_cast<int>(cboMonthNames.items.size())) return;
  cboMonthNames.selected = index;
  SelectionChanged();
  NotifyChanged();
}

void DateInputDialog::SelectDay(int index) {
  if (index < 0 || index >= static_cast<int>(cboDayNumbers.items.size())) return;
  cboDayNumbers.selected = index;
  SelectionChanged();
  NotifyChanged();
}

void DateInputDialog::SetYearText(std::string text) {
  txbYear.text = std::move(text);
}

void DateInputDialog::SelectionChanged() {
  txbYear.text = Trimmed(txbYear.text);
  const bool complete = !txbYear.text.empty() && cboMonthNames.selected > 0 && cboDayNumbers.selected > 0;
  focus = complete ? Focus::Accept : Focus::Cancel;
}

void DateInputDialog::cmdAccept() {
  SelectionChanged();
  std::string digits;
  for (const char c : txbYear.text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  txbYear.text = digits;
  NotifyChanged();
  if (digits.empty()) return;

  // Leading zeros carry no value; more digits than any year has is simply too late.
  const auto first = digits.find_first_not_of('0');
  const std::string significant = first == std::string::npos ? "0" : digits.substr(first);
  const std::int64_t year = significant.size() > 9 ? 999999999 : std::stoll(significant);
  if (year < intEarliestAcceptableYear) {
    ui_.Message(caption, "Year too early", platform::Buttons::Ok, platform::Icon::None);
    return;
  }
  if (year > intLatestAcceptableYear) {
    ui_.Message(caption, "Year too late", platform::Buttons::Ok, platform::Icon::None);
    return;
  }
  support::DateRecord record;
  record.year = static_cast<std::int32_t>(year);
  record.month = cboMonthNames.selected < 0 ? 0 : cboMonthNames.selected;
  record.day = cboDayNumbers.selected < 0 ? 0 : cboDayNumbers.selected;
  lngJDN = support::euro_date_to_jdn(record);
  if (record.valid == 0) {
    ui_.Message(caption, "Date is invalid", platform::Buttons::Ok, platform::Icon::Information);
    return;
  }
  intReturnValue = 1;
  Hide();
}

void DateInputDialog::cmdClear() {
  intReturnValue = 2;
  Hide();
}

void DateInputDialog::cmdCancel() {
  intReturnValue = 0;
  Hide();
}

}  // namespace nulvane::dialogs
