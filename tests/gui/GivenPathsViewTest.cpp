// Files and folders handed to the real window: dropped onto it as a file manager drops them (mime data
// with URLs), and given on its command line. The target is read back from the window's labels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QtTest/QTest>
#include <cstdlib>
#include <filesystem>

#include "gui/GuiTestSupport.h"
#include "gui/MainWindowView.h"
#include "gui/Program.h"
#include "gui/ProgramIcon.h"
#include "gui/QtUi.h"
#include "gui/ScriptedQtUi.h"
#include "gui/WindowArguments.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/NoSettings.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

using platform::Answer;

std::string DataFolder() {
  const char* data = std::getenv("NULVANE_TEST_DATA");
  return std::string(data != nullptr ? data : "data") + "/";
}

class GivenPathsView : public ::testing::Test {
 protected:
  GivenPathsView() {
    fileSystem.OverrideProgramFolder(DataFolder());
    temp.MakeFolder("userdata");
    fileSystem.OverrideUserDataFolder(temp / "userdata");
  }
  void SetUp() override {
    ASSERT_TRUE(program.Start(&settings));
    program.mainWindow.Clock2Tick();
  }
  QString LabelText(const char* name) { return program.mainView().Label(name)->text(); }

  // A drag from a file manager that offers to move or copy, entering the window and dropped there. Returns
  // the action the window accepted the drop with, or IgnoreAction.
  Qt::DropAction Drop(const std::vector<QUrl>& urls,
                      Qt::DropActions offered = Qt::MoveAction | Qt::CopyAction) {
    QMimeData data;
    data.setUrls(QList<QUrl>(urls.begin(), urls.end()));
    gui::MainWindowView& window = program.mainView();
    const QPoint at = window.rect().center();
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted()) return Qt::IgnoreAction;
    QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
  }

  static QUrl Url(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }

  QApplication& application = Application();  // before any widget
  TempDir temp;
  FaultyFileSystem fileSystem;
  gui::QtUi qtUi;
  ScriptedQtUi ui{qtUi};
  gui::Program program{fileSystem, ui, qtUi};
  NoSettings settings;
};

TEST_F(GivenPathsView, ADroppedFileAndThenAFolderBecomeTheTargetAndNothingMoves) {
  const std::string folder = temp.MakeFolder("dropped");
  temp.Write("dropped/one file.txt", "one");
  temp.Write("dropped/two.txt", "two");

  EXPECT_EQ(Drop({Url(folder + "one file.txt")}), Qt::CopyAction) << "a drop never moves the item";
  QTRY_COMPARE(LabelText("lblFiles"), QStringLiteral("one file.txt"));
  EXPECT_EQ(LabelText("lblDirectory"), QString::fromStdString(folder));
  EXPECT_EQ(program.state.strFilespec, "one file.txt");
  EXPECT_TRUE(ui.texts().empty());

  // A folder brings the question of "Specify folder"; the drop has returned before it is asked.
  ui.QueueAnswer(Answer::Yes);
  EXPECT_EQ(Drop({Url(folder)}, Qt::LinkAction | Qt::CopyAction | Qt::MoveAction), Qt::LinkAction);
  EXPECT_TRUE(ui.texts().empty()) << "asked inside the drop";
  QTRY_COMPARE(program.state.strFilespec, std::string("*.*"));
  ASSERT_EQ(ui.texts().size(), 1u);
  EXPECT_EQ(ui.texts()[0], "Do you wish to purge ALL files in " + folder +
                               "\r\n(subject to any date restriction which is in effect)?");
  EXPECT_EQ(LabelText("lblDirectory"), QString::fromStdString(folder));
  EXPECT_EQ(program.state.strTargetFolder, folder);
  // Waiting for "Purge files", as always: both files are still there.
  EXPECT_TRUE(std::filesystem::exists(folder + "one file.txt"));
  EXPECT_TRUE(std::filesystem::exists(folder + "two.txt"));
}

