// Every check box, option, list and text box of the dialogs, driven the way a screen reader or code drives
// it (Toggle, setChecked, setCurrentIndex, set text; never a click), reaches the logic; and every change of
// the logic shows on the widget. What a window shows is what Accept uses.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "engine/ClusterSizeTable.h"
#include "gui/DateInputView.h"
#include "gui/GuiTestSupport.h"
#include "gui/PurgeConfirmationView.h"
#include "gui/SpecifyFilesView.h"
#include "gui/TypeOfPurgeView.h"
#include "platform/PosixFileSystem.h"
#include "support/OperationState.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using dialogs::SpecifyFilesDialog;
using Choice = SpecifyFilesDialog::Choice;

// What a screen reader does to choose an entry of a list: "Toggle" on the entry, which selects it in the
// list without making it the list's current entry (and, in a drop-down list, without opening it).
void AccessibleToggleEntry(QAbstractItemView* list, const QString& entry) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
  ASSERT_NE(accessible, nullptr);
  for (int i = 0; i < accessible->childCount(); ++i) {
    QAccessibleInterface* child = accessible->child(i);
    if (child != nullptr && child->text(QAccessible::Name) == entry && child->actionInterface() != nullptr) {
      child->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
      return;
    }
  }
  FAIL() << "no entry " << entry.toStdString();
}

TEST(ControlBinding, TypeOfPurgeFollowsItsOptionsAndPassListsBothWays) {
  Application();
  FakeUi ui;
  dialogs::TypeOfPurgeDialog dialog(ui, "Type of purge");
  dialog.Initialization();
  gui::TypeOfPurgeView view(dialog);
  dialog.BeginShow();
  view.show();

  AccessibleToggle(view.optionButton(1));
  EXPECT_EQ(dialog.GetPurgeType(), 1);
  EXPECT_FALSE(view.optionButton(0)->isChecked());
  EXPECT_FALSE(view.passList(1)->isHidden());
  EXPECT_TRUE(view.passList(0)->isHidden());
  view.optionButton(2)->setChecked(true);
  EXPECT_EQ(dialog.GetPurgeType(), 2);
  view.passList(2)->setCurrentIndex(3);
  EXPECT_EQ(dialog.GetNumberOfPasses(), 4);

  dialog.SelectType(0);
  dialog.SelectPasses(0, 2);
  EXPECT_TRUE(view.optionButton(0)->isChecked());
  EXPECT_FALSE(view.optionButton(2)->isChecked());
  EXPECT_EQ(view.passList(0)->currentText(), QStringLiteral("2"));
  EXPECT_EQ(view.passList(2)->currentText(), QStringLiteral("4"));

  // What the window shows is what Accept takes: type 2 with 8 passes (24 overwrites).
  AccessibleToggle(view.optionButton(1));
  view.passList(1)->setCurrentIndex(7);
  ui.Answer(platform::Answer::Yes);
  view.acceptButton()->click();
  EXPECT_TRUE(dialog.accepted);
  EXPECT_EQ(ui.LastMessage().text,
            "In the type of purge specified each file will be overwritten 24 times.\r\n"
            "Is this OK?");
  EXPECT_EQ(dialog.GetPurgeType(), 1);
}

TEST(ControlBinding, PurgeConfirmationCheckBoxesFollowBothWays) {
  Application();
  FaultyFileSystem fileSystem;
  engine::ClusterSizeTable clusterSizes(fileSystem);
  support::OperationState state;
  state.blnSubdirectories = true;
  state.intNumFiles = 3;
  dialogs::PurgeConfirmationDialog dialog(clusterSizes, state);
  dialog.strDriveLetter = "/";
  gui::PurgeConfirmationView view(dialog);
  dialog.BeginShow();
  view.show();

  for (platform::CheckBox* box :
       {&dialog.chkDoNotDeletePurgedFiles, &dialog.chkOKToPurgeReadOnlyFiles, &dialog.chkOKToPurgeSystemFiles,
        &dialog.chkOKToPurgeSensitiveFiles, &dialog.chkFolderNamesOnly, &dialog.chkDeleteEmptyFolders,
        &dialog.chkConfirmFiles}) {
    QCheckBox* check = view.checkBoxFor(*box);
    ASSERT_NE(check, nullptr) << box->caption;
    const bool before = box->checked;
    AccessibleToggle(check);
    EXPECT_EQ(box->checked, !before) << box->caption;
    EXPECT_EQ(check->isChecked(), !before) << box->caption;
    check->setChecked(before);
    EXPECT_EQ(box->checked, before) << box->caption;
    dialog.ClickCheck(*box, !before);
    EXPECT_EQ(check->isChecked(), !before) << box->caption;
  }

  // Every option now stands opposite its default, and Yes takes them as shown.
  view.doPurgeButton()->click();
  EXPECT_TRUE(dialog.blnConfirm);
  EXPECT_TRUE(dialog.blnOKToPurgeReadOnlyFiles);
  EXPECT_TRUE(dialog.blnOKToPurgeSystemFiles);
  EXPECT_TRUE(dialog.blnOKToPurgeSensitiveFiles);
  EXPECT_FALSE(dialog.blnFolderNamesOnly);
  EXPECT_FALSE(dialog.blnDeleteEmptyFolders);
  EXPECT_TRUE(dialog.blnDoNotDeletePurgedFiles);
  EXPECT_TRUE(state.blnConfirmFiles);
}

