// Pictures of the real window for the README: the main window with a sample folder chosen, the report of a
// listing, and the type-of-purge dialog. scripts/screenshots runs it under Xvfb on a generated sample tree.
//
//   nulvane-screenshots OUTPUT_FOLDER SAMPLE_FOLDER
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <map>

#include "gui/MainWindowView.h"
#include "gui/Program.h"
#include "gui/QtUi.h"
#include "gui/ReportView.h"
#include "platform/PosixFileSystem.h"
#include "support/Drive.h"
#include "support/Locale.h"

using namespace nulvane;

namespace {

// The user at the window: the folder chooser answered with the sample folder and the window's questions
// answered as a user would; everything else is the real Qt Ui.
class ScriptedUser final : public platform::Ui {
 public:
  ScriptedUser(platform::Ui& real, std::string folder) : real_(real), folder_(std::move(folder)) {}

  platform::Answer Message(const std::string& title, const std::string& text, platform::Buttons buttons,
                           platform::Icon icon, platform::Answer defaultButton) override {
    for (const auto& [start, answer] : answers_) {
      if (text.rfind(start, 0) == 0) return answer;
    }
    return real_.Message(title, text, buttons, icon, defaultButton);
  }
  void ShowModal(platform::Dialog& dialog) override { real_.ShowModal(dialog); }
  platform::FileDialogResult OpenFileDialog(const platform::FileDialogRequest& request) override {
    return real_.OpenFileDialog(request);
  }
  platform::FileDialogResult SaveFileDialog(const platform::FileDialogRequest& request) override {
    return real_.SaveFileDialog(request);
  }
  std::string BrowseForFolder(const std::string&) override { return folder_; }
  void SetClipboardText(const std::string&) override {}
  bool OpenUrl(const std::string&) override { return false; }
  void Yield() override { real_.Yield(); }
  void Wait(int milliseconds) override { real_.Wait(milliseconds); }

 private:
  platform::Ui& real_;
  std::string folder_;
  const std::map<std::string, platform::Answer> answers_ = {
      {"Do you wish to purge ALL files in", platform::Answer::Yes},
      {"If you wish also to purge all files in subfolders", platform::Answer::Ok},
      {"Suppress display of folder names?", platform::Answer::No},
  };
};

// Keeps the stored speeds in memory: the pictures never touch the user's settings.
class NoSettings final : public platform::SettingsBackend {
 public:
  platform::KeyResult CreateOrOpenKey(const std::string&) override {
    return {platform::KeyDisposition::Existed, 0};
  }
  int WriteString(const std::string&, const std::string&, const std::string&) override { return 0; }
  bool OpenKeyForReading(const std::string&) override { return false; }
  platform::ReadResult ReadString(const std::string&, const std::string&) override { return {}; }
  std::string StatusMessage(int) override { return ""; }
};

void Settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QApplication::sendPostedEvents();
  }
}

bool Save(QWidget& widget, const std::string& path) {
  Settle();
  const bool saved = widget.grab().save(QString::fromStdString(path), "PNG");
  std::printf("%s %s\n", saved ? "saved" : "could not save", path.c_str());
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER SAMPLE_FOLDER\n", argv[0]);
    return 2;
  }
  const std::string out = std::string(argv[1]) + "/";
  std::string sample = argv[2];
  if (sample.back() != '/') sample += '/';
  support::SetLocale(support::SystemLocale());

  platform::PosixFileSystem fileSystem;
  gui::QtUi qtUi;
  ScriptedUser user(qtUi, sample);
  gui::Program program(fileSystem, user, qtUi);
  NoSettings settings;
  if (!program.Start(&settings)) return 1;
  mainwindow::MainWindow& window = program.mainWindow;
  window.Clock2Tick();

  window.cmdSpecifyDirectory_Release(0);
  window.cmdSubdirectories_Release();
  // A measured speed, so that the listing ends with its estimates (given here, not measured).
  const std::string drive = support::DriveOf(fileSystem, sample);
  program.state.sngSpeedByDrive[drive] = 85.0f;
  program.speedTest->ShowPurgeSpeed(drive, false);
  program.mainView().resize(program.mainView().sizeHint());
  bool ok = Save(program.mainView(), out + "main-window.png");

  window.cmdProcessFiles_Release(2);
  program.reportView().resize(760, 560);
  ok = Save(program.reportView(), out + "listing-report.png") && ok;
  program.report.cmdClose_Click();

  QTimer::singleShot(300, [&] {
    if (QWidget* dialog = QApplication::activeModalWidget())
      ok = Save(*dialog, out + "type-of-purge.png") && ok;
    program.typeOfPurge.cmdCancel();
  });
  window.cmdTypeOfPurge_Release();
  return ok ? 0 : 1;
}
