#include <gtest/gtest.h>

#include "engine/FileProcedures.h"
#include "report/ReportTestSupport.h"
#include "support/Drive.h"
#include "support/Format.h"

namespace nulvane::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(Listing, WithFolderNamesListsEveryFileAndAsksForASpeedTest) {
  ReportProgram p;
  const std::string a = p.dir.Write("a.txt", SampleContent(1000));
  const std::string b = p.dir.Write("sub/b.txt", SampleContent(2048));
  p.dir.Write("sub/c.dat", "x");
  p.List(p.dir.path(), "*.txt", true, true, true);

  const std::string drive = support::DriveName(support::DriveOf(p.fs, p.dir.path()));
  EXPECT_EQ(
      p.Lines(),
      (Lines{p.dir.path(), "a.txt (" + engine::FileDateText(p.fs, a, false) + ", 1000 bytes)   ",
             p.dir / "sub/", "b.txt (" + engine::FileDateText(p.fs, b, false) + ", 2.00 KB)", "",
             "Number of files: 2", "Sum of file sizes: 2.98 KB",
             "For an estimate of the purge time test the purge speed for Drive " + drive + " then relist."}));
  EXPECT_EQ(p.report.lngNumFilesProcessed, 2);
  EXPECT_EQ(p.report.dblTotalBytesPurged, 3048);
  EXPECT_EQ(p.host.estimatedTime, "");
  EXPECT_TRUE(Exists(a) && Exists(b));
  EXPECT_EQ(p.ui.clipboard(), p.report.txbText.text());
  EXPECT_TRUE(p.report.lblPausedDone.caption.empty());
}

TEST(Listing, WithoutFolderNamesShowsOneDotPerFolderWithMatchesThenOnlyTheSummary) {
  ReportProgram p;
  p.dir.Write("x1.txt", "12");
  p.dir.Write("one/x2.txt", "345");
  p.dir.Write("two/none.dat", "6");
  std::string dots;
  p.report.txbText.Subscribe([&](const report::ReportText::Change& change) {
    if (change.kind == report::ReportText::ChangeKind::Append && change.text == " .") dots += change.text;
  });
  bool dotsLabelShown = false;
  p.ui.OnYield([&](long) { dotsLabelShown = dotsLabelShown || p.report.lblDots.visible; });
  p.List(p.dir.path(), "x*.txt", true, false, false);

  EXPECT_EQ(dots, " . .");
  EXPECT_TRUE(dotsLabelShown);
  EXPECT_FALSE(p.report.lblDots.visible);
  const std::string drive = support::DriveName(support::DriveOf(p.fs, p.dir.path()));
  EXPECT_EQ(p.Lines(), (Lines{"Number of files x*.txt: 2", "Sum of file sizes: 5 bytes",
                              "For an estimate of the purge time test the purge speed for Drive " + drive +
                                  " then relist."}));
}

TEST(Listing, NothingToListMentionsTheDateRestriction) {
  ReportProgram p;
  p.dir.Write("a.dat", "1");
  p.state.blnDateRestriction = true;
  p.List(p.dir.path(), "*.txt", false, true, true);
  EXPECT_EQ(p.Lines(), (Lines{"No files to list (possibly due to the date restriction).", "", ""}));
}

TEST(Listing, UnderAMinuteOnAMeasuredDrive) {
  ReportProgram p;
  p.Choose(1, 2);  // 3 writes per pass, 6 overwrites
  p.state.sngSpeedByDrive[support::DriveOf(p.fs, p.dir.path())] = 5;
  p.dir.Write("a.bin", std::string(5 * 1048576, 'a'));
  p.dir.Write("b.bin", std::string(5 * 1048576, 'b'));
  p.List(p.dir.path(), "*.bin", false, true, true);
  const Lines lines = p.Lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(Lines(lines.end() - 4, lines.end()),
            (Lines{"Sum of file sizes: 10.00 MB", "Purge type: " + p.host.typeOfPurge,
                   "Estimated purge time: less than a minute.", ""}));
  EXPECT_EQ(p.host.estimatedTime, "Less than a minute.");
}

TEST(Listing, LongPurgeGetsEstimateAndTable) {
  ReportProgram p;
  p.state.sngSpeedByDrive[support::DriveOf(p.fs, p.dir.path())] = 0.01f;
  p.dir.Write("a.bin", std::string(1048576, 'a'));
  p.List(p.dir.path(), "a.bin", false, true, true);
  const Lines lines = p.Lines();
  // 1 MB at 0.01 MB/s, 2 overwrites: 200 seconds; the average file of 1 MB gives the factor 0.917.
  const Lines tail{"Purge type: " + p.host.typeOfPurge,
                   "Estimated purge time: 3 minutes and 3 seconds.",
                   "",
                   "Estimated purge times for various numbers of overwrites",
                   "using a purge speed (as measured) of 0.01 MB/sec.",
                   "and an adjustment factor of 0.92:",
                   "2 overwrites: 3 minutes and 3 seconds",
                   "4 overwrites: 6 minutes",
                   "6 overwrites: 9 minutes",
                   "8 overwrites: 12 minutes",
                   "10 overwrites: 15 minutes",
                   "12 overwrites: 18 minutes",
                   "14 overwrites: 21 minutes",
                   "16 overwrites: 24 minutes",
                   "18 overwrites: 28 minutes",
                   "20 overwrites: 31 minutes",
                   "22 overwrites: 34 minutes",
                   "24 overwrites: 37 minutes",
                   ""};
  ASSERT_GE(lines.size(), tail.size());
  EXPECT_EQ(Lines(lines.end() - static_cast<long>(tail.size()), lines.end()), tail);
  EXPECT_EQ(p.host.estimatedTime, "3 minutes and 3 seconds");
}

