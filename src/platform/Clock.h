#pragma once

#include <chrono>

namespace nulvane::platform {

// The wall clock, behind an interface so that tests can set the time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::system_clock::time_point Now() const = 0;
  // Seconds since local midnight with sub-second resolution.
  virtual double SecondsSinceMidnight() const = 0;
};

class SystemClock final : public Clock {
 public:
  std::chrono::system_clock::time_point Now() const override { return std::chrono::system_clock::now(); }
  double SecondsSinceMidnight() const override;
};

}  // namespace nulvane::platform
