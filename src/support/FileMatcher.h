#pragma once

#include <string>
#include <vector>

namespace nulvane::support {

// Which files of a folder take part in a run, as the walks ask it of each name: either the window's file
// specification ("*.*", "*.txt", a wildcard pattern or one file's name, MatchFilespec's rules), or the
// command line's --files patterns, read as the shell reads them (any one of them may match).
class FileMatcher {
 public:
  // The window's rules for `spec`; with `shellPatterns`, those patterns decide and `spec` only names them.
  FileMatcher(std::string spec, std::vector<std::string> shellPatterns = {});
  FileMatcher(const char* spec) : FileMatcher(std::string(spec)) {}

  bool Matches(const std::string& name) const;
  // Every name matches: "*.*", or the shell's "*".
  bool MatchesEveryName() const { return everyName_; }
  // No wildcard: one file's exact name (at most one file in a folder).
  bool NamesOneFile() const { return oneFile_; }
  bool UsesShellPatterns() const { return !patterns_.empty(); }
  const std::string& spec() const { return spec_; }
  const std::vector<std::string>& shellPatterns() const { return patterns_; }

  // How the command line's patterns are named in the window's labels and the report: the one pattern, or
  // several in the shell's braces, "{.*,*.bak}".
  static std::string ShellPatternsText(const std::vector<std::string>& patterns);

 private:
  std::string spec_;
  std::vector<std::string> patterns_;
  bool everyName_ = false;
  bool oneFile_ = false;
};

}  // namespace nulvane::support