TEST(Listing, EstimatedTimesTable) {
  ReportProgram p;
  const std::string header =
      "Estimated purge times for various numbers of overwrites\r\nusing a purge speed (as measured) of 10.00 "
      "MB/sec.\r\nand an adjustment factor of 1.00:\r\n";
  const std::string small = p.report.EstimatedTimes(10, 1048576, 1.0, "/");
  EXPECT_EQ(small, header + "All less than 20 seconds\r\n");
  const std::string large = p.report.EstimatedTimes(10, 100.0 * 1048576, 1.0, "/");
  EXPECT_EQ(large.substr(0, header.size() + 34), header + "2 overwrites: 20 seconds\r\n4 overwr");
  EXPECT_EQ(large.substr(large.size() - 26), "24 overwrites: 4 minutes\r\n");
  // Beyond a day the estimate is given in whole hours: 100,000 seconds are 28 hours.
  const std::string huge = p.report.EstimatedTimes(1, 50000.0 * 1048576, 1.0, "/");
  EXPECT_NE(huge.find("\r\n2 overwrites: 1 day and 4 hours\r\n"), std::string::npos);
}

TEST(Listing, CountingStopsAtTheLimit) {
  ReportProgram p;
  p.dir.Write("a/b/c/deep.txt", "1");
  p.dir.Write("a/b/c/deeper.txt", "1");
  EXPECT_EQ(p.Count(p.dir.path(), "*.txt", true, 1), -1);
  EXPECT_EQ(p.Count(p.dir.path(), "*.txt", false, 1), 0);
  EXPECT_EQ(p.Count(p.dir.path(), "*.txt", true, 3), 2);
  p.dir.Write("z/also.txt", "1");
  p.report.cmdClose_Click();  // a stop left over from the last run does not cut a count short
  EXPECT_EQ(p.Count(p.dir.path(), "*.txt", true, 10), 3);
  EXPECT_TRUE(p.report.txbText.empty());

  ReportProgram q;
  for (int i = 0; i < 1000; ++i)
    q.dir.Write("f" + std::to_string(i % 10) + "/" + std::to_string(i) + ".t", "");
  EXPECT_EQ(q.Count(q.dir.path(), "*.t", true, 1001), 1000);
  q.dir.Write("f0/extra.t", "");
  EXPECT_EQ(q.Count(q.dir.path(), "*.t", true, 1001), -1);
}

TEST(Listing, OverflowStopsWithOneMessageAndTwoNoticeLines) {
  ReportProgram p;
  const std::string stem(200, 'q');
  for (int i = 0; i < 300; ++i)
    p.dir.Write("f" + std::to_string(i % 3) + "/" + stem + std::to_string(i), "x");
  p.ui.AnswerOkByDefault();
  p.List(p.dir.path(), "*.*", true, true, true);

  ASSERT_EQ(p.ui.messages().size(), 1u);
  EXPECT_EQ(p.ui.messages()[0].title, "Report buffer full");
  EXPECT_EQ(p.ui.messages()[0].text,
            "The output report buffer has been filled, so this report cannot continue.");
  const std::string notice =
      ")   \r\n\r\nThe output report buffer was filled.\r\nNote: Some files or folders were not listed.\r\n";
  const std::string& text = p.report.txbText.text();
  const std::size_t at = text.find(notice);
  ASSERT_NE(at, std::string::npos);
  EXPECT_LE(p.report.txbText.characters(), report::ReportWindow::kReportLimit + 200);
  EXPECT_TRUE(p.report.blnStop);
  EXPECT_LT(p.report.lngNumFilesProcessed, 300);
  // How the listing ended still follows the notice.
  const std::string count = support::FormatGrouped(p.report.lngNumFilesProcessed, 0);
  EXPECT_EQ(text.substr(at + notice.size()), "Number of files: " + count + "\r\nSum of file sizes: " + count +
                                                 " bytes\r\nListing was stopped.\r\n\r\n");
}

TEST(Listing, CountingShowsAnUnreadableFolderAfterTheLastRunWasClosed) {
  ReportProgram p;
  p.dir.Write("sub/a.txt", "1");
  p.fs.Inject({"ListFolder", "sub", EIO});
  p.ui.AnswerOkByDefault();
  p.report.cmdClose_Click();
  p.Count(p.dir.path(), "*.*", true, 1001);
  ASSERT_EQ(p.ui.messages().size(), 1u);
  EXPECT_EQ(p.ui.messages()[0].text, "Error #" + std::to_string(1000 + EIO) + " with " + p.dir / "sub/");
}

TEST(Listing, UnreadableFolderShowsItsErrorAndStops) {
  ReportProgram p;
  p.dir.Write("sub/a.txt", "1");
  p.fs.Inject({"ListFolder", "sub", EIO});
  p.ui.AnswerOkByDefault();
  p.List(p.dir.path(), "*.*", true, true, true);
  ASSERT_EQ(p.ui.messages().size(), 1u);
  EXPECT_EQ(p.ui.messages()[0].text, "Error #" + std::to_string(1000 + EIO) + " with " + p.dir / "sub/");
  EXPECT_NE(p.report.txbText.text().find("Listing was stopped."), std::string::npos);
}

}  // namespace
}  // namespace nulvane::testing
