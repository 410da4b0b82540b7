#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "dialogs/SelectSubfoldersDialog.h"
#include "support/Locale.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/Platform.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using dialogs::SelectSubfoldersDialog;

class SelectSubfoldersTest : public ::testing::Test {
 protected:
  SelectSubfoldersTest() {
    support::SetLocale(support::LocaleSettings{});
    dialog.strTopFolder = temp.path();
  }

  // Shows the dialog on the temporary folder; `script` runs once the rows are read and must close it.
  void Show(std::function<void(SelectSubfoldersDialog&)> script) {
    ui.OnDialog("frmSelectSubfolders",
                [script](platform::Dialog& shown) { script(static_cast<SelectSubfoldersDialog&>(shown)); });
    ui.ShowModal(dialog);
  }

  // A subfolder holding one file, so that its row can be checked.
  void Folder(const std::string& name) { temp.Write(name + "/file.txt", "x"); }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& row : dialog.Rows()) texts.push_back(row.text);
    return texts;
  }

  TempDir temp;
  FaultyFileSystem fileSystem;
  FakeUi ui;
  SelectSubfoldersDialog dialog{fileSystem, ui};
};

TEST_F(SelectSubfoldersTest, RowsTellCountsAndSizesAndAreSortedByName) {
  temp.MakeFolder("Letters");
  temp.Write("Photos/a.jpg", std::string(1024, 'a'));
  temp.Write("Photos/b.jpg", std::string(1024, 'b'));
  temp.Write("Photos/c.jpg", std::string(1024, 'c'));
  temp.Write("Photos/raw/d.raw", std::string(512, 'd'));
  temp.Write("Photos/raw/e.raw", std::string(512, 'e'));
  temp.Write("data/notes.txt", std::string(10, 'n'));
  temp.Write("Data2/x.txt", std::string(2048, 'x'));
  for (int i = 0; i < 250; ++i) temp.Write("Big/inner/f" + std::to_string(i), "1");
  temp.Write("Locked/secret.txt", "s");
  temp.Write("loose.txt", "a file of the top folder is no row");
  // A link to a folder (here the drive's root) is no subfolder.
  ASSERT_TRUE(MakeLink(platform::kPathSeparator == '/' ? "/" : temp.path().substr(0, 3), temp / "link"));
  fileSystem.Inject({"ListFolder", "Locked", EACCES});

  Show([](SelectSubfoldersDialog& d) { d.cmdCancel(); });

  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "Big {no files and 1 subfolder, over 200 bytes}",
                         "data {1 file and no subfolders, 10 bytes}",
                         "Data2 {1 file and no subfolders, 2.0 KB}",
                         "Letters {no files and no subfolders}",
                         "Locked {Permission denied}",
                         "Photos {3 files and 1 subfolder, 4.0 KB}",
                     }));
  EXPECT_TRUE(dialog.Rows()[3].empty);
  EXPECT_TRUE(dialog.Rows()[4].empty);
  EXPECT_EQ(dialog.Rows()[5].size, 4096);
}

