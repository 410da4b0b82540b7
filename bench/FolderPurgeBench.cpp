// Folder mode: a purge of 2,000 files of 4 KiB in 20 checked subfolders (type 0, one pass, with the
// program's worker threads) against shred over a copy of the same tree, in alternating rounds; and the
// reading of a top folder of 1,000 subfolders into the selection dialog, with its real view, against du -s
// of the same tree. Trees under $TMPDIR or /tmp.
//
// Usage: FolderPurgeBench [purge|read] [rounds]   (default both halves, 5 rounds)

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "ReportBenchSupport.h"
#include "dialogs/SelectSubfoldersDialog.h"
#include "engine/PassPool.h"
#include "gui/QtUi.h"
#include "gui/SelectSubfoldersView.h"
#include "mainwindow/FolderPurge.h"

using namespace nulvane;

namespace {

constexpr int kPurgeFolders = 20;
constexpr int kFilesPerFolder = 100;
constexpr int kFiles = kPurgeFolders * kFilesPerFolder;
constexpr int kReadFolders = 1000;
constexpr int kRounds = 5;

// Answers every question with Yes or OK, and checks every row of the selection dialog.
class AcceptingUi : public bench::SilentUi {
 public:
  platform::Answer Message(const std::string&, const std::string&, platform::Buttons buttons, platform::Icon,
                           platform::Answer) override {
    return buttons == platform::Buttons::YesNo ? platform::Answer::Yes : platform::Answer::Ok;
  }
  void ShowModal(platform::Dialog& dialog) override {
    dialog.BeginShow();
    auto& chosen = static_cast<dialogs::SelectSubfoldersDialog&>(dialog);
    chosen.cmdSelectDeselectAllSubfolders_Click(1);
    chosen.cmdAccept();
  }
};

class SilentFolderHost : public mainwindow::FolderPurgeHost {
 public:
  void SetRunning(bool) override {}
  mainwindow::FolderPurgeLabels FolderPurgeLabelsOf() override { return {top, message, large, subfolders}; }
  void Repaint() override {}
  bool ConfirmResidue(const std::string&, const std::string&) override { return true; }
  void OfferFreeSpacePurges() override {}
  platform::Label top, message, large, subfolders;
};

// 1,000 subfolders, each with ten small files and a folder of ten more.
std::string MakeReadTree() {
  const std::string root = bench::MakeTempFolder("nulvane-read");
  const std::string content(1000, 'r');
  for (int f = 0; f < kReadFolders; ++f) {
    const std::string folder = root + "sub" + std::to_string(f) + "/";
    ::mkdir(folder.c_str(), 0755);
    ::mkdir((folder + "inner").c_str(), 0755);
    for (int i = 0; i < 10; ++i) {
      bench::WriteFile(folder + "f" + std::to_string(i), content);
      bench::WriteFile(folder + "inner/g" + std::to_string(i), content);
    }
  }
  return root;
}

// One purge by folder mode; returns the seconds, and sets what was purged and what is left.
double PurgeOnce(const std::string& tree, long& purged, long& left, std::string& description) {
  AcceptingUi ui;
  bench::Program program(ui);
  engine::PassPool workers(program.fs, engine::kPurgeThreads);
  program.typeOfPurge.SelectType(0);
  program.typeOfPurge.SelectPasses(0, 1);
  description = bench::PurgeDescription(program.typeOfPurge);
  dialogs::SelectSubfoldersDialog dialog(program.fs, ui);
  SilentFolderHost host;
  mainwindow::FolderPurge folderPurge(host, program.fs, ui, program.state, program.engine,
                                      program.typeOfPurge, dialog);
  folderPurge.UsePassExecutor(&workers);
  program.state.strTopLevelFolder = tree;
  const auto start = std::chrono::steady_clock::now();
  folderPurge.PurgeFolders();
  const double seconds = bench::Seconds(start);
  purged = program.state.lngFilesPurged - program.state.lngFilesNotPurged;
  left = std::stol(bench::Shell("find " + tree + " -mindepth 1 | wc -l"));
  return seconds;
}

// Prints the figures; false when the purge did not purge every file.
bool BenchPurge(int rounds) {
  std::vector<double> ours;
  std::vector<double> shred;
  std::string description;
  bool complete = true;
  std::printf("folder mode: %d files of 4 KiB in %d checked subfolders under %s, %d rounds, %s\n", kFiles,
              kPurgeFolders, bench::TempBase().c_str(), rounds, bench::Load().c_str());
  for (int round = 1; round <= rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const std::string tree = bench::MakeSmallFileTree("nulvane-folders", kPurgeFolders, kFilesPerFolder);
      if ((turn + round) % 2 == 0) {
        long purged = 0;
        long left = 0;
        ours.push_back(kFiles / PurgeOnce(tree, purged, left, description));
        if (purged != kFiles || left != 0) {
          std::printf("  ours purged %ld of %d files, %ld entries left\n", purged, kFiles, left);
          complete = false;
        }
      } else {
        const auto start = std::chrono::steady_clock::now();
        bench::Shell("find " + tree + " -type f -exec shred -n 1 -u {} +");
        shred.push_back(kFiles / bench::Seconds(start));
        if (std::stol(bench::Shell("find " + tree + " -type f | wc -l")) != 0) complete = false;
      }
      bench::RemoveTree(tree);
    }
    std::printf("round %d (%s): ours %.0f, shred -n 1 -u %.0f files/s\n", round, bench::Load().c_str(),
                ours.back(), shred.back());
    std::fflush(stdout);
  }
  const double ratio = bench::Median(ours) / bench::Median(shred);
  std::printf("ours runs %s\n", description.c_str());
  std::printf("  median ours:          %8.0f files/s\n", bench::Median(ours));
  std::printf("  median shred -n 1 -u: %8.0f files/s\n", bench::Median(shred));
  std::printf("  ours/shred files per second: %.2f (target >= 4)  %s\n", ratio, bench::Verdict(ratio >= 4));
  return complete;
}

