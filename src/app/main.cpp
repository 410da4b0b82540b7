#include <QApplication>

#include "gui/MainWindowView.h"
#include "gui/Program.h"
#include "gui/QtUi.h"
#include "platform/PosixFileSystem.h"
#include "support/Locale.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // The program ends by "Quit" or the main window's close box only, not when a report window closes while
  // the main window stands aside.
  QApplication::setQuitOnLastWindowClosed(false);
  // Numbers and dates as the user has them set, read once the toolkit has set up the process.
  nulvane::support::SetLocale(nulvane::support::SystemLocale());
  nulvane::platform::PosixFileSystem fileSystem;
  nulvane::gui::QtUi ui;
  nulvane::gui::Program program(fileSystem, ui, ui);
  program.UseWorkerThreads(nulvane::engine::kPurgeThreads);
  if (!program.Start()) return 1;
  return application.exec();
}