TEST_F(SelectSubfoldersTest, PagesOfElevenRowsWithAScrollBarThatKeepsOneRowOfThePage) {
  for (int i = 0; i < 11; ++i) Folder("f" + std::to_string(10 + i));
  Show([](SelectSubfoldersDialog& d) {
    EXPECT_EQ(d.PageSize(), 11);
    EXPECT_FALSE(d.vsbScrollBar.visible);
    d.cmdCancel();
  });

  Folder("f21");
  Show([](SelectSubfoldersDialog& d) {
    EXPECT_EQ(d.PageSize(), 11);
    ASSERT_TRUE(d.vsbScrollBar.visible);
    EXPECT_EQ(d.vsbScrollBar.minimum, 0);
    EXPECT_EQ(d.vsbScrollBar.maximum, 1);
    EXPECT_EQ(d.vsbScrollBar.largeChange, 10);
    EXPECT_EQ(d.vsbScrollBar.smallChange, 1);
    EXPECT_EQ(d.chkSubfolder[0].caption.substr(0, 3), "f10");
    d.vsbScrollBar_Change(d.vsbScrollBar.value + d.vsbScrollBar.largeChange);  // a click in the trough
    EXPECT_EQ(d.vsbScrollBar.value, 1);
    EXPECT_EQ(d.chkSubfolder[0].caption.substr(0, 3), "f11");
    EXPECT_EQ(d.chkSubfolder[10].caption.substr(0, 3), "f21");
    d.chkSubfolder_Click(10, true);
    EXPECT_TRUE(d.Rows()[11].checked);
    d.vsbScrollBar_Change(0);
    EXPECT_FALSE(d.chkSubfolder[10].checked);  // f20, not checked
    EXPECT_EQ(d.lblNumSubfolders.caption, "One subfolder selected.");
    d.cmdAccept();
  });
  EXPECT_EQ(dialog.strFoldersReturnedFromSelectFoldersForm, std::vector<std::string>{"f21"});
}

TEST_F(SelectSubfoldersTest, EmptyAndUnreadableRowsCannotBeCheckedAndTheLabelCounts) {
  Folder("A");
  Folder("B");
  temp.MakeFolder("Empty");
  Folder("Locked");
  fileSystem.Inject({"ListFolder", "Locked", EACCES});
  Show([](SelectSubfoldersDialog& d) {
    ASSERT_EQ(d.Rows().size(), 4u);
    EXPECT_EQ(d.lblNumSubfolders.caption, "No subfolders selected.");
    d.chkSubfolder_Click(2, true);  // Empty
    d.chkSubfolder_Click(3, true);  // Locked
    EXPECT_FALSE(d.chkSubfolder[2].checked);
    EXPECT_FALSE(d.chkSubfolder[3].checked);
    EXPECT_EQ(d.lblNumSubfolders.caption, "No subfolders selected.");
    d.chkSubfolder_Click(0, true);
    EXPECT_EQ(d.lblNumSubfolders.caption, "One subfolder selected.");
    d.cmdSelectDeselectAllSubfolders_Click(1);
    EXPECT_EQ(d.lblNumSubfolders.caption, "2 selected (of 4).");
    EXPECT_FALSE(d.Rows()[2].checked);
    EXPECT_FALSE(d.Rows()[3].checked);
    EXPECT_EQ(d.dblTotalBytesSelected, 2);
    d.cmdSelectDeselectAllSubfolders_Click(0);
    EXPECT_EQ(d.lblNumSubfolders.caption, "No subfolders selected.");
    d.cmdCancel();
  });
  EXPECT_FALSE(dialog.blnFolderSelectionAccepted);
}

TEST_F(SelectSubfoldersTest, AllRowsCheckedAndTheTotalLineWhenTheCaptionSaysIncluded) {
  Folder("One");
  for (int i = 0; i < 201; ++i) temp.Write("Two/deep/f" + std::to_string(i), "12");
  dialog.strCaption = "Subfolders included";
  Show([](SelectSubfoldersDialog& d) {
    d.cmdSelectDeselectAllSubfolders_Click(1);
    EXPECT_EQ(d.lblNumSubfolders.caption, "All 2 subfolders selected.\r\nA total of over 401 bytes.");
    EXPECT_TRUE(d.blnOver);
    d.cmdAccept();
  });
  EXPECT_EQ(dialog.caption, "Subfolders included");
  EXPECT_TRUE(dialog.blnFolderSelectionAccepted);
  EXPECT_EQ(dialog.strFoldersReturnedFromSelectFoldersForm, (std::vector<std::string>{"One", "Two"}));
}

TEST_F(SelectSubfoldersTest, ANameThatSaysOverIsNoLowerBound) {
  Folder("Cover letters");
  Show([](SelectSubfoldersDialog& d) {
    d.chkSubfolder_Click(0, true);
    EXPECT_FALSE(d.blnOver);
    d.cmdAccept();
  });
}

