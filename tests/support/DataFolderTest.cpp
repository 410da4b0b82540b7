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

TEST(DataFolder, WhereTheExecutableCannotBeToldTheInstallPrefixsDataFolder) {
  TempDir temp;
  FaultyFileSystem fileSystem;
  const std::string installed = temp.MakeFolder("usr/share/nulvane");
  fileSystem.OverrideProgramFolder("");  // as without /proc
  EXPECT_EQ(support::DataFolder(fileSystem, installed), "") << "the texts are not there yet";
  temp.Write("usr/share/nulvane/nulvane.dat", "2\tNulvane\n");
  EXPECT_EQ(support::DataFolder(fileSystem, installed), installed);

  // An executable away from both its texts and an installed tree finds the installed ones too.
  const std::string bin = temp.MakeFolder("elsewhere/bin");
  fileSystem.OverrideProgramFolder(bin);
  EXPECT_EQ(support::DataFolder(fileSystem, installed), installed);
  EXPECT_EQ(support::DataFolder(fileSystem, ""), bin);
}

}  // namespace
}  // namespace nulvane::testing
