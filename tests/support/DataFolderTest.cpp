#include <gtest/gtest.h>

#include "support/DataFolder.h"
#include "testsupport/FaultyFileSystem.h"
#include "testsupport/TempDir.h"

namespace nulvane::testing {
namespace {

TEST(DataFolder, BesideTheExecutableInABuildTreeElseTheInstalledShareFolder) {
  TempDir temp;
  FaultyFileSystem fileSystem;
  const std::string bin = temp.MakeFolder("usr/bin");
  fileSystem.OverrideProgramFolder(bin);
  EXPECT_EQ(support::DataFolder(fileSystem), bin) << "neither holds the texts: the executable's folder";

  temp.Write("usr/share/nulvane/nulvane.dat", "2\tNulvane\n");
  EXPECT_EQ(support::DataFolder(fileSystem), temp / "usr/share/nulvane/");

  temp.Write("usr/bin/nulvane.dat", "2\tNulvane\n");
  EXPECT_EQ(support::DataFolder(fileSystem), bin) << "a build tree keeps its texts beside the executable";
}

}  // namespace
}  // namespace nulvane::testing
