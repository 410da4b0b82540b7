#include "dialogs/TypeOfPurgeDialog.h"

#include <utility>

namespace nulvane::dialogs {

namespace {

constexpr std::array<const char*, TypeOfPurgeDialog::kNumTypes> kOptionCaptions = {
    "1. Random bytes plus zeros", "2. Alternate bit patterns plus zeros",
    "3. Alternate bit patterns plus random bytes twice"};

constexpr std::array<const char*, TypeOfPurgeDialog::kNumTypes> kDescriptions = {
    "Overwrite the data once with random bytes then with bit pattern 00000000.",
    "Overwrite the data three times with bit patterns 10101010, 01010101 and 00000000.",
    "Overwrite the data twice with bit patterns 10101010 and 01010101, "
    "then with random bytes, then twice with bit patterns 00001010 and 11110101, "
    "then again with random bytes."};

constexpr std::array<const char*, TypeOfPurgeDialog::kNumTypes> kReportNames = {
    "random bytes plus zeros", "alternate bit patterns plus zeros",
    "alternate bit patterns plus random bytes twice"};

bool IsType(int type) {
  return type >= 0 && type < TypeOfPurgeDialog::kNumTypes;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

TypeOfPurgeDialog::TypeOfPurgeDialog(platform::Ui& ui, std::string confirmTitle)
    : platform::Dialog("frmTypeOfPurge"), ui_(ui), confirmTitle_(std::move(confirmTitle)) {
  caption = "What type of purge should be used?";
  for (int type = 0; type < kNumTypes; ++type) optPurgeType[type].caption = kOptionCaptions[type];
  lblNumberOfTimes.caption = "Number of times ('passes'):";
  cmdAcceptButton.caption = "Accept";
  cmdCancelButton.caption = "Cancel";
}

void TypeOfPurgeDialog::Initialization() {
  for (int type = 0; type < kNumTypes; ++type) {
    auto& list = cboNumberOfPasses[type];
    list.items.clear();
    for (int passes = intMinNumPasses; passes <= intMaxNumPasses[type]; ++passes) {
      list.items.push_back(std::to_string(passes));
    }
    list.selected = kDefaultPasses[type] - intMinNumPasses;
    lblPurgeType[type].caption = kDescriptions[type];
  }
  lblDOD.caption =
      "Both the type 2 purge (if done 6 times) and the type 3 purge "
      "(if done 3 times) meet the U.S. DoD 5220.22-M standard for disk sanitization.";
  SelectType(0);
}

int TypeOfPurgeDialog::GetPurgeType() const {
  if (optPurgeType[0].selected) return 0;
  if (optPurgeType[1].selected) return 1;
  return 2;
}

int TypeOfPurgeDialog::GetNumberOfPasses() const {
  const int selected = cboNumberOfPasses[GetPurgeType()].selected;
  return selected < 0 ? 0 : selected + intMinNumPasses;
}

int TypeOfPurgeDialog::GetNumOverwritesPerPass() const {
  return kOverwritesPerPass[GetPurgeType()];
}

int TypeOfPurgeDialog::GetNumOverwrites() const {
  return GetNumberOfPasses() * GetNumOverwritesPerPass();
}

std::string TypeOfPurgeDialog::TypeOfPurgeCaption() const {
  const int passes = GetNumberOfPasses();
  const int overwrites = GetNumOverwrites();
  std::string text = Trimmed(optPurgeType[GetPurgeType()].caption.substr(3)) + ", ";
  if (passes == 1) {
    text += "once";
  } else if (passes == 2) {
    text += "twice";
  } else {
    text += std::to_string(passes) + " times";
  }
  text += " (= " + std::to_string(overwrites) + " overwrite" + (overwrites > 1 ? "s" : "") + ")";
  return text;
}

bool TypeOfPurgeDialog::SelectType(int type) {
  if (!IsType(type)) return false;
  for (int other = 0; other < kNumTypes; ++other) optPurgeType[other].selected = other == type;
  ShowOnlyPassList(type);
  NotifyChanged();
  return true;
}

bool TypeOfPurgeDialog::SelectPasses(int type, int passes) {
  if (!IsType(type)) return false;
  auto& list = cboNumberOfPasses[type];
  const int index = passes - intMinNumPasses;
  if (index < 0 || index >= static_cast<int>(list.items.size())) return false;
  list.selected = index;
  NotifyChanged();
  return true;
}

void TypeOfPurgeDialog::ShowOnlyPassList(int type) {
  for (int other = 0; other < kNumTypes; ++other) cboNumberOfPasses[other].visible = other == type;
}

void TypeOfPurgeDialog::Activate() {
  accepted = false;
  typeWhenShown_ = GetPurgeType();
  ShowOnlyPassList(typeWhenShown_);
  focus = Focus::Accept;
}

void TypeOfPurgeDialog::ClickOption(int type) {
  if (!SelectType(type)) return;
  focus = Focus::Accept;
  NotifyChanged();
}

void TypeOfPurgeDialog::ChoosePasses(int type, int index) {
  if (!SelectPasses(type, index + intMinNumPasses)) return;
  focus = Focus::Accept;
  NotifyChanged();
}

void TypeOfPurgeDialog::cmdAccept() {
  const int overwrites = GetNumOverwrites();
  std::string question = "In the type of purge specified each file will be overwritten ";
  question += overwrites == 2 ? "twice." : std::to_string(overwrites) + " times.";
  question += "\r\nIs this OK?";
  if (ui_.Message(confirmTitle_, question, platform::Buttons::YesNo, platform::Icon::None) !=
      platform::Answer::Yes) {
    return;
  }
  accepted = true;
  Hide();
}

void TypeOfPurgeDialog::cmdCancel() {
  SelectType(typeWhenShown_);
  Hide();
}

std::string PurgeTypeNumPasses(int type, int passes) {
  std::string text = IsType(type) ? kReportNames[type] : "";
  if (passes == 1) return text + " once";
  if (passes == 2) return text + " twice";
  return text + " " + std::to_string(passes) + " times";
}

}  // namespace nulvane::dialogs
