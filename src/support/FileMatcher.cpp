#include "support/FileMatcher.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "support/Match.h"
#include "support/ShellPattern.h"

namespace nulvane::support {

FileMatcher::FileMatcher(std::string spec, std::vector<std::string> shellPatterns)
    : spec_(std::move(spec)), patterns_(std::move(shellPatterns)) {
  if (patterns_.empty()) {
    everyName_ = spec_ == "*.*";
    oneFile_ = !ContainsWildcard(spec_);
  } else {
    everyName_ = std::find(patterns_.begin(), patterns_.end(), "*") != patterns_.end();
    oneFile_ = patterns_.size() == 1 && !HasShellWildcard(patterns_.front());
  }
}

bool FileMatcher::Matches(const std::string& name) const {
  // What every name matches needs no comparison: a walk over a large tree asks this of every file.
  if (everyName_) return name.find(platform::kPathSeparator) == std::string::npos;
  if (patterns_.empty()) return MatchFilespec(name, spec_, false);
  // Names compare as the file system compares them: in any case where it does (Windows).
  return std::any_of(patterns_.begin(), patterns_.end(), [&](const std::string& pattern) {
    return MatchShellPattern(name, pattern, platform::kCaseSensitiveNames);
  });
}

std::string FileMatcher::ShellPatternsText(const std::vector<std::string>& patterns) {
  if (patterns.size() == 1) return patterns.front();
  std::string text = "{";
  for (const std::string& pattern : patterns) text += (text.size() > 1 ? "," : "") + pattern;
  return text + "}";
}

}  // namespace nulvane::support
