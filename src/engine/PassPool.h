#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "engine/PassExecutor.h"

namespace nulvane::engine {

// Files in flight at once in the program's purges: each waits mostly for its flushes, which the device
// takes from many files together far faster than one after another.
constexpr int kPurgeThreads = 16;

// Worker threads that carry out PurgeFile calls, each with pattern buffers and a random source of its own.
// They touch nothing but the file system: never the user interface, nor the engine's tables, since
// everything a call needs comes with its request.
class PassPool final : public PassExecutor {
 public:
  PassPool(platform::FileSystem& fileSystem, int threads);
  // Calls still running end at their next block (the program is closing), and the threads are joined.
  ~PassPool() override;
  PassPool(const PassPool&) = delete;
  PassPool& operator=(const PassPool&) = delete;

  // From now on every pass, running or still to start, ends at its next block with what it wrote flushed,
  // and keeps its file (kCutShort, kCutShortUnwritten): the program is about to be ended from outside and
  // has only seconds to leave every file as its report says. Safe from any thread; never undone.
  void CutShort() { cutShort_ = true; }

  void Start() override;
  int Capacity() const override { return threads_; }
  int Queue() const override { return threads_; }
  void Submit(std::uint64_t ticket, PurgeRequest request) override;
  std::optional<Done> Collect(std::chrono::milliseconds wait) override;

 private:
  void Work();
  // Starts the threads unless they run; `mutex_` held.
  void StartLocked();

  platform::FileSystem& fileSystem_;
  const int threads_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable finished_;
  std::deque<std::pair<std::uint64_t, PurgeRequest>> queue_;
  std::deque<Done> done_;
  int out_ = 0;  // submitted and not yet collected
  bool closing_ = false;
  std::atomic<bool> abandon_ = false;
  std::atomic<bool> cutShort_ = false;
  // Started when a purge begins, so a program that never purges keeps no threads.
  std::vector<std::thread> workers_;
};

}  // namespace nulvane::engine
