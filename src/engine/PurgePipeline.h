#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>

#include "engine/PassExecutor.h"

namespace nulvane::engine {

// The files of a purge run on their way through their passes, several at once on an executor, while the
// driver's walk goes on, all on the user-interface thread: each file's next pass is handed over only when
// the one before came back and the driver's gate is open, and everything is shown in walk order, so a
// report reads as if the files had been purged one after another. A question is asked only when no pass is
// running; what a question or a failure decides holds back every file behind it until it has been shown.
class PurgePipeline {
 public:
  // What a file does after a pass came back.
  enum class Next {
    Pass,   // its next pass, as soon as the gate is open
    End,    // nothing more
    Block,  // nothing more, and nothing behind it starts a pass until it has been shown
    Ask,    // a question first, asked when it is at the front and no pass is running; holds back as Block
  };

  // A file handed over; drivers derive their own record from it.
  struct File {
    virtual ~File() = default;
    PurgeRequest request;  // deleteAfter: whether the last pass deletes the file
    int passes = 1;
    int passesBack = 0;        // passes that came back
    std::int16_t code = 0;     // of the last pass that came back
    PurgeNotes notes;          // what its passes met beyond its main contents
    std::exception_ptr error;  // what the last pass that came back threw instead
    bool ended = false;        // no further pass will run
    // Its passes take moments (a small file): they may wait in the executor's queue, and a pause or a stop
    // comes after them a moment later.
    bool brief = false;
    bool stopped = false;  // ended by a stop while it waited for its next pass

   private:
    friend class PurgePipeline;
    std::uint64_t ticket = 0;
    bool running = false;
    bool waiting = true;  // its next pass waits for the gate
    bool asking = false;
    bool holding = false;  // ended by Block and not shown yet
    bool shownOnce = false;
    int passesShown = 0;
  };

  class Driver {
   public:
    virtual ~Driver() = default;
    // A pass of the file came back (files come back in any order): what the file does next.
    virtual Next AfterPass(File& file) = 0;
    // Whether a file's next pass may start now (not while paused, nor while the user is deciding on a
    // stop). A file's first pass starts whenever it is handed over: the walk decides when that is.
    virtual bool MayStart() = 0;
    // Whether files waiting for a pass (or a question) end where they are: the run is stopping.
    virtual bool Stopping() = 0;
    // The file at the front (the earliest one not shown in full) reached the front, had passes come back,
    // or ended: show what is new.
    virtual void Show(File& file) = 0;
    // The question after a pass of the file at the front, with no pass running: Pass or End.
    virtual Next Ask(File& file);
    // Lets the user's events run between looks for passes that came back.
    virtual void Yield() = 0;
    // Nothing runs and nothing may start: wait a little for the user (paused, or a stop to decide).
    virtual void Idle() = 0;
  };

  // The longest file whose passes count as brief.
  static constexpr std::int64_t kBriefFileBytes = std::int64_t{1} << 20;

  // How long one look waits for a pass to come back: the user's events run at least this often.
  static constexpr std::chrono::milliseconds kLook{10};

  PurgePipeline(PassExecutor& executor, Driver& driver);
  PurgePipeline(const PurgePipeline&) = delete;
  PurgePipeline& operator=(const PurgePipeline&) = delete;

  bool Empty() const { return entries_.empty(); }
  int Running() const { return running_; }

  // A step (report text, say) that must follow every file handed over before it: runs at once when
  // nothing is pending.
  void Then(std::function<void()> step);
  // Hands a file over: it is shown as soon as it reaches the front, and its first pass starts when the
  // gate is open.
  void Add(std::unique_ptr<File> file);
  // Whether another file may be handed over: fewer unfinished files than the executor takes at once, or,
  // while every unfinished file is brief, than it takes and queues.
  bool HasRoom() const;
  // Returns once another file may be handed over, carrying the run on meanwhile.
  void WaitForRoom();
  // One look: collects the passes that came back (waiting up to `wait` while one runs), starts what may
  // start and shows the front. Lets the user's events run. Whether anything changed.
  bool Pump(std::chrono::milliseconds wait);
  // Returns when no pass is running; nothing new starts meanwhile unless the gate is open.
  void Quiesce();
  // Returns when everything handed over has been shown.
  void Finish();

 private:
  struct Entry {
    std::unique_ptr<File> file;
    std::function<void()> step;
  };

  void Collected(const PassExecutor::Done& done);
  bool StartWaiting();
  bool ShowFront();
  int FilesPending() const;

  PassExecutor& executor_;
  Driver& driver_;
  std::deque<Entry> entries_;
  std::uint64_t nextTicket_ = 1;
  int running_ = 0;
  // Set while the pipeline shows or collects: the driver's own yields then only let events run.
  bool busy_ = false;
};

// A run's pipeline, made when the run first hands a file over: on the executor its owner was given (the
// window's worker threads) or, without one, on an inline executor of its own. Reset between runs.
class RunPipeline {
 public:
  explicit RunPipeline(PurgeEngine& engine) : engine_(engine) {}
  void UseExecutor(PassExecutor* executor) { executor_ = executor; }
  // Starts the executor's workers: once the run's questions are answered, never before.
  void StartWorkers() {
    if (executor_ != nullptr) executor_->Start();
  }
  PurgePipeline& Get(PurgePipeline::Driver& driver);
  PurgePipeline* operator->() const { return pipeline_.get(); }
  explicit operator bool() const { return pipeline_ != nullptr; }
  void reset() { pipeline_.reset(); }

 private:
  PurgeEngine& engine_;
  PassExecutor* executor_ = nullptr;
  std::unique_ptr<InlinePassExecutor> inlineExecutor_;
  std::unique_ptr<PurgePipeline> pipeline_;
};

}  // namespace nulvane::engine
