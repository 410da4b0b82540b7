#include "engine/PurgePipeline.h"

#include <algorithm>

namespace nulvane::engine {

namespace {

// Files that may be handed over ahead of the front, per call the executor takes at once: enough to keep
// every worker busy while a large file holds the front, few enough that the report keeps up with the disk.
constexpr int kFilesPerCall = 4;

class Busy {
 public:
  explicit Busy(bool& flag) : flag_(flag) { flag_ = true; }
  ~Busy() { flag_ = false; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  bool& flag_;
};

}  // namespace

PurgePipeline::Next PurgePipeline::Driver::Ask(File& /*file*/) {
  return Next::End;
}

PurgePipeline::PurgePipeline(PassExecutor& executor, Driver& driver) : executor_(executor), driver_(driver) {}

void PurgePipeline::Then(std::function<void()> step) {
  if (entries_.empty()) {
    step();
    return;
  }
  entries_.push_back({nullptr, std::move(step)});
}

void PurgePipeline::Add(std::unique_ptr<File> file) {
  file->ticket = nextTicket_++;
  entries_.push_back({std::move(file), {}});
  if (busy_) return;
  const Busy busy(busy_);
  // Shown first: an inline executor runs the pass only when it is collected, after its line has begun.
  ShowFront();
  StartWaiting();
}

bool PurgePipeline::HasRoom() const {
  const int capacity = executor_.Capacity();
  if (FilesPending() >= capacity * kFilesPerCall) return false;
  int unfinished = 0;
  bool allBrief = true;
  for (const Entry& entry : entries_) {
    if (!entry.file || entry.file->ended) continue;
    ++unfinished;
    allBrief = allBrief && entry.file->brief;
  }
  return unfinished < capacity + (allBrief ? executor_.Queue() : 0);
}

void PurgePipeline::WaitForRoom() {
  while (!busy_ && !HasRoom()) {
    if (!Pump(kLook) && running_ == 0) driver_.Idle();
  }
}

bool PurgePipeline::Pump(std::chrono::milliseconds wait) {
  if (busy_) {
    driver_.Yield();
    return false;
  }
  const Busy busy(busy_);
  bool changed = false;
  if (running_ > 0) {
    for (auto done = executor_.Collect(wait); done; done = executor_.Collect(std::chrono::milliseconds(0))) {
      Collected(*done);
      changed = true;
    }
  }
  // The next passes go out before the front is shown, so the workers are busy while the report is written.
  if (StartWaiting()) changed = true;
  if (ShowFront()) changed = true;
  driver_.Yield();
  return changed;
}

void PurgePipeline::Quiesce() {
  while (!busy_ && running_ > 0) Pump(kLook);
}

void PurgePipeline::Finish() {
  while (!busy_ && !entries_.empty()) {
    if (!Pump(kLook) && running_ == 0) driver_.Idle();
  }
}

void PurgePipeline::Collected(const PassExecutor::Done& done) {
  --running_;
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return entry.file && entry.file->ticket == done.ticket;
  });
  if (found == entries_.end()) return;
  File& file = *found->file;
  file.running = false;
  ++file.passesBack;
  file.code = done.code;
  file.notes.Add(done.notes);
  file.error = done.error;
  Next next = driver_.AfterPass(file);
  if (next == Next::Pass && file.passesBack >= file.passes) next = Next::End;
  switch (next) {
    case Next::Pass:
      file.waiting = true;
      break;
    case Next::End:
      file.ended = true;
      break;
    case Next::Block:
      file.ended = true;
      file.holding = true;
      break;
    case Next::Ask:
      file.asking = true;
      break;
  }
}

bool PurgePipeline::StartWaiting() {
  bool changed = false;
  bool heldBack = false;
  for (Entry& entry : entries_) {
    if (!entry.file) continue;
    File& file = *entry.file;
    if (!file.ended && !file.running && (file.waiting || file.asking) && driver_.Stopping()) {
      file.ended = true;
      file.stopped = true;
      file.waiting = false;
      file.asking = false;
      changed = true;
    } else if (!file.ended && !file.running && file.waiting && !heldBack &&
               (file.passesBack == 0 || driver_.MayStart())) {
      // A file handed over has its first pass whatever comes meanwhile, short of a stop: the walk committed
      // to it (its line has begun) before the pause.
      PurgeRequest request = file.request;
      request.deleteAfter = file.request.deleteAfter && file.passesBack + 1 == file.passes;
      file.waiting = false;
      file.running = true;
      ++running_;
      executor_.Submit(file.ticket, std::move(request));
      changed = true;
    }
    if (file.holding || file.asking) heldBack = true;
  }
  return changed;
}

bool PurgePipeline::ShowFront() {
  bool changed = false;
  while (!entries_.empty()) {
    Entry& front = entries_.front();
    if (!front.file) {
      const std::function<void()> step = std::move(front.step);
      entries_.pop_front();
      step();
      changed = true;
      continue;
    }
    File& file = *front.file;
    if (!file.shownOnce || file.passesBack > file.passesShown || file.ended) {
      file.shownOnce = true;
      file.passesShown = file.passesBack;
      driver_.Show(file);
      changed = true;
    }
    if (file.ended) {
      entries_.pop_front();
      continue;
    }
    if (file.asking && running_ == 0) {
      const Next next = driver_.Ask(file);
      file.asking = false;
      if (next == Next::Pass && file.passesBack < file.passes) {
        file.waiting = true;
      } else {
        file.ended = true;
      }
      changed = true;
      continue;
    }
    break;
  }
  // A file that held the others back may have left the front.
  if (changed) StartWaiting();
  return changed;
}

int PurgePipeline::FilesPending() const {
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                        [](const Entry& entry) { return entry.file != nullptr; }));
}

PurgePipeline& RunPipeline::Get(PurgePipeline::Driver& driver) {
  if (!pipeline_) {
    if (executor_ == nullptr && !inlineExecutor_)
      inlineExecutor_ = std::make_unique<InlinePassExecutor>(engine_);
    pipeline_ = std::make_unique<PurgePipeline>(executor_ != nullptr ? *executor_ : *inlineExecutor_, driver);
  }
  return *pipeline_;
}

}  // namespace nulvane::engine
