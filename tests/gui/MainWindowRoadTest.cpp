// One purge through the real windows: "Specify folder", "Purge files", the confirmation dialog's own view,
// the report window and the clipboard. Message boxes and the folder chooser are answered by a script; the
// dialogs run their real views and are clicked by timers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <deque>
#include <functional>

#include "gui/GuiTestSupport.h"
#include "gui/MainWindowView.h"
#include "gui/Program.h"
#include "gui/QtUi.h"
#include "gui/ReportView.h"
#include "gui/ScriptedQtUi.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/NoSettings.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using platform::Answer;

// Clicks the button with this caption in the modal dialog as soon as one is up (tries for ten seconds).
void ClickInModalDialog(const QString& caption, int attempts = 200) {
  QTimer::singleShot(50, [caption, attempts] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      for (QPushButton* button : modal->findChildren<QPushButton*>()) {
        if (button->text() == caption && button->isVisible()) {
          button->click();
          return;
        }
      }
    }
    if (attempts > 0) {
      ClickInModalDialog(caption, attempts - 1);
    } else {
      ADD_FAILURE() << "no modal dialog with the button " << caption.toStdString();
    }
  });
}

// Acts in the modal dialogs of a run as they come up, one step per showing, in order.
class ModalScript {
 public:
  using Step = std::function<void(QWidget& dialog)>;

  explicit ModalScript(std::vector<std::pair<QString, Step>> steps) : steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start(20);
  }
  std::size_t done() const { return next_; }

 private:
  void Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (next_ >= steps_.size() || modal == nullptr || !modal->isVisible()) return;
    if (modal->windowTitle() != steps_[next_].first) return;
    steps_[next_++].second(*modal);
  }

  std::vector<std::pair<QString, Step>> steps_;
  std::size_t next_ = 0;
  QTimer timer_;
};

void Click(QWidget& dialog, const QString& caption) {
  for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
    if (button->text() == caption && button->isVisible()) {
      button->click();
      return;
    }
  }
  ADD_FAILURE() << "no button " << caption.toStdString() << " in " << dialog.windowTitle().toStdString();
}

TEST(MainWindowRoad, SpecifyFolderPurgeAndReport) {
  Application();
  TempDir temp;
  const std::string root = temp.MakeFolder("target");
  temp.Write("target/one.txt", SampleContent(4000, 1));
  temp.Write("target/two.txt", SampleContent(9000, 2));
  FaultyFileSystem fileSystem;
  const char* data = std::getenv("NULVANE_TEST_DATA");
  fileSystem.OverrideProgramFolder(std::string(data != nullptr ? data : "data") + "/");
  temp.MakeFolder("userdata");
  fileSystem.OverrideUserDataFolder(temp / "userdata");
  gui::QtUi qtUi;
  ScriptedQtUi ui(qtUi);
  gui::Program program(fileSystem, ui, qtUi);
  NoSettings settings;
  ASSERT_TRUE(program.Start(&settings));
  gui::MainWindowView& window = program.mainView();
  program.mainWindow.Clock2Tick();

  ui.QueueFolder(root);
  ui.QueueAnswer(Answer::Yes);  // purge ALL files in the folder
  window.Button("cmdSpecifyDirectory(0)")->click();
  EXPECT_EQ(window.Label("lblDirectory")->text().toStdString(), root);
  EXPECT_EQ(window.Label("lblFiles")->text(), QStringLiteral("*.*"));
  EXPECT_EQ(window.Label("lblFiles2")->text(), QStringLiteral("(All files.)"));
  EXPECT_TRUE(window.Button("cmdClear")->isVisible());

  ClickInModalDialog(QStringLiteral("Yes, purge these files"));
  ui.QueueAnswer(Answer::No);  // keep the emptied folder
  window.Button("cmdProcessFiles(1)")->click();

  EXPECT_FALSE(Exists(root + "one.txt"));
  EXPECT_FALSE(Exists(root + "two.txt"));
  EXPECT_TRUE(Exists(root));
  EXPECT_EQ(ui.texts().back(), "Delete folder " + root + "?");
  EXPECT_TRUE(program.reportView().isVisible());
  const std::string report = program.report.txbText.text();
  EXPECT_EQ(gui::FromDisplayText(program.reportView().textBox()->toPlainText()), report);
  EXPECT_NE(report.find("Number of files purged: 2"), std::string::npos) << report;
  // The clipboard holds the report with the platform's line breaks.
  QString expected = QString::fromStdString(report);
  expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  EXPECT_EQ(QApplication::clipboard()->text(), expected);
  EXPECT_EQ(window.Label("lblFiles")->text(), QStringLiteral("Not specified"));
  EXPECT_TRUE(window.Button("cmdProcessFiles(1)")->isEnabled());

  program.mainWindow.CloseRequested();
  EXPECT_FALSE(window.isVisible());
}

// "Confirm purge operation for each file" switched the way a screen reader switches it (Toggle, no click)
// governs the purge: each file is asked about.
TEST(MainWindowRoad, ConfirmEachFileSwitchedByToggleAsksForEachFile) {
  Application();
  TempDir temp;
  const std::string root = temp.MakeFolder("target");
  temp.Write("target/one.txt", SampleContent(4000, 1));
  temp.Write("target/two.txt", SampleContent(9000, 2));
  FaultyFileSystem fileSystem;
  const char* data = std::getenv("NULVANE_TEST_DATA");
  fileSystem.OverrideProgramFolder(std::string(data != nullptr ? data : "data") + "/");
  temp.MakeFolder("userdata");
  fileSystem.OverrideUserDataFolder(temp / "userdata");
  gui::QtUi qtUi;
  ScriptedQtUi ui(qtUi);
  gui::Program program(fileSystem, ui, qtUi);
  NoSettings settings;
  ASSERT_TRUE(program.Start(&settings));
  gui::MainWindowView& window = program.mainView();
  program.mainWindow.Clock2Tick();
  ui.QueueFolder(root);
  ui.QueueAnswer(Answer::Yes);  // purge ALL files in the folder
  window.Button("cmdSpecifyDirectory(0)")->click();

  std::vector<std::string> asked;
  const auto yesToFile = [&](QWidget& dialog) {
    asked.push_back(program.report.frmConfirmFiles.lblFile.caption);
    Click(dialog, QStringLiteral("Yes"));
  };
  ModalScript script({{QStringLiteral("Purge confirmation"),
                       [](QWidget& dialog) {
                         for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
                           if (box->text() == QStringLiteral("Confirm purge operation for each file")) {
                             AccessibleToggle(box);
                           }
                         }
                         Click(dialog, QStringLiteral("Yes, purge these files"));
                       }},
                      {QStringLiteral("Confirm purging of this file"), yesToFile},
                      {QStringLiteral("Confirm purging of this file"), yesToFile}});
  ui.QueueAnswer(Answer::No);  // keep the emptied folder
  window.Button("cmdProcessFiles(1)")->click();

  EXPECT_EQ(script.done(), 3u);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].rfind(root, 0), 0u) << asked[0];
  EXPECT_NE(asked[0], asked[1]);
  EXPECT_TRUE(program.state.blnConfirmFiles);
  EXPECT_FALSE(Exists(root + "one.txt"));
  EXPECT_FALSE(Exists(root + "two.txt"));
  EXPECT_NE(program.report.txbText.text().find("Number of files purged: 2"), std::string::npos);
  program.mainWindow.CloseRequested();
}

}  // namespace
}  // namespace nulvane::testing
