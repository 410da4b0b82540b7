// How long the window goes without answering while it purges one large file: the longest gap between two
// turns of the event loop during a purge run of a 4 GiB sparse file and of a 1 GiB file, through the report
// window's logic with its real view attached (offscreen), as the program runs it (type 0, one pass, file
// names shown). "inline" as the argument adds the same runs with every pass on the user-interface thread.
//
// Usage: WindowResponseBench [inline]   (files under $TMPDIR or /tmp; needs 4 GiB free there);
//        NULVANE_BENCH_SHORT=1: a 256 MiB sparse file and a 64 MiB file

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "ReportBenchSupport.h"
#include "gui/QtUi.h"
#include "gui/ReportView.h"

using namespace nulvane;

namespace {

constexpr std::int64_t kMiB = std::int64_t{1} << 20;
constexpr double kTarget = 100;  // milliseconds

void MakeFile(const std::string& path, std::int64_t size, bool sparse) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("cannot create " + path);
  if (sparse) {
    if (::ftruncate(fd, size) != 0) throw std::runtime_error("cannot size " + path);
  } else {
    const std::string block(static_cast<std::size_t>(kMiB), 'd');
    for (std::int64_t done = 0; done < size; done += kMiB) {
      if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size()))
        throw std::runtime_error("cannot write " + path);
    }
    ::fsync(fd);
  }
  ::close(fd);
}

struct Result {
  double seconds = 0;
  double longestGap = 0;  // milliseconds
  long turns = 0;
  long purged = 0;
  std::string description;
};

Result PurgeWatched(gui::QtUi& ui, const std::string& folder, bool workers) {
  bench::Program program(ui);
  if (workers) program.UseWorkers();
  program.typeOfPurge.SelectType(0);
  program.typeOfPurge.SelectPasses(0, 1);
  program.confirmation.blnFolderNamesOnly = false;
  gui::ReportView view(program.report);
  auto& report = program.report;
  program.AimAtFolder(folder);
  QApplication::processEvents();

  // A timer due every millisecond fires at each turn of the event loop: the gaps between its firings are
  // the times the window could not answer.
  Result result;
  result.description = bench::PurgeDescription(program.typeOfPurge);
  using Clock = std::chrono::steady_clock;
  Clock::time_point last = Clock::now();
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    result.longestGap =
        std::max(result.longestGap, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
    ++result.turns;
  });
  ticker.start(1);
  const auto start = Clock::now();
  last = start;
  report.ProcessFiles();
  const Clock::time_point end = Clock::now();
  result.longestGap =
      std::max(result.longestGap, std::chrono::duration<double, std::milli>(end - last).count());
  ticker.stop();
  result.seconds = std::chrono::duration<double>(end - start).count();
  result.purged = report.lngNumFilesPurged;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  bench::QuietOffscreenNotes();
  QApplication application(argc, argv);
  const bool alsoInline = argc > 1 && std::string(argv[1]) == "inline";
  gui::QtUi ui;
  struct Case {
    const char* name;
    std::int64_t size;
    bool sparse;
  };
  std::printf("WindowResponseBench under %s (%s), %s\n", bench::TempBase().c_str(),
              bench::FileSystemType(bench::TempBase()).c_str(), bench::Load().c_str());
  bool complete = true;
  const bool quick = bench::ShortRun();
  const Case cases[] = {
      quick ? Case{"256 MiB sparse file", 256 * kMiB, true} : Case{"4 GiB sparse file", 4096 * kMiB, true},
      quick ? Case{"64 MiB file", 64 * kMiB, false} : Case{"1 GiB file", 1024 * kMiB, false}};
  for (const bool workers : {true, false}) {
    if (!workers && !alsoInline) break;
    for (const Case& c : cases) {
      const std::string folder = bench::MakeTempFolder("nulvane-response");
      MakeFile(folder + "large.dat", c.size, c.sparse);
      ::sync();
      const Result result = PurgeWatched(ui, folder, workers);
      bench::RemoveTree(folder);
      complete = complete && result.purged == 1;
      std::printf(
          "%s, %s: %.1f s (%.0f MB/s per overwrite), %ld turns, longest gap %.0f ms (target <= %.0f) %s"
          " (%s)\n",
          c.name, workers ? "workers" : "every pass on the user-interface thread", result.seconds,
          2 * static_cast<double>(c.size) / 1e6 / result.seconds, result.turns, result.longestGap, kTarget,
          bench::Verdict(result.longestGap <= kTarget), bench::Load().c_str());
      std::printf("  ran %s\n", result.description.c_str());
      std::fflush(stdout);
    }
  }
  std::printf("(%s at the end)\n", bench::Load().c_str());
  return complete ? 0 : 1;
}
