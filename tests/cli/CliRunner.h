#pragma once

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/TempDir.h"

namespace nulvane::testing {

// Runs the real nulvane-cli in a child process with its settings and user data inside the test's folder.
// Standard input is /dev/null unless a terminal (a pseudo-terminal) is asked for; standard output and
// error go to files.
class CliRunner {
 public:
  struct Result {
    int status = -1;
    std::string out;
    std::string err;
    std::string terminal;  // what the program wrote to its terminal (standard error, when it was one)
  };
  struct Options {
    bool terminalInput = false;  // standard input is a terminal; `input` is typed at it
    std::string input;
    bool terminalError = false;  // standard error is that terminal too
    // Called while the program runs, every few milliseconds, with its output so far; true sends SIGINT.
    std::function<bool(const std::string& out)> interruptWhen;
    // "purge" goes on where the test machine's own disk is flash or memory, so every machine runs the tests
    // alike; the warning itself is tested on volumes made for it.
    bool acceptResidue = true;
    // The executable to run, when not the build's own (a copy in an installed layout, say).
    std::string program = NULVANE_CLI;
    // Run as this user (and group) rather than the test's own, when set.
    int user = -1;
    int group = -1;
  };

  explicit CliRunner(const TempDir& temp) : temp_(temp) {
    temp_.MakeFolder("cli-config");
    temp_.MakeFolder("cli-data");
  }

  std::string configFolder() const { return temp_ / "cli-config"; }

  Result Run(const std::vector<std::string>& arguments) const { return Run(arguments, Options()); }
  Result Run(const std::vector<std::string>& arguments, const Options& options) const {
    const std::string outPath = temp_ / "cli-stdout";
    const std::string errPath = temp_ / "cli-stderr";
    int master = -1;
    std::string slaveName;
    if (options.terminalInput || options.terminalError) {
      master = ::posix_openpt(O_RDWR | O_NOCTTY);
      ::grantpt(master);
      ::unlockpt(master);
      slaveName = ::ptsname(master);
    }
    const pid_t child = ::fork();
    if (child == 0) {
      ::setsid();
      const int null = ::open("/dev/null", O_RDONLY);
      const int slave = slaveName.empty() ? -1 : ::open(slaveName.c_str(), O_RDWR);
      ::dup2(options.terminalInput ? slave : null, 0);
      ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
      ::dup2(options.terminalError ? slave : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
      ::setenv("XDG_CONFIG_HOME", configFolder().c_str(), 1);
      ::setenv("XDG_DATA_HOME", (temp_ / "cli-data").c_str(), 1);
      ::setenv("LC_ALL", "C", 1);
      if (options.user >= 0 &&
          (::setgroups(0, nullptr) != 0 || ::setgid(static_cast<gid_t>(options.group)) != 0 ||
           ::setuid(static_cast<uid_t>(options.user)) != 0))
        ::_exit(126);
      std::vector<char*> argv{const_cast<char*>(options.program.c_str())};
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      static char acceptResidue[] = "--accept-residue";
      if (options.acceptResidue && !arguments.empty() && arguments.front() == "purge")
        argv.insert(argv.begin() + 2, acceptResidue);
      argv.push_back(nullptr);
      ::execv(options.program.c_str(), argv.data());
      ::_exit(127);
    }
    if (options.terminalInput && !options.input.empty())
      (void)!::write(master, options.input.data(), options.input.size());
    Result result;
    int status = 0;
    bool interrupted = false;
    for (;;) {
      if (master >= 0) Drain(master, result.terminal);
      const pid_t done = ::waitpid(child, &status, WNOHANG);
      if (done == child) break;
      if (options.interruptWhen && !interrupted && options.interruptWhen(ReadFile(outPath))) {
        ::kill(child, SIGINT);
        interrupted = true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (master >= 0) {
      Drain(master, result.terminal);
      ::close(master);
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFile(outPath);
    if (!options.terminalError) result.err = ReadFile(errPath);
    return result;
  }

 private:
  static void Drain(int master, std::string& into) {
    const int flags = ::fcntl(master, F_GETFL);
    ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
    char buffer[4096];
    for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
      into.append(buffer, static_cast<std::size_t>(got));
  }

  const TempDir& temp_;
};

}  // namespace nulvane::testing