#ifndef _WIN32  // names that differ by case alone, and a line break in a name
TEST_F(SelectSubfoldersTest, NamesPassedInAreCheckedExactlyAndComeBackExactly) {
  Folder("Photos");
  Folder("photos");
  temp.MakeFolder("Letters");
  Folder(" odd name ");
  Folder("line\r\nbreak");
  dialog.strFoldersPassedToSelectFoldersForm = {"Photos", "Letters", " odd name ", "line\r\nbreak", "Gone"};
  Show([](SelectSubfoldersDialog& d) {
    std::vector<std::string> checked;
    for (const auto& row : d.Rows()) {
      if (row.checked) checked.push_back(row.name);
    }
    EXPECT_EQ(checked, (std::vector<std::string>{" odd name ", "line\r\nbreak", "Photos"}));
    EXPECT_EQ(d.chkSubfolder[2].caption, "line\\r\\nbreak {1 file and no subfolders, 1 bytes}");  // one line
    d.cmdAccept();
  });
  EXPECT_EQ(dialog.strFoldersReturnedFromSelectFoldersForm,
            (std::vector<std::string>{" odd name ", "line\r\nbreak", "Photos"}));
}
#endif

TEST_F(SelectSubfoldersTest, WhileReadingOnlyCancelActsAndItStopsTheReading) {
  for (int i = 0; i < 6; ++i) Folder("f" + std::to_string(i));
  bool acted = false;
  ui.OnYield([&](long) {
    if (acted || dialog.Rows().size() < 2) return;
    acted = true;
    EXPECT_TRUE(dialog.Busy());
    EXPECT_FALSE(dialog.cmdAcceptButton.enabled);
    dialog.cmdSelectDeselectAllSubfolders_Click(1);
    dialog.cmdAccept();
    EXPECT_TRUE(dialog.IsVisible());
    dialog.cmdCancel();
  });
  Show([](SelectSubfoldersDialog&) {});
  EXPECT_FALSE(dialog.blnFolderSelectionAccepted);
  EXPECT_EQ(dialog.Rows().size(), 2u);
  EXPECT_EQ(dialog.picSubfolders.caption, SelectSubfoldersDialog::kReadingText);
}

TEST_F(SelectSubfoldersTest, FailuresAndTheCloseBox) {
  fileSystem.Inject({"ListFolder", temp.path().substr(0, temp.path().size() - 1), EACCES, 0, 1});
  ui.Answer(platform::Answer::Ok);
  Show([](SelectSubfoldersDialog&) {});
  EXPECT_FALSE(dialog.blnFolderSelectionAccepted);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.LastMessage().title, "Select subfolders");
  EXPECT_EQ(ui.LastMessage().text, "Error: Permission denied");
  EXPECT_EQ(ui.LastMessage().icon, platform::Icon::Warning);

  // No subfolders: nothing can be accepted; only Cancel closes.
  Show([](SelectSubfoldersDialog& d) {
    EXPECT_EQ(d.picSubfolders.caption, "No subfolders.");
    d.cmdAccept();
    d.cmdSelectDeselectAllSubfolders_Click(1);
    EXPECT_TRUE(d.IsVisible());
    d.cmdCancel();
  });

  Folder("A");
  ui.Answer(platform::Answer::Ok);
  Show([](SelectSubfoldersDialog& d) {
    d.chkSubfolder_Click(0, true);
    d.CloseRequested();
  });
  EXPECT_FALSE(dialog.blnFolderSelectionAccepted);
  EXPECT_EQ(ui.LastMessage().title, "Select Folders");
  EXPECT_EQ(ui.LastMessage().text, "Please exit this window only by clicking on 'Accept' or 'Cancel'.");
}

}  // namespace
}  // namespace nulvane::testing
