#pragma once

// What every benchmark shares, without the toolkit: the machine's load, verdicts, ratios of rounds, trees of
// small files, and processes timed whole.

#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/RandomStream.h"

extern char** environ;

namespace nulvane::bench {

// The machine's load averages as uptime shows them, for every figure: the machine is shared.
inline std::string Load() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return "load " + one + " " + five + " " + fifteen;
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

// A ratio measured once per round (both contenders in the same round): its median counts, and its spread
// says how far to trust it.
struct Ratio {
  std::vector<double> rounds;
  void Add(double value) { rounds.push_back(value); }
  double median() const { return Median(rounds); }
  double min() const { return rounds.empty() ? 0 : *std::min_element(rounds.begin(), rounds.end()); }
  double max() const { return rounds.empty() ? 0 : *std::max_element(rounds.begin(), rounds.end()); }
  // "0.93 (0.88-0.97)"
  std::string Text() const {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f (%.2f-%.2f)", median(), min(), max());
    return text;
  }
};

// Prints "  <what>: median (min-max), target <op> <target>  MET|MISSED" and returns whether it was met.
inline bool PrintVerdict(const char* what, const Ratio& ratio, bool atLeast, double target) {
  const bool met = atLeast ? ratio.median() >= target : ratio.median() <= target;
  std::printf("  %-44s %s  target %s %.2f  %s\n", what, ratio.Text().c_str(), atLeast ? ">=" : "<=", target,
              Verdict(met));
  return met;
}

// NULVANE_BENCH_SHORT=1: one short round of every measure, to check that a benchmark runs at all.
inline bool ShortRun() {
  const char* value = std::getenv("NULVANE_BENCH_SHORT");
  return value != nullptr && *value != '\0' && std::string(value) != "0";
}

// "1 round", "5 rounds".
inline std::string Rounds(int rounds) {
  return std::to_string(rounds) + (rounds == 1 ? " round" : " rounds");
}

// The rounds asked for on the command line (argument `index`), else `standard`; one in a short run.
inline int Rounds(int argc, char** argv, int index, int standard) {
  if (ShortRun()) return 1;
  return argc > index ? std::max(1, std::atoi(argv[index])) : standard;
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

// A tree of `folders` folders ("folder0/" ...) of `filesPerFolder` files of `size` bytes of random bytes
// each ("file0.txt" ...), forced to the disk so that no contender pays for another's writes.
inline std::string MakeSmallFileTree(const char* stem, int folders, int filesPerFolder,
                                     std::size_t size = 4096) {
  const std::string root = MakeTempFolder(stem);
  platform::RandomStream random;
  std::string content(size, '\0');
  for (int f = 0; f < folders; ++f) {
    const std::string folder = root + "folder" + std::to_string(f) + "/";
    ::mkdir(folder.c_str(), 0755);
    for (int i = 0; i < filesPerFolder; ++i) {
      random.Fill(reinterpret_cast<unsigned char*>(content.data()), content.size());
      WriteFile(folder + "file" + std::to_string(i) + ".txt", content);
    }
  }
  ::sync();
  return root;
}

// The regular files below `root`.
inline long CountFiles(const std::string& root) {
  static long count;
  count = 0;
  ::nftw(
      root.c_str(),
      [](const char*, const struct stat* info, int kind, struct FTW*) {
        if (kind == FTW_F && S_ISREG(info->st_mode)) ++count;
        return 0;
      },
      16, FTW_PHYS);
  return count;
}

// Empties the page cache, so the next run reads the tree from the device as a first run after a while
// does; false where that is not allowed (not root).
inline bool DropCaches() {
  ::sync();
  std::ofstream file("/proc/sys/vm/drop_caches");
  file << "3\n";
  file.close();
  return static_cast<bool>(file);
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

// Starts `arguments` (the program's path first) with no shell between, standard input from /dev/null and
// standard output to /dev/null, and `environment` added to this process's own; returns the exit status
// (-1 when it did not exit).
inline int RunProcess(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment = {}) {
  std::vector<std::string> strings = arguments;
  std::vector<char*> argv;
  for (auto& argument : strings) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> environmentStrings = environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environmentStrings.emplace_back(*entry);
  std::vector<char*> envp;
  for (auto& entry : environmentStrings) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int failed = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("cannot start " + arguments.front());
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace nulvane::bench
