#pragma once

// Shared pieces of the report window's benchmarks: a program below the main window without a screen.

#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/ClusterSizeTable.h"
#include "engine/PassPool.h"
#include "engine/PurgeEngine.h"
#include "platform/Clock.h"
#include "platform/PosixFileSystem.h"
#include "platform/Random.h"
#include "report/ReportHost.h"
#include "report/ReportWindow.h"
#include "support/OperationState.h"

namespace nulvane::bench {

class SilentUi : public platform::Ui {
 public:
  platform::Answer Message(const std::string&, const std::string&, platform::Buttons, platform::Icon,
                           platform::Answer) override {
    return platform::Answer::Ok;
  }
  void ShowModal(platform::Dialog& dialog) override { dialog.CloseRequested(); }
  platform::FileDialogResult OpenFileDialog(const platform::FileDialogRequest&) override { return {}; }
  platform::FileDialogResult SaveFileDialog(const platform::FileDialogRequest&) override { return {}; }
  std::string BrowseForFolder(const std::string&) override { return {}; }
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  bool OpenUrl(const std::string&) override { return false; }
  void Yield() override {}
  void Wait(int) override {}
  std::string clipboard;
};

class SilentHost : public report::ReportHost {
 public:
  std::string folder;
  std::string files;
  std::string DirectoryCaption() const override { return folder; }
  std::string FilesCaption() const override { return files; }
  std::string TypeOfPurgeCaption() const override { return "type"; }
  void SetEstimatedTimeCaption(const std::string&) override {}
  void HideMainWindow() override {}
  void ShowMainWindow() override {}
};

struct Program {
  explicit Program(platform::Ui& ui) : ui(ui) { typeOfPurge.Initialization(); }
  // As the program purges: several files in flight on worker threads.
  void UseWorkers(int threads = engine::kPurgeThreads) {
    workers = std::make_unique<engine::PassPool>(fs, threads);
    report.UsePassExecutor(workers.get());
  }
  // Aims the report window at a purge of every file in `folder` and shows it, as "Purge files" does.
  void AimAtFolder(const std::string& folder) {
    host.folder = folder;
    host.files = "*.*";
    report.blnPurgeFiles = true;
    report.blnListFiles = false;
    report.strNextDirPath = folder;
    report.strCurrentFileSpec = "*.*";
    report.Show();
  }
  platform::Ui& ui;
  platform::PosixFileSystem fs;
  platform::SystemClock clock;
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes{fs};
  engine::PurgeEngine engine{fs, ui, clusterSizes, state};
  dialogs::TypeOfPurgeDialog typeOfPurge{ui};
  dialogs::PurgeConfirmationDialog confirmation{clusterSizes, state};
  SilentHost host;
  report::ReportWindow report{fs, ui, clock, state, engine, typeOfPurge, confirmation, host};
  std::unique_ptr<engine::PassPool> workers;
};

// The purge the type-of-purge dialog holds, as it stands: "type 0 (random bytes plus zeros once), 1 pass,
// 2 overwrites per file, each flushed".
inline std::string PurgeDescription(const dialogs::TypeOfPurgeDialog& typeOfPurge) {
  const int passes = typeOfPurge.GetNumberOfPasses();
  return "type " + std::to_string(typeOfPurge.GetPurgeType()) + " (" +
         dialogs::PurgeTypeNumPasses(typeOfPurge.GetPurgeType(), passes) + "), " + std::to_string(passes) +
         (passes == 1 ? " pass, " : " passes, ") + std::to_string(typeOfPurge.GetNumOverwrites()) +
         " overwrites per file, each flushed";
}

// The machine's load averages as uptime shows them, for every figure: the machine is shared.
inline std::string Load() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return "load " + one + " " + five + " " + fifteen;
}

// The offscreen platform's notes about window sizes would drown the figures.
inline void QuietOffscreenNotes() {
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (message.contains(QStringLiteral("propagateSizeHints")) ||
        message.contains(QStringLiteral("XDG_RUNTIME_DIR")))
      return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg) std::abort();
  });
}

inline const char* Verdict(bool met) {
  return met ? "MET" : "MISSED";
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// $TMPDIR, or /tmp.
inline std::string TempBase() {
  const char* temp = std::getenv("TMPDIR");
  return temp != nullptr && *temp != '\0' ? temp : "/tmp";
}

inline std::string FileSystemType(const std::string& folder) {
  struct statfs info {};
  if (::statfs(folder.c_str(), &info) != 0) return "unknown";
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:
      return "ext4";
    case 0x01021994:
      return "tmpfs";
    case 0x9123683E:
      return "btrfs";
    case 0x58465342:
      return "xfs";
    case 0x794C7630:
      return "overlayfs";
    default: {
      char hex[32];
      std::snprintf(hex, sizeof hex, "type 0x%lx", static_cast<unsigned long>(info.f_type));
      return hex;
    }
  }
}

inline double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline std::string MakeTempFolder(const char* stem) {
  std::string pattern = TempBase() + "/" + stem + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern + "/";
}

inline void WriteFile(const std::string& path, const std::string& content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + path);
  if (!content.empty() &&
      ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
    ::close(fd);
    throw std::runtime_error("cannot write " + path);
  }
  ::close(fd);
}

inline void RemoveTree(const std::string& folder) {
  ::nftw(
      folder.c_str(), [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); },
      16, FTW_DEPTH | FTW_PHYS);
}

// A tree of `folders` folders ("folder0/" ...) of `filesPerFolder` files of 4 KiB of random bytes each
// ("file0.txt" ...), forced to the disk so that no contender pays for another's writes.
inline std::string MakeSmallFileTree(const char* stem, int folders, int filesPerFolder) {
  const std::string root = MakeTempFolder(stem);
  platform::Random random;
  std::string content(4096, '\0');
  for (int f = 0; f < folders; ++f) {
    const std::string folder = root + "folder" + std::to_string(f) + "/";
    ::mkdir(folder.c_str(), 0755);
    for (int i = 0; i < filesPerFolder; ++i) {
      for (auto& c : content) c = static_cast<char>(random.RandomInteger(0, 255));
      WriteFile(folder + "file" + std::to_string(i) + ".txt", content);
    }
  }
  ::sync();
  return root;
}

// Runs a shell command and returns its standard output.
inline std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  ::pclose(pipe);
  return output;
}

}  // namespace nulvane::bench
