#pragma once

#include <QApplication>

namespace nulvane::testing {

// The one QApplication of the GUI test process (Qt allows a single one per process).
inline QApplication& Application() {
  static int argc = 1;
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

}  // namespace nulvane::testing
