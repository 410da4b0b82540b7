#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>

#include "engine/Overwriter.h"
#include "engine/PurgeResult.h"

namespace nulvane::engine {

class PurgeEngine;

// Carries out the PurgeFile calls of a purge run, one pass of one file each: inline on the calling thread,
// or on worker threads so that several files are overwritten and flushed at once. A driver hands a file's
// next pass over only after the one before it came back, so each file's patterns reach it in order.
class PassExecutor {
 public:
  struct Done {
    std::uint64_t ticket = 0;
    std::int16_t code = 0;
    // What it met beyond the file's main contents, also when it threw.
    PurgeNotes notes;
    // What the call threw instead (a PlatformError, bad_alloc): the driver reports it at the file's place.
    std::exception_ptr error;
  };

  virtual ~PassExecutor() = default;
  // Gets ready to take calls at once (a pool starts its threads): called when a run's every question has
  // been answered, so the first file does not wait for them.
  virtual void Start() {}
  // How many calls may be out at once.
  virtual int Capacity() const = 0;
  // How many more calls of brief files may wait beside them, each taken up the moment a call ends: a worker
  // that finishes then goes on at once instead of waiting to be handed the next file.
  virtual int Queue() const { return 0; }
  virtual void Submit(std::uint64_t ticket, PurgeRequest request) = 0;
  // A call that came back: waits up to `wait` for one while any is out; nothing when none came back.
  virtual std::optional<Done> Collect(std::chrono::milliseconds wait) = 0;
};

// Runs each call on the calling thread when it is collected, with the engine's own buffers and its yields
// to the user interface: one file at a time, step by step, as tests drive it.
class InlinePassExecutor final : public PassExecutor {
 public:
  explicit InlinePassExecutor(PurgeEngine& engine) : engine_(engine) {}

  int Capacity() const override { return 1; }
  void Submit(std::uint64_t ticket, PurgeRequest request) override;
  std::optional<Done> Collect(std::chrono::milliseconds wait) override;

 private:
  PurgeEngine& engine_;
  std::optional<std::pair<std::uint64_t, PurgeRequest>> waiting_;
};

}  // namespace nulvane::engine
