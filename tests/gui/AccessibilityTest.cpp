// The program as assistive tools meet it: every window of the program is a window with its title, every
// control a user can change or read from has a name, and the keyboard visits the controls in the order a
// sighted user meets them.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdlib>

#include "gui/Accessibility.h"
#include "gui/DateInputView.h"
#include "gui/GuiTestSupport.h"
#include "gui/MainWindowView.h"
#include "gui/Program.h"
#include "gui/QtUi.h"
#include "gui/ReportView.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/NoSettings.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

class AccessibilityTest : public ::testing::Test {
 protected:
  AccessibilityTest() {
    const char* data = std::getenv("NULVANE_TEST_DATA");
    fileSystem.OverrideProgramFolder(std::string(data != nullptr ? data : "data") + "/");
    temp.MakeFolder("userdata");
    fileSystem.OverrideUserDataFolder(temp / "userdata");
  }
  void SetUp() override { ASSERT_TRUE(program.Start(&settings)); }

  // The main window, the report window and every dialog the program has built.
  std::vector<QWidget*> Windows() {
    std::vector<QWidget*> windows = {&program.mainView(), &program.reportView()};
    for (QWidget* owner :
         {static_cast<QWidget*>(&program.mainView()), static_cast<QWidget*>(&program.reportView())}) {
      for (QDialog* dialog : owner->findChildren<QDialog*>()) windows.push_back(dialog);
    }
    return windows;
  }

  QApplication& application = Application();
  TempDir temp;
  FaultyFileSystem fileSystem;
  gui::QtUi ui;
  gui::Program program{fileSystem, ui, ui};
  NoSettings settings;
};

TEST_F(AccessibilityTest, EveryWindowHasAWindowRoleAndItsTitle) {
  const std::vector<QWidget*> windows = Windows();
  ASSERT_EQ(windows.size(), 9u);  // main, report, six dialogs of the main window, the per-file question
  for (QWidget* window : windows) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(window);
    ASSERT_NE(accessible, nullptr);
    const std::string what = window->metaObject()->className();
    EXPECT_TRUE(accessible->role() == QAccessible::Window || accessible->role() == QAccessible::Dialog)
        << what << " has role " << accessible->role();
    EXPECT_FALSE(window->windowTitle().isEmpty()) << what;
    EXPECT_EQ(accessible->text(QAccessible::Name), window->windowTitle()) << what;
  }
  QAccessibleInterface* main = QAccessible::queryAccessibleInterface(&program.mainView());
  EXPECT_EQ(main->role(), QAccessible::Window);
  EXPECT_EQ(main->text(QAccessible::Name), QStringLiteral("Nulvane"));
}

TEST_F(AccessibilityTest, EveryEditableControlAndListHasAName) {
  // The file specification dialog takes its captions, and so its names, from the operation when shown.
  program.specifyFiles.strOperation = "purge";
  program.specifyFiles.SetFolder(temp.path());
  program.specifyFiles.BeginShow();
  int controls = 0;
  for (QWidget* window : Windows()) {
    for (QWidget* control : window->findChildren<QWidget*>()) {
      if (control->window() != window) continue;
      const bool editable = qobject_cast<QLineEdit*>(control) != nullptr ||
                            qobject_cast<QComboBox*>(control) != nullptr ||
                            qobject_cast<QPlainTextEdit*>(control) != nullptr ||
                            qobject_cast<QAbstractItemView*>(control) != nullptr;
      // The entries of a drop-down list belong to the list, which has the name; so do a list's own parts.
      if (!editable || qobject_cast<QComboBox*>(control->parentWidget()) != nullptr ||
          control->inherits("QComboBoxPrivateContainer") ||
          control->parentWidget()->inherits("QComboBoxPrivateContainer"))
        continue;
      ++controls;
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
      ASSERT_NE(accessible, nullptr);
      EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
          << control->metaObject()->className() << " in " << window->windowTitle().toStdString();
    }
  }
  // Pass lists (3), cluster size, file list, extension, pattern, month, day, year, drive, report text.
  EXPECT_EQ(controls, 12);
}

TEST_F(AccessibilityTest, ListsAreNamedByTheirLabelsAndKeepTheirEntryAsValue) {
  for (QComboBox* list : program.mainView().findChildren<QComboBox*>()) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
    EXPECT_EQ(accessible->role(), QAccessible::ComboBox);
    EXPECT_EQ(accessible->text(QAccessible::Name), list->accessibleName());
    EXPECT_EQ(accessible->text(QAccessible::Value), list->currentText());
  }
  program.typeOfPurge.SelectPasses(0, 4);
  QComboBox* passes = program.mainView().findChildren<QComboBox*>().front();
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(passes);
  EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Number of times ('passes')"));
  EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("4"));
  EXPECT_EQ(accessible->childCount(), 1);
  // Over the bus a value text does not travel; the entry is the list's text, and its selected entry.
  ASSERT_NE(accessible->textInterface(), nullptr);
  EXPECT_EQ(accessible->textInterface()->text(0, accessible->textInterface()->characterCount()),
            QStringLiteral("4"));
  EXPECT_EQ(passes->view()->selectionModel()->selectedRows(), QModelIndexList{passes->model()->index(3, 0)});
}

