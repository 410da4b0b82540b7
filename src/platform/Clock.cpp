#include "platform/Clock.h"

#include <ctime>

namespace nulvane::platform {

double SystemClock::SecondsSinceMidnight() const {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto fraction = now - std::chrono::system_clock::from_time_t(seconds);
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
         std::chrono::duration<double>(fraction).count();
}

}  // namespace nulvane::platform
