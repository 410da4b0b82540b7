// A purge run of 2,000 files of 4 KiB in 20 folders (type 0, one pass, folder names only), in alternating
// rounds against the yardstick: the plain system calls of the same purge from 16 threads (PurgeProbe.h).
// Beside them: the same probe with one thread, shred -n 1 -u over a copy of the tree, the same purge with
// every pass on the user-interface thread, and the same purge with the report window's real view attached
// (offscreen).
//
// Usage: TreePurgeBench [rounds] [threads]   (default 5 rounds and the program's worker threads; trees under
// $TMPDIR or /tmp); NULVANE_BENCH_SHORT=1: one round

#include <sys/resource.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

#include "PurgeProbe.h"
#include "ReportBenchSupport.h"
#include "gui/QtUi.h"
#include "gui/ReportView.h"

using namespace nulvane;

namespace {

constexpr int kFolders = 20;
constexpr int kFilesPerFolder = 100;
constexpr int kFiles = kFolders * kFilesPerFolder;
constexpr std::size_t kFileSize = 4096;

double ThreadCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Our purge run; returns the seconds and sets the number of files purged and the processor time the
// user-interface thread spent on it.
double Purge(platform::Ui& ui, const std::string& root, int workers, bool withView, long& purged,
             double& uiCpu, std::string* description = nullptr) {
  bench::Program program(ui);
  if (workers > 0) program.UseWorkers(workers);
  program.typeOfPurge.SelectType(0);
  program.typeOfPurge.SelectPasses(0, 1);
  program.confirmation.blnFolderNamesOnly = true;
  program.confirmation.blnDeleteEmptyFolders = false;
  program.state.blnSubdirectories = true;
  if (description != nullptr) *description = bench::PurgeDescription(program.typeOfPurge);
  auto& report = program.report;
  std::unique_ptr<gui::ReportView> view;
  if (withView) view = std::make_unique<gui::ReportView>(report);
  program.AimAtFolder(root);
  const double cpuBefore = ThreadCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  report.ProcessFiles();
  if (withView) QApplication::processEvents();
  const double seconds = bench::Seconds(start);
  uiCpu = ThreadCpuSeconds() - cpuBefore;
  purged = report.lngNumFilesPurged;
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  bench::QuietOffscreenNotes();
  QApplication application(argc, argv);
  const int rounds = bench::Rounds(argc, argv, 1, 5);
  const int threads = argc > 2 ? std::max(1, std::atoi(argv[2])) : engine::kPurgeThreads;
  bench::SilentUi silent;
  gui::QtUi qtUi;

  // Each contender meets a fresh copy of the tree, made (and flushed) before its clock starts.
  enum Contender { kOurs, kView, kInline, kProbe, kSequential, kShred, kContenders };
  const std::string workers = "ours (" + std::to_string(threads) + " workers)";
  const std::string names[kContenders] = {workers + ", headless",
                                          workers + ", with the view",
                                          "ours, one file after another",
                                          "16-thread probe",
                                          "1-thread probe",
                                          "shred -n 1 -u"};
  std::map<int, std::vector<double>> rates;
  std::map<int, std::vector<double>> uiMicroseconds;
  bench::Ratio toProbe, toSequential, toShred, viewOverHeadless;
  std::string description;
  bool complete = true;

  std::printf("TreePurgeBench: %d files of %zu bytes in %d folders under %s (%s), %s, %s\n", kFiles,
              kFileSize, kFolders, bench::TempBase().c_str(),
              bench::FileSystemType(bench::TempBase()).c_str(), bench::Rounds(rounds).c_str(),
              bench::Load().c_str());
  std::printf("the probe makes %s\n", bench::PurgeProbe::kCalls);
  for (int round = 1; round <= rounds; ++round) {
    std::map<int, double> seconds;
    for (int turn = 0; turn < kContenders; ++turn) {
      // The order turns from round to round, so that no contender always meets a warm or a busy disk.
      const int contender = (turn + round) % kContenders;
      const std::string root = bench::MakeSmallFileTree("nulvane-tree", kFolders, kFilesPerFolder);
      long done = 0;
      double cpu = 0;
      const auto start = std::chrono::steady_clock::now();
      switch (contender) {
        case kOurs:
          seconds[contender] = Purge(silent, root, threads, false, done, cpu, &description);
          break;
        case kView:
          seconds[contender] = Purge(qtUi, root, threads, true, done, cpu);
          break;
        case kInline:
          seconds[contender] = Purge(silent, root, 0, false, done, cpu);
          break;
        case kProbe:
        case kSequential:
          done = bench::PurgeProbe(contender == kProbe ? engine::kPurgeThreads : 1).Run(root);
          seconds[contender] = bench::Seconds(start);
          break;
        default:
          bench::Shell("find " + root + " -type f -exec shred -n 1 -u {} +");
          seconds[contender] = bench::Seconds(start);
          done = kFiles - bench::CountFiles(root);
      }
      if (contender == kOurs || contender == kView) uiMicroseconds[contender].push_back(cpu * 1e6 / kFiles);
      if (done != kFiles || bench::CountFiles(root) != 0) {
        std::printf("  %s purged %ld of %d files\n", names[contender].c_str(), done, kFiles);
        complete = false;
      }
      bench::RemoveTree(root);
    }
    std::printf("round %d (%s):", round, bench::Load().c_str());
    for (int contender = 0; contender < kContenders; ++contender) {
      rates[contender].push_back(kFiles / seconds[contender]);
      std::printf(" %.0f", kFiles / seconds[contender]);
    }
    std::printf(" files/s\n");
    toProbe.Add(seconds[kProbe] / seconds[kOurs]);
    toSequential.Add(seconds[kSequential] / seconds[kOurs]);
    toShred.Add(seconds[kShred] / seconds[kOurs]);
    viewOverHeadless.Add(seconds[kView] / seconds[kOurs]);
    std::fflush(stdout);
  }

  std::printf("ours runs %s\n", description.c_str());
  std::printf("median files per second of %s:\n", bench::Rounds(rounds).c_str());
  for (int contender = 0; contender < kContenders; ++contender)
    std::printf("  %-36s %8.0f\n", names[contender].c_str(), bench::Median(rates[contender]));
  std::printf(
      "  processor time of the user-interface thread per file: %.0f us headless, %.0f us with the view\n",
      bench::Median(uiMicroseconds[kOurs]), bench::Median(uiMicroseconds[kView]));
  std::printf("ratios per round, median (min-max):\n");
  bench::PrintVerdict("ours/16-thread probe, files per second", toProbe, true, 0.9);
  bench::PrintVerdict("with the view/headless, time", viewOverHeadless, false, 1.3);
  std::printf("  %-44s %s\n", "ours/1-thread probe, files per second", toSequential.Text().c_str());
  std::printf("  %-44s %s\n", "ours/shred, files per second", toShred.Text().c_str());
  std::printf("  (%s at the end)\n", bench::Load().c_str());
  return complete ? 0 : 1;
}
