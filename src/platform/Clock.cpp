#include "platform/Clock.h"

#include <ctime>

#include "platform/Environment.h"

namespace nulvane::platform {

double SystemClock::SecondsSinceMidnight() const {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const std::tm local = LocalTime(seconds).value_or(std::tm{});
  const auto fraction = now - std::chrono::system_clock::from_time_t(seconds);
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
         std::chrono::duration<double>(fraction).count();
}

}  // namespace nulvane::platform
