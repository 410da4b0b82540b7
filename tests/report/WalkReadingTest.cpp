// What the walks read: each file is looked at once, the date test's look serving the report and the purge;
// and the counting pass before a purge keeps what it read of each folder, so that the purge that follows
// reads only the names again, taking what changed in between as it is when the purge comes to it.
#include <gtest/gtest.h>

#include "report/ReportTestSupport.h"
#include "support/DateRestriction.h"
#include "testsupport/Platform.h"

namespace nulvane::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::int32_t DayNumber(int year, int month, int day) {
  support::DateRecord date;
  date.year = year;
  date.month = month;
  date.day = day;
  date.calendar = support::kGregorianCalendar;
  return support::euro_date_to_jdn(date);
}

// Noon (UTC) of that day, as a file's modification time.
void SetDay(const std::string& path, int year, int month, int day) {
  const std::int64_t days = DayNumber(year, month, day) - support::kUnixEpochJdn;
  ASSERT_TRUE(SetModificationTime(path, days * 86400 + 43200)) << path;
}

struct CountedTree {
  explicit CountedTree(ReportProgram& p)
      : top(p.dir.MakeFolder("top")),
        a(p.dir.Write("top/a.txt", SampleContent(100, 1))),
        b(p.dir.Write("top/s1/b.txt", SampleContent(200, 2))),
        c(p.dir.Write("top/s1/s2/c.txt", SampleContent(300, 3))) {}
  std::string top, a, b, c;
};

TEST(WalkReading, TheDateTestsLookIsTheOnlyOneAtAFile) {
  ReportProgram p;
  const CountedTree tree(p);
  SetDay(tree.a, 2001, 6, 1);
  SetDay(tree.b, 2001, 6, 1);
  p.state.blnDateRestriction = true;
  p.state.lngOnlyBeforeThisJDN = DayNumber(2010, 1, 1);
  int looks = 0;
  p.fs.SetHook([&](const std::string& operation, const std::string& path) {
    if (operation == "Status" && path.rfind(tree.top, 0) == 0) ++looks;
  });
  p.List(tree.top, "*.*", true, true, true);
  EXPECT_EQ(p.report.lngNumFilesProcessed, 2);
  EXPECT_TRUE(Contains(p.report.txbText.text(), "a.txt (")) << p.report.txbText.text();
  EXPECT_EQ(looks, 3);

  looks = 0;
  p.confirmation.blnDoNotDeletePurgedFiles = true;
  p.Purge(tree.top, "*.*", true);
  EXPECT_EQ(p.report.lngNumFilesPurged, 2);
  EXPECT_EQ(looks, 3);
  EXPECT_EQ(ReadFile(tree.c), SampleContent(300, 3));
}

TEST(WalkReading, ThePurgeAfterACountReadsOnlyTheNamesAgain) {
  ReportProgram p;
  const CountedTree tree(p);
  ASSERT_EQ(p.Count(tree.top, "*.*", true, 1001), 3);
  EXPECT_EQ(p.fs.Calls("ListFolder"), 3);

  p.Purge(tree.top, "*.*", true);
  EXPECT_EQ(p.fs.Calls("ListFolder"), 6);
  EXPECT_EQ(p.report.lngNumFilesPurged, 3);
  for (const std::string& file : {tree.a, tree.b, tree.c}) EXPECT_FALSE(Exists(file)) << file;

  // Nothing is kept for the next run: it reads every folder itself.
  p.dir.Write("top/s1/d.txt", SampleContent(400, 4));
  p.Purge(tree.top, "*.*", true);
  EXPECT_EQ(p.fs.Calls("ListFolder"), 9);
  EXPECT_EQ(p.report.lngNumFilesPurged, 1);
}

TEST(WalkReading, WhatChangedSinceTheCountIsTakenAsItIsNow) {
  ReportProgram p;
  const CountedTree tree(p);
  const std::string old = p.dir.Write("top/s1/old.txt", SampleContent(500, 5));
  const std::string touched = p.dir.Write("top/s1/touched.txt", SampleContent(600, 6));
  SetDay(tree.a, 2001, 6, 1);
  SetDay(tree.c, 2001, 6, 1);
  SetDay(old, 2001, 6, 1);
  SetDay(touched, 2001, 6, 1);
  SetDay(tree.b, 2001, 6, 1);
  p.state.blnDateRestriction = true;
  p.state.lngOnlyBeforeThisJDN = DayNumber(2010, 1, 1);
  ASSERT_EQ(p.Count(tree.top, "*.*", true, 1001), 5);

  // Meanwhile: one file goes, one is changed after the restriction's day, one is made.
  p.fs.Remove(tree.b);
  SetDay(touched, 2020, 6, 1);
  const std::string made = p.dir.Write("top/s1/made.txt", SampleContent(700, 7));
  SetDay(made, 2001, 6, 1);
  const std::string later = p.dir.Write("top/s1/later.txt", SampleContent(800, 8));
  const std::string madeBelow = p.dir.Write("top/s1/new/below.txt", SampleContent(900, 9));
  SetDay(madeBelow, 2001, 6, 1);

  p.Purge(tree.top, "*.*", true);
  const std::string report = p.report.txbText.text();
  EXPECT_TRUE(p.ui.messages().empty()) << p.ui.messages().front().text;
  EXPECT_EQ(p.report.lngNumFilesPurged, 5) << report;
  EXPECT_EQ(p.report.lngNumFilesProcessed, 5) << report;
  // What the purge finds when it comes to a folder is taken, as in a tree too large for the count to keep:
  // a file or a folder made since the count too.
  for (const std::string& file : {tree.a, tree.c, old, made, madeBelow}) EXPECT_FALSE(Exists(file)) << file;
  EXPECT_FALSE(Contains(report, "b.txt")) << report;
  // The restriction no longer takes these.
  EXPECT_EQ(ReadFile(touched), SampleContent(600, 6));
  EXPECT_EQ(ReadFile(later), SampleContent(800, 8));
}

TEST(WalkReading, ACountForOtherFilesOrForgottenIsNotTaken) {
  ReportProgram p;
  const CountedTree tree(p);
  ASSERT_EQ(p.Count(tree.top, "b.*", true, 1001), 1);
  const std::string made = p.dir.Write("top/a2.txt", SampleContent(100, 8));
  p.Purge(tree.top, "*.*", true);
  EXPECT_EQ(p.report.lngNumFilesPurged, 4);
  EXPECT_FALSE(Exists(made));

  const std::string again = p.dir.Write("top/s1/again.txt", SampleContent(100, 9));
  ASSERT_EQ(p.Count(tree.top, "*.*", true, 1001), 1);
  const std::string later = p.dir.Write("top/s1/later.txt", SampleContent(100, 10));
  // The purge the count was for was not confirmed.
  p.report.ForgetCountedFolders();
  p.Purge(tree.top, "*.*", true);
  EXPECT_EQ(p.report.lngNumFilesPurged, 2);
  EXPECT_FALSE(Exists(again));
  EXPECT_FALSE(Exists(later));
}

}  // namespace
}  // namespace nulvane::testing
