// Purges with several files in flight on worker threads: the report must read as the one-after-another run
// reads, and must say exactly what happened to each file, also when a file fails or the run is stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <regex>

#include "engine/PassPool.h"
#include "report/ReportTestSupport.h"
#include "testsupport/PathCalls.h"
#include "testsupport/Platform.h"

namespace nulvane::testing {
namespace {

using platform::Answer;

std::string Normalised(std::string text, const std::string& root) {
  for (std::size_t at = text.find(root); at != std::string::npos; at = text.find(root, at)) {
    text.replace(at, root.size(), "ROOT/");
  }
  return text;
}

bool AllBytes(const std::string& content, unsigned char value) {
  return content.find_first_not_of(static_cast<char>(value)) == std::string::npos;
}

// Files left under the folder, relative to it.
std::vector<std::string> Remaining(const std::string& root) {
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(PathOf(root)))
    left.push_back(TextOf(entry.path()).substr(root.size()));
  std::sort(left.begin(), left.end());
  return left;
}

void MakeTree(const TempDir& dir) {
  const std::size_t sizes[] = {0, 1, 4095, 4096, 4097, 70000, 200000, 12};
  for (std::size_t i = 0; i < std::size(sizes); ++i)
    dir.Write("f" + std::to_string(i) + ".txt", SampleContent(sizes[i], static_cast<unsigned>(i)));
  for (int i = 0; i < 10; ++i) dir.Write("a/g" + std::to_string(i) + ".dat", SampleContent(5000, 20 + i));
  for (int i = 0; i < 6; ++i) dir.Write("a/b/h" + std::to_string(i) + ".txt", SampleContent(300, 40 + i));
  dir.Write("a/b/x.exe", "program");
  const std::string shared = dir.Write("a/b/shared.txt", "shared");
  EXPECT_TRUE(MakeHardLink(shared, dir / "a/shared-too.txt"));
  dir.MakeFolder("empty");
}

struct Outcome {
  std::string report;
  std::vector<std::string> messages;
  std::vector<std::string> left;
  std::int32_t processed;
  std::int32_t purged;
  double bytes;
  std::int16_t foldersRemoved;
};

// A run of the whole tree with questions on the way: the "exe" query, and per-file confirmations (Yes, No,
// then all the rest). Each confirmation checks that the files before it are done.
Outcome PurgeTree(engine::PassExecutor* executor) {
  ReportProgram p;
  MakeTree(p.dir);
  p.Choose(1, 2);
  p.confirmation.blnDeleteEmptyFolders = true;
  p.state.blnConfirmFiles = true;
  p.report.UsePassExecutor(executor);
  std::vector<std::string> asked;
  const auto confirm = [&](auto click) {
    return [&, click](platform::Dialog& d) {
      auto& dialog = dynamic_cast<report::ConfirmFilesDialog&>(d);
      const std::string label = dialog.lblFile.caption;
      asked.push_back(label.substr(0, label.find("     ")));
      // The file confirmed before this question is gone already: nothing is asked after the fact.
      if (asked.size() == 2) {
        EXPECT_FALSE(Exists(asked[0]));
      }
      click(dialog);
    };
  };
  p.ui.OnDialog("frmConfirmFiles", confirm([](report::ConfirmFilesDialog& d) { d.cmdYes_Click(); }));
  p.ui.OnDialog("frmConfirmFiles", confirm([](report::ConfirmFilesDialog& d) { d.cmdNo_Click(); }));
  p.ui.OnDialog("frmConfirmFiles", confirm([](report::ConfirmFilesDialog& d) { d.cmdPurgeAll_Click(); }));
  p.ui.Answer(Answer::No);
  p.Purge(p.dir.path(), "*.*", true);
  EXPECT_TRUE(p.ui.AllAnswersUsed());

  Outcome run{Normalised(p.report.txbText.text(), p.dir.path()),
              {},
              Remaining(p.dir.path()),
              p.report.lngNumFilesProcessed,
              p.report.lngNumFilesPurged,
              p.report.dblTotalBytesPurged,
              p.report.intNumFoldersRemoved};
  for (const auto& message : p.ui.messages()) run.messages.push_back(Normalised(message.text, p.dir.path()));
  return run;
}

TEST(OverlappedPurge, WorkerThreadsReportExactlyWhatOneFileAfterAnotherReports) {
  const Outcome inline_ = PurgeTree(nullptr);
  FaultyFileSystem workersFileSystem;
  engine::PassPool pool(workersFileSystem, 4);
  const Outcome overlapped = PurgeTree(&pool);

  EXPECT_EQ(overlapped.report, inline_.report);
  EXPECT_EQ(overlapped.messages, inline_.messages);
  EXPECT_EQ(overlapped.left, inline_.left);
  EXPECT_EQ(overlapped.processed, inline_.processed);
  EXPECT_EQ(overlapped.purged, inline_.purged);
  EXPECT_EQ(overlapped.bytes, inline_.bytes);
  EXPECT_EQ(overlapped.foldersRemoved, inline_.foldersRemoved);
  // Left: the declined file, the "exe" file, the two names of one file, and their folders.
  EXPECT_EQ(inline_.purged, 23);
  EXPECT_EQ(inline_.left.size(), 6u);
  EXPECT_NE(inline_.report.find("h5.txt (300 bytes) purged"), std::string::npos) << inline_.report;
  EXPECT_NE(inline_.report.find("Folder ROOT/empty removed."), std::string::npos) << inline_.report;
}

// Every file as the report tells it, against the disk: a purged file is gone, a file left part way is
// there but no longer as it was, a file the run never reached is untouched, and nothing is gone unsaid.
void ExpectReportMatchesDisk(const ReportProgram& p, const std::map<std::string, std::string>& originals) {
  const std::string& text = p.report.txbText.text();
  const std::regex line(R"((f\d+\.txt) \([\d,]+ bytes\)(.*)\r\n)");
  std::map<std::string, std::string> outcome;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
    outcome[(*it)[1]] = (*it)[2];
  EXPECT_EQ(static_cast<std::int32_t>(outcome.size()), p.report.lngNumFilesProcessed) << text;
  for (const auto& [name, content] : originals) {
    SCOPED_TRACE(name);
    const std::string path = p.dir / name;
    const auto found = outcome.find(name);
    if (found == outcome.end()) {
      EXPECT_EQ(ReadFile(path), content);
    } else if (found->second == " purged") {
      EXPECT_FALSE(Exists(path));
    } else {
      ASSERT_TRUE(Exists(path)) << found->second;
      if (found->second.find("partly overwritten") != std::string::npos) {
        EXPECT_NE(ReadFile(path), content);
      }
    }
  }
}

class OverlappedFailure : public ::testing::TestWithParam<bool> {};

TEST_P(OverlappedFailure, AFailureOnAWorkerIsReportedAtItsFilesPlaceAndEndsTheRun) {
  ReportProgram p;
  std::map<std::string, std::string> originals;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    originals[name] = SampleContent(4096, static_cast<unsigned>(i));
    p.dir.Write(name, originals[name]);
  }
  p.fs.Inject({"WriteRepeated", "f17.txt", EIO});
  engine::PassPool pool(p.fs, 8);
  if (GetParam()) p.report.UsePassExecutor(&pool);
  p.ui.AnswerOkByDefault();
  p.Purge(p.dir.path(), "*.txt", false);

