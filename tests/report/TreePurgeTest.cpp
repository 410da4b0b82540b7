#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>

#include "engine/FileProcedures.h"
#include "report/ReportTestSupport.h"
#include "support/Drive.h"
#include "support/Match.h"
#include "testsupport/PathCalls.h"
#include "testsupport/Platform.h"

namespace nulvane::testing {
namespace {

using Lines = std::vector<std::string>;
using platform::Answer;

// Names of the folder's entries of the given kind, in the order the platform delivers them.
Lines InOrder(platform::FileSystem& fs, const std::string& folder, bool folders) {
  Lines names;
  for (const auto& entry : ListFolder(fs, folder)) {
    if ((entry.kind == platform::FileKind::Directory) == folders) names.push_back(entry.name);
  }
  return names;
}

Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(TreePurge, OneFileReportsCountButNoPurgedLineOrSum) {
  ReportProgram p;
  const std::string file = p.dir.Write("a.txt", SampleContent(1000));
  p.Purge(p.dir.path(), "a.txt", false);

  EXPECT_EQ(p.Lines(), (Lines{kDateLine, "Purging files " + p.dir.path() + "a.txt ",
                              "using random bytes plus zeros once.", "", p.dir.path(),
                              "a.txt (1,000 bytes) purged", "", "Number of files: 1", kDateLine, ""}));
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(p.report.lngNumFilesProcessed, 1);
  EXPECT_EQ(p.report.lngNumFilesPurged, 1);
  EXPECT_EQ(p.report.dblTotalBytesPurged, 1000);
  EXPECT_EQ(p.report.lblPausedDone.caption, "Done");
  EXPECT_EQ(p.ui.clipboard(), p.report.txbText.text());
  EXPECT_TRUE(p.report.cmdClose.visible);
  EXPECT_FALSE(p.report.cmdPauseContinue.visible);
  EXPECT_TRUE(p.report.cmdCopyToClipboard.visible);
  EXPECT_EQ(p.state.intNumFiles, 1);
}

TEST(TreePurge, TwoKeptFilesEndWithNotDeletedNote) {
  ReportProgram p;
  p.dir.Write("a.txt", SampleContent(1000, 1));
  p.dir.Write("b.txt", SampleContent(2048, 2));
  p.dir.Write("c.dat", SampleContent(10, 3));
  p.confirmation.blnDoNotDeletePurgedFiles = true;
  p.Purge(p.dir.path(), "*.txt", false);

  Lines fileLines;
  for (const auto& name : InOrder(p.fs, p.dir.path(), false)) {
    if (name == "a.txt") fileLines.push_back("a.txt (1,000 bytes) purged");
    if (name == "b.txt") fileLines.push_back("b.txt (2,048 bytes) purged");
  }
  EXPECT_EQ(p.Lines(),
            Concat({{kDateLine, "Purging files " + p.dir.path() + "*.txt ",
                     "using random bytes plus zeros once.", "", p.dir.path()},
                    fileLines,
                    {"", "Number of files: 2", "Number of files purged: 2",
                     "Sum of sizes of files purged: 2.98 KB", "Purged files not deleted.", kDateLine, ""}}));
  // Kept files keep their length but not their contents.
  EXPECT_EQ(ReadFile(p.dir / "a.txt").size(), 1000u);
  EXPECT_NE(ReadFile(p.dir / "a.txt"), SampleContent(1000, 1));
  EXPECT_EQ(ReadFile(p.dir / "c.dat"), SampleContent(10, 3));
}

TEST(TreePurge, FolderNamesOnlyShowsDotsAndTheFailedFileAndRemovesEmptiedFolder) {
  ReportProgram p;
  p.confirmation.blnFolderNamesOnly = true;
  p.confirmation.blnDeleteEmptyFolders = true;
  p.dir.Write("a.txt", "aaa");
  p.dir.Write("keep/bad.txt", "bbbb");
  p.dir.Write("gone/c.txt", "cc");
  p.fs.Inject({"Remove", "bad.txt", EIO});
  const Lines subfolders = InOrder(p.fs, p.dir.path(), true);
  p.Purge(p.dir.path(), "*.*", true);
  // It was given a random name before the deletion was tried: the report names both.
  const Lines left = InOrder(p.fs, p.dir / "keep", false);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_NE(left[0], "bad.txt");

  std::string expected =
      kDateLine + "\r\nPurging all files in " + p.dir.path() +
      "\r\n(including all files in subfolders) \r\nusing random bytes plus zeros once.\r\n\r\n" +
      p.dir.path() + "\r\n. ";
  for (const auto& sub : subfolders) {
    expected += "\r\n" + p.dir / (sub + "/") + "\r\n";
    expected += sub == "keep"
                    ? ". bad.txt: file overwritten but not deleted. It is now named " + left[0] + ".\r\n"
                    : ". Folder " + p.dir.path() + "gone removed.\r\n\r\n";
  }
  // The summary follows the report with its trailing blanks and breaks trimmed.
  while (expected.back() == '\n' || expected.back() == '\r') expected.pop_back();
  expected +=
      "\r\n\r\nNumber of files: 3\r\nNumber of files purged: 2\r\nSum of sizes of files purged: 5 bytes\r\n"
      "Number of folders removed: 1\r\n" +
      kDateLine + "\r\n";
  EXPECT_EQ(p.report.txbText.text(), expected);
  EXPECT_FALSE(Exists(p.dir / "gone"));
  EXPECT_TRUE(Exists(p.dir / ("keep/" + left[0])));
  EXPECT_EQ(p.report.intNumFoldersRemoved, 1);
  EXPECT_EQ(p.report.lngNumFilesPurged, 2);
}

struct SensitiveCase {
  Answer answer;
  int purged;
  bool stopped;
};

class SensitiveQuery : public ::testing::TestWithParam<SensitiveCase> {};

TEST_P(SensitiveQuery, AsksOnceAndAppliesTheAnswerToTheRun) {
  ReportProgram p;
  p.dir.Write("x.exe", "xx");
  p.dir.Write("y.exe", "yy");
  p.dir.Write("sub/z.txt", "zz");
  p.ui.Answer(GetParam().answer);
  const std::string first = InOrder(p.fs, p.dir.path(), false)[0];
  p.Purge(p.dir.path(), "*.*", true);

  ASSERT_EQ(p.ui.messages().size(), 1u);
  const auto& query = p.ui.messages()[0];
  EXPECT_EQ(query.title, "Purge query");
  EXPECT_EQ(query.text, p.dir.path() + first +
                            "\r\n\r\nYou have requested to purge a file with an \"exe\" extension.\r\n"
                            "Do you wish to allow all files with this extension to be purged?\r\n"
                            "(Permission lasts only during the course of this operation.)");
  EXPECT_EQ(query.buttons, platform::Buttons::YesNoCancel);
  EXPECT_EQ(query.icon, platform::Icon::None);
  EXPECT_EQ(query.defaultButton, Answer::No);
  EXPECT_EQ(p.report.lngNumFilesPurged, GetParam().purged);
  EXPECT_EQ(p.report.blnStop, GetParam().stopped);
  const std::string& text = p.report.txbText.text();
  if (GetParam().answer == Answer::No) {
    EXPECT_NE(text.find("x.exe: \"exe\" files are not purged.\r\n"), std::string::npos);
    EXPECT_NE(text.find("y.exe: \"exe\" files are not purged.\r\n"), std::string::npos);
  }
  if (GetParam().stopped) {
    EXPECT_TRUE(Exists(p.dir / "x.exe") && Exists(p.dir / "y.exe") && Exists(p.dir / "sub/z.txt"));
    EXPECT_NE(text.find("\r\n" + first + "\r\n\r\n"), std::string::npos);
    EXPECT_NE(text.find("Purge operation was stopped."), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, SensitiveQuery,
                         ::testing::Values(SensitiveCase{Answer::Yes, 3, false},
                                           SensitiveCase{Answer::No, 1, false},
                                           SensitiveCase{Answer::Cancel, 0, true}));

TEST(TreePurge, SensitiveFilesAllowedInTheConfirmationAreNotQueried) {
  ReportProgram p;
  p.confirmation.blnOKToPurgeSensitiveFiles = true;
  p.dir.Write("x.dll", "xx");
  p.Purge(p.dir.path(), "*.dll", false);
  EXPECT_TRUE(p.ui.messages().empty());
  EXPECT_EQ(p.report.lngNumFilesPurged, 1);
}

TEST(TreePurge, ProgressIndicatorCountsPassesAndLeavesOnlyTheResult) {
  ReportProgram p;
  p.Choose(0, 3);
  p.state.sngSpeedByDrive[support::DriveOf(p.fs, p.dir.path())] = 0.001f;  // every file is "long"
  p.dir.Write("big.dat", SampleContent(5000));
  std::vector<std::string> snapshots;
  p.report.txbText.Subscribe([&](const report::ReportText::Change& change) {
    if (change.kind == report::ReportText::ChangeKind::Append) {
      const auto& text = p.report.txbText.text();
      const auto lineStart = text.rfind("\r\nbig.dat (");
      if (lineStart != std::string::npos && snapshots.size() < 5)
        snapshots.push_back(text.substr(lineStart + 2));
    }
  });
  p.Purge(p.dir.path(), "big.dat", false);
  EXPECT_EQ(snapshots, (Lines{"big.dat (5,000 bytes) purging", "big.dat (5,000 bytes) purging ___",
                              "big.dat (5,000 bytes) purging 1__", "big.dat (5,000 bytes) purging 12_",
                              "big.dat (5,000 bytes) purged\r\n"}));
  EXPECT_FALSE(Exists(p.dir / "big.dat"));
}

TEST(TreePurge, FailureInSecondPassKeepsTheFileAndReportsTheCode) {
  ReportProgram p;
  p.Choose(0, 3);
  const std::string file = p.dir.Write("f.txt", "content");
  // Each pass of type 0 flushes twice; the third flush belongs to the second pass.
  p.fs.Inject({"Flush", "f.txt", EIO, 2, -1});
  p.Purge(p.dir.path(), "f.txt", false);
  EXPECT_TRUE(Exists(file));
  EXPECT_EQ(p.report.lngNumFilesPurged, 0);
  // The first pass did overwrite the file, and the line says so.
  EXPECT_NE(p.report.txbText.text().find("\r\nf.txt (7 bytes): partly overwritten (1 of 3 passes), not "
                                         "deleted: error when flushing file.\r\n"),
            std::string::npos)
      << p.report.txbText.text();
}

#ifndef _WIN32  // no Windows name holds a control character
// A name holding a line break is one line of the report, in a purge and in a listing alike, and the run
// works on the real name.
TEST(TreePurge, NamesWithControlCharactersTakeOneLineOfTheReport) {
  ReportProgram p;
  p.dir.Write("odd\nfolder/two\nlines.txt", "12345");
  p.dir.Write("odd\nfolder/tab\there.txt", "12");
  const std::string folder = p.dir.path() + "odd\nfolder/";
  p.List(folder, "*.*", false, true, true);
  Lines lines = p.Lines();
  EXPECT_EQ(lines[0], p.dir.path() + "odd\\nfolder/");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) {
                            return line.starts_with("two\\nlines.txt (") ||
                                   line.starts_with("tab\\there.txt (");
                          }),
            2)
      << p.report.txbText.text();

