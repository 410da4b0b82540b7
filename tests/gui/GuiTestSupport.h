#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QWidget>

namespace nulvane::testing {

// The one QApplication of the GUI test process (Qt allows a single one per process).
inline QApplication& Application() {
  static int argc = 1;
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// What a screen reader's "Toggle" does to a check box or option button: the action of the control's
// accessible interface, which changes the state without any click.
inline void AccessibleToggle(QWidget* control) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
  ASSERT_NE(accessible, nullptr);
  ASSERT_NE(accessible->actionInterface(), nullptr);
  ASSERT_TRUE(
      accessible->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
  accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}

// What a screen reader's "set text" does to a text box: the value of its accessible interface.
inline void AccessibleSetText(QWidget* control, const QString& text) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
  ASSERT_NE(accessible, nullptr);
  accessible->setText(QAccessible::Value, text);
}

}  // namespace nulvane::testing
