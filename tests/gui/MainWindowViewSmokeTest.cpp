#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <cstdlib>

#include "gui/GuiTestSupport.h"
#include "gui/MainWindowView.h"
#include "gui/Program.h"
#include "gui/QtUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/NoSettings.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

TEST(MainWindowViewSmoke, OpensWithCaptionLabelsAndQuitClosesIt) {
  Application();
  TempDir temp;
  FaultyFileSystem fileSystem;
  const char* data = std::getenv("NULVANE_TEST_DATA");
  fileSystem.OverrideProgramFolder(std::string(data != nullptr ? data : "data") + "/");
  temp.MakeFolder("userdata");
  fileSystem.OverrideUserDataFolder(temp / "userdata");
  gui::QtUi ui;
  gui::Program program(fileSystem, ui, ui);
  NoSettings settings;
  ASSERT_TRUE(program.Start(&settings));
  gui::MainWindowView& window = program.mainView();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Nulvane"));
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.Label("lblDirectory")->text(), QStringLiteral("Not specified"));
  EXPECT_EQ(window.Label("lblTypeOfPurge")->text(),
            QStringLiteral("Random bytes plus zeros, 6 times (= 12 overwrites)"));
  EXPECT_FALSE(window.Button("cmdClear")->isVisible());
  EXPECT_EQ(window.Button("cmdProcessFiles(1)")->text(), QStringLiteral("Purge files"));
  window.quitButton()->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(program.mainWindow.quitRequested);
}

}  // namespace
}  // namespace nulvane::testing
