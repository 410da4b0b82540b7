// Counting walk of the listing over 100,000 files in 1,000 folders, against find on the same tree (under
// $TMPDIR or /tmp).

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "ReportBenchSupport.h"

using namespace nulvane;

int main() {
  constexpr int kFolders = 1000;
  constexpr int kFilesPerFolder = 100;
  const std::string root = bench::MakeTempFolder("nulvane-walk");
  for (int f = 0; f < kFolders; ++f) {
    const std::string folder = root + "folder" + std::to_string(f) + "/";
    ::mkdir(folder.c_str(), 0755);
    // Half of the names match the file pattern, so matching is measured as well as listing.
    for (int i = 0; i < kFilesPerFolder; ++i) {
      bench::WriteFile(folder + "file" + std::to_string(i) + (i % 2 == 0 ? ".txt" : ".dat"), "");
    }
  }

  bench::SilentUi ui;
  bench::Program program(ui);
  program.state.blnSubdirectories = true;
  auto& report = program.report;

  double ours = 1e9;
  double find = 1e9;
  long ourCount = 0;
  long findCount = 0;
  const std::string findCommand = "find " + root + " -name '*.txt' | wc -l";
  bench::Shell(findCommand);  // warm the cache for both
  for (int round = 0; round < 5; ++round) {
    auto start = std::chrono::steady_clock::now();
    report.blnPurgeFiles = false;
    report.blnListFiles = false;
    report.intStopAt = 0;
    report.lngNumFilesProcessed = 0;
    report.ListFilesRecursive(root, "*.txt");
    ours = std::min(ours, bench::Seconds(start));
    ourCount = report.lngNumFilesProcessed;

    start = std::chrono::steady_clock::now();
    findCount = std::stol(bench::Shell(findCommand));
    find = std::min(find, bench::Seconds(start));
  }
  bench::RemoveTree(root);

  std::printf("counting walk, %d files in %d folders under %s, best of 5 (%s)\n", kFolders * kFilesPerFolder,
              kFolders, bench::TempBase().c_str(), bench::Load().c_str());
  std::printf("  ours: %8.1f ms  (%ld matching)\n", ours * 1000, ourCount);
  std::printf("  find: %8.1f ms  (%ld matching)\n", find * 1000, findCount);
  std::printf("  ratio ours/find: %.2f (target <= 2.0)  %s\n", ours / find,
              bench::Verdict(ours / find <= 2.0));
  return ourCount == findCount ? 0 : 1;
}
