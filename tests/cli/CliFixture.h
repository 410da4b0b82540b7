#pragma once

#include <stdlib.h>

#include <filesystem>
#include <set>
#include <string>

#include "cli/CliRunner.h"
#include "mainwindow/MainWindowFixture.h"
#include "support/Locale.h"

namespace nulvane::testing {

// The real nulvane-cli in the C locale, with the test's own numbers and dates in the child's locale.
class CliFixture : public MainWindowTest {
 protected:
  CliFixture() { ::setenv("LC_ALL", "C", 1); }
  void SetUp() override {
    MainWindowTest::SetUp();
    // The same numbers and dates as the child's locale.
    support::SetLocale(support::SystemLocale());
  }

  // The files below a folder, as paths relative to it.
  static std::set<std::string> FilesBelow(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
      if (!entry.is_directory()) files.insert(std::filesystem::relative(entry.path(), folder).string());
    }
    return files;
  }

  CliRunner cli{temp};
};

}  // namespace nulvane::testing
