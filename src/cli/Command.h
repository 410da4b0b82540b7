#pragma once

#include <string>

namespace CLI {
class App;
}  // namespace CLI

namespace nulvane::cli {

class CliProgram;

// The exit statuses of every command.
enum ExitStatus : int {
  kAllDone = 0,      // every chosen file was purged (or listed, or the speed measured)
  kSomeNotDone = 1,  // some were not; the report or a message says which and why
  kUsageError = 2,   // the command line was wrong; nothing was done
  kCancelled = 3,    // the user, a stop signal, or the lack of anyone to confirm ended it
};

// One subcommand: its name and one-line description for --help, its options, and what it does with the
// program's logic objects. Each is thin: it parses, drives the window's commands, and says how it went.
class Command {
 public:
  Command(std::string name, std::string description)
      : name_(std::move(name)), description_(std::move(description)) {}
  virtual ~Command() = default;

  const std::string& name() const { return name_; }
  const std::string& description() const { return description_; }

  virtual void AddOptions(CLI::App& command) = 0;
  // Checks what the parser cannot, before anything is built: a usage error's text, or empty.
  virtual std::string Problem() const { return {}; }
  virtual int Execute(CliProgram& program) = 0;

 private:
  std::string name_;
  std::string description_;
};

}  // namespace nulvane::cli
