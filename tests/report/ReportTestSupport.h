#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/ClusterSizeTable.h"
#include "engine/PurgeEngine.h"
#include "platform/Clock.h"
#include "report/ReportHost.h"
#include "report/ReportWindow.h"
#include "support/Locale.h"
#include "support/OperationState.h"
#include "testsupport/FakeUi.h"
#include "testsupport/StreamFileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {

// 4 March 2026, 13:05:09 local time, whatever the time zone (the date is taken at noon UTC).
class FixedClock : public platform::Clock {
 public:
  std::chrono::system_clock::time_point Now() const override {
    return std::chrono::sys_days{std::chrono::year(2026) / 3 / 4} + std::chrono::hours(12);
  }
  double SecondsSinceMidnight() const override { return 13 * 3600 + 5 * 60 + 9.25; }
};

class FakeReportHost : public report::ReportHost {
 public:
  std::string directory;
  std::string files;
  std::string typeOfPurge = "Random bytes plus zeros, once (= 2 overwrites)";
  std::string estimatedTime = "untouched";
  int hides = 0;
  int shows = 0;

  std::string DirectoryCaption() const override { return directory; }
  std::string FilesCaption() const override { return files; }
  std::string TypeOfPurgeCaption() const override { return typeOfPurge; }
  void SetEstimatedTimeCaption(const std::string& text) override { estimatedTime = text; }
  void HideMainWindow() override { ++hides; }
  void ShowMainWindow() override { ++shows; }
};

// A whole program below the main window, on real files in a temporary folder.
struct ReportProgram {
  ReportProgram() {
    support::SetLocale(support::LocaleSettings{'.', ',', "%m/%d/%Y"});
    typeOfPurge.Initialization();
    Choose(0, 1);
    confirmation.blnFolderNamesOnly = false;
    confirmation.blnDeleteEmptyFolders = false;
  }

  void Choose(int type, int passes) {
    typeOfPurge.SelectType(type);
    typeOfPurge.SelectPasses(type, passes);
  }

  // Sets up what the purge command sets before a run and runs it.
  void Purge(const std::string& folder, const std::string& spec, bool subfolders) {
    state.strTargetFolder = folder;
    state.strFilespec = spec;
    state.blnSubdirectories = subfolders;
    host.directory = folder;
    host.files = spec;
    report.blnPurgeFiles = true;
    report.blnListFiles = false;
    report.strNextDirPath = folder;
    report.strCurrentFileSpec = spec;
    report.lngNumFilesProcessed = 0;
    report.Show();
    report.ProcessFiles();
  }

  void List(const std::string& folder, const std::string& spec, bool subfolders, bool folderNames,
            bool fileNames) {
    state.strTargetFolder = folder;
    state.strFilespec = spec;
    state.blnSubdirectories = subfolders;
    host.directory = folder;
    host.files = spec;
    report.blnPurgeFiles = false;
    report.blnListFiles = true;
    report.blnDisplayFolderNames = folderNames;
    report.blnDisplayFileNames = fileNames;
    report.strNextDirPath = folder;
    report.strCurrentFileSpec = spec;
    report.lngNumFilesProcessed = 0;
    report.Show();
    report.ProcessFiles();
  }

  std::int32_t Count(const std::string& folder, const std::string& spec, bool subfolders,
                     std::int16_t stopAt) {
    state.blnSubdirectories = subfolders;
    report.blnPurgeFiles = false;
    report.blnListFiles = false;
    report.intStopAt = stopAt;
    report.strNextDirPath = folder;
    report.strCurrentFileSpec = spec;
    report.lngNumFilesProcessed = 0;
    report.ListFilesRecursive(folder, spec);
    return report.lngNumFilesProcessed;
  }

  // The report with its CR LF line breaks split into lines.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    const std::string& text = report.txbText.text();
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = text.find("\r\n", start);
      lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 2;
    }
    return lines;
  }

  TempDir dir;
  // As the real file system unless a test gives a file named streams or storage of its own.
  StreamFileSystem fs;
  FakeUi ui;
  FixedClock clock;
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes{fs};
  engine::PurgeEngine engine{fs, ui, clusterSizes, state};
  dialogs::TypeOfPurgeDialog typeOfPurge{ui};
  dialogs::PurgeConfirmationDialog confirmation{clusterSizes, state};
  FakeReportHost host;
  report::ReportWindow report{fs, ui, clock, state, engine, typeOfPurge, confirmation, host};
};

inline const std::string kDateLine = "03/04/2026, 13:05:09";

}  // namespace nulvane::testing
