#pragma once

// Shared pieces of the report window's benchmarks: a program below the main window without a screen.

#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/ClusterSizeTable.h"
#include "engine/PassPool.h"
#include "engine/PurgeEngine.h"
#include "platform/Clock.h"
#include "platform/PosixFileSystem.h"
#include "report/ReportHost.h"
#include "report/ReportWindow.h"
#include "support/OperationState.h"

namespace nulvane::bench {

class SilentUi : public platform::Ui {
 public:
  platform::Answer Message(const std::string&, const std::string&, platform::Buttons, platform::Icon,
                           platform::Answer) override {
    return platform::Answer::Ok;
  }
  void ShowModal(platform::Dialog& dialog) override { dialog.CloseRequested(); }
  platform::FileDialogResult OpenFileDialog(const platform::FileDialogRequest&) override { return {}; }
  platform::FileDialogResult SaveFileDialog(const platform::FileDialogRequest&) override { return {}; }
  std::string BrowseForFolder(const std::string&) override { return {}; }
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  bool OpenUrl(const std::string&) override { return false; }
  void Yield() override {}
  void Wait(int) override {}
  std::string clipboard;
};

class SilentHost : public report::ReportHost {
 public:
  std::string folder;
  std::string files;
  std::string DirectoryCaption() const override { return folder; }
  std::string FilesCaption() const override { return files; }
  std::string TypeOfPurgeCaption() const override { return "type"; }
  void SetEstimatedTimeCaption(const std::string&) override {}
  void HideMainWindow() override {}
  void ShowMainWindow() override {}
};

struct Program {
  explicit Program(platform::Ui& ui) : ui(ui) { typeOfPurge.Initialization(); }
  // As the program purges: several files in flight on worker threads.
  void UseWorkers(int threads = engine::kPurgeThreads) {
    workers = std::make_unique<engine::PassPool>(fs, threads);
    report.UsePassExecutor(workers.get());
  }
  // Aims the report window at a purge of every file in `folder` and shows it, as "Purge files" does.
  void AimAtFolder(const std::string& folder) {
    host.folder = folder;
    host.files = "*.*";
    report.blnPurgeFiles = true;
    report.blnListFiles = false;
    report.strNextDirPath = folder;
    report.strCurrentFileSpec = "*.*";
    report.Show();
  }
  platform::Ui& ui;
  platform::PosixFileSystem fs;
  platform::SystemClock clock;
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes{fs};
  engine::PurgeEngine engine{fs, ui, clusterSizes, state};
  dialogs::TypeOfPurgeDialog typeOfPurge{ui};
  dialogs::PurgeConfirmationDialog confirmation{clusterSizes, state};
  SilentHost host;
  report::ReportWindow report{fs, ui, clock, state, engine, typeOfPurge, confirmation, host};
  std::unique_ptr<engine::PassPool> workers;
};

// The purge the type-of-purge dialog holds, as it stands: "type 0 (random bytes plus zeros once), 1 pass,
// 2 overwrites per file, each flushed".
inline std::string PurgeDescription(const dialogs::TypeOfPurgeDialog& typeOfPurge) {
  const int passes = typeOfPurge.GetNumberOfPasses();
  return "type " + std::to_string(typeOfPurge.GetPurgeType()) + " (" +
         dialogs::PurgeTypeNumPasses(typeOfPurge.GetPurgeType(), passes) + "), " + std::to_string(passes) +
         (passes == 1 ? " pass, " : " passes, ") + std::to_string(typeOfPurge.GetNumOverwrites()) +
         " overwrites per file, each flushed";
}

// The offscreen platform's notes about window sizes would drown the figures.
inline void QuietOffscreenNotes() {
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (message.contains(QStringLiteral("propagateSizeHints")) ||
        message.contains(QStringLiteral("XDG_RUNTIME_DIR")))
      return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg) std::abort();
  });
}

}  // namespace nulvane::bench
