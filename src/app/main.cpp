#include <QApplication>

#include "gui/MainWindowView.h"
#include "gui/QtUi.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  nulvane::gui::QtUi ui;
  nulvane::gui::MainWindowView window;
  ui.SetParentWindow(&window);
  window.show();
  return application.exec();
}
