#include <QApplication>
#include <cstdio>

#include "gui/MainWindowView.h"
#include "gui/Program.h"
#include "gui/ProgramIcon.h"
#include "gui/QtUi.h"
#include "gui/WindowArguments.h"
#include "platform/PosixFileSystem.h"
#include "support/Locale.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // The toolkit has taken its own options out of argv; the rest are ours, the file names byte for byte.
  const nulvane::gui::WindowArguments arguments = nulvane::gui::ParseWindowArguments(argc, argv);
  if (!arguments.error.empty() || arguments.help) {
    const std::string usage = nulvane::gui::WindowUsage();
    if (!arguments.error.empty()) std::fprintf(stderr, "nulvane: %s\n", arguments.error.c_str());
    std::fputs(usage.c_str(), arguments.help && arguments.error.empty() ? stdout : stderr);
    return arguments.error.empty() ? 0 : 2;
  }
  if (arguments.version) {
    std::printf("nulvane %s\n", NULVANE_VERSION);
    return 0;
  }
  // The window class and the desktop's name tie the window to its desktop entry and icon in docks and task
  // bars; the class is the desktop entry's StartupWMClass.
  QApplication::setApplicationName(QStringLiteral("nulvane"));
  QApplication::setDesktopFileName(QString::fromLatin1(nulvane::gui::kDesktopId));
  // The program ends by "Quit" or the main window's close box only, not when a report window closes while
  // the main window stands aside.
  QApplication::setQuitOnLastWindowClosed(false);
  // Numbers and dates as the user has them set, read once the toolkit has set up the process.
  nulvane::support::SetLocale(nulvane::support::SystemLocale());
  nulvane::platform::PosixFileSystem fileSystem;
  QApplication::setWindowIcon(nulvane::gui::ProgramIcon(fileSystem));
  nulvane::gui::QtUi ui;
  nulvane::gui::Program program(fileSystem, ui, ui);
  program.UseWorkerThreads(nulvane::engine::kPurgeThreads);
  if (!program.Start()) return 1;
  // A file or folder from the command line (a file manager's "Purge with Nulvane") becomes the target;
  // the purge still waits for "Purge files" and its confirmation.
  if (!arguments.paths.empty()) program.mainView().TakeGivenPaths(arguments.paths);
  return application.exec();
}