  p.Purge(folder, "*.*", false);
  lines = p.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), p.dir.path() + "odd\\nfolder/"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "two\\nlines.txt (5 bytes) purged"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "tab\\there.txt (2 bytes) purged"), lines.end());
  EXPECT_EQ(p.report.lngNumFilesPurged, 2);
  EXPECT_TRUE(ListFolder(p.fs, folder).empty());
}
#endif

TEST(TreePurge, LinksAndTheirTargetsAreNeverTouched) {
  ReportProgram p;
  TempDir outside;
  const std::string secret = outside.Write("secret.txt", SampleContent(3000, 7));
  const std::string deep = outside.Write("folder/deep.txt", SampleContent(3000, 8));
  p.dir.Write("plain.txt", "x");
  // Wine lists a link to a file as the file and refuses it only when it is opened (the engine's tests show
  // that), so there the link to a file is left out.
  const bool fileLink = !RunningUnderWine();
  if (fileLink) {
    ASSERT_TRUE(MakeLink(secret, p.dir / "file-link"));
  }
  ASSERT_TRUE(MakeLink(outside / "folder", p.dir / "folder-link"));
  p.confirmation.blnDeleteEmptyFolders = true;
  p.Purge(p.dir.path(), "*.*", true);

  EXPECT_EQ(ReadFile(secret), SampleContent(3000, 7));
  EXPECT_EQ(ReadFile(deep), SampleContent(3000, 8));
  if (fileLink) {
    EXPECT_EQ(p.fs.Status(p.dir / "file-link").kind, platform::FileKind::Symlink);
  }
  EXPECT_EQ(p.fs.Status(p.dir / "folder-link").kind, platform::FileKind::Symlink);
  const std::string& text = p.report.txbText.text();
  if (fileLink) {
    EXPECT_NE(text.find("\r\nfile-link: a symbolic link, not purged.\r\n"), std::string::npos);
  }
  EXPECT_NE(text.find("\r\nfolder-link: a symbolic link, not purged.\r\n"), std::string::npos);
  // Named as what they are, but never counted as files to purge.
  EXPECT_EQ(p.report.lngNumFilesProcessed, 1);
  EXPECT_EQ(p.report.lngNumFilesPurged, 1);
}

