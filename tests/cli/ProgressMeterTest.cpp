// The progress bar against a clock the test sets and a terminal that records every write.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/ProgressMeter.h"
#include "support/Locale.h"

namespace nulvane::cli {
namespace {

constexpr double kGiB = 1024.0 * 1024 * 1024;

struct Write {
  Console::Stream stream;
  std::string bytes;
};

class ProgressMeterTest : public ::testing::Test {
 protected:
  ProgressMeterTest() { support::SetLocale(support::LocaleSettings{}); }

  // The line last drawn on the terminal.
  std::string Bar() const {
    for (auto write = writes.rbegin(); write != writes.rend(); ++write) {
      const std::size_t start = write->bytes.rfind("\r\033[K");
      if (write->stream == Console::Stream::Error && start != std::string::npos)
        return write->bytes.substr(start + 4);
    }
    return {};
  }
  int Percent() const {
    std::smatch match;
    const std::string bar = Bar();
    return std::regex_search(bar, match, std::regex(R"(\] +(\d+)%)")) ? std::stoi(match[1]) : -1;
  }
  // The time left the bar shows, in seconds; -1 when it shows none.
  int SecondsLeft() const {
    std::smatch match;
    const std::string bar = Bar();
    if (!std::regex_search(bar, match, std::regex(R"((\d+):(\d+) left)"))) return -1;
    return std::stoi(match[1]) * 60 + std::stoi(match[2]);
  }

  double now = 1000;
  std::vector<Write> writes;
  Console console{{false, false, true}, [this](Console::Stream stream, std::string_view bytes) {
                    writes.push_back({stream, std::string(bytes)});
                  }};
  ProgressMeter meter{console, [this] { return now; }};
};

// One file of 2 GiB, six passes: nothing done at the start, and after the first pass the time left is that
// of the five passes to come.
TEST_F(ProgressMeterTest, ALargeFileStartsAtZeroAndItsTimeLeftIsRightAfterTheFirstPass) {
  meter.Start({1, 2 * kGiB, 6});
  EXPECT_EQ(Percent(), 0) << Bar();
  EXPECT_NE(Bar().find("0/1 files  0 bytes/12"), std::string::npos) << Bar();

  // The first pass takes 60 seconds.
  for (int second = 1; second <= 60; ++second) {
    now += 1;
    meter.Update(0, 2 * kGiB * second / 60);
  }
  EXPECT_EQ(Percent(), 16) << Bar();
  const int left = SecondsLeft();
  EXPECT_GE(left, 5 * 60 * 0.8) << Bar();
  EXPECT_LE(left, 5 * 60 * 1.2) << Bar();

  // The last pass over, the file done: the whole, exactly.
  now += 300;
  meter.Update(1, 12 * kGiB);
  EXPECT_EQ(Percent(), 100) << Bar();
  EXPECT_NE(Bar().find("1/1 files  12.0 GB/12.0 GB"), std::string::npos) << Bar();
  EXPECT_EQ(SecondsLeft(), -1) << Bar();
}

TEST_F(ProgressMeterTest, TimeAtAQuestionIsNotInTheRateNorInTheTimeLeft) {
  constexpr double kMiB = 1024.0 * 1024;
  meter.Start({2, 200 * kMiB, 1});
  now += 10;
  meter.Update(1, 100 * kMiB);
  const std::string before = Bar();
  ASSERT_NE(before.find("10.0 MB/s"), std::string::npos) << before;
  ASSERT_EQ(SecondsLeft(), 10) << before;

  // Ten minutes at a question: nothing is drawn meanwhile, and afterwards it is as if no time had passed.
  meter.Hold();
  const std::size_t writesAtQuestion = writes.size();
  now += 600;
  meter.Update(1, 100 * kMiB);
  EXPECT_EQ(writes.size(), writesAtQuestion);
  meter.Resume();
  EXPECT_NE(Bar().find("10.0 MB/s"), std::string::npos) << Bar();
  EXPECT_EQ(SecondsLeft(), 10) << Bar();
}

TEST_F(ProgressMeterTest, DrawnAtMostTenTimesASecondEachInOneWrite) {
  meter.Start({1000, 1e9, 1});
  writes.clear();
  // A thousand yields in one second.
  for (int i = 0; i < 1000; ++i) {
    now += 0.001;
    meter.Update(i, i * 1e6);
  }
  EXPECT_GE(writes.size(), 9u);
  EXPECT_LE(writes.size(), 10u);
  for (const Write& write : writes) {
    EXPECT_EQ(write.stream, Console::Stream::Error);
    EXPECT_EQ(write.bytes.rfind("\r\033[K", 0), 0u) << "each redraw replaces the line in one write";
    EXPECT_EQ(write.bytes.find("\r\033[K", 1), std::string::npos);
  }
}

TEST_F(ProgressMeterTest, SmallFilesCountByTheFileAndTheBarReachesTheEndWithTheLast) {
  const ProgressMeter::Totals many{2000, 2000 * 4096.0, 1};
  // Half the files done is about half the work, though their bytes are few.
  EXPECT_NEAR(ProgressMeter::Share(many, 1000, 1000 * 4096.0), 0.5, 0.01);
  EXPECT_DOUBLE_EQ(ProgressMeter::Share(many, 2000, 2000 * 4096.0), 1.0);
  EXPECT_LT(ProgressMeter::Share(many, 1999, 2000 * 4096.0), 1.0) << "a file counts once it is done";
  // What a pass writes beyond a file's size (the rest of its last cluster) never shows beyond the whole.
  EXPECT_DOUBLE_EQ(ProgressMeter::Share(many, 2000, 4e9), 1.0);
  const std::string line = ProgressMeter::Line(many, 2000, 4e9, 20, 200);
  EXPECT_NE(line.find("100%  2,000/2,000 files  7.8 MB/7.8 MB"), std::string::npos) << line;
  EXPECT_LE(ProgressMeter::Line(many, 10, 40960, 20, 40).size(), 40u);
}

// Report lines between two redraws pass above the bar, which stays; a report going elsewhere leaves it be.
TEST_F(ProgressMeterTest, OtherOutputNeverTakesTheBarAway) {
  meter.Start({10, 1e6, 1});
  writes.clear();
  console.Report("a line of the report\n");
  ASSERT_EQ(writes.size(), 1u) << "the report goes to a file or a pipe";
  EXPECT_EQ(writes[0].stream, Console::Stream::Output);

  std::vector<Write> onTerminal;
  Console terminal{{false, true, true}, [&](Console::Stream stream, std::string_view bytes) {
                     onTerminal.push_back({stream, std::string(bytes)});
                   }};
  terminal.Progress("[bar]");
  terminal.Report("line\n");
  terminal.Error("message\n");
  ASSERT_EQ(onTerminal.size(), 5u);
  EXPECT_EQ(onTerminal[2].bytes, "line\n");
  EXPECT_EQ(onTerminal[3].bytes, "\r\033[K[bar]") << "drawn again at once";
  EXPECT_EQ(onTerminal[4].bytes, "\r\033[Kmessage\n\r\033[K[bar]") << "a message in the same write";
  terminal.ClearProgress();
  terminal.Error("after\n");
  EXPECT_EQ(onTerminal.back().bytes, "after\n");
}

}  // namespace
}  // namespace nulvane::cli
