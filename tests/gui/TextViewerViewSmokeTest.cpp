#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "gui/GuiTestSupport.h"
#include "gui/MainWindowView.h"
#include "gui/Program.h"
#include "gui/QtUi.h"
#include "gui/TextViewerView.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/NoSettings.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

// The whole program on the shipped data files: "Help" opens the viewer on the shipped help file, and the
// setup panel's buttons reach the logic.
TEST(TextViewerViewSmoke, HelpShowsTheShippedHelpFileAndTheSetupPanelAnswers) {
  Application();
  TempDir temp;
  FaultyFileSystem fileSystem;
  const char* data = std::getenv("NULVANE_TEST_DATA");
  const std::string dataFolder = std::string(data != nullptr ? data : "data") + "/";
  fileSystem.OverrideProgramFolder(dataFolder);
  temp.MakeFolder("userdata");
  fileSystem.OverrideUserDataFolder(temp / "userdata");
  gui::QtUi ui;
  gui::Program program(fileSystem, ui, ui);
  NoSettings settings;
  ASSERT_TRUE(program.Start(&settings));
  gui::MainWindowView& window = program.mainView();
  program.mainWindow.Clock2Tick();

  window.Button("cmdHelp")->click();
  QApplication::processEvents();
  gui::TextViewerView& viewer = program.viewerView();
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Help for Nulvane"));
  const std::string help = ReadFile(dataFolder + "nv_help.txt");
  ASSERT_GT(help.size(), 1000u);
  EXPECT_EQ(viewer.textBox()->toPlainText(), gui::ToDisplayText(help));
  EXPECT_TRUE(viewer.textBox()->isReadOnly());
  EXPECT_EQ(viewer.textBox()->textCursor().position(), 0);
  EXPECT_FALSE(viewer.copyButton()->isVisible());
  EXPECT_EQ(viewer.closeButton()->text(), QStringLiteral("Close"));
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&viewer);
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::Window);
  EXPECT_FALSE(viewer.textBox()->accessibleName().isEmpty());

  // Smaller than the least size is not kept; the controls follow the size.
  viewer.resize(100, 40);
  QApplication::processEvents();
  EXPECT_GE(program.mainWindow.frmView.width, mainwindow::TextViewer::kMinWidth);
  EXPECT_GE(viewer.width() * 15, mainwindow::TextViewer::kMinWidth);
  EXPECT_GE(viewer.height() * 15, mainwindow::TextViewer::kMinHeight);
  EXPECT_EQ(viewer.closeButton()->geometry().right() + 1, viewer.textBox()->geometry().right() + 1);

  viewer.closeButton()->click();
  EXPECT_FALSE(viewer.isVisible());

  // Escape closes it too, and the keyboard goes back to the main window.
  window.Button("cmdHelp")->click();
  QApplication::processEvents();
  ASSERT_TRUE(viewer.isVisible());
  viewer.activateWindow();
  // The offscreen platform carries out an activation on the next turn of the event loop.
  QApplication::processEvents();
  ASSERT_TRUE(viewer.isActiveWindow());
  QTest::keyClick(viewer.windowHandle(), Qt::Key_Escape);
  EXPECT_FALSE(viewer.isVisible());
  QApplication::processEvents();
  EXPECT_TRUE(window.isActiveWindow());

  window.Button("cmdSetup")->click();
  EXPECT_TRUE(window.Button("cmdSaveSetup")->isVisible());
  EXPECT_FALSE(window.Button("cmdHelp")->isEnabled());
  window.Button("cmdKeepSetup")->click();
  EXPECT_FALSE(window.Button("cmdSaveSetup")->isVisible());
  EXPECT_TRUE(window.Button("cmdHelp")->isEnabled());

  program.mainWindow.CloseRequested();
}

}  // namespace
}  // namespace nulvane::testing