  ASSERT_EQ(p.ui.messages().size(), 1u);
  EXPECT_EQ(p.ui.messages()[0].text, "Error #" + std::to_string(1000 + EIO) + " with " + p.dir / "f17.txt");
  const std::string& text = p.report.txbText.text();
  // Its line where the walk met it: after every file listed before it, each of them purged.
  std::vector<std::string> order;
  for (const auto& entry : ListFolder(p.fs, p.dir.path())) order.push_back(entry.name);
  const auto lineAt = [&](std::size_t at, const std::string& line) {
    return text.compare(at, line.size(), line) == 0;
  };
  std::size_t at = 0;
  for (const std::string& name : order) {
    const std::size_t line = text.find("\r\n" + name + " (4,096 bytes)", at);
    ASSERT_NE(line, std::string::npos) << name << "\n" << text;
    if (name == "f17.txt") {
      EXPECT_TRUE(lineAt(line,
                         "\r\nf17.txt (4,096 bytes): overwriting broke off in pass 1 of 1, not deleted: "
                         "Input/output error.\r\n"))
          << text;
      break;
    }
    EXPECT_TRUE(lineAt(line, "\r\n" + name + " (4,096 bytes) purged\r\n")) << text;
    at = line + 1;
  }
  EXPECT_NE(text.find("Purge operation was stopped."), std::string::npos);
  ExpectReportMatchesDisk(p, originals);
}

