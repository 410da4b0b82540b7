// A purge that someone tries to send outside the chosen folder while it runs: folders swapped for links
// between the listing and the opening of their files, by a staged hook and by a real second thread.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>

#include "platform/PlatformError.h"
#include "platform/SystemFileSystem.h"
#include "report/ReportTestSupport.h"
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
    EXPECT_EQ(platform::SystemFileSystem().ListFolder(dir_.path()).size(), contents_.size());
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

TEST(Redirection, AFolderSwappedForALinkAfterTheListingSendsNothingOutside) {
  for (const char* operation : {"ListFolder", "Status", "OpenForWriting"}) {
    SCOPED_TRACE(operation);
    ReportProgram p;
    Outside outside(5);
    for (int i = 0; i < 5; ++i) p.dir.Write("sub/f" + std::to_string(i) + ".txt", "inside");
    const std::string sub = p.dir / "sub";
    bool swapped = false;
    // The first time the walk reaches into sub, sub has become a link to the outside folder.
    p.fs.SetHook([&](const std::string& op, const std::string& path) {
      if (!swapped && op == operation && path.rfind(sub + platform::kPathSeparator, 0) == 0) {
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
    EXPECT_EQ(p.report.lngNumFilesPurged, 0);
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

}  // namespace
}  // namespace nulvane::testing
