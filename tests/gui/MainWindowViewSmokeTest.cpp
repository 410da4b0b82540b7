#include <QPushButton>
#include <gtest/gtest.h>

#include "gui/GuiTestSupport.h"
#include "gui/MainWindowView.h"

namespace {

TEST(MainWindowViewSmoke, OpensWithCaptionAndQuitClosesIt) {
  nulvane::testing::Application();
  nulvane::gui::MainWindowView window;
  window.show();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Nulvane"));
  EXPECT_TRUE(window.isVisible());
  window.quitButton()->click();
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
