#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "gui/GuiTestSupport.h"
#include "gui/MainWindowView.h"
#include "gui/Program.h"
#include "gui/QtUi.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/NoSettings.h"
#include "testsupport/TempDir.h"

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

// The whole program on the shipped data files, with a user folder of its own, its questions answered by a
// CarefulUi and its dialogs' views registered with the real Qt Ui; started, past the guard against clicks
// from a closing file dialog.
class WholeProgramTest : public ::testing::Test {
 protected:
  WholeProgramTest() {
    const char* data = std::getenv("NULVANE_TEST_DATA");
    fileSystem.OverrideProgramFolder(std::string(data != nullptr ? data : "data") + "/");
    temp.MakeFolder("userdata");
    fileSystem.OverrideUserDataFolder(temp / "userdata");
  }
  void SetUp() override {
    ASSERT_TRUE(program.Start(&settings));
    program.mainWindow.Clock2Tick();
  }
  void TearDown() override { program.mainWindow.CloseRequested(); }

  gui::MainWindowView& window() { return program.mainView(); }

  QApplication& application = Application();
  QObject timers;  // ends a test's timers with the test
  TempDir temp;
  FaultyFileSystem fileSystem;
  gui::QtUi qtUi;
  CarefulUi ui{qtUi};
  gui::Program program{fileSystem, ui, qtUi};
  NoSettings settings;
};

}  // namespace nulvane::testing
