// nulvane-cli purging 2,000 files of 4 KiB (type 0, one pass), against shred -n 1 -u over a copy of the same
// tree, and the same purge by the window's logic in this process (as TreePurgeBench runs it): the command
// line's files per second over shred's should be at least the window's.

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "ReportBenchSupport.h"

using namespace nulvane;

namespace {

constexpr int kFolders = 20;
constexpr int kFilesPerFolder = 100;
constexpr int kFiles = kFolders * kFilesPerFolder;

std::string MakeTree(const char* stem) {
  const std::string root = bench::MakeTempFolder(stem);
  platform::Random random;
  std::string content(4096, '\0');
  for (int f = 0; f < kFolders; ++f) {
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

long FilesLeft(const std::string& root) {
  return std::stol(bench::Shell("find " + root + " -type f | wc -l"));
}

double InProcess(const std::string& root, long& purged) {
  bench::SilentUi silent;
  bench::Program program(silent);
  program.typeOfPurge.SelectType(0);
  program.typeOfPurge.SelectPasses(0, 1);
  program.confirmation.blnFolderNamesOnly = true;
  program.confirmation.blnDeleteEmptyFolders = false;
  program.state.blnSubdirectories = true;
  program.host.folder = root;
  program.host.files = "*.*";
  auto& report = program.report;
  report.blnPurgeFiles = true;
  report.blnListFiles = false;
  report.strNextDirPath = root;
  report.strCurrentFileSpec = "*.*";
  report.Show();
  const auto start = std::chrono::steady_clock::now();
  report.ProcessFiles();
  const double seconds = bench::Seconds(start);
  purged = report.lngNumFilesPurged;
  return seconds;
}

}  // namespace

int main() {
  const std::string cliTree = MakeTree("nulvane-cli-a");
  const std::string shredTree = MakeTree("nulvane-cli-b");
  const std::string windowTree = MakeTree("nulvane-cli-c");
  const std::string settings = bench::MakeTempFolder("nulvane-cli-settings");

  // The same run as the window's: folder names only, emptied folders kept. Settings and user data stay in
  // the benchmark's own folder.
  auto start = std::chrono::steady_clock::now();
  bench::Shell("XDG_CONFIG_HOME=" + settings + " XDG_DATA_HOME=" + settings +
               " " NULVANE_CLI " purge --yes --subfolders --keep-folders --type 0 --passes 1 " + cliTree +
               " </dev/null >/dev/null");
  const double cli = bench::Seconds(start);
  const long cliLeft = FilesLeft(cliTree);

  start = std::chrono::steady_clock::now();
  bench::Shell("find " + shredTree + " -type f -exec shred -n 1 -u {} +");
  const double shred = bench::Seconds(start);
  const long shredLeft = FilesLeft(shredTree);

  long windowPurged = 0;
  const double window = InProcess(windowTree, windowPurged);

  for (const std::string& tree : {cliTree, shredTree, windowTree, settings}) bench::RemoveTree(tree);

  std::printf("purge of %d files of 4 KiB in %d folders (type 0 once: 2 overwrites, each flushed)\n", kFiles,
              kFolders);
  std::printf("  nulvane-cli:        %7.2f s  %8.0f files/s  (%ld left)\n", cli, kFiles / cli, cliLeft);
  std::printf("  shred -n 1 -u:      %7.2f s  %8.0f files/s  (%ld left)\n", shred, kFiles / shred, shredLeft);
  std::printf("  window's logic:     %7.2f s  %8.0f files/s  (%ld purged)\n", window, kFiles / window,
              windowPurged);
  std::printf("  nulvane-cli/shred files per second:    %.2f\n", shred / cli);
  std::printf("  window's logic/shred files per second: %.2f (the command line's target: at least this)\n",
              shred / window);
  return cliLeft == 0 && windowPurged == kFiles ? 0 : 1;
}
