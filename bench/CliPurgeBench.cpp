// nulvane-cli purging trees of 4 KiB files (type 0, one pass, folders kept), cold (the page cache emptied
// before each run, as root), against the yardstick: the plain calls of the same purge from 16 threads, run
// as a program of its own (PurgeProbe). Also beside it: the same probe with one thread, and shred -n 1 -u
// (left out at 100,000 files, where it takes minutes a round). Each contender meets a fresh tree, in an
// order that turns from round to round; whole processes are timed.
//
// Usage: CliPurgeBench [rounds]   (default 5; 3 at 100,000 files; trees under $TMPDIR or /tmp)
//        NULVANE_BENCH_SHORT=1 CliPurgeBench   one round of 2,000 files

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "PurgeProbe.h"

using namespace nulvane;

namespace {

constexpr int kFilesPerFolder = 100;

struct Size {
  int files;
  int rounds;
  bool shred;
  double target;  // median of nulvane-cli over the 16-thread probe, files per second
};

enum Contender { kCli, kProbe, kSequential, kShred, kContenders };
const char* const kNames[kContenders] = {"nulvane-cli", "16-thread probe", "1-thread probe", "shred -n 1 -u"};

// Runs one contender over `tree`; returns its seconds, or a negative number when it left files behind.
double RunContender(int contender, const std::string& tree, const std::string& settings, bool& complete) {
  const auto start = std::chrono::steady_clock::now();
  switch (contender) {
    case kCli: {
      // The same run as the window's, folder names only, emptied folders kept; its settings and user data
      // stay in the benchmark's folder.
      const int status = bench::RunProcess({NULVANE_CLI, "purge", "--yes", "--accept-residue", "--subfolders",
                                            "--keep-folders", "--type", "0", "--passes", "1", tree},
                                           {"XDG_CONFIG_HOME=" + settings, "XDG_DATA_HOME=" + settings});
      if (status != 0) std::printf("  nulvane-cli ended with status %d\n", status);
      break;
    }
    case kProbe:
      bench::RunProcess({NULVANE_PURGE_PROBE, tree, "16"});
      break;
    case kSequential:
      bench::RunProcess({NULVANE_PURGE_PROBE, tree, "1"});
      break;
    default:
      bench::RunProcess({"sh", "-c", "find '" + tree + "' -type f -exec shred -n 1 -u {} +"});
  }
  const double seconds = bench::Seconds(start);
  if (const long left = bench::CountFiles(tree); left != 0) {
    std::printf("  %s left %ld files\n", kNames[contender], left);
    complete = false;
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::Rounds(argc, argv, 1, 5);
  std::vector<Size> sizes = {{2000, rounds, true, 0.7},
                             {20000, rounds, true, 0.9},
                             {100000, bench::ShortRun() ? 1 : std::max(1, (rounds * 3 + 4) / 5), false, 0.9}};
  if (bench::ShortRun()) sizes.resize(1);
  const std::string settings = bench::MakeTempFolder("nulvane-cli-settings");
  const bool cold = bench::DropCaches();
  std::printf("CliPurgeBench: trees of 4 KiB files, %d to a folder, under %s (%s); %s; %s\n", kFilesPerFolder,
              bench::TempBase().c_str(), bench::FileSystemType(bench::TempBase()).c_str(),
              cold ? "cold: the page cache emptied before every run" : "WARM: not root, the cache stays",
              bench::Load().c_str());
  std::printf(
      "every contender runs type 0, one pass: random bytes, then zeros, each flushed, then deleted\n");
  std::printf("the probe makes %s\n", bench::PurgeProbe::kCalls);
  bool complete = true;
  bool allMet = true;
  for (const Size& size : sizes) {
    const int folders = size.files / kFilesPerFolder;
    std::map<int, std::vector<double>> rates;
    bench::Ratio toProbe;
    bench::Ratio toSequential;
    bench::Ratio toShred;
    std::printf("\n%d files in %d folders, %s (%s)\n", size.files, folders,
                bench::Rounds(size.rounds).c_str(), bench::Load().c_str());
    for (int round = 1; round <= size.rounds; ++round) {
      std::map<int, double> rate;
      for (int turn = 0; turn < kContenders; ++turn) {
        const int contender = (turn + round) % kContenders;
        if (contender == kShred && !size.shred) continue;
        const std::string tree = bench::MakeSmallFileTree("nulvane-cli", folders, kFilesPerFolder);
        if (cold) bench::DropCaches();
        rate[contender] = size.files / RunContender(contender, tree, settings, complete);
        rates[contender].push_back(rate[contender]);
        bench::RemoveTree(tree);
      }
      toProbe.Add(rate[kCli] / rate[kProbe]);
      toSequential.Add(rate[kCli] / rate[kSequential]);
      if (size.shred) toShred.Add(rate[kCli] / rate[kShred]);
      std::printf("round %d (%s): cli %.0f, probe %.0f, 1-thread probe %.0f", round, bench::Load().c_str(),
                  rate[kCli], rate[kProbe], rate[kSequential]);
      if (size.shred) std::printf(", shred %.0f", rate[kShred]);
      std::printf(" files/s\n");
      std::fflush(stdout);
    }
    std::printf("median files per second:");
    for (int contender = 0; contender < kContenders; ++contender) {
      if (!rates[contender].empty())
        std::printf(" %s %.0f;", kNames[contender], bench::Median(rates[contender]));
    }
    std::printf("\nratios per round, median (min-max):\n");
    allMet = bench::PrintVerdict("nulvane-cli/16-thread probe", toProbe, true, size.target) && allMet;
    std::printf("  %-44s %s\n", "nulvane-cli/1-thread probe", toSequential.Text().c_str());
    if (size.shred) std::printf("  %-44s %s\n", "nulvane-cli/shred -n 1 -u", toShred.Text().c_str());
    std::fflush(stdout);
  }
  bench::RemoveTree(settings);
  std::printf("\nall targets %s (%s at the end)\n", bench::Verdict(allMet), bench::Load().c_str());
  return complete ? 0 : 1;
}
