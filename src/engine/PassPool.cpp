#include "engine/PassPool.h"

#include <cerrno>

#include "platform/PlatformError.h"

namespace nulvane::engine {

namespace {

// A worker has no events to let run; it only gives up its call when the program is closing.
class WorkerPacer final : public Pacer {
 public:
  WorkerPacer(const std::atomic<bool>& abandon, const std::atomic<bool>& cutShort)
      : abandon_(abandon), cutShort_(cutShort) {}
  void Yield() override {
    if (abandon_.load(std::memory_order_relaxed)) platform::ThrowErrno(ECANCELED);
  }
  void Wait(int milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  bool CutShort() override { return cutShort_.load(std::memory_order_relaxed); }

 private:
  const std::atomic<bool>& abandon_;
  const std::atomic<bool>& cutShort_;
};

}  // namespace

PassPool::PassPool(platform::FileSystem& fileSystem, int threads)
    : fileSystem_(fileSystem), threads_(threads < 1 ? 1 : threads) {}

PassPool::~PassPool() {
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  abandon_ = true;
  work_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void PassPool::Start() {
  const std::lock_guard lock(mutex_);
  StartLocked();
}

void PassPool::StartLocked() {
  if (workers_.empty()) {
    for (int i = 0; i < threads_; ++i) workers_.emplace_back([this] { Work(); });
  }
}

void PassPool::Submit(std::uint64_t ticket, PurgeRequest request) {
  {
    const std::lock_guard lock(mutex_);
    StartLocked();
    queue_.emplace_back(ticket, std::move(request));
    ++out_;
  }
  work_.notify_one();
}

std::optional<PassExecutor::Done> PassPool::Collect(std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  if (done_.empty() && out_ > 0 && wait.count() > 0)
    finished_.wait_for(lock, wait, [this] { return !done_.empty(); });
  if (done_.empty()) return std::nullopt;
  Done done = std::move(done_.front());
  done_.pop_front();
  --out_;
  return done;
}

void PassPool::Work() {
  WorkerPacer pacer(abandon_, cutShort_);
  Overwriter overwriter(fileSystem_, pacer);
  for (;;) {
    std::pair<std::uint64_t, PurgeRequest> job;
    {
      std::unique_lock lock(mutex_);
      work_.wait(lock, [this] { return closing_ || !queue_.empty(); });
      if (closing_) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    Done done;
    done.ticket = job.first;
    try {
      done.code = overwriter.Purge(job.second, &done.notes);
    } catch (...) {
      done.error = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      done_.push_back(std::move(done));
    }
    finished_.notify_one();
  }
}

}  // namespace nulvane::engine