#ifdef _WIN32
// Windows names differ not by case: "Report.TXT" is the file "report.txt".
TEST(TreePurge, PlainNameMatchesInAnyCaseAndOncePerFolder) {
  ReportProgram p;
  p.dir.Write("Report.TXT", "upper");
  p.dir.Write("sub/report.txt", "lower");
  p.dir.Write("sub/report.txt.bak", "other");
  p.Purge(p.dir.path(), "report.txt", true);
  EXPECT_FALSE(Exists(p.dir / "Report.TXT"));
  EXPECT_FALSE(Exists(p.dir / "sub/report.txt"));
  EXPECT_TRUE(Exists(p.dir / "sub/report.txt.bak"));
  EXPECT_EQ(p.report.lngNumFilesPurged, 2);
}
#else
TEST(TreePurge, PlainNameMatchesExactlyAndOncePerFolder) {
  ReportProgram p;
  p.dir.Write("Report.TXT", "upper");
  p.dir.Write("report.txt", "lower");
  p.dir.Write("sub/report.txt", "lower too");
  p.Purge(p.dir.path(), "report.txt", true);
  EXPECT_TRUE(Exists(p.dir / "Report.TXT"));
  EXPECT_FALSE(Exists(p.dir / "report.txt"));
  EXPECT_FALSE(Exists(p.dir / "sub/report.txt"));
  EXPECT_EQ(p.report.lngNumFilesPurged, 2);
}
#endif

