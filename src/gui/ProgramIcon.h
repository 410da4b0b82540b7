#pragma once

#include <QIcon>

#include "platform/FileSystem.h"

namespace nulvane::gui {

// The desktop's name for the program: the desktop entry's file name without ".desktop", its icon's name
// and its AppStream id.
inline constexpr const char* kDesktopId = "org.nulvane.Nulvane";

// The program's icon: the SVG installed beside its data (share/icons/hicolor/scalable/apps beside
// share/nulvane), else the copy beside the executable in a build tree, else the icon theme's. Null when
// none can be read (the toolkit's SVG support missing, say).
QIcon ProgramIcon(platform::FileSystem& fileSystem);

}  // namespace nulvane::gui