TEST(ControlBinding, SpecifyFilesOptionsListAndTextBoxesFollowBothWays) {
  Application();
  TempDir folder;
  folder.Write("a.doc", "a");
  folder.Write("two\nlines.txt", "b");
  platform::PosixFileSystem fileSystem;
  FakeUi ui;
  SpecifyFilesDialog dialog(fileSystem, ui);
  dialog.strOperation = "purge";
  dialog.intNumFiles = 2;
  dialog.SetFolder(folder.path());
  gui::SpecifyFilesView view(dialog);
  dialog.BeginShow();
  view.show();

  // "Purge all files (*.*)" switched by Toggle is what Accept uses.
  AccessibleToggle(view.allFilesOption());
  EXPECT_EQ(dialog.SelectedChoice(), Choice::AllFiles);
  EXPECT_FALSE(view.singleFileOption()->isChecked());
  view.multipleFilesOption()->setChecked(true);
  EXPECT_EQ(dialog.SelectedChoice(), Choice::MultipleFiles);

  // Text set by a screen reader reaches the logic, and typing into a box chooses its option.
  AccessibleSetText(view.extensionBox(), QStringLiteral("TXT"));
  EXPECT_EQ(dialog.txbExtension.text, "TXT");
  EXPECT_EQ(dialog.SelectedChoice(), Choice::Extension);
  EXPECT_TRUE(view.extensionOption()->isChecked());

  // A name with a line break takes one line of the list, and picking it picks the real name.
  ASSERT_EQ(view.fileList()->count(), 2);
  EXPECT_EQ(view.fileList()->item(1)->text(), QStringLiteral("two\\nlines.txt"));
  view.fileList()->setCurrentRow(1);
  EXPECT_EQ(dialog.SelectedChoice(), Choice::SingleFile);
  EXPECT_TRUE(view.singleFileOption()->isChecked());

  dialog.ClickOption(Choice::MultipleFiles);
  dialog.SetFilespecText("a*.d*");
  dialog.NotifyChanged();
  EXPECT_TRUE(view.multipleFilesOption()->isChecked());
  EXPECT_EQ(view.filespecBox()->text(), QStringLiteral("a*.d*"));
  dialog.ClickOption(Choice::SingleFile);
  EXPECT_TRUE(view.singleFileOption()->isChecked());
  view.acceptButton()->click();
  EXPECT_TRUE(dialog.blnAccept);
  EXPECT_EQ(dialog.ChosenFilespec(), "two\nlines.txt");
}

TEST(ControlBinding, AnOptionTheLogicRefusesTurnsBackOff) {
  Application();
  TempDir folder;
  platform::PosixFileSystem fileSystem;
  FakeUi ui;
  SpecifyFilesDialog dialog(fileSystem, ui);
  dialog.strOperation = "purge";
  dialog.intNumFiles = 0;  // no single file to pick
  dialog.SetFolder(folder.path());
  gui::SpecifyFilesView view(dialog);
  dialog.BeginShow();
  view.show();
  ASSERT_FALSE(view.singleFileOption()->isEnabled());

  view.singleFileOption()->setChecked(true);
  EXPECT_EQ(dialog.SelectedChoice(), Choice::AllFiles);
  EXPECT_FALSE(view.singleFileOption()->isChecked());
  EXPECT_TRUE(view.allFilesOption()->isChecked());
  view.acceptButton()->click();
  EXPECT_TRUE(dialog.blnAccept);
  EXPECT_EQ(dialog.ChosenFilespec(), "*.*");
}

