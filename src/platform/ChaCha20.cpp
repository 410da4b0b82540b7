#include "platform/ChaCha20.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace nulvane::platform {

namespace {

// One word of each of kLanes blocks: the compiler turns the arithmetic on it into vector instructions.
constexpr std::size_t kLanes = ChaCha20::kParallelBlocks;
using Lanes = std::uint32_t __attribute__((vector_size(kLanes * sizeof(std::uint32_t))));
using State = std::array<std::uint32_t, 16>;

std::uint32_t LoadLittleEndian(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void StoreLittleEndian(unsigned char* bytes, std::uint32_t word) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(bytes, &word, sizeof word);
  } else {
    bytes[0] = static_cast<unsigned char>(word);
    bytes[1] = static_cast<unsigned char>(word >> 8);
    bytes[2] = static_cast<unsigned char>(word >> 16);
    bytes[3] = static_cast<unsigned char>(word >> 24);
  }
}

std::uint64_t Counter(const State& state) {
  return static_cast<std::uint64_t>(state[13]) << 32 | state[12];
}

template <int kBits>
[[gnu::always_inline]] inline void RotateLeft(Lanes& value) {
  value = (value << kBits) | (value >> (32 - kBits));
}

[[gnu::always_inline]] inline void QuarterRound(Lanes& a, Lanes& b, Lanes& c, Lanes& d) {
  a += b;
  d ^= a;
  RotateLeft<16>(d);
  c += d;
  b ^= c;
  RotateLeft<12>(b);
  a += b;
  d ^= a;
  RotateLeft<8>(d);
  c += d;
  b ^= c;
  RotateLeft<7>(b);
}

// The kLanes blocks from the state's counter on, one after another in `out`.
// Where the system picks a function's build when the program loads, processors with wide vectors get one of
// their own: the same keystream in less than two thirds of the time.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void ComputeBlocks(const State& state, unsigned char* out) {
  Lanes input[16];
  for (std::size_t word = 0; word < 16; ++word) {
    for (std::size_t lane = 0; lane < kLanes; ++lane) input[word][lane] = state[word];
  }
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    const std::uint64_t counter = Counter(state) + lane;
    input[12][lane] = static_cast<std::uint32_t>(counter);
    input[13][lane] = static_cast<std::uint32_t>(counter >> 32);
  }
  Lanes x[16];
  for (std::size_t word = 0; word < 16; ++word) x[word] = input[word];
  for (int round = 0; round < 10; ++round) {
    QuarterRound(x[0], x[4], x[8], x[12]);
    QuarterRound(x[1], x[5], x[9], x[13]);
    QuarterRound(x[2], x[6], x[10], x[14]);
    QuarterRound(x[3], x[7], x[11], x[15]);
    QuarterRound(x[0], x[5], x[10], x[15]);
    QuarterRound(x[1], x[6], x[11], x[12]);
    QuarterRound(x[2], x[7], x[8], x[13]);
    QuarterRound(x[3], x[4], x[9], x[14]);
  }
  for (std::size_t word = 0; word < 16; ++word) {
    x[word] += input[word];
    std::uint32_t words[kLanes];
    std::memcpy(words, &x[word], sizeof words);
    for (std::size_t lane = 0; lane < kLanes; ++lane)
      StoreLittleEndian(out + lane * ChaCha20::kBlockSize + word * 4, words[lane]);
  }
}

}  // namespace

ChaCha20::ChaCha20(const std::array<unsigned char, kKeySize>& key,
                   const std::array<unsigned char, kNonceSize>& nonce, std::uint32_t counter) {
  // "expand 32-byte k"
  state_[0] = 0x61707865;
  state_[1] = 0x3320646e;
  state_[2] = 0x79622d32;
  state_[3] = 0x6b206574;
  for (std::size_t i = 0; i < 8; ++i) state_[4 + i] = LoadLittleEndian(key.data() + 4 * i);
  state_[12] = counter;
  for (std::size_t i = 0; i < 3; ++i) state_[13 + i] = LoadLittleEndian(nonce.data() + 4 * i);
}

ChaCha20::~ChaCha20() {
  // The key, and keystream not yet handed out, would tell what was written.
  volatile std::uint32_t* words = state_.data();
  for (std::size_t i = 0; i < state_.size(); ++i) words[i] = 0;
  volatile unsigned char* spare = spare_.data();
  for (std::size_t i = 0; i < spare_.size(); ++i) spare[i] = 0;
}

void ChaCha20::Keystream(unsigned char* out, std::size_t size) {
  if (size == 0) return;
  const std::size_t fromSpare = std::min(size, unused_);
  std::memcpy(out, spare_.data() + (kGroupSize - unused_), fromSpare);
  unused_ -= fromSpare;
  out += fromSpare;
  size -= fromSpare;
  for (; size >= kGroupSize; size -= kGroupSize, out += kGroupSize) NextGroup(out);
  if (size > 0) {
    NextGroup(spare_.data());
    std::memcpy(out, spare_.data(), size);
    unused_ = kGroupSize - size;
  }
}

void ChaCha20::NextGroup(unsigned char* out) {
  ComputeBlocks(state_, out);
  const std::uint64_t next = Counter(state_) + kLanes;
  state_[12] = static_cast<std::uint32_t>(next);
  state_[13] = static_cast<std::uint32_t>(next >> 32);
}

}  // namespace nulvane::platform
