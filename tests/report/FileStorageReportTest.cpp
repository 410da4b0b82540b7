// What a report says of what Windows keeps beside a file's main contents: its named streams count in a
// listing and go with the file in a purge, and compressed and encrypted files say what the free space holds.
#include <gtest/gtest.h>

#include <algorithm>

#include "report/ReportTestSupport.h"
#include "support/Format.h"

namespace nulvane::testing {
namespace {

std::string LineOf(const ReportProgram& p, const std::string& name) {
  for (const std::string& line : p.Lines()) {
    if (line.rfind(name + " (", 0) == 0) return line;
  }
  return "(no line for " + name + ")";
}

TEST(FileStorageReport, AFileIsListedAndPurgedWithItsNamedStreams) {
  ReportProgram p;
  const std::string file = p.dir.Write("withads.txt", "main secret");
  p.fs.AddStream(file, "hidden", std::string(3600, 's'));
  p.fs.AddStream(file, "Zone.Identifier", "[ZoneTransfer]\n");
  p.dir.Write("plain.txt", SampleContent(100));

  p.List(p.dir.path(), "*.txt", false, true, true);
  const std::string listed = LineOf(p, "withads.txt");
  EXPECT_NE(listed.find(", " + support::FormatSizeGB(11 + 3615, 2) + ", with 2 named streams)"),
            std::string::npos)
      << listed;
  EXPECT_EQ(LineOf(p, "plain.txt").find("named"), std::string::npos);
  EXPECT_EQ(p.report.dblTotalBytesPurged, 11 + 3615 + 100);

  p.Purge(p.dir.path(), "*.txt", false);
  EXPECT_EQ(LineOf(p, "withads.txt"),
            "withads.txt (11 bytes) purged, with its 2 named streams (3,615 bytes)");
  EXPECT_EQ(LineOf(p, "plain.txt"), "plain.txt (100 bytes) purged");
  EXPECT_EQ(p.report.dblTotalBytesPurged, 11 + 3615 + 100);
  EXPECT_EQ(p.report.lngNumFilesPurged, 2);
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(StreamFileSystem::StreamPath(file, "hidden")));
  EXPECT_FALSE(Exists(StreamFileSystem::StreamPath(file, "Zone.Identifier")));
}

TEST(FileStorageReport, CompressedAndEncryptedFilesSayWhatTheFreeSpaceHolds) {
  ReportProgram p;
  p.Choose(0, 2);
  const std::string packed = p.dir.Write("packed.txt", SampleContent(100));
  p.fs.SetStorage(packed, {.compressed = true, .encrypted = true});
  const std::string full = p.dir.Write("full.txt", SampleContent(200));
  p.fs.SetStorage(full, {.compressed = true});
  p.fs.Inject({"Decompress", "full.txt", ENOSPC});

  p.Purge(p.dir.path(), "*.txt", false);
  EXPECT_EQ(
      LineOf(p, "packed.txt"),
      "packed.txt (100 bytes) purged. It was stored compressed and was decompressed first: the clusters "
      "that held it compressed are free space now, which \"Purge free space\" overwrites. It is encrypted "
      "(EFS): what it held before it was encrypted may remain in the free space, which \"Purge free "
      "space\" overwrites.");
  EXPECT_EQ(LineOf(p, "full.txt"),
            "full.txt (200 bytes): a compressed file, and the drive has no room to decompress it for "
            "overwriting, not purged.");
  EXPECT_EQ(ReadFile(full), SampleContent(200));
  EXPECT_EQ(p.report.lngNumFilesPurged, 1);

  // Where purged files are not named, what stays in the free space still is.
  const std::string again = p.dir.Write("again.txt", SampleContent(300));
  p.fs.SetStorage(again, {.encrypted = true});
  p.dir.Write("plain.txt", SampleContent(400));
  p.confirmation.blnFolderNamesOnly = true;
  p.Purge(p.dir.path(), "*.txt", false);
  const std::string text = p.report.txbText.text();
  EXPECT_NE(
      text.find("again.txt purged. It is encrypted (EFS): what it held before it was encrypted may remain "
                "in the free space, which \"Purge free space\" overwrites.\r\n"),
      std::string::npos)
      << text;
  EXPECT_EQ(text.find("plain.txt"), std::string::npos) << text;
}

}  // namespace
}  // namespace nulvane::testing