TEST(ControlBinding, DateInputListsAndYearFollowBothWays) {
  Application();
  FakeUi ui;
  dialogs::DateInputDialog dialog(ui);
  gui::DateInputView view(dialog);
  dialog.BeginShow();
  view.show();

  view.monthList()->setCurrentIndex(2);
  view.dayList()->setCurrentIndex(29);
  AccessibleSetText(view.yearBox(), QStringLiteral("2012"));
  EXPECT_EQ(dialog.cboMonthNames.SelectedText(), "February");
  EXPECT_EQ(dialog.cboDayNumbers.SelectedText(), "29");
  EXPECT_EQ(dialog.txbYear.text, "2012");

  dialog.SelectMonth(3);
  dialog.SetYearText("2013");
  dialog.NotifyChanged();
  EXPECT_EQ(view.monthList()->currentText(), QStringLiteral("March"));
  EXPECT_EQ(view.yearBox()->text(), QStringLiteral("2013"));

  view.acceptButton()->click();
  EXPECT_EQ(dialog.intReturnValue, 1);
  constexpr std::int32_t kMarch29th2013 = 2456381;
  EXPECT_EQ(dialog.lngJDN, kMarch29th2013);
}

TEST(ControlBinding, AnEntryAScreenReaderSelectsIsTheChoice) {
  Application();
  FakeUi ui;
  dialogs::DateInputDialog dateDialog(ui);
  gui::DateInputView dateView(dateDialog);
  dateDialog.BeginShow();
  dateView.show();
  AccessibleToggleEntry(dateView.monthList()->view(), QStringLiteral("March"));
  EXPECT_EQ(dateDialog.cboMonthNames.SelectedText(), "March");
  EXPECT_EQ(dateView.monthList()->currentText(), QStringLiteral("March"));
  // The other way: the entry the logic chose is the selected entry a screen reader reads.
  dateDialog.SelectMonth(5);
  dateDialog.NotifyChanged();
  QAbstractItemView* months = dateView.monthList()->view();
  EXPECT_EQ(months->selectionModel()->selectedRows(), QModelIndexList{months->model()->index(5, 0)});

  TempDir folder;
  folder.Write("a.doc", "a");
  folder.Write("b.doc", "b");
  platform::PosixFileSystem fileSystem;
  SpecifyFilesDialog filesDialog(fileSystem, ui);
  filesDialog.strOperation = "purge";
  filesDialog.intNumFiles = 2;
  filesDialog.SetFolder(folder.path());
  gui::SpecifyFilesView filesView(filesDialog);
  filesDialog.BeginShow();
  filesView.show();
  filesDialog.ClickOption(Choice::AllFiles);
  // The focus entering the list by Tab makes an entry current without selecting it: no choice.
  QListWidget* files = filesView.fileList();
  files->selectionModel()->setCurrentIndex(files->model()->index(0, 0), QItemSelectionModel::NoUpdate);
  EXPECT_EQ(filesDialog.SelectedChoice(), Choice::AllFiles);
  AccessibleToggleEntry(filesView.fileList(), QStringLiteral("b.doc"));
  EXPECT_EQ(filesDialog.SelectedChoice(), Choice::SingleFile);
  filesView.acceptButton()->click();
  EXPECT_EQ(filesDialog.ChosenFilespec(), "b.doc");
}

TEST(ControlBinding, NothingChangesBehindAModalWindow) {
  Application();
  FaultyFileSystem fileSystem;
  engine::ClusterSizeTable clusterSizes(fileSystem);
  support::OperationState state;
  state.intNumFiles = 3;
  dialogs::PurgeConfirmationDialog dialog(clusterSizes, state);
  dialog.strDriveLetter = "/";
  gui::PurgeConfirmationView view(dialog);
  dialog.BeginShow();
  view.show();
  QCheckBox* each = view.checkBoxFor(dialog.chkConfirmFiles);
  ASSERT_FALSE(dialog.chkConfirmFiles.checked);

  // A question open over the dialog: the mouse and keyboard cannot reach it, nor may a screen reader.
  QDialog question;
  question.setModal(true);
  question.show();
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(each);
  accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_FALSE(dialog.chkConfirmFiles.checked);
  each->setChecked(true);  // arrives anyway: undone, not taken
  EXPECT_FALSE(dialog.chkConfirmFiles.checked);
  EXPECT_FALSE(each->isChecked());
  QAccessible::queryAccessibleInterface(view.doPurgeButton())
      ->actionInterface()
      ->doAction(QAccessibleActionInterface::pressAction());
  QTest::qWait(250);  // a press acts when its animation ends
  EXPECT_FALSE(dialog.blnConfirm);
  EXPECT_TRUE(dialog.IsVisible());

  question.hide();
  AccessibleToggle(each);
  EXPECT_TRUE(dialog.chkConfirmFiles.checked);
}

}  // namespace
}  // namespace nulvane::testing
