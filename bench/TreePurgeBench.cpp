// A purge run of 2,000 files of 4 KiB in 20 folders (type 0, one pass, folder names only), in alternating
// rounds against: a sequential probe making the same system calls one file after another (open, write,
// flush, write, flush, unlink), shred -n 1 -u over a copy of the tree, the same purge with every pass on the
// user-interface thread, and the same purge with the report window's real view attached (offscreen).
//
// Usage: TreePurgeBench [rounds] [threads]   (default 5 rounds and the program's worker threads; trees under
// $TMPDIR or /tmp)

#include <sys/resource.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "ReportBenchSupport.h"
#include "gui/QtUi.h"
#include "gui/ReportView.h"

using namespace nulvane;

namespace {

constexpr int kFolders = 20;
constexpr int kFilesPerFolder = 100;
constexpr int kFiles = kFolders * kFilesPerFolder;
constexpr std::size_t kFileSize = 4096;

struct Tree {
  std::string root;
  std::vector<std::string> files;
};

Tree MakeTree(const char* stem, std::uint64_t& seed) {
  Tree tree{bench::MakeTempFolder(stem), {}};
  std::string content(kFileSize, '\0');
  for (int f = 0; f < kFolders; ++f) {
    const std::string folder = tree.root + "folder" + std::to_string(f) + "/";
    ::mkdir(folder.c_str(), 0755);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      for (std::size_t at = 0; at + 8 <= content.size(); at += 8) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        std::memcpy(content.data() + at, &seed, 8);
      }
      tree.files.push_back(folder + "file" + std::to_string(i) + ".txt");
      bench::WriteFile(tree.files.back(), content);
    }
  }
  return tree;
}

long FilesLeft(const std::string& root) {
  return std::stol(bench::Shell("find " + root + " -type f | wc -l"));
}

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

// The same calls our purge makes for each file, one file after another: what one process flushing twice
// per file in sequence reaches.
double Probe(const Tree& tree, long& purged) {
  std::string random(kFileSize, '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>(i * 7919 + 13);
  const std::string zeros(kFileSize, '\0');
  const auto start = std::chrono::steady_clock::now();
  purged = 0;
  for (const std::string& path : tree.files) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    const bool written = ::pwrite(fd, random.data(), random.size(), 0) == static_cast<ssize_t>(kFileSize) &&
                         ::fsync(fd) == 0 &&
                         ::pwrite(fd, zeros.data(), zeros.size(), 0) == static_cast<ssize_t>(kFileSize) &&
                         ::fsync(fd) == 0;
    ::close(fd);
    if (written && ::unlink(path.c_str()) == 0) ++purged;
  }
  return bench::Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  bench::QuietOffscreenNotes();
  QApplication application(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int threads = argc > 2 ? std::max(1, std::atoi(argv[2])) : engine::kPurgeThreads;
  bench::SilentUi silent;
  gui::QtUi qtUi;

  // Each contender meets a fresh copy of the tree, made (and flushed) before its clock starts.
  enum Contender { kOurs, kView, kInline, kProbe, kShred, kContenders };
  const std::string workers = "ours (" + std::to_string(threads) + " workers)";
  const std::string names[kContenders] = {workers + ", headless", workers + ", with the view",
                                          "ours, one file after another", "sequential probe, 2 flushes/file",
                                          "shred -n 1 -u"};
  std::map<int, std::vector<double>> rates;
  std::map<int, std::vector<double>> uiMicroseconds;
  std::vector<double> viewOverHeadless;
  std::uint64_t seed = 0x9e3779b97f4a7c15ULL;
  std::string description;
  bool complete = true;

  std::printf("TreePurgeBench: %d files of %zu bytes in %d folders under %s (%s), %d rounds, %s\n", kFiles,
              kFileSize, kFolders, bench::TempBase().c_str(),
              bench::FileSystemType(bench::TempBase()).c_str(), rounds, bench::Load().c_str());
  for (int round = 1; round <= rounds; ++round) {
    std::map<int, double> seconds;
    for (int turn = 0; turn < kContenders; ++turn) {
      // The order turns from round to round, so that no contender always meets a warm or a busy disk.
      const int contender = (turn + round) % kContenders;
      const Tree tree = MakeTree("nulvane-tree", seed);
      ::sync();
      long done = 0;
      double cpu = 0;
      switch (contender) {
        case kOurs:
          seconds[contender] = Purge(silent, tree.root, threads, false, done, cpu, &description);
          break;
        case kView:
          seconds[contender] = Purge(qtUi, tree.root, threads, true, done, cpu);
          break;
        case kInline:
          seconds[contender] = Purge(silent, tree.root, 0, false, done, cpu);
          break;
        case kProbe:
          seconds[contender] = Probe(tree, done);
          break;
        default: {
          const auto start = std::chrono::steady_clock::now();
          bench::Shell("find " + tree.root + " -type f -exec shred -n 1 -u {} +");
          seconds[contender] = bench::Seconds(start);
          done = kFiles - FilesLeft(tree.root);
        }
      }
      if (contender == kOurs || contender == kView) uiMicroseconds[contender].push_back(cpu * 1e6 / kFiles);
      if (done != kFiles || FilesLeft(tree.root) != 0) {
        std::printf("  %s purged %ld of %d files\n", names[contender].c_str(), done, kFiles);
        complete = false;
      }
      bench::RemoveTree(tree.root);
    }
    std::printf("round %d (%s):", round, bench::Load().c_str());
    for (int contender = 0; contender < kContenders; ++contender) {
      rates[contender].push_back(kFiles / seconds[contender]);
      std::printf(" %.0f", kFiles / seconds[contender]);
    }
    std::printf(" files/s\n");
    viewOverHeadless.push_back(seconds[kView] / seconds[kOurs]);
    std::fflush(stdout);
  }

  std::printf("ours runs %s\n", description.c_str());
  std::printf("median files per second of %d rounds:\n", rounds);
  for (int contender = 0; contender < kContenders; ++contender)
    std::printf("  %-36s %8.0f\n", names[contender].c_str(), bench::Median(rates[contender]));
  std::printf(
      "  processor time of the user-interface thread per file: %.0f us headless, %.0f us with the view\n",
      bench::Median(uiMicroseconds[kOurs]), bench::Median(uiMicroseconds[kView]));
  const double toProbe = bench::Median(rates[kOurs]) / bench::Median(rates[kProbe]);
  const double toShred = bench::Median(rates[kOurs]) / bench::Median(rates[kShred]);
  const double view = bench::Median(viewOverHeadless);
  std::printf("  ours/probe files per second:   %5.2f (target >= 3)    %s\n", toProbe,
              bench::Verdict(toProbe >= 3));
  std::printf("  ours/shred files per second:   %5.2f (target >= 4)    %s\n", toShred,
              bench::Verdict(toShred >= 4));
  std::printf("  with the view/headless time:   %5.2f (target <= 1.3)  %s\n", view,
              bench::Verdict(view <= 1.3));
  std::printf("  (%s at the end)\n", bench::Load().c_str());
  return complete ? 0 : 1;
}
