#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <chrono>
#include <thread>

#include "gui/GuiTestSupport.h"
#include "gui/QtUi.h"
#include "gui/SelectSubfoldersView.h"
#include "support/Locale.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using dialogs::SelectSubfoldersDialog;

// The real dialog, run modally by the Qt Ui, on a folder of 30 subfolders: once cancelled while it reads,
// once used by mouse, keyboard and the calls a screen reader makes.
TEST(SelectSubfoldersViewSmoke, ThirtySubfolders) {
  Application();
  support::SetLocale(support::LocaleSettings{});
  TempDir folder;
  folder.Write("A&B/f.txt", "x");
  for (int i = 1; i < 30; ++i) folder.Write("Folder " + std::to_string(10 + i) + "/f.txt", "x");
  FaultyFileSystem fileSystem;
  gui::QtUi ui;
  SelectSubfoldersDialog dialog(fileSystem, ui);
  gui::SelectSubfoldersView view(dialog);
  ui.RegisterDialogView(dialog, &view);
  dialog.strTopFolder = folder.path();
  dialog.strCaption = "Select subfolders of " + folder.path() + " to be purged.";
  dialog.lngBackColor = 0x000080;
  dialog.lngLabelForeColor = 0xFFFFFF;

  // Slow reading: the window is up, says so, and a click on Cancel is seen between subfolders.
  bool sawReading = false;
  bool clicked = false;
  fileSystem.SetHook([&](const std::string& operation, const std::string& path) {
    if (operation != "ListFolder" || path.find("Folder") == std::string::npos) return;
    sawReading = sawReading || (view.isVisible() && view.readingLabel()->isVisible() &&
                                view.readingLabel()->text() == QStringLiteral("Reading disk ..."));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!clicked) {
      clicked = true;
      QTimer::singleShot(0, view.cancelButton(), &QPushButton::click);
    }
  });
  ui.ShowModal(dialog);
  EXPECT_TRUE(sawReading);
  EXPECT_FALSE(dialog.blnFolderSelectionAccepted);
  EXPECT_LT(dialog.Rows().size(), 30u);
  EXPECT_FALSE(view.isVisible());
  fileSystem.SetHook(nullptr);

  bool checked = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (dialog.Busy() || !view.isVisible() || checked) return;
    checked = true;
    poll.stop();
    EXPECT_EQ(view.windowTitle().toStdString(), dialog.strCaption);
    ASSERT_EQ(view.checkBoxes().size(), 11u);
    EXPECT_EQ(view.checkBoxes()[0]->text(), QStringLiteral("A&&B {1 file and no subfolders, 1 bytes}"));
    EXPECT_EQ(view.checkBoxes()[0]->accessibleName(),
              QStringLiteral("A&B {1 file and no subfolders, 1 bytes}"));
    EXPECT_EQ(view.scrollBar()->accessibleName(), QStringLiteral("Subfolders shown"));
    EXPECT_TRUE(view.scrollBar()->isVisible());
    EXPECT_EQ(view.scrollBar()->maximum(), 19);
    EXPECT_EQ(view.scrollBar()->pageStep(), 10);
    EXPECT_TRUE(view.cancelButton()->hasFocus() || !view.isActiveWindow());

    view.checkBoxes()[2]->setChecked(true);  // as a screen reader's "Toggle" does
    EXPECT_TRUE(dialog.Rows()[2].checked);
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("One subfolder selected."));
    view.checkBoxes()[3]->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(view.checkBoxes()[3], &press);
    QApplication::sendEvent(view.checkBoxes()[3], &release);
    EXPECT_TRUE(dialog.Rows()[3].checked);
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("2 selected (of 30)."));

    view.scrollBar()->setValue(19);
    EXPECT_EQ(view.checkBoxes()[10]->text().left(9), QStringLiteral("Folder 39"));
    view.scrollBar()->triggerAction(QScrollBar::SliderPageStepSub);
    EXPECT_EQ(dialog.FirstRowShown(), 9);
    EXPECT_FALSE(view.checkBoxes()[0]->isChecked());
    view.selectAllButton()->click();
    EXPECT_TRUE(view.checkBoxes()[0]->isChecked());
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("All 30 subfolders selected."));
    view.acceptButton()->click();
  });
  poll.start();
  ui.ShowModal(dialog);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(dialog.blnFolderSelectionAccepted);
  EXPECT_EQ(dialog.strFoldersReturnedFromSelectFoldersForm.size(), 30u);
  EXPECT_EQ(dialog.strFoldersReturnedFromSelectFoldersForm.front(), "A&B");
  EXPECT_FALSE(view.isVisible());
}

}  // namespace
}  // namespace nulvane::testing