TEST(TreePurge, FolderWithoutMatchesIsSilentButItsSubfoldersAreWalked) {
  ReportProgram p;
  p.dir.Write("other.dat", "x");
  p.dir.Write("sub/a.txt", "y");
  p.Purge(p.dir.path(), "*.txt", true);
  const std::string& text = p.report.txbText.text();
  EXPECT_EQ(text.find("\r\n" + p.dir.path() + "\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n" + p.dir / "sub/" + "\r\na.txt (1 bytes) purged\r\n"), std::string::npos);
}

TEST(TreePurge, ConfirmationDialogAnswersDriveTheRun) {
  ReportProgram p;
  p.state.blnConfirmFiles = true;
  for (const char* name : {"A.txt", "B.txt", "C.txt", "D.txt"}) p.dir.Write(name, "1234");
  std::string firstLabel;
  p.ui.OnDialog("frmConfirmFiles", [&](platform::Dialog& d) {
    auto& dialog = dynamic_cast<report::ConfirmFilesDialog&>(d);
    firstLabel = dialog.lblFile.caption;
    EXPECT_EQ(dialog.caption, "Confirm purging of this file");
    EXPECT_FALSE(p.report.cmdPauseContinue.visible);
    dialog.cmdYes_Click();
  });
  p.ui.OnDialog("frmConfirmFiles",
                [](platform::Dialog& d) { dynamic_cast<report::ConfirmFilesDialog&>(d).cmdNo_Click(); });
  p.ui.OnDialog("frmConfirmFiles", [](platform::Dialog& d) {
    dynamic_cast<report::ConfirmFilesDialog&>(d).cmdPurgeAll_Click();
  });
  const Lines order = InOrder(p.fs, p.dir.path(), false);
  const std::string firstDate = engine::FileDateText(p.fs, p.dir.path() + order[0], false);
  p.Purge(p.dir.path(), "*.txt", false);

  // The path exactly as it is on disk: "a.txt" would be another file.
  EXPECT_EQ(firstLabel, p.dir.path() + order[0] + "     4 bytes     " + firstDate);
  EXPECT_EQ(p.ui.DialogsShown().size(), 3u);
  EXPECT_EQ(p.host.hides, 3);
  EXPECT_EQ(p.host.shows, 3);
  EXPECT_EQ(p.report.lngNumFilesPurged, 3);
  EXPECT_TRUE(Exists(p.dir.path() + order[1]));
  EXPECT_NE(p.report.txbText.text().find("\r\n" + order[1] + " not purged.\r\n"), std::string::npos);
}

