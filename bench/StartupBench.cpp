// The fixed cost of a run of the command line: `nulvane-cli --version` against `shred --version`, each timed
// as a whole process, warm (the programs and their libraries in the page cache; the mean of several runs in
// a row) and cold (the page cache emptied before every run, as root). Contenders take turns in an order
// that changes from round to round.
//
// Usage: StartupBench [rounds]   (default 9)
//        NULVANE_BENCH_SHORT=1 StartupBench   one round

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"

using namespace nulvane;

namespace {

// Runs in a row for one warm figure: a single start takes a few milliseconds, below the clock's noise.
constexpr int kWarmRuns = 20;

// Seconds per run of `arguments`, over `runs` runs in a row.
double TimeRuns(const std::vector<std::string>& arguments, int runs) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) bench::RunProcess(arguments);
  return bench::Seconds(start) / runs;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::Rounds(argc, argv, 1, 9);
  const int warmRuns = bench::ShortRun() ? 5 : kWarmRuns;
  const std::vector<std::string> ours = {NULVANE_CLI, "--version"};
  const std::vector<std::string> shred = {"shred", "--version"};
  std::printf("StartupBench: nulvane-cli --version against shred --version, whole processes, %s; %s\n",
              bench::Rounds(rounds).c_str(), bench::Load().c_str());
  // Both once, so that the warm rounds meet both in the cache.
  TimeRuns(ours, 1);
  TimeRuns(shred, 1);

  bench::Ratio warm;
  bench::Ratio cold;
  std::vector<double> warmOurs, warmShred, coldOurs, coldShred;
  bool canEmptyCache = true;
  for (int round = 0; round < rounds; ++round) {
    const bool oursFirst = round % 2 == 0;
    double ourWarm = 0;
    double shredWarm = 0;
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == oursFirst) {
        ourWarm = TimeRuns(ours, warmRuns);
      } else {
        shredWarm = TimeRuns(shred, warmRuns);
      }
    }
    double ourCold = 0;
    double shredCold = 0;
    for (int turn = 0; turn < 2 && canEmptyCache; ++turn) {
      canEmptyCache = bench::DropCaches();
      if (!canEmptyCache) break;
      if ((turn == 0) == oursFirst) {
        ourCold = TimeRuns(ours, 1);
      } else {
        shredCold = TimeRuns(shred, 1);
      }
    }
    warm.Add(ourWarm / shredWarm);
    warmOurs.push_back(ourWarm);
    warmShred.push_back(shredWarm);
    std::printf("round %d (%s): warm nulvane-cli %.2f ms, shred %.2f ms", round + 1, bench::Load().c_str(),
                ourWarm * 1000, shredWarm * 1000);
    if (canEmptyCache) {
      cold.Add(ourCold / shredCold);
      coldOurs.push_back(ourCold);
      coldShred.push_back(shredCold);
      std::printf("; cold nulvane-cli %.1f ms, shred %.1f ms", ourCold * 1000, shredCold * 1000);
    }
    std::printf("\n");
  }

  std::printf("medians: warm nulvane-cli %.2f ms, shred %.2f ms", bench::Median(warmOurs) * 1000,
              bench::Median(warmShred) * 1000);
  if (!cold.rounds.empty())
    std::printf("; cold nulvane-cli %.1f ms, shred %.1f ms", bench::Median(coldOurs) * 1000,
                bench::Median(coldShred) * 1000);
  std::printf("\nratios of the times per round, median (min-max):\n");
  bool all = bench::PrintVerdict("nulvane-cli/shred --version, warm", warm, false, 3.0);
  if (!cold.rounds.empty()) {
    all = bench::PrintVerdict("nulvane-cli/shred --version, cold", cold, false, 6.0) && all;
  } else {
    std::printf("  cold: not measured (emptying the page cache needs root)\n");
  }
  std::printf("\n%s (%s at the end)\n", all ? "all targets MET" : "some targets MISSED",
              bench::Load().c_str());
  return 0;
}
