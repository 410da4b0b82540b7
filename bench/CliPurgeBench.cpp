// nulvane-cli purging 2,000 files of 4 KiB in 20 folders (type 0, one pass), against shred -n 1 -u over a
// copy of the same tree, and the same purge by the window's logic in this process (as TreePurgeBench runs
// it, with its worker threads), in alternating rounds: the command line's files per second over shred's
// should be at least the window's.
//
// Usage: CliPurgeBench [rounds]   (default 5; trees under $TMPDIR or /tmp)

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

#include "ReportBenchSupport.h"

using namespace nulvane;

namespace {

constexpr int kFolders = 20;
constexpr int kFilesPerFolder = 100;
constexpr int kFiles = kFolders * kFilesPerFolder;

// Runs nulvane-cli itself, with no shell in between, so that only the program's own start is timed; its
// settings and user data stay in the benchmark's folder. Returns the exit status.
int RunCli(const std::string& settings, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), NULVANE_CLI);
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment = {"XDG_CONFIG_HOME=" + settings, "XDG_DATA_HOME=" + settings};
  for (const char* name : {"PATH", "HOME", "LANG", "TMPDIR"}) {
    if (const char* value = std::getenv(name)) environment.push_back(std::string(name) + "=" + value);
  }
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int failed = ::posix_spawn(&child, NULVANE_CLI, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("cannot start " NULVANE_CLI);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

long FilesLeft(const std::string& root) {
  return std::stol(bench::Shell("find " + root + " -type f | wc -l"));
}

double InProcess(const std::string& root, long& purged, std::string& description) {
  bench::SilentUi silent;
  bench::Program program(silent);
  program.UseWorkers();
  program.typeOfPurge.SelectType(0);
  program.typeOfPurge.SelectPasses(0, 1);
  program.confirmation.blnFolderNamesOnly = true;
  program.confirmation.blnDeleteEmptyFolders = false;
  program.state.blnSubdirectories = true;
  description = bench::PurgeDescription(program.typeOfPurge);
  auto& report = program.report;
  program.AimAtFolder(root);
  const auto start = std::chrono::steady_clock::now();
  report.ProcessFiles();
  const double seconds = bench::Seconds(start);
  purged = report.lngNumFilesPurged;
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string settings = bench::MakeTempFolder("nulvane-cli-settings");
  enum Contender { kCli, kShred, kWindow, kContenders };
  const char* names[kContenders] = {"nulvane-cli", "shred -n 1 -u", "window's logic"};
  std::map<int, std::vector<double>> rates;
  std::string description;
  bool complete = true;
  std::printf("CliPurgeBench: %d files of 4 KiB in %d folders under %s, %d rounds, %s\n", kFiles, kFolders,
              bench::TempBase().c_str(), rounds, bench::Load().c_str());
  for (int round = 1; round <= rounds; ++round) {
    double seconds[kContenders] = {};
    for (int turn = 0; turn < kContenders; ++turn) {
      const int contender = (turn + round) % kContenders;
      const std::string tree = bench::MakeSmallFileTree("nulvane-cli", kFolders, kFilesPerFolder);
      long left = 0;
      const auto start = std::chrono::steady_clock::now();
      if (contender == kCli) {
        // The same run as the window's: folder names only, emptied folders kept.
        const int status = RunCli(settings, {"purge", "--yes", "--subfolders", "--keep-folders", "--type",
                                             "0", "--passes", "1", tree});
        seconds[contender] = bench::Seconds(start);
        if (status != 0) std::printf("  nulvane-cli ended with status %d\n", status);
        left = FilesLeft(tree);
      } else if (contender == kShred) {
        bench::Shell("find " + tree + " -type f -exec shred -n 1 -u {} +");
        seconds[contender] = bench::Seconds(start);
        left = FilesLeft(tree);
      } else {
        long purged = 0;
        seconds[contender] = InProcess(tree, purged, description);
        left = kFiles - purged;
      }
      if (left != 0) {
        std::printf("  %s left %ld files\n", names[contender], left);
        complete = false;
      }
      bench::RemoveTree(tree);
    }
    std::printf("round %d (%s): cli %.0f, shred %.0f, window %.0f files/s\n", round, bench::Load().c_str(),
                kFiles / seconds[kCli], kFiles / seconds[kShred], kFiles / seconds[kWindow]);
    std::fflush(stdout);
    for (int contender = 0; contender < kContenders; ++contender)
      rates[contender].push_back(kFiles / seconds[contender]);
  }
  bench::RemoveTree(settings);

  std::printf("both run %s\n", description.c_str());
  std::printf("median files per second of %d rounds:\n", rounds);
  for (int contender = 0; contender < kContenders; ++contender)
    std::printf("  %-16s %8.0f\n", names[contender], bench::Median(rates[contender]));
  const double cli = bench::Median(rates[kCli]) / bench::Median(rates[kShred]);
  const double window = bench::Median(rates[kWindow]) / bench::Median(rates[kShred]);
  std::printf("  nulvane-cli/shred:    %.2f (target >= the window's, %.2f)  %s\n", cli, window,
              bench::Verdict(cli >= window));
  std::printf("  window's logic/shred: %.2f\n", window);
  std::printf("  (%s at the end)\n", bench::Load().c_str());
  return complete ? 0 : 1;
}