TEST(TreePurge, StopThisPurgeInTheConfirmationEndsTheRun) {
  ReportProgram p;
  p.state.blnConfirmFiles = true;
  p.dir.Write("a.txt", "1");
  p.dir.Write("b.txt", "2");
  p.ui.OnDialog("frmConfirmFiles", [](platform::Dialog& d) {
    dynamic_cast<report::ConfirmFilesDialog&>(d).cmdStopPurge_Click();
  });
  p.Purge(p.dir.path(), "*.txt", false);
  EXPECT_TRUE(Exists(p.dir / "a.txt") && Exists(p.dir / "b.txt"));
  EXPECT_EQ(p.report.lblPausedDone.caption, "Stopped");
  EXPECT_EQ(p.report.lngNumFilesProcessed, 1);
  EXPECT_NE(p.report.txbText.text().find("Purge operation was stopped."), std::string::npos);
}

TEST(TreePurge, UnreadableSubfolderStopsTheRunWithItsErrorButPermissionIsSilent) {
  {
    ReportProgram p;
    p.dir.Write("sub/a.txt", "1");
    p.fs.Inject({"ListFolder", "sub", EIO});
    p.ui.AnswerOkByDefault();
    p.Purge(p.dir.path(), "*.*", true);
    ASSERT_EQ(p.ui.messages().size(), 1u);
    EXPECT_EQ(p.ui.messages()[0].text, "Error #" + std::to_string(1000 + EIO) + " with " + p.dir / "sub/");
    EXPECT_TRUE(p.report.blnStop);
    EXPECT_TRUE(Exists(p.dir / "sub/a.txt"));
  }
  {
    ReportProgram p;
    p.dir.Write("locked/a.txt", "1");
    p.dir.Write("open/b.txt", "2");
    p.fs.Inject({"ListFolder", "locked", EACCES});
    p.Purge(p.dir.path(), "*.*", true);
    EXPECT_TRUE(p.ui.messages().empty());
    EXPECT_FALSE(p.report.blnStop);
    EXPECT_FALSE(Exists(p.dir / "open/b.txt"));
    EXPECT_EQ(p.report.lngNumFilesPurged, 1);
  }
}