// A drop-down list says that it opens and whether it is open; its entries are a list below it, which a
// screen reader walks while it is open.
TEST_F(AccessibilityTest, DropDownListsSayThatTheyOpenAndWhetherTheyAre) {
  program.dateInput.BeginShow();
  gui::DateInputView* dialog = nullptr;
  for (QDialog* view : program.mainView().findChildren<QDialog*>()) {
    if (dialog == nullptr) dialog = dynamic_cast<gui::DateInputView*>(view);
  }
  ASSERT_NE(dialog, nullptr);
  dialog->show();
  QComboBox* month = dialog->monthList();
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(month);
  EXPECT_TRUE(accessible->state().expandable);
  EXPECT_FALSE(accessible->state().expanded);

  accessible->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
  EXPECT_TRUE(month->view()->isVisible());
  EXPECT_TRUE(accessible->state().expanded);
  QAccessibleInterface* entries = accessible->child(0);
  ASSERT_NE(entries, nullptr);
  EXPECT_EQ(entries->role(), QAccessible::List);
  EXPECT_EQ(entries->childCount(), month->count());
  EXPECT_EQ(entries->child(1)->text(QAccessible::Name), QStringLiteral("January"));
  EXPECT_FALSE(entries->state().invisible);

  accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_FALSE(month->view()->isVisible());
  EXPECT_FALSE(accessible->state().expanded);
  program.dateInput.cmdCancel();
}

// A value is said once, with its caption: the caption labels it ("Folder:" is the label of the folder's
// value), and the value's own name is the value alone.
TEST_F(AccessibilityTest, EachValueIsNamedByItsCaptionAndSaysItOnce) {
  gui::MainWindowView& window = program.mainView();
  const std::vector<std::pair<std::string, QString>> captioned = {
      {"lblDirectory", QStringLiteral("Folder:")},
      {"lblFiles", QStringLiteral("Files:")},
      {"lblDateRestriction", QStringLiteral("Date:")},
      {"lblTypeOfPurge", QStringLiteral("Type of purge:")}};
  for (const auto& [name, caption] : captioned) {
    QLabel* value = window.Label(name);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(value);
    EXPECT_EQ(accessible->text(QAccessible::Name), value->text()) << name;
    const auto labels = accessible->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1) << name << " has no caption as its label";
    EXPECT_EQ(labels.front().first->text(QAccessible::Name), caption) << name;
    const auto labelled = labels.front().first->relations(QAccessible::Labelled);
    ASSERT_EQ(labelled.size(), 1) << caption.toStdString();
    EXPECT_EQ(labelled.front().first->object(), value) << caption.toStdString();
  }
  // Read in order, no caption comes twice.
  QStringList read;
  for (QLabel* label : window.findChildren<QLabel*>()) {
    if (label->isVisibleTo(&window))
      read << QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
  }
  // Subfolders has no value until a folder is chosen: its caption stands alone then.
  QStringList captions = {QStringLiteral("Subfolders:")};
  for (const auto& entry : captioned) captions << entry.second;
  for (const QString& caption : captions) {
    qsizetype saying = 0;
    for (const QString& text : read) saying += text.contains(caption) ? 1 : 0;
    EXPECT_EQ(saying, 1) << caption.toStdString() << " in " << read.join(QStringLiteral(" | ")).toStdString();
  }
}

TEST_F(AccessibilityTest, TheKeyboardGoesDownTheCommandsThenToTheTarget) {
  gui::MainWindowView& window = program.mainView();
  const std::vector<std::string> order = {"cmdSpecifyDirectory(0)",
                                          "cmdSpecifyFiles",
                                          "cmdSingleFile",
                                          "cmdSubdirectories",
                                          "cmdOnlyBefore",
                                          "cmdTypeOfPurge",
                                          "cmdProcessFiles(2)",
                                          "cmdProcessFiles(1)",
                                          "cmdSpecifyDirectory(1)",
                                          "cmdTestPurgeSpeed",
                                          "cmdPurgeFreeSpace",
                                          "cmdReportScreen",
                                          "cmdSetup",
                                          "cmdHelp",
                                          "cmdQuit",
                                          "cmdClear"};
  QWidget* at = window.Button(order.front());
  for (std::size_t i = 1; i < order.size(); ++i) {
    do {
      at = at->nextInFocusChain();
    } while (qobject_cast<QPushButton*>(at) == nullptr);
    EXPECT_EQ(at, window.Button(order[i])) << "after " << order[i - 1];
  }
}

TEST_F(AccessibilityTest, TheManualIsALinkAScreenReaderCanFollow) {
  QLabel* manual = program.mainView().Label("lblOnlineDocumentation");
  ASSERT_NE(manual, nullptr);
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(manual);
  EXPECT_EQ(accessible->role(), QAccessible::Link);
  EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Online user manual"));
  ASSERT_NE(accessible->actionInterface(), nullptr);
  EXPECT_TRUE(
      accessible->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
}

TEST(AccessibleLink, FollowsOnPressButNotUnderAModalWindow) {
  Application();
  gui::InstallAccessibility();
  QWidget window;
  auto* label = new QLabel(QStringLiteral("Somewhere"), &window);
  int followed = 0;
  gui::MakeLink(label, [&followed] { ++followed; });
  window.show();
  QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(label)->actionInterface();
  ASSERT_NE(actions, nullptr);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(label)->role(), QAccessible::Link);
  EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

  actions->doAction(QAccessibleActionInterface::pressAction());
  QApplication::processEvents();
  EXPECT_EQ(followed, 1);

  QDialog question(&window);
  question.setModal(true);
  question.show();
  actions->doAction(QAccessibleActionInterface::pressAction());
  QApplication::processEvents();
  EXPECT_EQ(followed, 1);
}

}  // namespace
}  // namespace nulvane::testing
