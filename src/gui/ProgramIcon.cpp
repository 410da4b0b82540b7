#include "gui/ProgramIcon.h"

#include <QFile>
#include <string>

#include "support/DataFolder.h"

namespace nulvane::gui {

QIcon ProgramIcon(platform::FileSystem& fileSystem) {
  const std::string file = std::string(kDesktopId) + ".svg";
  const std::string data = support::DataFolder(fileSystem);
  for (const std::string& candidate :
       {data + "../icons/hicolor/scalable/apps/" + file, fileSystem.ProgramFolder() + file}) {
    const QString path = QFile::decodeName(candidate.c_str());
    if (candidate.front() != '/' || !QFile::exists(path)) continue;
    QIcon icon(path);
    // An SVG needs the toolkit's SVG icon engine; without it the icon has no picture to offer.
    if (!icon.pixmap(32, 32).isNull()) return icon;
  }
  return QIcon::fromTheme(QString::fromLatin1(kDesktopId));
}

}  // namespace nulvane::gui