// Prints the figures; false when not every subfolder became a row.
bool BenchReading(int rounds) {
  const std::string tree = MakeReadTree();
  gui::QtUi ui;
  platform::PosixFileSystem fileSystem;
  dialogs::SelectSubfoldersDialog dialog(fileSystem, ui);
  gui::SelectSubfoldersView view(dialog);
  dialog.strTopFolder = tree;
  std::vector<double> readTimes;
  std::vector<double> duTimes;
  std::size_t rows = 0;
  bench::Shell("du -s " + tree);  // both start from a warm cache
  for (int round = 0; round < rounds; ++round) {
    auto start = std::chrono::steady_clock::now();
    dialog.BeginShow();
    QApplication::processEvents();
    readTimes.push_back(bench::Seconds(start));
    rows = dialog.Rows().size();
    dialog.cmdCancel();
    start = std::chrono::steady_clock::now();
    bench::Shell("du -s " + tree + " >/dev/null");
    duTimes.push_back(bench::Seconds(start));
  }
  bench::RemoveTree(tree);
  const double read = bench::Median(readTimes);
  const double du = bench::Median(duTimes);
  std::printf("reading %d subfolders (22,000 entries) into the selection dialog, median of %d rounds (%s)\n",
              kReadFolders, rounds, bench::Load().c_str());
  std::printf("  ours, with the view:  %7.3f s  (%zu rows)\n", read, rows);
  std::printf("  du -s:                %7.3f s\n", du);
  std::printf("  ours/du: %.2f (target <= 2)  %s\n", read / du, bench::Verdict(read / du <= 2));
  return rows == static_cast<std::size_t>(kReadFolders);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  bench::QuietOffscreenNotes();
  QApplication application(argc, argv);
  // "purge" or "read" runs one half only.
  const std::string only = argc > 1 ? argv[1] : "";
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : kRounds;
  bool ok = true;
  if (only != "read") ok = BenchPurge(rounds) && ok;
  if (only != "purge") ok = BenchReading(rounds) && ok;
  return ok ? 0 : 1;
}
