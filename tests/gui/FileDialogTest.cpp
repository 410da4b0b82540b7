#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>

#include "gui/GuiTestSupport.h"
#include "gui/QtUi.h"

namespace nulvane::testing {
namespace {

// The chooser shows the filter as the program writes it, and "*.*" still offers files without a dot.
TEST(FileDialog, ShowsAllFilesAsWrittenAndOffersEveryFile) {
  Application();
  QFileDialog dialog(nullptr, QStringLiteral("Specify file to be purged."));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  gui::ApplyFilter(dialog, "All files (*.*) | *.*");
  auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(types->count(), 1);
  EXPECT_EQ(types->itemText(0), QStringLiteral("All files (*.*)"));
  auto* files = dialog.findChild<QFileSystemModel*>();
  ASSERT_NE(files, nullptr);
  EXPECT_EQ(files->nameFilters(), QStringList{QStringLiteral("*")});
}

}  // namespace
}  // namespace nulvane::testing
