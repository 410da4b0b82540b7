#pragma once

namespace nulvane::gui {

// Makes the program's controls speak to assistive tools as the program means them. Installed once, before
// the first window is built; calling it again does nothing.
//
// Drop-down lists: on this platform the toolkit gives a drop-down list its current entry as its name and
// leaves its label to a relation that not every tool reads, so a list showing an empty entry has no name at
// all. Here a list's name is its accessible name (or its label's text), and its entry stays its value.
void InstallAccessibility();

}  // namespace nulvane::gui
