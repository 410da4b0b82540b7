// Folder mode: a purge of 2,000 files of 4 KiB in 20 checked subfolders (type 0, one pass, with the
// program's worker threads) against the yardstick, the plain system calls of the same purge from 16 threads
// (PurgeProbe.h), with the same probe on one thread and shred over copies of the same tree beside them, in
// alternating rounds; and the reading of a top folder of 1,000 subfolders into the selection dialog, with
// its real view, against du -s of the same tree. Trees under $TMPDIR or /tmp.
//
// Usage: FolderPurgeBench [purge|read] [rounds]   (default both halves, 5 rounds);
//        NULVANE_BENCH_SHORT=1: one round of each

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "PurgeProbe.h"
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
  enum Contender { kOurs, kProbe, kSequential, kShred, kContenders };
  const char* const names[kContenders] = {"ours", "16-thread probe", "1-thread probe", "shred -n 1 -u"};
  std::vector<double> rates[kContenders];
  bench::Ratio toProbe, toSequential, toShred;
  std::string description;
  bool complete = true;
  std::printf("folder mode: %d files of 4 KiB in %d checked subfolders under %s, %s, %s\n", kFiles,
              kPurgeFolders, bench::TempBase().c_str(), bench::Rounds(rounds).c_str(), bench::Load().c_str());
  std::printf("the probe makes %s\n", bench::PurgeProbe::kCalls);
  for (int round = 1; round <= rounds; ++round) {
    double rate[kContenders] = {};
    for (int turn = 0; turn < kContenders; ++turn) {
      const int contender = (turn + round) % kContenders;
      const std::string tree = bench::MakeSmallFileTree("nulvane-folders", kPurgeFolders, kFilesPerFolder);
      long purged = 0;
      long left = 0;
      const auto start = std::chrono::steady_clock::now();
      if (contender == kOurs) {
        rate[contender] = kFiles / PurgeOnce(tree, purged, left, description);
      } else {
        if (contender == kShred) {
          bench::Shell("find " + tree + " -type f -exec shred -n 1 -u {} +");
        } else {
          bench::PurgeProbe(contender == kProbe ? engine::kPurgeThreads : 1).Run(tree);
        }
        rate[contender] = kFiles / bench::Seconds(start);
        left = bench::CountFiles(tree);
        purged = kFiles - left;
      }
      if (purged != kFiles || left != 0) {
        std::printf("  %s purged %ld of %d files, %ld entries left\n", names[contender], purged, kFiles,
                    left);
        complete = false;
      }
      rates[contender].push_back(rate[contender]);
      bench::RemoveTree(tree);
    }
    toProbe.Add(rate[kOurs] / rate[kProbe]);
    toSequential.Add(rate[kOurs] / rate[kSequential]);
    toShred.Add(rate[kOurs] / rate[kShred]);
    std::printf(
        "round %d (%s): ours %.0f, 16-thread probe %.0f, 1-thread probe %.0f, shred -n 1 -u %.0f files/s\n",
        round, bench::Load().c_str(), rate[kOurs], rate[kProbe], rate[kSequential], rate[kShred]);
    std::fflush(stdout);
  }
  std::printf("ours runs %s, and removes the emptied folders\n", description.c_str());
  for (int contender = 0; contender < kContenders; ++contender)
    std::printf("  median %-18s %8.0f files/s\n", names[contender], bench::Median(rates[contender]));
  std::printf("ratios per round, median (min-max):\n");
  bench::PrintVerdict("ours/16-thread probe, files per second", toProbe, true, 0.9);
  std::printf("  %-44s %s\n", "ours/1-thread probe, files per second", toSequential.Text().c_str());
  std::printf("  %-44s %s\n", "ours/shred, files per second", toShred.Text().c_str());
  std::printf("  (%s at the end)\n", bench::Load().c_str());
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
  bench::Ratio toDu;
  std::vector<double> readTimes;
  std::vector<double> duTimes;
  std::size_t rows = 0;
  std::printf("reading %d subfolders (22,000 entries) into the selection dialog, %s (%s)\n", kReadFolders,
              bench::Rounds(rounds).c_str(), bench::Load().c_str());
  bench::Shell("du -s " + tree);  // both start from a warm cache
  for (int round = 0; round < rounds; ++round) {
    double read = 0;
    double du = 0;
    for (int turn = 0; turn < 2; ++turn) {
      const auto start = std::chrono::steady_clock::now();
      if ((turn + round) % 2 == 0) {
        dialog.BeginShow();
        QApplication::processEvents();
        read = bench::Seconds(start);
        rows = dialog.Rows().size();
        dialog.cmdCancel();
      } else {
        bench::Shell("du -s " + tree + " >/dev/null");
        du = bench::Seconds(start);
      }
    }
    readTimes.push_back(read);
    duTimes.push_back(du);
    toDu.Add(read / du);
  }
  bench::RemoveTree(tree);
  std::printf("  ours, with the view:  %7.3f s median  (%zu rows)\n", bench::Median(readTimes), rows);
  std::printf("  du -s:                %7.3f s median\n", bench::Median(duTimes));
  bench::PrintVerdict("ours/du, time", toDu, false, 2.0);
  std::printf("  (%s at the end)\n", bench::Load().c_str());
  return rows == static_cast<std::size_t>(kReadFolders);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  bench::QuietOffscreenNotes();
  QApplication application(argc, argv);
  // "purge" or "read" runs one half only.
  const std::string only = argc > 1 ? argv[1] : "";
  const int rounds = bench::Rounds(argc, argv, 2, 5);
  bool ok = true;
  if (only != "read") ok = BenchPurge(rounds) && ok;
  if (only != "purge") ok = BenchReading(rounds) && ok;
  return ok ? 0 : 1;
}
