// Folder mode: a purge of 2,000 files of 4 KiB in 20 checked subfolders (type 0, one pass) against shred
// over a copy of the same tree; and the reading of a top folder of 1,000 subfolders into the selection
// dialog, with its real view, against du -s of the same tree.

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "ReportBenchSupport.h"
#include "dialogs/SelectSubfoldersDialog.h"
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
  platform::Label top, message, large, subfolders;
};

std::string MakePurgeTree(const char* stem) {
  const std::string root = bench::MakeTempFolder(stem);
  platform::Random random;
  std::string content(4096, '\0');
  for (int f = 0; f < kPurgeFolders; ++f) {
    const std::string folder = root + "folder" + std::to_string(f) + "/";
    ::mkdir(folder.c_str(), 0755);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      for (auto& c : content) c = static_cast<char>(random.RandomInteger(0, 255));
      bench::WriteFile(folder + "file" + std::to_string(i) + ".txt", content);
    }
  }
  ::sync();
  return root;
}

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

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Prints the figures; false when the purge did not purge every file.
bool BenchPurge() {
  const std::string purgeTree = MakePurgeTree("nulvane-folders-a");
  const std::string shredTree = MakePurgeTree("nulvane-folders-b");
  AcceptingUi ui;
  bench::Program program(ui);
  program.typeOfPurge.SelectType(0);
  program.typeOfPurge.SelectPasses(0, 1);
  dialogs::SelectSubfoldersDialog dialog(program.fs, ui);
  SilentFolderHost host;
  mainwindow::FolderPurge folderPurge(host, program.fs, ui, program.state, program.engine,
                                      program.typeOfPurge, dialog);
  program.state.strTopLevelFolder = purgeTree;
  auto start = std::chrono::steady_clock::now();
  folderPurge.PurgeFolders();
  const double ours = bench::Seconds(start);
  const long purged = program.state.lngFilesPurged - program.state.lngFilesNotPurged;
  const long oursLeft = std::stol(bench::Shell("find " + purgeTree + " -mindepth 1 | wc -l"));

  start = std::chrono::steady_clock::now();
  bench::Shell("find " + shredTree + " -type f -exec shred -n 1 -u {} +");
  const double shred = bench::Seconds(start);
  const long shredLeft = std::stol(bench::Shell("find " + shredTree + " -type f | wc -l"));
  bench::RemoveTree(purgeTree);
  bench::RemoveTree(shredTree);

  std::printf("folder mode: %d files of 4 KiB in %d checked subfolders (type 0, one pass)\n", kFiles,
              kPurgeFolders);
  std::printf("  ours:           %7.2f s  %8.0f files/s  (%ld purged, %ld entries left)\n", ours,
              kFiles / ours, purged, oursLeft);
  std::printf("  shred -n 1 -u:  %7.2f s  %8.0f files/s  (%ld left)\n", shred, kFiles / shred, shredLeft);
  std::printf("  ours/shred files per second: %.2f (target >= 4)\n", shred / ours);
  return purged == kFiles && oursLeft == 0;
}

// Prints the figures; false when not every subfolder became a row.
bool BenchReading() {
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
  for (int round = 0; round < kRounds; ++round) {
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
  const double read = Median(readTimes);
  const double du = Median(duTimes);
  std::printf("reading %d subfolders (22,000 entries) into the selection dialog, median of %d rounds\n",
              kReadFolders, kRounds);
  std::printf("  ours, with the view:  %7.3f s  (%zu rows)\n", read, rows);
  std::printf("  du -s:                %7.3f s\n", du);
  std::printf("  ours/du: %.2f (target <= 2)\n", read / du);
  return rows == static_cast<std::size_t>(kReadFolders);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  // "purge" or "read" runs one half only.
  const std::string only = argc > 1 ? argv[1] : "";
  bool ok = true;
  if (only != "read") ok = BenchPurge() && ok;
  if (only != "purge") ok = BenchReading() && ok;
  return ok ? 0 : 1;
}
