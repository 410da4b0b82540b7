#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "cli/Console.h"

namespace nulvane::cli {

// The progress bar of a purge on standard error: files and bytes done, the rate and the time left. Bytes
// done are the bytes written divided by the overwrites per file, so they grow through every pass.
class ProgressMeter {
 public:
  struct Totals {
    std::int64_t files = 0;
    double bytes = 0;
    int overwrites = 1;
  };

  explicit ProgressMeter(Console& console) : console_(console) {}

  void Start(Totals totals, std::int64_t bytesWrittenBefore);
  // Called at every yield; redraws at most ten times a second.
  void Update(std::int64_t filesDone, std::int64_t bytesWritten);
  void Stop();
  bool running() const { return running_; }

  // The bar's text for the given state (elapsed in seconds); `columns` bounds its length.
  static std::string Line(const Totals& totals, std::int64_t filesDone, double bytesDone, double elapsed,
                          int columns);

 private:
  Console& console_;
  Totals totals_;
  bool running_ = false;
  std::int64_t bytesBefore_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDrawn_;
};

}  // namespace nulvane::cli
