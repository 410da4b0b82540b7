#pragma once

#include <functional>

class QLabel;
class QWidget;

namespace nulvane::gui {

// Makes the program's controls speak to assistive tools as the program means them. Installed once, before
// the first window is built; calling it again does nothing.
//
// Drop-down lists: on this platform the toolkit gives a drop-down list its current entry as its name and
// leaves its label to a relation that not every tool reads, so a list showing an empty entry has no name at
// all. Here a list's name is its accessible name (or its label's text), and its entry stays its value.
//
// Buttons, check boxes and option buttons refuse an assistive tool's "Press" and "Toggle" while a modal
// window stands over them, as the toolkit refuses the mouse and the keyboard there. Plain frames that group
// controls are panels, not windows.
void InstallAccessibility();

// Makes `label` a link that runs `follow`: on a click (the mouse button pressed and released on it), on Enter
// or Space pressed and released while it has the keyboard (Tab reaches it), and on a screen reader's "Press"
// (refused, as a button's, while a modal window stands over it). A screen reader announces it as a link;
// plain labels offer it no action at all. A release alone does nothing: the Enter that answered a question,
// or the second click of a double click in a closing file dialog, ends on whatever lies beneath.
void MakeLink(QLabel* label, std::function<void()> follow);

// False while a modal window other than the widget's own (or one it opened) is open: the user cannot reach
// the widget then, and a change that still arrives (from an assistive tool) must not reach the logic.
bool TakesUserInput(const QWidget* widget);

}  // namespace nulvane::gui
