#pragma once

#include <string>

#include "gui/QtUi.h"
#include "testsupport/FakeUi.h"

namespace nulvane::testing {

// Scripted answers, as FakeUi gives them, with a purge's side questions answered as a careful user would:
// go on past what overwriting cannot reach on the test's disk, never fill the volume's free space, and OK to
// every notice. Questions whose text contains the text given to ShowForReal come up in a real message box,
// for a test to answer by keyboard.
class CarefulUi : public FakeUi {
 public:
  explicit CarefulUi(gui::QtUi& real) : real_(real) { AnswerOkByDefault(); }

  void ShowForReal(std::string text) { realText_ = std::move(text); }
  int realMessages() const { return realMessages_; }

  platform::Answer Message(const std::string& title, const std::string& text, platform::Buttons buttons,
                           platform::Icon icon, platform::Answer defaultButton) override {
    if (!realText_.empty() && text.find(realText_) != std::string::npos) {
      ++realMessages_;
      return real_.Message(title, text, buttons, icon, defaultButton);
    }
    if (title == "Purge free space") return platform::Answer::No;
    if (buttons == platform::Buttons::YesNo && icon == platform::Icon::Warning) return platform::Answer::Yes;
    return FakeUi::Message(title, text, buttons, icon, defaultButton);
  }

 private:
  gui::QtUi& real_;
  std::string realText_;
  int realMessages_ = 0;
};

}  // namespace nulvane::testing
