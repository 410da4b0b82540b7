// The program's texts as the windows show them: every name as it was typed (never read as markup, no "&"
// lost to a screen reader), and no text cut, down to each window's smallest size.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "gui/GuiTestSupport.h"
#include "gui/PurgeConfirmationView.h"
#include "gui/QtUi.h"
#include "gui/ReportView.h"
#include "gui/TextViewerView.h"
#include "gui/WholeProgramTest.h"
#include "support/Format.h"

namespace nulvane::testing {
namespace {

using platform::Answer;

// What a screen reader says for a widget.
QString Spoken(QWidget* widget) {
  return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// A name a careless program would show bold, or with a letter underlined, or on one line.
constexpr char kMarkupName[] = "<b>R&D</b>";

using WindowTextTest = WholeProgramTest;

// A question about a folder named like markup shows the name as it is and keeps its line break.
TEST(MessageText, ANameIsShownAsTypedAndItsLineBreaksStay) {
  Application();
  gui::QtUi ui;
  const std::string text =
      std::string("/srv/") + kMarkupName + "/ is empty.\r\nDo you wish to delete this folder?";
  QString shown;
  QString spoken;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (QLabel* label : box->findChildren<QLabel*>()) {
      if (!label->text().contains(QStringLiteral("is empty"))) continue;
      EXPECT_EQ(label->textFormat(), Qt::PlainText);
      shown = label->text();
      spoken = Spoken(label);
    }
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(ui.Message("Purge folders", text, platform::Buttons::YesNo, platform::Icon::None, Answer::Yes),
            Answer::No);
  const QString expected = QStringLiteral("/srv/<b>R&D</b>/ is empty.\nDo you wish to delete this folder?");
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(spoken, expected);
}

// The chosen folder's label and the report of its purge show the name as it is on disk: markup as typed, and
// a line break in the name as the program writes it everywhere ("\n"), never as a break of the line.
TEST_F(WindowTextTest, AFoldersNameIsShownAsTypedInTheWindowAndTheReport) {
  const std::string name = std::string(kMarkupName) + "\nQ1";
  const std::string folder = temp.MakeFolder(name);
  temp.Write(name + "/a.txt", SampleContent(100, 1));
  const QString shown = QString::fromStdString(support::DisplayName(folder));
  ASSERT_TRUE(shown.contains(QStringLiteral("<b>R&D</b>\\nQ1"))) << shown.toStdString();
  ui.QueueFolder(folder);
  ui.Answer(Answer::Yes);  // all files in the folder
  window().Button("cmdSpecifyDirectory(0)")->click();
  QLabel* label = window().Label("lblDirectory");
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_EQ(label->text(), QString::fromStdString(support::ShortenPath(support::DisplayName(folder), 70)));
  EXPECT_EQ(Spoken(label), label->text());

  ui.OnDialog("frmPurgeConfirmation", [this](platform::Dialog&) { program.confirmation.cmdDoPurge(); });
  ui.Answer(Answer::No);  // keep the emptied folder
  window().Button("cmdProcessFiles(1)")->click();
  EXPECT_FALSE(Exists(folder + "a.txt"));
  EXPECT_TRUE(program.reportView().textBox()->toPlainText().contains(shown));
}

// Every label the program builds shows its text as plain text; only the program itself could make markup.
TEST_F(WindowTextTest, EveryLabelOfEveryWindowIsPlainText) {
  std::vector<QWidget*> windows = {&window(), &program.reportView(), &program.viewerView()};
  for (QWidget* owner : {static_cast<QWidget*>(&window()), static_cast<QWidget*>(&program.reportView())}) {
    for (QDialog* dialog : owner->findChildren<QDialog*>()) windows.push_back(dialog);
  }
  int labels = 0;
  for (QWidget* shown : windows) {
    for (QLabel* label : shown->findChildren<QLabel*>()) {
      ++labels;
      EXPECT_EQ(label->textFormat(), Qt::PlainText)
          << label->objectName().toStdString() << " in " << shown->metaObject()->className();
    }
  }
  EXPECT_GT(labels, 30);
}

// Every label of `window` that is on the screen has the room its text needs.
void ExpectNothingCut(QWidget& window) {
  window.resize(1, 1);  // the toolkit keeps a window at its least size
  window.layout()->activate();
  for (QLayout* layout : window.findChildren<QLayout*>()) layout->activate();
  for (QLabel* label : window.findChildren<QLabel*>()) {
    if (!label->isVisibleTo(&window) || label->text().isEmpty() || label->window() != &window) continue;
    const std::string what = label->objectName().toStdString() + " \"" + label->text().toStdString() + "\"";
    const QSize needed = label->wordWrap()
                             ? QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()))
                             : label->sizeHint();
    EXPECT_GE(label->width(), needed.width()) << what;
    EXPECT_GE(label->height(), needed.height()) << what;
    const QRect inWindow(label->mapTo(&window, QPoint(0, 0)), label->size());
    EXPECT_TRUE(window.rect().contains(inWindow)) << what << " lies outside its window";
  }
}

// The main window at its smallest size, every label holding the longest text the program puts there: the
// folder-mode purge's count on three lines, the F10 hint on two, paths as long as the labels take them.
TEST_F(WindowTextTest, NoTextOfTheMainWindowIsCutAtItsSmallestSize) {
  mainwindow::MainWindow& w = program.mainWindow;
  const std::string path = "/home/someone/Documents/Projects/2024/Quarterly reports/Drafts/";
  const std::vector<std::pair<platform::Label*, std::string>> texts = {
      {&w.lblDirectory, path.substr(0, 70)},
      {&w.lblFiles, "report-2024-??.*"},
      {&w.lblFiles2, "(All files of the form \"report-2024-??.*\".)"},
      {&w.lblSingleFile, "To purge multiple files, specify folder and files."},
      {&w.lblSubdirectories, "Yes"},
      {&w.lblSubdirectories2,
       "The selected folder is " + path + "\r\n\r\nTwenty one files in Two subfolders are being purged."},
      {&w.lblDateRestriction, "Purge only files with dates before 12/31/2998 (December 31, 2998)"},
      {&w.lblTypeOfPurge, "Alternate bit patterns plus random bytes twice, once (= 6 overwrites)"},
      {&w.lblEstimatedTime, "2 hours, 13 minutes"},
      {&w.lblLargePurgeMessage,
       "To interrupt this operation upon completion of the current file purge,\r\npress the F10 key twice "
       "and "
       "wait for the 'Cancel?' query."},
      {&w.lblTopLevelFolder, path},
      {&w.lblPurgeSpeed, "Purge speed of Drive /home: 123.45 MB/sec. (1 overwrite)"},
      {&w.lblPurgeFoldersMessage, "1,234 files purged (50% of 2,468). Now purging:\r\n" + path + "file.txt"},
      {&w.lblSetupFilename, path + "weekly.nvs"}};
  for (const auto& [label, text] : texts) {
    label->caption = text;
    label->visible = true;
  }
  w.NotifyChanged();
  ExpectNothingCut(window());
}

// The report window and the dialogs at their smallest size, with the texts they are shown with.
TEST_F(WindowTextTest, NoTextOfTheReportOrADialogIsCutAtItsSmallestSize) {
  program.report.Show();
  ExpectNothingCut(program.reportView());
  program.confirmation.lblMessage.caption =
      "Do you wish to purge the 1,000 files in the folder\r\n/home/someone/Documents/Projects/2024/Quarterly "
      "reports/Drafts/\r\nand in all of its subfolders?";
  program.confirmation.NotifyChanged();
  program.report.frmConfirmFiles.Prepare(
      "/home/someone/Documents/Projects/2024/Quarterly reports/Drafts/summary.txt     12.34 KB     "
      "12/31/2024");
  for (QWidget* owner : {static_cast<QWidget*>(&window()), static_cast<QWidget*>(&program.reportView())}) {
    for (QDialog* dialog : owner->findChildren<QDialog*>()) {
      SCOPED_TRACE(dialog->metaObject()->className());
      dialog->show();
      ExpectNothingCut(*dialog);
      dialog->hide();
    }
  }
}

}  // namespace
}  // namespace nulvane::testing
