#pragma once

// Shared pieces of the report window's benchmarks: a program below the main window without a screen.

#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "dialogs/PurgeConfirmationDialog.h"
#include "dialogs/TypeOfPurgeDialog.h"
#include "engine/ClusterSizeTable.h"
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
  platform::Ui& ui;
  platform::PosixFileSystem fs;
  platform::SystemClock clock;
  platform::Random random;
  support::OperationState state;
  engine::ClusterSizeTable clusterSizes{fs};
  engine::PurgeEngine engine{fs, ui, random, clusterSizes, state};
  dialogs::TypeOfPurgeDialog typeOfPurge{ui};
  dialogs::PurgeConfirmationDialog confirmation{clusterSizes, state};
  SilentHost host;
  report::ReportWindow report{fs, ui, clock, state, engine, typeOfPurge, confirmation, host};
};

inline double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline std::string MakeTempFolder(const char* stem) {
  std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
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