INSTANTIATE_TEST_SUITE_P(InlineAndWorkers, OverlappedFailure, ::testing::Bool());

TEST(OverlappedPurge, AStopLeavesNoFileUnreported) {
  ReportProgram p;
  p.Choose(0, 3);
  std::map<std::string, std::string> originals;
  for (int i = 0; i < 60; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    originals[name] = SampleContent(8192, static_cast<unsigned>(i));
    p.dir.Write(name, originals[name]);
  }
  engine::PassPool pool(p.fs, 8);
  p.report.UsePassExecutor(&pool);
  bool paused = false;
  p.ui.OnYield([&](long) {
    if (!paused && p.report.lngNumFilesPurged >= 5) {
      p.report.cmdPauseContinue_Click();
      paused = true;
    } else if (paused && p.report.blnPaused && !p.report.blnStop) {
      p.report.cmdStop_Click();
    }
  });
  p.Purge(p.dir.path(), "*.txt", false);

  EXPECT_TRUE(p.report.blnStop);
  EXPECT_NE(p.report.txbText.text().find("Purge operation was stopped."), std::string::npos);
  EXPECT_LT(p.report.lngNumFilesPurged, 60);
  ExpectReportMatchesDisk(p, originals);
}

// Closing the console leaves the program seconds, not passes: every file in flight stops at its next block
// with what it wrote flushed and stays, its line saying how far it got, and the run stops.
TEST(OverlappedPurge, ACutShortEndsEveryFileInFlightAtItsNextBlock) {
  constexpr std::size_t kCluster = 512;
  constexpr std::size_t kRun = 256 * kCluster;  // what one call writes
  // The console closes while f0.txt writes the second call of its first or of its second pass (each pass
  // flushes three times: 170, 85 and 0).
  for (const int passesDone : {0, 1}) {
    SCOPED_TRACE(passesDone);
    ReportProgram p;
    p.Choose(1, 2);
    p.clusterSizes.SetClusterSize(p.fs.VolumeOf(p.dir.path()), static_cast<std::int32_t>(kCluster));
    std::map<std::string, std::string> originals;
    for (int i = 0; i < 4; ++i) {
      const std::string name = "f" + std::to_string(i) + ".txt";
      originals[name] = SampleContent(5 * kRun, static_cast<unsigned>(i));
      p.dir.Write(name, originals[name]);
    }
    engine::PassPool pool(p.fs, 2);
    p.report.UsePassExecutor(&pool);
    std::atomic<bool> cut = false;
    int flushes = 0;
    int writes = 0;
    std::vector<std::string> f0;
    p.fs.SetHook([&](const std::string& operation, const std::string& path) {
      if (path.find("f0.txt") == std::string::npos) return;
      f0.push_back(operation);
      if (operation == "Flush") ++flushes;
      if (operation == "WriteRepeated" && flushes == 3 * passesDone && ++writes == 2) {
        pool.CutShort();
        cut = true;
      }
    });
    // What the command line does when it sees the close.
    p.ui.OnYield([&](long) {
      if (cut && !p.report.blnStop) p.report.cmdStop_Click();
    });
    p.Purge(p.dir.path(), "*.txt", false);

    const std::string left = ReadFile(p.dir / "f0.txt");
    ASSERT_EQ(left.size(), 5 * kRun);
    EXPECT_TRUE(AllBytes(left.substr(0, 2 * kRun), 170));
    EXPECT_EQ(left.substr(2 * kRun),
              passesDone == 0 ? originals["f0.txt"].substr(2 * kRun) : std::string(3 * kRun, '\0'));
    // Its last write was flushed.
    const auto lastWrite = std::find(f0.rbegin(), f0.rend(), "WriteRepeated");
    EXPECT_NE(std::find(f0.rbegin(), lastWrite, "Flush"), lastWrite);
    const std::string line = passesDone == 0 ? "overwriting broke off in pass 1 of 2, not deleted."
                                             : "partly overwritten (1 of 2 passes), not deleted.";
    EXPECT_NE(p.report.txbText.text().find("\r\nf0.txt (655,360 bytes): " + line + "\r\n"), std::string::npos)
        << p.report.txbText.text();
    EXPECT_NE(p.report.txbText.text().find("Purge operation was stopped."), std::string::npos);
    // The others, wherever the cut found them, are as their lines say.
    ExpectReportMatchesDisk(p, originals);
  }
}

}  // namespace
}  // namespace nulvane::testing
