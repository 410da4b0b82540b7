#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/Ui.h"

namespace nulvane::dialogs {

// The purge type and the pass counts of the program. The dialog is created once, initialised at start-up
// and only ever hidden, so its controls are where the current choice lives; every other part asks it.
class TypeOfPurgeDialog : public platform::Dialog {
 public:
  static constexpr int kNumTypes = 3;
  static constexpr int intMinNumPasses = 1;
  static constexpr std::array<int, kNumTypes> intMaxNumPasses = {9, 8, 4};
  static constexpr std::array<int, kNumTypes> kDefaultPasses = {6, 4, 2};
  static constexpr std::array<int, kNumTypes> kOverwritesPerPass = {2, 3, 6};

  enum class Focus { None, Accept, Cancel, Option, Passes };

  // `confirmTitle` titles the "Is this OK?" question (program text 23); it may also be set later.
  explicit TypeOfPurgeDialog(platform::Ui& ui, std::string confirmTitle = "");

  // Fills the pass lists, selects type 0 and each type's default passes, sets the descriptions.
  void Initialization();

  int GetPurgeType() const;
  int GetNumberOfPasses() const;
  int GetNumOverwritesPerPass() const;
  int GetNumOverwrites() const;

  // The main window's lblTypeOfPurge text, e.g. "Random bytes plus zeros, 6 times (= 12 overwrites)".
  std::string TypeOfPurgeCaption() const;

  void SetConfirmTitle(std::string title) { confirmTitle_ = std::move(title); }

  // Setup loading: select a type (0..2), and the pass entry of a type. False when out of range, leaving
  // the selection as it was.
  bool SelectType(int type);
  bool SelectPasses(int type, int passes);

  // User events.
  void ClickOption(int type);              // an option button
  void ChoosePasses(int type, int index);  // a pass list entry (list position)
  void cmdAccept();
  void cmdCancel();
  void CloseRequested() override { cmdCancel(); }

  // True after a showing that ended with Accept and Yes; the caller then clears lblEstimatedTime.
  bool accepted = false;

  std::array<platform::OptionButton, kNumTypes> optPurgeType;
  std::array<platform::Label, kNumTypes> lblPurgeType;
  std::array<platform::ListControl, kNumTypes> cboNumberOfPasses;
  platform::Label lblNumberOfTimes;
  platform::Label lblDOD;
  platform::Button cmdAcceptButton;
  platform::Button cmdCancelButton;
  Focus focus = Focus::None;
  // Background colour as 0x00BBGGRR (dark red); the date dialog borrows it.
  std::int32_t lngBackColor = 0x000080;

 protected:
  void Activate() override;

 private:
  void ShowOnlyPassList(int type);

  platform::Ui& ui_;
  std::string confirmTitle_;
  int typeWhenShown_ = 0;
};

// The description of a choice used in the report, e.g. "random bytes plus zeros 6 times".
std::string PurgeTypeNumPasses(int type, int passes);

}  // namespace nulvane::dialogs