// A failure to write names the file, and the file's line never says it was left as it was: the writes
// before the failure changed it.
TEST(TreePurge, AWriteThatFailsNamesTheFileAndItsLineSaysTheOverwritingBrokeOff) {
  ReportProgram p;
  p.dir.Write("a.txt", "1");
  p.fs.Inject({"WriteRepeated", "a.txt", EIO});
  p.ui.AnswerOkByDefault();
  p.Purge(p.dir.path(), "*.txt", false);
  ASSERT_EQ(p.ui.messages().size(), 1u);
  EXPECT_EQ(p.ui.messages()[0].text, "Error #" + std::to_string(1000 + EIO) + " with " + p.dir / "a.txt");
  EXPECT_NE(
      p.report.txbText.text().find(
          "\r\na.txt (1 bytes): overwriting broke off in pass 1 of 1, not deleted: Input/output error.\r\n"),
      std::string::npos)
      << p.report.txbText.text();
  EXPECT_TRUE(p.report.blnStop);
}

// A sparse file takes room as its holes are written: the disk fills part way through a pass.
TEST(TreePurge, ADiskThatFillsPartWayThroughAFileLeavesItPartlyOverwrittenNotUntouched) {
  ReportProgram p;
  p.Choose(0, 3);
  const std::string file = p.dir.Write("sparse.dat", SampleContent(3 * 1024 * 1024));
  // The first pass is written whole; the second pass's second run of blocks finds the disk full.
  int writes = 0;
  p.fs.SetHook([&](const std::string& operation, const std::string& path) {
    if (operation == "WriteRepeated" && path.find("sparse.dat") != std::string::npos && ++writes == 8)
      platform::ThrowErrno(ENOSPC);
  });
  p.ui.AnswerOkByDefault();
  p.Purge(p.dir.path(), "*.dat", false);
  ASSERT_EQ(p.ui.messages().size(), 1u);
  EXPECT_EQ(p.ui.messages()[0].text, "Error #61 with " + file);
  EXPECT_NE(
      p.report.txbText.text().find("\r\nsparse.dat (3,145,728 bytes): partly overwritten (1 of 3 passes), "
                                   "not deleted: No space left on device.\r\n"),
      std::string::npos)
      << p.report.txbText.text();
  EXPECT_EQ(p.report.lngNumFilesPurged, 0);
  EXPECT_NE(ReadFile(file), SampleContent(3 * 1024 * 1024));

  // Opening fails before anything is written: that file is truly untouched, and said to be.
  ReportProgram q;
  const std::string other = q.dir.Write("kept.dat", "12345");
  q.fs.Inject({"OpenForWriting", "kept.dat", EIO});
  q.fs.Inject({"Status", "kept.dat", EIO, 1});
  q.ui.AnswerOkByDefault();
  q.Purge(q.dir.path(), "*.dat", false);
  EXPECT_EQ(ReadFile(other), "12345");
  EXPECT_EQ(q.report.txbText.text().find("overwriting broke off"), std::string::npos)
      << q.report.txbText.text();
}

TEST(TreePurge, OverflowingPurgeContinuesUnreportedToTheEnd) {
  ReportProgram p;
  const std::string stem(230, 'n');
  for (int i = 0; i < 260; ++i) p.dir.Write(stem + std::to_string(1000 + i), "0123456789");
  p.Purge(p.dir.path(), "*.*", false);

  const std::string notice =
      "\r\n\r\nThe report buffer has been filled, so this report cannot continue.  The purge operation will "
      "continue, but without report of results for individual files.\r\n\r\n";
  const std::string& text = p.report.txbText.text();
  const std::size_t at = text.find(notice);
  ASSERT_NE(at, std::string::npos);
  EXPECT_LE(text.size(), report::ReportWindow::kReportLimit);
  // What is left of the file lines ends with a complete line, and the run's outcome follows the notice.
  EXPECT_EQ(text.substr(at - 17, 17), "(10 bytes) purged");
  EXPECT_EQ(
      text.substr(at + notice.size()),
      "Number of files: 260\r\nNumber of files purged: 260\r\nSum of sizes of files purged: 2.54 KB\r\n" +
          kDateLine + "\r\n");
  EXPECT_EQ(p.report.lngNumFilesPurged, 260);
  EXPECT_TRUE(ListFolder(p.fs, p.dir.path()).empty());
  EXPECT_TRUE(p.report.blnReportBufferFull);
  EXPECT_EQ(p.ui.clipboard(), text);
}

