// The listing as users run it, `nulvane-cli list --subfolders FOLDER` timed as a whole process, against
// `find FOLDER -printf '%s %T@\n'` (a size and a date for every file: the same work) and `find FOLDER | wc
// -l` on the same tree of empty files, 100 to a folder, with a warm cache, in turns that change from round to
// round.
//
// Usage: ListingWalkBench [files] [rounds]   (default 100,000 files, 5 rounds; the tree under $TMPDIR or
//        /tmp); NULVANE_BENCH_SHORT=1: one round over 10,000 files

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"

using namespace nulvane;

int main(int argc, char** argv) {
  constexpr int kFilesPerFolder = 100;
  const int files = bench::ShortRun() ? 10000
                    : argc > 1        ? std::max(kFilesPerFolder, std::atoi(argv[1]))
                                      : 100000;
  const int rounds = bench::Rounds(argc, argv, 2, 5);
  const int folders = files / kFilesPerFolder;
  const std::string root = bench::MakeTempFolder("nulvane-walk");
  for (int f = 0; f < folders; ++f) {
    const std::string folder = root + "folder" + std::to_string(f) + "/";
    ::mkdir(folder.c_str(), 0755);
    for (int i = 0; i < kFilesPerFolder; ++i)
      bench::WriteFile(folder + "file" + std::to_string(i) + ".txt", "");
  }
  const std::string settings = bench::MakeTempFolder("nulvane-walk-settings");

  enum Contender { kCli, kPrintf, kCount, kContenders };
  const char* const names[kContenders] = {"nulvane-cli list --subfolders", "find -printf '%s %T@\\n'",
                                          "find | wc -l"};
  const auto run = [&](int contender) {
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    switch (contender) {
      case kCli:
        status = bench::RunProcess({NULVANE_CLI, "list", "--subfolders", root},
                                   {"XDG_CONFIG_HOME=" + settings, "XDG_DATA_HOME=" + settings});
        break;
      case kPrintf:
        status = bench::RunProcess({"find", root, "-printf", "%s %T@\\n"});
        break;
      default:
        status = bench::RunProcess({"sh", "-c", "find '" + root + "' | wc -l"});
    }
    const double seconds = bench::Seconds(start);
    if (status != 0) std::printf("  %s ended with status %d\n", names[contender], status);
    return seconds;
  };

  std::printf("ListingWalkBench: %d empty files in %d folders under %s (%s), warm cache, %s, %s\n", files,
              folders, bench::TempBase().c_str(), bench::FileSystemType(bench::TempBase()).c_str(),
              bench::Rounds(rounds).c_str(), bench::Load().c_str());
  for (int contender = 0; contender < kContenders; ++contender) run(contender);  // every one warms up once
  std::vector<double> times[kContenders];
  bench::Ratio toPrintf, toCount;
  for (int round = 1; round <= rounds; ++round) {
    double seconds[kContenders] = {};
    for (int turn = 0; turn < kContenders; ++turn) {
      const int contender = (turn + round) % kContenders;
      seconds[contender] = run(contender);
      times[contender].push_back(seconds[contender]);
    }
    toPrintf.Add(seconds[kCli] / seconds[kPrintf]);
    toCount.Add(seconds[kCli] / seconds[kCount]);
    std::printf("round %d (%s): cli %.3f s, find -printf %.3f s, find | wc -l %.3f s\n", round,
                bench::Load().c_str(), seconds[kCli], seconds[kPrintf], seconds[kCount]);
    std::fflush(stdout);
  }
  bench::RemoveTree(root);
  bench::RemoveTree(settings);

  for (int contender = 0; contender < kContenders; ++contender)
    std::printf("  median %-32s %8.3f s\n", names[contender], bench::Median(times[contender]));
  std::printf("ratios of the times per round, median (min-max):\n");
  bench::PrintVerdict("nulvane-cli/find -printf", toPrintf, false, 1.2);
  std::printf("  %-44s %s\n", "nulvane-cli/find | wc -l", toCount.Text().c_str());
  std::printf("  (%s at the end)\n", bench::Load().c_str());
  return 0;
}
