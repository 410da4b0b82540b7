#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "dialogs/SpecifyFilesDialog.h"
#include "testsupport/FakeUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/Platform.h"
#include "testsupport/TempDir.h"

namespace nulvane::dialogs {
namespace {

using Choice = SpecifyFilesDialog::Choice;

class SpecifyFilesDialogTest : public ::testing::Test {
 protected:
  SpecifyFilesDialogTest() {
    dialog.strOperation = "pURGE";
    dialog.SetFolder(folder.path());
  }

  // Shows the dialog and runs `script` while it is open.
  void Show(std::function<void(SpecifyFilesDialog&)> script) {
    ui.OnDialog("frmSpecifyFiles", [script](platform::Dialog& shown) {
      auto& d = static_cast<SpecifyFilesDialog&>(shown);
      script(d);
      if (d.IsVisible()) d.cmdCancel();
    });
    ui.ShowModal(dialog);
  }

  testing::TempDir folder;
  testing::FaultyFileSystem fileSystem;
  testing::FakeUi ui;
  SpecifyFilesDialog dialog{fileSystem, ui};
};

TEST_F(SpecifyFilesDialogTest, ListsTheFolderFilesSortedWithoutSubfolders) {
  folder.Write("b.txt", "b");
  folder.Write("A.doc", "a");
  folder.Write("c", "c");
  folder.MakeFolder("sub");
  // Only what a purge can purge is offered: a link, a pipe or a socket chosen here would purge nothing.
  // (Wine lists a link to a file as the file it leads to.)
  if (!testing::RunningUnderWine()) {
    ASSERT_TRUE(testing::MakeLink("b.txt", folder / "link.txt"));
  }
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
#endif
  dialog.intNumFiles = 3;
  Show([](SpecifyFilesDialog& d) {
    EXPECT_EQ(d.File.items, (std::vector<std::string>{"A.doc", "b.txt", "c"}));
    EXPECT_TRUE(d.optSingleFile.selected);
    EXPECT_TRUE(d.optSingleFile.enabled);
    EXPECT_EQ(d.focus, SpecifyFilesDialog::Focus::Cancel);
    EXPECT_EQ(d.optSingleFile.caption, "Purge a single file:");
    EXPECT_EQ(d.optAllFiles.caption, "Purge all files (*.*)");
    EXPECT_EQ(d.optExtension.caption, "Purge all files with a particular extension, e.g., txt or doc:");
    EXPECT_EQ(d.optMultipleFiles.caption, "Purge all files satisfying a file specification, e.g., a*.d*:");
    d.cmdAccept();  // nothing picked yet
  });
  EXPECT_FALSE(dialog.blnAccept);

  Show([](SpecifyFilesDialog& d) {
    d.ClickOption(Choice::AllFiles);
    d.ChooseFile(0);
    EXPECT_TRUE(d.optSingleFile.selected);
    EXPECT_EQ(d.focus, SpecifyFilesDialog::Focus::Accept);
    d.cmdAccept();
  });
  EXPECT_TRUE(dialog.blnAccept);
  EXPECT_EQ(dialog.ChosenFilespec(), "A.doc");
}

#ifndef _WIN32  // Windows names hold no wildcards
TEST_F(SpecifyFilesDialogTest, NamesWithWildcardsAreNotOfferedAsTheSingleFile) {
  // Picked, "x*" would become a pattern that also takes "xa" and "xb".
  folder.Write("x*", "1");
  folder.Write("x?", "2");
  folder.Write("xa", "3");
  folder.Write("xb", "4");
  dialog.intNumFiles = 4;
  Show([](SpecifyFilesDialog& d) { EXPECT_EQ(d.File.items, (std::vector<std::string>{"xa", "xb"})); });
}
#endif

TEST_F(SpecifyFilesDialogTest, WithoutFilesOnlyTheOtherChoicesAndAllFilesPreselected) {
  Show([](SpecifyFilesDialog& d) {
    EXPECT_FALSE(d.optSingleFile.enabled);
    EXPECT_FALSE(d.File.enabled);
    EXPECT_TRUE(d.optAllFiles.selected);
    d.ClickOption(Choice::SingleFile);
    EXPECT_TRUE(d.optAllFiles.selected);
    d.cmdAccept();
  });
  EXPECT_TRUE(dialog.blnAccept);
  EXPECT_EQ(dialog.ChosenFilespec(), "*.*");
}

TEST_F(SpecifyFilesDialogTest, UnreadableFolderGivesAnEmptyList) {
  folder.Write("x", "x");
  fileSystem.Inject({"ListFolder", folder.path(), EIO});
  dialog.intNumFiles = 1;
  Show([](SpecifyFilesDialog& d) { EXPECT_TRUE(d.File.items.empty()); });
  EXPECT_FALSE(dialog.blnAccept);
}

TEST_F(SpecifyFilesDialogTest, ExtensionIsCleanedAndAccepted) {
  struct Case {
    const char* typed;
    const char* cleaned;
    const char* spec;
  };
  const Case cases[] = {{"*.TXT", "TXT", "*.txt"}, {".doc", "doc", "*.doc"}, {"  pdf ", "pdf", "*.pdf"}};
  for (const auto& c : cases) {
    Show([&c](SpecifyFilesDialog& d) {
      d.ClickOption(Choice::Extension);
      EXPECT_EQ(d.focus, SpecifyFilesDialog::Focus::Extension);
      d.SetExtensionText(c.typed);
      d.TextBoxEnter();
    });
    EXPECT_TRUE(dialog.blnAccept) << c.typed;
    EXPECT_EQ(dialog.txbExtension.text, c.cleaned);
    EXPECT_EQ(dialog.ChosenFilespec(), c.spec);
  }
}

TEST_F(SpecifyFilesDialogTest, ExtensionWithADotShowsTheErrorAndStaysOpen) {
  for (const char* typed : {"tar.gz", "*.tar.gz"}) {
    ui.Answer(platform::Answer::Ok);
    Show([typed](SpecifyFilesDialog& d) {
      d.ClickTextBox(Choice::Extension);
      d.SetExtensionText(typed);
      d.cmdAccept();
      EXPECT_TRUE(d.IsVisible());
      EXPECT_EQ(d.txbExtension.text, "tar.gz");
    });
    EXPECT_FALSE(dialog.blnAccept);
    EXPECT_EQ(ui.LastMessage().title, "Error");
    EXPECT_EQ(ui.LastMessage().text, "Extension must not contain \".\".");
    EXPECT_EQ(ui.LastMessage().icon, platform::Icon::Warning);
  }
}

TEST_F(SpecifyFilesDialogTest, BlanksOnlyCountAsCancelled) {
  Show([](SpecifyFilesDialog& d) {
    d.ClickOption(Choice::Extension);
    d.SetExtensionText("   ");
    d.cmdAccept();
  });
  EXPECT_FALSE(dialog.blnAccept);
  EXPECT_FALSE(dialog.IsVisible());
  Show([](SpecifyFilesDialog& d) {
    d.ClickTextBox(Choice::MultipleFiles);
    d.SetFilespecText("  ");
    d.TextBoxEnter();
  });
  EXPECT_FALSE(dialog.blnAccept);
}

TEST_F(SpecifyFilesDialogTest, PatternIsTrimmedAndLowerCasedOnlyWithWildcards) {
  Show([](SpecifyFilesDialog& d) {
    d.ClickOption(Choice::MultipleFiles);
    EXPECT_EQ(d.focus, SpecifyFilesDialog::Focus::Filespec);
    d.SetFilespecText(" A*.D* ");
    d.cmdAccept();
  });
  EXPECT_TRUE(dialog.blnAccept);
  EXPECT_EQ(dialog.txbFilespec.text, "A*.D*");
  EXPECT_EQ(dialog.ChosenFilespec(), "a*.d*");

  Show([](SpecifyFilesDialog& d) {
    d.ClickOption(Choice::MultipleFiles);
    d.SetFilespecText("Report.TXT");
    d.cmdAccept();
  });
  EXPECT_EQ(dialog.ChosenFilespec(), "Report.TXT");
}

TEST_F(SpecifyFilesDialogTest, CancelAndCloseAreNotAccepted) {
  Show([](SpecifyFilesDialog& d) {
    d.ClickOption(Choice::AllFiles);
    d.CloseRequested();
  });
  EXPECT_FALSE(dialog.blnAccept);
  EXPECT_FALSE(dialog.IsVisible());
}

}  // namespace
}  // namespace nulvane::dialogs