TEST(TreePurge, AnUnreadableSubfolderIsNotTakenForEmptyAndTheRunGoesOn) {
  ReportProgram p;
  p.dir.Write("a_locked/kept.txt", "1");
  p.dir.Write("b_open/purged.txt", "2");
  p.dir.Write("c_open/purged.txt", "3");
  p.fs.Inject({"ListFolder", "a_locked", EACCES});
  p.confirmation.blnDeleteEmptyFolders = true;
  p.Purge(p.dir.path(), "*.*", true);
  EXPECT_TRUE(p.ui.messages().empty());
  EXPECT_FALSE(p.report.blnStop);
  EXPECT_TRUE(Exists(p.dir / "a_locked/kept.txt"));
  EXPECT_FALSE(Exists(p.dir / "b_open"));
  EXPECT_FALSE(Exists(p.dir / "c_open"));
  EXPECT_EQ(p.report.lngNumFilesPurged, 2);
  EXPECT_EQ(p.report.intNumFoldersRemoved, 2);
}

#ifndef _WIN32
TEST(TreePurge, PipesAndSocketsAreNamedNotCountedAndNeverOpened) {
  ReportProgram p;
  p.dir.Write("a.txt", "1");
  ASSERT_EQ(::mkfifo((p.dir / "pipe.txt").c_str(), 0600), 0);
  p.Purge(p.dir.path(), "*.txt", false);
  const std::string& text = p.report.txbText.text();
  EXPECT_NE(text.find("\r\npipe.txt: a named pipe, not purged.\r\n"), std::string::npos) << text;
  EXPECT_EQ(p.report.lngNumFilesProcessed, 1);
  EXPECT_EQ(p.fs.Status(p.dir / "pipe.txt").kind, platform::FileKind::Pipe);
  EXPECT_EQ(p.fs.Calls("OpenForWriting"), 1);
}
#endif

TEST(TreePurge, AFileWithOtherNamesIsReportedAndLeftWhole) {
  ReportProgram p;
  TempDir elsewhere;
  const std::string shared = p.dir.Write("shared.txt", SampleContent(5000, 3));
  ASSERT_TRUE(MakeHardLink(shared, elsewhere / "backup.txt"));
  p.dir.Write("own.txt", "own");
  p.Purge(p.dir.path(), "*.txt", false);
  EXPECT_EQ(ReadFile(shared), SampleContent(5000, 3));
  EXPECT_EQ(ReadFile(elsewhere / "backup.txt"), SampleContent(5000, 3));
  EXPECT_NE(p.report.txbText.text().find(
                "\r\nshared.txt: a file with other names (hard links) elsewhere, not purged.\r\n"),
            std::string::npos);
  EXPECT_EQ(p.report.lngNumFilesProcessed, 2);
  EXPECT_EQ(p.report.lngNumFilesPurged, 1);
}

TEST(TreePurge, TheReportLimitCountsCharactersNotBytes) {
  ReportProgram p;
  // 300 lines of about 140 characters, each name in two-byte letters: over the limit in bytes, well under
  // it in characters.
  std::string name;
  for (int i = 0; i < 110; ++i) name += "\xD0\xB6";  // U+0436
  for (int i = 0; i < 300; ++i) p.dir.Write(name + std::to_string(1000 + i), "0123456789");
  p.Purge(p.dir.path(), "*.*", false);
  EXPECT_GT(p.report.txbText.size(), report::ReportWindow::kReportLimit);
  EXPECT_FALSE(p.report.blnReportBufferFull);
  EXPECT_NE(p.report.txbText.text().find(name + "1299 (10 bytes) purged"), std::string::npos);
}

}  // namespace
}  // namespace nulvane::testing
