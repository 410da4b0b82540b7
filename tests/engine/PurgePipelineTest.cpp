#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/PurgePipeline.h"

namespace nulvane::testing {
namespace {

using engine::PurgePipeline;
using Next = PurgePipeline::Next;
using Log = std::vector<std::string>;

// Passes come back when the test says so, in whatever order it says.
class ScriptedExecutor : public engine::PassExecutor {
 public:
  int Capacity() const override { return 3; }
  int Queue() const override { return 2; }
  void Submit(std::uint64_t ticket, engine::PurgeRequest request) override {
    const int pass = ++passes_[request.path];
    const std::string name = request.path + "#" + std::to_string(pass);
    submitted.push_back(name + (request.deleteAfter ? " delete" : ""));
    out_.push_back({name, ticket});
  }
  std::optional<Done> Collect(std::chrono::milliseconds) override {
    if (back_.empty()) return std::nullopt;
    Done done = back_.front();
    back_.pop_front();
    return done;
  }
  // Lets the named pass ("a#1") come back.
  void Return(const std::string& name, std::int16_t code = 0, bool throws = false) {
    const auto found = std::find_if(out_.begin(), out_.end(), [&](const auto& o) { return o.first == name; });
    ASSERT_NE(found, out_.end()) << name << " is not out";
    Done done{found->second, code, {}};
    if (throws) done.error = std::make_exception_ptr(std::runtime_error("write failed"));
    back_.push_back(done);
    out_.erase(found);
  }
  bool IsOut(const std::string& name) const {
    return std::any_of(out_.begin(), out_.end(), [&](const auto& o) { return o.first == name; });
  }

  Log submitted;

 private:
  std::map<std::string, int> passes_;
  std::vector<std::pair<std::string, std::uint64_t>> out_;
  std::deque<Done> back_;
};

// Ends a file on a failure or after its last pass, asks after a code of 7, and records what it shows.
class RecordingDriver : public PurgePipeline::Driver {
 public:
  Next AfterPass(PurgePipeline::File& file) override {
    if (file.error) return Next::Block;
    if (file.code == 7) return Next::Ask;
    if (file.code != 0) return Next::End;
    return file.passesBack < file.passes ? Next::Pass : Next::End;
  }
  bool MayStart() override { return !paused; }
  bool Stopping() override { return stopping; }
  void Show(PurgePipeline::File& file) override {
    shown.push_back(file.request.path + " " + std::to_string(file.passesBack) +
                    (file.ended ? (file.stopped ? " stopped" : " end") : ""));
  }
  Next Ask(PurgePipeline::File& file) override {
    shown.push_back("ask " + file.request.path + " with " + std::to_string(running()) + " running");
    return Next::Pass;
  }
  void Yield() override {}
  void Idle() override {}

  std::function<int()> running;
  bool paused = false;
  bool stopping = false;
  Log shown;
};

struct PipelineTest : ::testing::Test {
  PipelineTest() {
    driver.running = [this] { return pipeline.Running(); };
  }

  void Add(const std::string& path, int passes, bool brief = false) {
    auto file = std::make_unique<PurgePipeline::File>();
    file->request.path = path;
    file->request.deleteAfter = true;
    file->passes = passes;
    file->brief = brief;
    pipeline.Add(std::move(file));
  }
  void Back(const std::string& name, std::int16_t code = 0, bool throws = false) {
    executor.Return(name, code, throws);
    pipeline.Pump(std::chrono::milliseconds(0));
  }

