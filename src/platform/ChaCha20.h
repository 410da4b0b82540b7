#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace nulvane::platform {

// The ChaCha20 keystream of RFC 8439: a 256-bit key, a 96-bit nonce and a 32-bit block counter. When the
// counter passes 2^32 it carries into the nonce's first word (as in the cipher's original 64-bit-counter
// form), so a long stream never repeats itself.
class ChaCha20 {
 public:
  static constexpr std::size_t kKeySize = 32;
  static constexpr std::size_t kNonceSize = 12;
  static constexpr std::size_t kBlockSize = 64;

  ChaCha20(const std::array<unsigned char, kKeySize>& key, const std::array<unsigned char, kNonceSize>& nonce,
           std::uint32_t counter);
  ~ChaCha20();
  ChaCha20(const ChaCha20&) = delete;
  ChaCha20& operator=(const ChaCha20&) = delete;

  // Blocks computed side by side: the rounds of several blocks run in the processor's vector lanes.
  static constexpr std::size_t kParallelBlocks = 8;

  // The next `size` bytes of the keystream, going on where the last call stopped.
  void Keystream(unsigned char* out, std::size_t size);

 private:
  static constexpr std::size_t kGroupSize = kParallelBlocks * kBlockSize;

  // Writes the next kParallelBlocks blocks to `out` and advances the counter past them.
  void NextGroup(unsigned char* out);

  std::array<std::uint32_t, 16> state_{};
  // Keystream computed but not handed out yet: the last `unused_` bytes of `spare_`.
  std::array<unsigned char, kGroupSize> spare_{};
  std::size_t unused_ = 0;
};

}  // namespace nulvane::platform
