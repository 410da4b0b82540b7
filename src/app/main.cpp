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
  // --help and --version need no display, so they are answered before the toolkit starts.
  const nulvane::gui::WindowArguments early = nulvane::gui::ParseWindowArguments(argc, argv);
  if (early.help) {
    std::fputs(nulvane::gui::WindowUsage().c_str(), stdout);
    return 0;
  }
  if (early.version) {
    std::printf("nulvane %s\n", NULVANE_VERSION);
    return 0;
  }
  QApplication application(argc, argv);
  // The toolkit has taken its own options out of argv; the rest are ours, the file names byte for byte.
  const nulvane::gui::WindowArguments arguments = nulvane::gui::ParseWindowArguments(argc, argv);
  if (!arguments.error.empty()) {
    std::fprintf(stderr, "nulvane: %s\n%s", arguments.error.c_str(), nulvane::gui::WindowUsage().c_str());
    return 2;
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