  ScriptedExecutor executor;
  RecordingDriver driver;
  PurgePipeline pipeline{executor, driver};
};

TEST_F(PipelineTest, FilesComeBackInAnyOrderAndAreShownInTheOrderHandedOver) {
  Add("a", 2);
  Add("b", 1);
  pipeline.Then([this] { driver.shown.push_back("text"); });
  Add("c", 2);
  EXPECT_EQ(executor.submitted, (Log{"a#1", "b#1 delete", "c#1"}));

  Back("b#1");
  Back("c#1");
  // One pass of a file is out at a time; the next follows as soon as the one before came back.
  EXPECT_EQ(executor.submitted, (Log{"a#1", "b#1 delete", "c#1", "c#2 delete"}));
  EXPECT_EQ(driver.shown, (Log{"a 0"}));

  Back("a#1");
  EXPECT_EQ(driver.shown, (Log{"a 0", "a 1"}));
  Back("a#2");
  EXPECT_EQ(driver.shown, (Log{"a 0", "a 1", "a 2 end", "b 1 end", "text", "c 1"}));
  Back("c#2");
  EXPECT_EQ(driver.shown.back(), "c 2 end");
  EXPECT_TRUE(pipeline.Empty());
  pipeline.Then([this] { driver.shown.push_back("at once"); });
  EXPECT_EQ(driver.shown.back(), "at once");
}

TEST_F(PipelineTest, APauseHoldsNextPassesAndAStopEndsTheWaitingFiles) {
  Add("a", 3);
  driver.paused = true;
  Back("a#1");
  EXPECT_FALSE(executor.IsOut("a#2"));
  // A file handed over while paused still gets its first pass: the walk decided when to hand it over.
  Add("b", 2);
  EXPECT_TRUE(executor.IsOut("b#1"));
  Back("b#1");
  driver.paused = false;
  pipeline.Pump(std::chrono::milliseconds(0));
  EXPECT_TRUE(executor.IsOut("a#2"));
  EXPECT_TRUE(executor.IsOut("b#2"));

  driver.stopping = true;
  Back("b#2");
  Back("a#2");
  // a ends after the pass it was in when the stop came, b had its last pass: nothing further goes out.
  EXPECT_EQ(driver.shown, (Log{"a 0", "a 1", "a 2 stopped", "b 2 end"}));
  EXPECT_EQ(executor.submitted, (Log{"a#1", "b#1", "a#2", "b#2 delete"}));
}

// Small files may wait in the executor's queue beside the running passes, so a worker goes on at once; a
// larger file among them keeps the room to what runs at once, so a pause or a stop is never held up by more.
TEST_F(PipelineTest, BriefFilesMayWaitInTheQueueWhileEveryUnfinishedFileIsBrief) {
  for (const std::string name : {"a", "b", "c", "d"}) {
    Add(name, 1, true);
    EXPECT_TRUE(pipeline.HasRoom()) << name;
  }
  Add("e", 1, true);
  EXPECT_FALSE(pipeline.HasRoom());
  Back("a#1");
  EXPECT_TRUE(pipeline.HasRoom());

  Add("large", 1);
  EXPECT_FALSE(pipeline.HasRoom());
  for (const std::string name : {"b#1", "c#1"}) {
    Back(name);
    EXPECT_FALSE(pipeline.HasRoom()) << name;
  }
  Back("d#1");
  EXPECT_TRUE(pipeline.HasRoom());
  Back("e#1");
  Back("large#1");
  EXPECT_TRUE(pipeline.Empty());
}

TEST_F(PipelineTest, AFailureHoldsBackTheFilesBehindItUntilItIsShown) {
  Add("x", 1);
  Add("a", 2);
  Add("b", 2);
  Back("a#1", 0, true);
  Back("b#1");
  // b waits: whatever a's failure decides (a stop) must come first.
  EXPECT_FALSE(executor.IsOut("b#2"));
  Back("x#1");
  EXPECT_EQ(driver.shown, (Log{"x 0", "x 1 end", "a 1 end", "b 1"}));
  EXPECT_TRUE(executor.IsOut("b#2"));
}

TEST_F(PipelineTest, AQuestionWaitsForTheFrontAndForNoPassRunning) {
  Add("a", 1);
  Add("b", 2);
  Add("c", 1);
  Back("b#1", 7);
  Back("a#1");
  // b is at the front now, but c is still being written.
  EXPECT_EQ(driver.shown, (Log{"a 0", "a 1 end", "b 1"}));
  Back("c#1");
  EXPECT_EQ(driver.shown, (Log{"a 0", "a 1 end", "b 1", "ask b with 0 running"}));
  EXPECT_TRUE(executor.IsOut("b#2"));
  EXPECT_EQ(executor.submitted.back(), "b#2 delete");
}

}  // namespace
}  // namespace nulvane::testing
