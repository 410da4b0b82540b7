#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cli/Console.h"

namespace nulvane::cli {

// The progress bar of a purge on standard error: the share done, files and bytes done, the rate and the
// time left. A file counts once its turn is over; the bytes are the files' own sizes times their passes
// (what a pass writes beyond them, the rest of the last cluster and the several overwrites of a pass, is
// not shown), so the bar reaches 100 % with the last file. Time spent at a question does not count.
class ProgressMeter {
 public:
  struct Totals {
    std::int64_t files = 0;
    double bytes = 0;  // the files' own sizes, once each
    int passes = 1;
  };
  // Seconds on a clock that only goes forward.
  using Clock = std::function<double()>;

  explicit ProgressMeter(Console& console, Clock clock = SteadySeconds);

  void Start(Totals totals);
  // Called at every yield with the files whose turn is over and the bytes of all passes done so far
  // (those under way in part); redraws at most ten times a second.
  void Update(std::int64_t filesDone, double bytesDone);
  // A question is being asked, or has been answered: its time is left out of the rate and the time left.
  void Hold();
  void Resume();
  void Stop();
  bool running() const { return running_; }
  const Totals& totals() const { return totals_; }

  // The bar's text for the given state (`seconds`: the time spent purging so far); `columns` bounds its
  // length.
  static std::string Line(const Totals& totals, std::int64_t filesDone, double bytesDone, double seconds,
                          int columns);
  // The share of the work done, 0 to 1: bytes, with a little for each file, whose flushes take their time
  // however small it is.
  static double Share(const Totals& totals, std::int64_t filesDone, double bytesDone);

  static double SteadySeconds();

 private:
  double ActiveSeconds() const;

  Console& console_;
  Clock clock_;
  Totals totals_;
  bool running_ = false;
  double start_ = 0;
  double held_ = 0;        // seconds spent at questions
  double holdStart_ = -1;  // when the question now asked began; -1: none
  double lastDrawn_ = 0;
  std::int64_t filesDone_ = 0;
  double bytesDone_ = 0;
};

}  // namespace nulvane::cli
