#include "mainwindow/TextViewer.h"

#include <algorithm>
#include <vector>

#include "platform/Environment.h"
#include "platform/PlatformError.h"
#include "support/Match.h"
#include "support/ProgramText.h"

namespace nulvane::mainwindow {

using platform::Buttons;
using platform::Icon;

namespace {

constexpr const char* kHeadNote =
    "NOTE: This file is too large to display entirely in this textbox.\r\n"
    "To view the entire contents of the file load it into NotePad,\r\n"
    "WordPad or some other text editor.\r\n\r\n";
constexpr const char* kTailNote = "NOTE: Entire contents of file have not been displayed.\r\n";
// A character takes at most four bytes, so this much holds every character the text box can show.
constexpr std::size_t kReadLimit = 4 * (TextViewer::kLongestWholeFile + 1);

constexpr int kButtonWidth = 1800;
constexpr int kButtonHeight = 375;

}  // namespace

TextViewer::TextViewer(platform::FileSystem& fileSystem, platform::Ui& ui, support::ProgramText& programText)
    : fileSystem_(fileSystem), ui_(ui), programText_(programText) {
  LayOut();
}

void TextViewer::Show() {
  // A file that could not be read is tried again when the window is asked for again, instead of showing
  // an empty window.
  if (readFailed_ && !visible_) {
    readFailed_ = false;
    blnFileDisplayed = false;
  }
  visible_ = true;
  ++frontRequests_;
  NotifyChanged();
  Activate();
}

void TextViewer::Hide() {
  visible_ = false;
  NotifyChanged();
}

void TextViewer::PlaceBesideMainWindow() {
  ++placeRequests_;
  NotifyChanged();
}

void TextViewer::Activate() {
  // Message boxes shown below may hand the activation back to this window while it is still being filled.
  if (blnFileDisplayed || activating_) return;
  activating_ = true;
  cmdClose.caption = "Close";
  txbText1.text.clear();
  cmdCopyToClipboard.visible = !blnCopyToClipboardInvisible;
  txbText1ReadOnly = true;
  LayOut();
  NotifyChanged();
  try {
    bool cut = false;
    const std::string text = ReadBeginning(cut);
    if (text.empty()) {
      ShowReadError(0, "", true);
    } else {
      txbText1.text = DisplayText(text, cut);
      ++caretRequests_;
      blnFileDisplayed = true;
    }
  } catch (const platform::PlatformError& error) {
    ShowReadError(error.number, error.description, false);
  }
  activating_ = false;
  NotifyChanged();
}

std::string TextViewer::ReadBeginning(bool& cut) {
  const platform::File file = fileSystem_.OpenForReading(strFilename);
  std::string text;
  std::vector<char> buffer(64 * 1024);
  while (text.size() < kReadLimit) {
    const std::size_t wanted = std::min(buffer.size(), kReadLimit - text.size());
    const std::size_t got =
        fileSystem_.ReadAt(file, buffer.data(), wanted, static_cast<std::int64_t>(text.size()));
    if (got == 0) break;
    text.append(buffer.data(), got);
  }
  char more = 0;
  cut = text.size() >= kReadLimit &&
        fileSystem_.ReadAt(file, &more, 1, static_cast<std::int64_t>(text.size())) > 0;
  return text;
}

std::string TextViewer::DisplayText(const std::string& text, bool cut) {
  if (!cut && support::CharacterCount(text) <= kLongestWholeFile) return text;
  const std::string head = kHeadNote;
  const std::string tail = kTailNote;
  // The notes and the separating line break fill the text box to its last character.
  const std::size_t kept = kLongestWholeFile + 1 - head.size() - tail.size();
  return head + support::FirstCharacters(text, kept) + "\r\n\r\n" + tail;
}

void TextViewer::ShowReadError(int number, const std::string& description, bool empty) {
  const std::string currentFolder = platform::CurrentFolder();
  ui_.Message(programText_.GetProgramText(2), currentFolder, Buttons::Ok, Icon::None);
  if (empty) {
    ui_.Message(programText_.GetProgramText(13), programText_.GetProgramText(17), Buttons::Ok, Icon::Warning);
  } else {
    ui_.Message("Error reading file", "Error " + std::to_string(number) + ".  " + description, Buttons::Ok,
                Icon::Warning);
  }
  Hide();
  blnFileDisplayed = true;
  readFailed_ = true;
}

void TextViewer::Resize(int widthTwips, int heightTwips) {
  if (windowState == WindowState::Minimized) return;
  width = std::max(widthTwips, kMinWidth);
  height = std::max(heightTwips, kMinHeight);
  LayOut();
  NotifyChanged();
}

void TextViewer::LayOut() {
  txbText1Rect = {225, 150, width - 450, height - 1200};
  const int buttonsTop = txbText1Rect.top + txbText1Rect.height + 100;
  cmdCopyToClipboardRect = {txbText1Rect.left, buttonsTop, kButtonWidth, kButtonHeight};
  cmdCloseRect = {txbText1Rect.left + txbText1Rect.width - kButtonWidth, buttonsTop, kButtonWidth,
                  kButtonHeight};
}

void TextViewer::SetWindowState(WindowState state) {
  if (windowState == state) return;
  windowState = state;
  NotifyChanged();
}

void TextViewer::cmdCopyToClipboard_Click() {
  ui_.SetClipboardText(txbText1.text);
}

}  // namespace nulvane::mainwindow
