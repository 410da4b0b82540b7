#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "gui/GuiTestSupport.h"
#include "gui/SpecifyFilesView.h"
#include "platform/PosixFileSystem.h"
#include "testsupport/FakeUi.h"
#include "testsupport/TempDir.h"

namespace {

using nulvane::dialogs::SpecifyFilesDialog;

void Type(QWidget* target, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &press);
  }
}

TEST(SpecifyFilesViewSmoke, ListsTheFilesAndEnterAcceptsTheExtension) {
  nulvane::testing::Application();
  nulvane::testing::TempDir folder;
  folder.Write("b.txt", "b");
  folder.Write("a.doc", "a");
  nulvane::platform::PosixFileSystem fileSystem;
  nulvane::testing::FakeUi ui;
  SpecifyFilesDialog dialog(fileSystem, ui);
  dialog.strOperation = "purge";
  dialog.intNumFiles = 2;
  dialog.SetFolder(folder.path());
  nulvane::gui::SpecifyFilesView view(dialog);
  dialog.BeginShow();
  view.show();
  EXPECT_EQ(view.windowTitle(), QStringLiteral("Specify files"));
  EXPECT_EQ(view.allFilesOption()->text(), QStringLiteral("Purge all files (*.*)"));
  ASSERT_EQ(view.fileList()->count(), 2);
  EXPECT_EQ(view.fileList()->item(0)->text(), QStringLiteral("a.doc"));
  EXPECT_TRUE(view.singleFileOption()->isChecked());

  // A choice clicked with the mouse takes the keyboard to the box that goes with it.
  QTest::mouseClick(view.extensionOption(), Qt::LeftButton);
  EXPECT_TRUE(view.extensionOption()->isChecked());
  EXPECT_EQ(view.focusWidget(), view.extensionBox());
  Type(view.extensionBox(), QStringLiteral("*.TXT"));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(view.extensionBox(), &enter);
  EXPECT_TRUE(dialog.blnAccept);
  EXPECT_EQ(dialog.ChosenFilespec(), "*.txt");
  EXPECT_FALSE(view.isVisible());
}

TEST(SpecifyFilesViewSmoke, PickingAFileSelectsTheSingleFileChoice) {
  nulvane::testing::Application();
  nulvane::testing::TempDir folder;
  folder.Write("Only.TXT", "x");
  nulvane::platform::PosixFileSystem fileSystem;
  nulvane::testing::FakeUi ui;
  SpecifyFilesDialog dialog(fileSystem, ui);
  dialog.strOperation = "purge";
  dialog.intNumFiles = 1;
  dialog.SetFolder(folder.path());
  nulvane::gui::SpecifyFilesView view(dialog);
  dialog.BeginShow();
  view.show();
  view.allFilesOption()->click();
  view.fileList()->setCurrentRow(0);
  EXPECT_TRUE(view.singleFileOption()->isChecked());
  view.acceptButton()->click();
  EXPECT_TRUE(dialog.blnAccept);
  EXPECT_EQ(dialog.ChosenFilespec(), "Only.TXT");
}

// Arrowing through the list with the keyboard keeps the focus in the list; a click on an entry moves it on
// to Accept, as the dialog always has.
TEST(SpecifyFilesViewSmoke, OnlyAClickMovesTheFocusOnFromTheList) {
  nulvane::testing::Application();
  nulvane::testing::TempDir folder;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) folder.Write(name, "x");
  nulvane::platform::PosixFileSystem fileSystem;
  nulvane::testing::FakeUi ui;
  SpecifyFilesDialog dialog(fileSystem, ui);
  dialog.strOperation = "purge";
  dialog.intNumFiles = 3;
  dialog.SetFolder(folder.path());
  nulvane::gui::SpecifyFilesView view(dialog);
  dialog.BeginShow();
  view.show();
  QApplication::processEvents();  // the list lays its entries out on the next turn of the event loop
  // Where the keyboard is in the dialog is the view's own decision, whether or not the window is active yet.
  QListWidget* list = view.fileList();
  list->setFocus();
  ASSERT_EQ(view.focusWidget(), list);

  QTest::keyClick(view.windowHandle(), Qt::Key_End);
  QTest::keyClick(view.windowHandle(), Qt::Key_Up);
  EXPECT_EQ(dialog.File.SelectedText(), "b.txt");
  EXPECT_EQ(view.focusWidget(), list);

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
  EXPECT_EQ(dialog.File.SelectedText(), "a.txt");
  EXPECT_EQ(view.focusWidget(), view.acceptButton());
}

}  // namespace
