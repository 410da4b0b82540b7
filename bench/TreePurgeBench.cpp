// A purge run (type 1 once, folder names only) of 2,000 files of 4 KiB, against shred over a copy of the
// same tree, and the same run with the report window's real view attached.

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "ReportBenchSupport.h"
#include "gui/QtUi.h"
#include "gui/ReportView.h"

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

double Purge(platform::Ui& ui, const std::string& root, bool withView, long& purged) {
  bench::Program program(ui);
  program.typeOfPurge.SelectType(0);
  program.typeOfPurge.SelectPasses(0, 1);
  program.confirmation.blnFolderNamesOnly = true;
  program.confirmation.blnDeleteEmptyFolders = false;
  program.state.blnSubdirectories = true;
  program.host.folder = root;
  program.host.files = "*.*";
  auto& report = program.report;
  std::unique_ptr<gui::ReportView> view;
  if (withView) view = std::make_unique<gui::ReportView>(report);
  report.blnPurgeFiles = true;
  report.blnListFiles = false;
  report.strNextDirPath = root;
  report.strCurrentFileSpec = "*.*";
  report.Show();
  const auto start = std::chrono::steady_clock::now();
  report.ProcessFiles();
  if (withView) QApplication::processEvents();
  const double seconds = bench::Seconds(start);
  purged = report.lngNumFilesPurged;
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  const std::string headlessTree = MakeTree("nulvane-purge-a");
  const std::string shredTree = MakeTree("nulvane-purge-b");
  const std::string viewTree = MakeTree("nulvane-purge-c");

  bench::SilentUi silent;
  long headlessPurged = 0;
  const double headless = Purge(silent, headlessTree, false, headlessPurged);

  gui::QtUi qtUi;
  long viewPurged = 0;
  const double withView = Purge(qtUi, viewTree, true, viewPurged);

  auto start = std::chrono::steady_clock::now();
  bench::Shell("find " + shredTree + " -type f -exec shred -n 1 -u {} +");
  const double shred = bench::Seconds(start);
  const long shredLeft = std::stol(bench::Shell("find " + shredTree + " -type f | wc -l"));

  bench::RemoveTree(headlessTree);
  bench::RemoveTree(shredTree);
  bench::RemoveTree(viewTree);

  std::printf("purge of %d files of 4 KiB in %d folders (type 1 once: 2 overwrites, each flushed)\n", kFiles,
              kFolders);
  std::printf("  ours, headless:      %7.2f s  %8.0f files/s  (%ld purged)\n", headless, kFiles / headless,
              headlessPurged);
  std::printf("  shred -n 1 -u:       %7.2f s  %8.0f files/s  (%ld left)\n", shred, kFiles / shred,
              shredLeft);
  std::printf("  ours, with the view: %7.2f s  %8.0f files/s  (%ld purged)\n", withView, kFiles / withView,
              viewPurged);
  std::printf("  ours/shred files per second: %.2f (target >= 4)\n", shred / headless);
  std::printf("  with view / headless time:   %.2f (target <= 1.5)\n", withView / headless);
  return headlessPurged == kFiles && viewPurged == kFiles ? 0 : 1;
}