TEST_F(GivenPathsView, DropsTheWindowCannotTakeAreRefusedAtTheDoor) {
  const std::string folder = temp.MakeFolder("refused");
  temp.Write("refused/a.txt", "a");
  EXPECT_EQ(Drop({Url(folder + "a.txt")}, Qt::MoveAction), Qt::IgnoreAction) << "only a move offered";
  EXPECT_EQ(Drop({Url(folder + "a.txt"), QUrl(QStringLiteral("https://example.org/a.txt"))}),
            Qt::IgnoreAction);
  program.mainView().Button("cmdSetup")->click();  // the setup panel holds the window
  EXPECT_EQ(Drop({Url(folder + "a.txt")}), Qt::IgnoreAction);
  program.mainView().Button("cmdKeepSetup")->click();

  // Several items are taken in, then refused with a message that names them.
  ui.QueueAnswer(Answer::Ok);
  EXPECT_EQ(Drop({Url(folder + "a.txt"), Url(folder)}), Qt::CopyAction);
  QTRY_COMPARE(ui.texts().size(), std::size_t{1});
  EXPECT_NE(ui.texts()[0].find("was given 2 items:\r\n" + folder + "a.txt\r\n"), std::string::npos);
  QApplication::processEvents();
  EXPECT_EQ(program.state.strTargetFolder, "");
}

TEST(WindowArguments, ItemsOptionsAndTheEndOfOptions) {
  const auto parse = [](std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "nulvane");
    return gui::ParseWindowArguments(static_cast<int>(arguments.size()), arguments.data());
  };
  EXPECT_EQ(parse({"/home/ann/a b.txt"}).paths, std::vector<std::string>{"/home/ann/a b.txt"});
  EXPECT_EQ(parse({"rel", "--", "-odd", "--help"}).paths,
            (std::vector<std::string>{"rel", "-odd", "--help"}));
  EXPECT_FALSE(parse({"--", "--help"}).help);
  EXPECT_EQ(parse({"caf\xC3\xA9", "\xFF\xFE"}).paths[1], "\xFF\xFE") << "names are bytes, not text";
  EXPECT_TRUE(parse({"--help"}).help);
  EXPECT_TRUE(parse({"--version"}).version);
  EXPECT_EQ(parse({"-f", "x"}).error, "unknown option -f");
  EXPECT_EQ(parse({"-"}).paths, std::vector<std::string>{"-"});
}

TEST_F(GivenPathsView, StartedWithAFileArgumentTheWindowShowsItAsTheTarget) {
  const std::string folder = temp.MakeFolder("argued");
  temp.Write("argued/report.pdf", "pdf");
  const std::string path = folder + "report.pdf";
  const char* argv[] = {"nulvane", path.c_str()};
  // As main() does it once the window is up.
  program.mainView().TakeGivenPaths(gui::ParseWindowArguments(2, argv).paths);
  EXPECT_EQ(program.state.strFilespec, "") << "taken once the event loop runs, not before";
  QTRY_COMPARE(LabelText("lblFiles"), QStringLiteral("report.pdf"));
  EXPECT_EQ(LabelText("lblDirectory"), QString::fromStdString(folder));
  EXPECT_EQ(LabelText("lblSubdirectories"), QStringLiteral("No"));
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(ProgramIcon, TheInstalledSvgBesideTheDataFolder) {
  Application();
  TempDir temp;
  FaultyFileSystem fileSystem;
  fileSystem.OverrideProgramFolder(temp.MakeFolder("usr/bin"));
  temp.Write("usr/share/nulvane/nulvane.dat", "2\tNulvane\n");
  temp.Write("usr/share/icons/hicolor/scalable/apps/org.nulvane.Nulvane.svg",
             ReadFile(DataFolder() + "../packaging/org.nulvane.Nulvane.svg"));
  const QIcon icon = gui::ProgramIcon(fileSystem);
  ASSERT_FALSE(icon.isNull()) << "the SVG icon engine (libqt6svg6) is needed";
  EXPECT_FALSE(icon.pixmap(48, 48).isNull());
}

}  // namespace
}  // namespace nulvane::testing
