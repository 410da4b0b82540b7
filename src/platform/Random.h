#pragma once

#include <cstdint>
#include <random>

namespace nulvane::platform {

// The program's random number generator, seeded from the clock. Each generator also mixes a value of its
// own into that seed, so generators seeded in the same instant (one per purging thread) still differ.
class Random {
 public:
  Random();

  void SeedFromClock();
  void Seed(std::uint64_t seed) { engine_.seed(seed); }
  // Uniform in [0, 1), single precision.
  float Uniform();
  // A uniformly distributed integer in the closed range low..high.
  int RandomInteger(int low, int high);

 private:
  std::mt19937_64 engine_;
  std::uint64_t salt_ = 0;
};

}  // namespace nulvane::platform
