// A purge that someone tries to send outside the chosen folder while it runs: folders swapped for links
// between the listing and the opening of their files, by a staged hook and by a real second thread.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "engine/PassPool.h"
#include "platform/PlatformError.h"
#include "platform/SystemFileSystem.h"
#include "report/ReportTestSupport.h"
#include "testsupport/PathCalls.h"
#include "testsupport/Platform.h"

namespace nulvane::testing {
namespace {

// Files outside the target with their contents, to prove afterwards that not a byte of them changed.
class Outside {
 public:
  explicit Outside(int files) {
    for (int i = 0; i < files; ++i) {
      const std::string name = "f" + std::to_string(i) + ".txt";
      contents_[dir_.Write(name, SampleContent(3000 + static_cast<std::size_t>(i), 40 + i))] =
          SampleContent(3000 + static_cast<std::size_t>(i), 40 + i);
    }
  }
  const std::string& path() const { return dir_.path(); }
  void ExpectIntact() const {
    for (const auto& [path, content] : contents_) EXPECT_EQ(ReadFile(path), content) << path;
    EXPECT_EQ(ListFolder(platform::SystemFileSystem(), dir_.path()).size(), contents_.size());
  }

 private:
  TempDir dir_;
  std::map<std::string, std::string> contents_;
};

// Replaces the folder by a link to `target`, keeping the folder itself aside.
void SwapForLink(const std::string& folder, const std::string& target) {
  platform::SystemFileSystem().Rename(folder, folder + ".aside");
  ASSERT_TRUE(MakeLink(target, folder));
}

bool IsLink(const std::string& path) {
  return platform::SystemFileSystem().Status(path).kind == platform::FileKind::Symlink;
}

// A folder swapped for a link before the walk opens it is refused; one swapped after the walk opened it is
// purged where it now lies, and only its name is left alone: nothing outside is ever reached.
TEST(Redirection, AFolderSwappedForALinkSendsNothingOutside) {
  for (const char* operation : {"OpenSubfolder", "ListFolder", "Status", "OpenForWriting"}) {
    SCOPED_TRACE(operation);
    ReportProgram p;
    Outside outside(5);
    for (int i = 0; i < 5; ++i) p.dir.Write("sub/f" + std::to_string(i) + ".txt", "inside");
    const std::string sub = p.dir / "sub";
    const bool beforeOpening = std::string(operation) == "OpenSubfolder";
    bool swapped = false;
    // The first time the walk reaches into sub, sub has become a link to the outside folder.
    p.fs.SetHook([&](const std::string& op, const std::string& path) {
      if (!swapped && op == operation &&
          (path == sub || path.rfind(sub + platform::kPathSeparator, 0) == 0)) {
        swapped = true;
        SwapForLink(sub, outside.path());
      }
    });
    p.ui.AnswerOkByDefault();
    p.confirmation.blnDeleteEmptyFolders = true;
    p.Purge(p.dir.path(), "*.*", true);
    EXPECT_TRUE(swapped);
    outside.ExpectIntact();
    EXPECT_TRUE(IsLink(sub));
    if (beforeOpening) {
      EXPECT_EQ(p.report.lngNumFilesPurged, 0);
      EXPECT_EQ(ListFolder(p.fs, sub + ".aside").size(), 5u);
    } else if (RunningUnderWine()) {
      // Wine names a folder it holds by the path it was opened by, which now leads through the link: what
      // is opened in it is taken for what lies behind a link, and left alone.
      EXPECT_EQ(p.report.lngNumFilesPurged, 0);
      EXPECT_EQ(ListFolder(p.fs, sub + ".aside").size(), 5u);
    } else {
      // The folder the walk held, wherever it hangs now.
      EXPECT_EQ(p.report.lngNumFilesPurged, 5);
      EXPECT_TRUE(ListFolder(p.fs, sub + ".aside").empty());
      EXPECT_NE(p.report.txbText.text().find(
                    "Folder " + sub + " not removed: that name no longer names the folder that was purged."),
                std::string::npos)
          << p.report.txbText.text();
    }
  }
}

TEST(Redirection, ATrailingSeparatorOrDotsNeverLeadThroughALink) {
  ReportProgram p;
  Outside outside(3);
  ASSERT_TRUE(MakeLink(outside.path(), p.dir / "alias"));
  p.ui.AnswerOkByDefault();
  for (const std::string& target :
       {p.dir / "alias/", p.dir / "alias//", p.dir / "alias/.", p.dir / "x/../alias/"}) {
    SCOPED_TRACE(target);
    p.dir.MakeFolder("x");
    p.Purge(target, "*.*", true);
    p.List(target, "*.*", true, true, true);
    EXPECT_EQ(p.report.txbText.text().find("f0.txt"), std::string::npos);
  }
  outside.ExpectIntact();
}

// A second thread keeps swapping a subfolder for a link to an outside folder holding files of the same
// names, while real purges run over the tree.
TEST(Redirection, ARaceWithASecondThreadNeverReachesOutside) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine makes a link only through a program of the system below it";
  constexpr int kRounds = 25;
  Outside outside(8);
  int purgedInside = 0;
  for (int round = 0; round < kRounds; ++round) {
    ReportProgram p;
    for (int i = 0; i < 8; ++i) p.dir.Write("sub/f" + std::to_string(i) + ".txt", "inside");
    const std::string sub = p.dir / "sub";
    const std::string aside = p.dir / "sub.aside";
    std::atomic<bool> done = false;
    std::thread attacker([&] {
      platform::SystemFileSystem fileSystem;
      while (!done) {
        try {
          fileSystem.Rename(sub, aside);
        } catch (const platform::PlatformError&) {
          continue;
        }
        MakeLink(outside.path(), sub);
        std::this_thread::yield();
        RemoveLink(sub);
        try {
          fileSystem.Rename(aside, sub);
        } catch (const platform::PlatformError&) {
        }
        std::this_thread::yield();
      }
    });
    p.ui.AnswerOkByDefault();
    p.Purge(p.dir.path(), "*.*", true);
    done = true;
    attacker.join();
    purgedInside += p.report.lngNumFilesPurged;
    outside.ExpectIntact();
    if (::testing::Test::HasFailure()) break;
  }
  // The race was real: some purges got through while the folder was itself.
  RecordProperty("purgedInside", purgedInside);
}

#ifndef _WIN32
// The chosen folder exchanged with another real folder in one atomic rename, again and again by a second
// thread, while a purge of thousands of files runs in it on worker threads: the run goes on in the folder it
// opened, wherever that hangs, and not a byte of the other folder changes.
TEST(Redirection, TheChosenFolderExchangedWithAnotherMidRunLeavesTheOtherUntouched) {
  constexpr int kRounds = 2;
  constexpr int kFiles = 2000;
  for (int round = 0; round < kRounds; ++round) {
    ReportProgram p;
    std::map<std::string, std::string> others;  // relative path: content
    for (int i = 0; i < kFiles; ++i) {
      const std::string relative = "d" + std::to_string(i % 20) + "/f" + std::to_string(i) + ".txt";
      p.dir.Write("chosen/" + relative, "inside");
      others[relative] = SampleContent(64, static_cast<unsigned>(i));
      p.dir.Write("other/" + relative, others[relative]);
    }
    const std::string chosen = p.dir / "chosen";
    const std::string other = p.dir / "other";
    engine::PassPool pool(p.fs, 8);
    p.report.UsePassExecutor(&pool);
    // As the purge command does: the folder is opened once, before anything else happens to it.
    p.report.targetFolder = p.fs.OpenFolder(chosen + platform::kPathSeparator);
    std::atomic<bool> done = false;
    std::atomic<int> exchanges = 0;
    std::thread attacker([&] {
      while (!done) {
        if (::renameat2(AT_FDCWD, chosen.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE) == 0) ++exchanges;
        std::this_thread::yield();
      }
    });
    p.confirmation.blnDeleteEmptyFolders = true;
    p.Purge(chosen + platform::kPathSeparator, "*.*", true);
    done = true;
    attacker.join();

    EXPECT_GT(exchanges, 0);
    EXPECT_EQ(p.report.lngNumFilesPurged, kFiles);
    // Wherever each of the two hangs now: the chosen one is empty, the other one whole.
    for (const auto& [relative, content] : others) {
      const std::string here = p.dir / ("chosen/" + relative);
      const std::string there = p.dir / ("other/" + relative);
      ASSERT_NE(Exists(here), Exists(there)) << relative;
      EXPECT_EQ(ReadFile(Exists(here) ? here : there), content) << relative;
    }
    EXPECT_EQ(ListFolder(p.fs, chosen).size() + ListFolder(p.fs, other).size(), 20u);
    if (::testing::Test::HasFailure()) break;
  }
}
#endif

}  // namespace
}  // namespace nulvane::testing
