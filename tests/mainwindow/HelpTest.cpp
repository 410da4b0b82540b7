// Help: the text viewer with the help file, and opening the user manual.
#include <gtest/gtest.h>

#include <filesystem>

#include "mainwindow/MainWindowFixture.h"
#include "support/Match.h"

namespace nulvane::testing {
namespace {

using mainwindow::TextViewer;
using platform::Answer;
using platform::Icon;

constexpr const char* kHead =
    "NOTE: This file is too large to display entirely in this textbox.\r\n"
    "To view the entire contents of the file load it into NotePad,\r\n"
    "WordPad or some other text editor.\r\n\r\n";
constexpr const char* kTail = "\r\n\r\nNOTE: Entire contents of file have not been displayed.\r\n";

class HelpTest : public MainWindowTest {
 protected:
  std::string HelpFile() const { return programFolder + "nv_help.txt"; }
  TextViewer& viewer() { return window.frmView; }
};

TEST_F(HelpTest, AFileOfUpTo65529CharactersIsShownWholeALongerOneCutBetweenTwoNotes) {
  struct Case {
    std::string text;
    bool cut;
  };
  const std::string e = "\xC3\xA9";  // one character in two bytes
  std::string accents;
  for (int i = 0; i < 300; ++i) accents += e;
  const Case cases[] = {
      {std::string(65529, 'a'), false},
      {std::string(65530, 'a'), true},
      {std::string(65528, 'a') + e, false},
      {std::string(65300, 'a') + accents, true},  // cut between whole characters
      {std::string(1 << 20, 'b'), true},
  };
  for (const Case& c : cases) {
    temp.Write("program/nv_help.txt", c.text);
    viewer().blnFileDisplayed = false;
    window.ShowHelp();
    const std::string& shown = viewer().txbText1.text;
    if (!c.cut) {
      EXPECT_EQ(shown, c.text);
      continue;
    }
    EXPECT_EQ(support::CharacterCount(shown), TextViewer::kTextBoxCapacity) << c.text.size();
    ASSERT_EQ(shown.rfind(kHead, 0), 0u);
    EXPECT_EQ(shown.substr(shown.size() - std::string(kTail).size()), kTail);
    const std::string body = shown.substr(
        std::string(kHead).size(), shown.size() - std::string(kHead).size() - std::string(kTail).size());
    EXPECT_EQ(c.text.rfind(body, 0), 0u) << "the beginning of the file, cut on a character";
  }
  EXPECT_EQ(viewer().caretRequests(), 5);
}

TEST_F(HelpTest, HelpShowsTheHelpFileOnceInTheSameWindowBesideTheMainWindow) {
  temp.Write("program/nv_help.txt", "Help text\r\nsecond line\r\n");
  state.blnDialogJustClosed = true;  // Help does not wait for the click guard
  window.cmdHelp_Release();
  EXPECT_TRUE(viewer().IsVisible());
  EXPECT_EQ(viewer().caption, "Help for Nulvane");
  EXPECT_EQ(viewer().strFilename, HelpFile());
  EXPECT_EQ(viewer().txbText1.text, "Help text\r\nsecond line\r\n");
  EXPECT_FALSE(viewer().cmdCopyToClipboard.visible);
  EXPECT_EQ(viewer().placeRequests(), 1);

  const int reads = fileSystem.Calls("OpenForReading");
  temp.Write("program/nv_help.txt", "changed");
  window.cmdHelp_Release();
  EXPECT_EQ(fileSystem.Calls("OpenForReading"), reads);
  EXPECT_EQ(viewer().txbText1.text, "Help text\r\nsecond line\r\n");
  EXPECT_EQ(viewer().frontRequests(), 2);
  EXPECT_EQ(viewer().placeRequests(), 2);

  // Minimised, it comes back to its normal size and place; maximised, it stays so and in place.
  viewer().SetWindowState(TextViewer::WindowState::Minimized);
  window.cmdHelp_Release();
  EXPECT_EQ(viewer().windowState, TextViewer::WindowState::Normal);
  EXPECT_EQ(viewer().placeRequests(), 3);
  viewer().SetWindowState(TextViewer::WindowState::Maximized);
  window.cmdHelp_Release();
  EXPECT_EQ(viewer().placeRequests(), 3);

  viewer().cmdClose_Click();
  EXPECT_FALSE(viewer().IsVisible());
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(HelpTest, AMissingOrEmptyHelpFileIsSaidAndTheViewerHidden) {
  const std::string currentFolder = std::filesystem::current_path().string();
  ui.Answer(Answer::Ok);
  ui.Answer(Answer::Ok);
  window.cmdHelp_Release();
  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[0].title, "Nulvane");
  EXPECT_EQ(ui.messages()[0].text, currentFolder);
  EXPECT_EQ(ui.messages()[1].title, "Error reading file");
  EXPECT_EQ(ui.messages()[1].text, "Error 53.  No such file or directory");
  EXPECT_EQ(ui.messages()[1].icon, Icon::Warning);
  EXPECT_FALSE(viewer().IsVisible());
  EXPECT_TRUE(viewer().blnFileDisplayed);

  // Asked for again, the viewer tries once more rather than showing an empty window.
  temp.Write("program/nv_help.txt", "");
  ui.Answer(Answer::Ok);
  ui.Answer(Answer::Ok);
  window.cmdHelp_Release();
  ASSERT_EQ(ui.messages().size(), 4u);
  EXPECT_EQ(ui.messages()[2].text, currentFolder);
  EXPECT_EQ(ui.messages()[3].title, "Help");                    // program text 13
  EXPECT_EQ(ui.messages()[3].text, "The help file is empty.");  // program text 17
  EXPECT_EQ(ui.messages()[3].icon, Icon::Warning);
  EXPECT_FALSE(viewer().IsVisible());

  temp.Write("program/nv_help.txt", "Now there is help.");
  window.cmdHelp_Release();
  EXPECT_TRUE(viewer().IsVisible());
  EXPECT_EQ(viewer().txbText1.text, "Now there is help.");
  EXPECT_EQ(ui.messages().size(), 4u);
}

TEST_F(HelpTest, TheViewerSnapsBackToItsLeastSize) {
  TextViewer& v = viewer();
  v.Resize(3000, 500);
  EXPECT_EQ(v.width, 8000);
  EXPECT_EQ(v.height, 2000);
  EXPECT_EQ(v.txbText1Rect.width, 8000 - 450);
  EXPECT_EQ(v.txbText1Rect.height, 2000 - 1200);
  v.SetWindowState(TextViewer::WindowState::Minimized);
  v.Resize(12000, 9000);
  EXPECT_EQ(v.width, 8000);  // nothing happens while minimised
}

TEST_F(HelpTest, TheManualLinkOpensTheShippedManualOrSaysWhyNot) {
  // The manual named by program text 27 ships among the data files.
  const char* data = std::getenv("NULVANE_TEST_DATA");
  const std::string dataFolder = std::string(data != nullptr ? data : "data") + "/";
  ASSERT_EQ(window.strOnlineManualAddress, "nv_manual.html");
  const std::string manual = ReadFile(dataFolder + window.strOnlineManualAddress);
  EXPECT_NE(manual.find("<html lang=\"en\">"), std::string::npos);
  EXPECT_EQ(manual.find("<script"), std::string::npos);

  ui.Answer(Answer::Ok);
  window.lblOnlineDocumentation_Click();
  EXPECT_TRUE(ui.urlsOpened().empty());
  EXPECT_EQ(ui.LastMessage().title, "Cannot launch web browser");
  EXPECT_EQ(ui.LastMessage().text,
            "Error launching web browser, error code = 2.\r\n\r\nPlease try once more.");
  EXPECT_EQ(ui.LastMessage().icon, Icon::Warning);

  temp.Write("program/nv_manual.html", manual);
  window.lblOnlineDocumentation_Click();
  ASSERT_EQ(ui.urlsOpened().size(), 1u);
  EXPECT_EQ(ui.urlsOpened()[0], "file://" + programFolder + "nv_manual.html");
  EXPECT_EQ(ui.messages().size(), 1u);

  ui.SetOpenUrlResult(false);
  ui.Answer(Answer::Ok);
  window.OpenWebPage("https://example.org/docs/Manual.HTML");
  EXPECT_EQ(ui.LastMessage().text,
            "Error launching web browser, error code = 31.\r\n\r\n"
            "File extension 'html' is not associated with any application program.");
}

}  // namespace
}  // namespace nulvane::testing
