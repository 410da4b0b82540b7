#include "platform/Random.h"

#include <chrono>
#include <cmath>

namespace nulvane::platform {

Random::Random() {
  std::random_device device;
  salt_ = static_cast<std::uint64_t>(device()) << 32 ^ device();
  SeedFromClock();
}

void Random::SeedFromClock() {
  engine_.seed(
      static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
      salt_);
}

float Random::Uniform() {
  // 24 random bits give every float in [0, 1) that a single-precision step can reach, never 1 itself.
  return static_cast<float>(engine_() >> 40) * (1.0f / 16777216.0f);
}

int Random::RandomInteger(int low, int high) {
  if (high < low) return low;
  const float span = static_cast<float>(high) - static_cast<float>(low) + 1.0f;
  const int value = low + static_cast<int>(std::floor(span * Uniform()));
  // Single-precision rounding of span * r can reach span itself; keep the result inside the range.
  return value > high ? high : value;
}

}  // namespace nulvane::platform
