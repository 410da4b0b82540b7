#pragma once

#include <QPointer>
#include <QWidget>

namespace nulvane::gui {

// A key's press and its release belong to one window. Installed once on the application (calling it again
// does nothing), this drops the release of a key, and its repeats, wherever the key was not pressed in the
// same window: an Enter that answered a question on its press must not, on its release, act in the window
// that gets the keyboard back (a link, a text box that acts on Enter).
void InstallKeyPressGuard();

// Gives the keyboard back, when a modal window closes, to the window that had it when the modal window
// opened. Desktops do this themselves; without a window manager (a virtual display, a kiosk) nothing would,
// and every key, a screen reader's included, would go nowhere until the user reached for the mouse.
// Made on the stack around the modal window's run.
class KeyboardReturn {
 public:
  // `fallback` takes the keyboard when no window of the program had it.
  explicit KeyboardReturn(QWidget* fallback);
  ~KeyboardReturn();
  KeyboardReturn(const KeyboardReturn&) = delete;
  KeyboardReturn& operator=(const KeyboardReturn&) = delete;

 private:
  QPointer<QWidget> window_;
};

}  // namespace nulvane::gui
