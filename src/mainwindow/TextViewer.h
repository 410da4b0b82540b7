#pragma once

#include <cstddef>
#include <string>

#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "platform/Observable.h"
#include "platform/Ui.h"

namespace nulvane::support {
class ProgramText;
}

namespace nulvane::mainwindow {

// frmView: a resizable window that shows a text file read-only, without blocking the main window (the
// help file). The caller sets strFilename and the other public fields, then calls Show(). Geometry is in
// twips; the view maps it to pixels.
class TextViewer : public platform::Observable {
 public:
  // The text box holds at most 65,534 characters; a longer file is shown cut, between two notes.
  static constexpr std::size_t kTextBoxCapacity = 65534;
  static constexpr std::size_t kLongestWholeFile = 65529;
  static constexpr int kMinWidth = 8000;
  static constexpr int kMinHeight = 2000;
  // Where ShowHelp puts the window: this far right of and below the main window's top left corner, with
  // the main window's size.
  static constexpr int kPlaceRight = 150;
  static constexpr int kPlaceBelow = 450;

  enum class WindowState { Normal, Minimized, Maximized };
  struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
  };

  TextViewer(platform::FileSystem& fileSystem, platform::Ui& ui, support::ProgramText& programText);

  // --- set by the caller before Show()
  std::string strFilename;
  bool blnCopyToClipboardInvisible = false;
  // The window takes the main window's icon.
  bool blnMainWindowIcon = false;

  // --- set once the file has been shown, so that later showings do not read it again
  bool blnFileDisplayed = false;

  std::string caption = "Viewing";
  platform::TextField txbText1;
  bool txbText1ReadOnly = true;
  platform::Button cmdClose{"Close"};
  platform::Button cmdCopyToClipboard{"Copy to clipboard"};

  // The window's size and the places of its controls, in twips.
  int width = 9600;
  int height = 7200;
  Rect txbText1Rect;
  Rect cmdCloseRect;
  Rect cmdCopyToClipboardRect;
  WindowState windowState = WindowState::Normal;

  // The view follows these counters: each change asks once for the window to be placed beside the main
  // window (kPlaceRight, kPlaceBelow, the main window's size), and for the caret to go to the start.
  int placeRequests() const { return placeRequests_; }
  int caretRequests() const { return caretRequests_; }

  bool IsVisible() const { return visible_; }
  // Shows the window without blocking, brings it to the front and activates it.
  void Show();
  void Hide();
  int frontRequests() const { return frontRequests_; }
  void PlaceBesideMainWindow();

  // The window became active: reads and shows the file unless it has been shown already.
  void Activate();
  // The window's size changed (also when it is shown); smaller than the minimum is raised to it.
  void Resize(int widthTwips, int heightTwips);
  void SetWindowState(WindowState state);

  void cmdClose_Click() { Hide(); }
  void cmdCopyToClipboard_Click();
  void CloseRequested() { cmdClose_Click(); }

  // The text box's content for a file's text: the text itself, or, when it is longer than
  // kLongestWholeFile characters, its beginning framed by the two notes. `cut` says that the text is
  // only the beginning of a longer file.
  static std::string DisplayText(const std::string& text, bool cut);

 private:
  void LayOut();
  // Reads the file's first characters; `cut` is set when more follows than was read.
  std::string ReadBeginning(bool& cut);
  void ShowReadError(int number, const std::string& description, bool empty);

  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
  support::ProgramText& programText_;
  bool visible_ = false;
  bool activating_ = false;
  bool readFailed_ = false;
  int frontRequests_ = 0;
  int placeRequests_ = 0;
  int caretRequests_ = 0;
};

}  // namespace nulvane::mainwindow
